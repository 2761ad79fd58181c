// Plays the real game in the data folder named by its argument the way the robustness suite does
// in its own process: 300 frames of 1/60 s, Level 1's walls fall at frame 150. Every tenth frame
// and the last ten are drawn (the others update and step only), so a case whose configuration
// is lost (a full-size window on a software renderer) stays quick. Ends with one summary line on
// standard output. The suite runs it as a child process for the cases that could
// hang, crash or take all memory, so that such a case fails alone and within a time bound.
#include "app/Game.h"
#include "gameplay/VulnerableWall.h"
#include "levels/Level.h"
#include "platform/Controls.h"
#include "platform/GlDebug.h"
#include "platform/Report.h"
#include "support/ScriptedPlatform.h"

#include <cstdio>
#include <unistd.h>

using namespace brindlemox::platform;
using namespace brindlemox::gameplay;
using namespace brindlemox::levels;
using namespace brindlemox::app;

int main(int argc, char** argv) {
    if (argc != 2 || chdir(argv[1]) != 0) {
        std::fprintf(stderr, "usage: scripted_run <data folder>\n");
        return 2;
    }
    ScriptedPlatform keys;
    int frames = 0;
    size_t nextLevel = 0;
    int width = 0;
    int height = 0;
    {
        Result<std::unique_ptr<Game>> opened = Game::open();
        if (!opened) {
            report(Severity::Error, opened.error());
            return 1;
        }
        Game& game = **opened;
        width = game.getWindowWidth();
        height = game.getWindowHeight();
        for (; frames < 300; ++frames) {
            keys.advance(1.0 / 60.0);
            if (frames == 150) {
                if (auto* level = dynamic_cast<Level*>(game.getCurrentLevel()))
                    for (VulnerableWall* wall : level->getObjectives())
                        wall->takeHit(1000.0f, 1.0f);
            }
            game.frame(frames % 10 == 0 || frames >= 290);
        }
        nextLevel = game.getNextLevelIndex();
    }
    std::printf("\n[scripted run] frames=%d nextLevel=%zu glErrors=%d width=%d height=%d\n", frames,
                nextLevel, gldebug::errorCount(), width, height);
    if (!gldebug::errors().empty())
        std::printf("[scripted run] first GL error: %s\n", gldebug::errors()[0].c_str());
    std::fflush(stdout);
    return 0;
}
