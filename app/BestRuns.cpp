#include "app/BestRuns.h"

#include "app/Demo.h"
#include "app/Progress.h"
#include "platform/Report.h"

namespace brindlemox::app {

BestRuns::BestRuns(const Game& game, std::vector<std::string> levelIds,
                   std::function<std::string()> demoSoFar)
    : game(game), ids(std::move(levelIds)), demoSoFar(std::move(demoSoFar)),
      noted(ids.size(), false) {}

void BestRuns::afterFrame(long frames) {
    LevelInterface* level = game.getCurrentLevel();
    const size_t index = game.getNextLevelIndex() - 1;
    if (level == nullptr || index >= ids.size() || noted[index] || !level->isFinished())
        return;
    noted[index] = true;
    const std::string& id = ids[index];
    if (id.empty())
        return;
    const LevelCard card = level->card();
    // Read again: another run of the game may have written since this one started.
    Progress progress = readProgress(progressFile());
    if (!progress.offer(id, card.seconds))
        return;
    // The run first, so the progress never names a best time whose run is missing.
    Result<void> written =
        writeBestRun(id, demoSoFar() + demo::endLine(demo::stateLine(game, frames)));
    if (written)
        written = writeProgress(progressFile(), progress);
    if (!written) {
        report(Severity::Warning,
               "Cannot keep the best time of " + card.title + ": " + written.error());
        return;
    }
    report(Severity::Progress, "A best time for " + card.title + ": " + bestTimeText(card.seconds));
}

} // namespace brindlemox::app
