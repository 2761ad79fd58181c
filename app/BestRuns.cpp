#include "app/BestRuns.h"

#include "app/Demo.h"
#include "app/Progress.h"
#include "platform/Report.h"

#include <GLFW/glfw3.h>

#include <filesystem>
#include <system_error>

namespace brindlemox::app {

using namespace levels;
using namespace platform;

BestRuns::BestRuns(const Game& game) : game(game) {}

BestRuns::~BestRuns() = default;

void BestRuns::follow(std::vector<std::string> levelIds, std::function<std::string()> soFar) {
    end();
    ids = std::move(levelIds);
    noted.assign(ids.size(), false);
    demoSoFar = std::move(soFar);
}

void BestRuns::begin(Game& played, std::vector<std::string> levelIds, size_t index,
                     const std::string& levelFile) {
    end();
    starting = &played;
    startingIds = std::move(levelIds);
    startingIndex = index;
    startingFile = levelFile;
}

void BestRuns::beforeFrame() {
    if (starting == nullptr)
        return;
    Game& played = *starting;
    starting = nullptr;
    ids = std::move(startingIds);
    noted.assign(ids.size(), false);
    const std::string levelFile = startingFile;
    const Config& config = played.getConfig();
    header = demo::Header();
    header.level = static_cast<int>(startingIndex + 1);
    glfwGetFramebufferSize(played.getWindow(), &header.width, &header.height);
    header.sensitivity = config.mouseSensitivity;
    header.fov = config.fov;
    header.invertMouse = config.invertMouse;
    header.gamepadDeadzone = config.gamepadDeadzone;
    header.levelFile = levelFile.empty() ? "" : demoPathOf(levelFile);
    text.str("");
    recorder = std::make_unique<demo::Recorder>(text, header, played.getControls());
    frameCount = 0;
    demoSoFar = [this] { return text.str(); };
}

void BestRuns::end() {
    starting = nullptr;
    recorder.reset();
    ids.clear();
    noted.clear();
    demoSoFar = nullptr;
}

void BestRuns::afterFrame(long frames) {
    if (!isKeeping())
        return;
    if (recorder) {
        recorder->endFrame();
        frames = ++frameCount;
        // A replay runs at the size and with the settings the demo names: a run that changed
        // them (full screen, the settings menu) would not replay as it was played.
        int width = 0;
        int height = 0;
        glfwGetFramebufferSize(game.getWindow(), &width, &height);
        const Config& config = game.getConfig();
        if (width != header.width || height != header.height ||
            config.mouseSensitivity != header.sensitivity || config.fov != *header.fov ||
            config.invertMouse != *header.invertMouse ||
            config.gamepadDeadzone != *header.gamepadDeadzone) {
            end();
            return;
        }
    }
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

std::string demoPathOf(const std::string& levelFile) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path file = fs::weakly_canonical(fs::absolute(levelFile, error), error);
    const fs::path inside =
        file.lexically_relative(fs::weakly_canonical(fs::current_path(error), error));
    if (!inside.empty() && *inside.begin() != "..")
        return inside.generic_string();
    return file.string();
}

} // namespace brindlemox::app
