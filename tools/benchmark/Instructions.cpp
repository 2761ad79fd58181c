// Instruction counts under callgrind (scripts/bench.sh with BENCH_CALLGRIND=1): fixed runs of
// frames in functions of their own, so that the tool counts them apart.

#include "Harness.h"
#include "Measurements.h"
#include "ShadingFloor.h"
#include "app/Game.h"
#include "platform/Controls.h"
#include "platform/ScriptedPlatform.h"

#include <GL/glew.h>

#include <cstdio>
#include <vector>

using namespace brindlemox::platform;
using namespace brindlemox::app;

namespace bench {

namespace {

// The frames callgrind counts (--toggle-collect=*countedFrames*): Level 2 seen from over the water,
// so every pass runs. Kept out of line so that the tool can find it.
__attribute__((noinline)) void countedFrames(Game& game, ScriptedPlatform& keys, int frames) {
    for (int i = 0; i < frames; ++i)
        step(game, keys);
    glFinish();
}

// The same view's level frames and floor frames, each in a function of its own so that callgrind
// counts them apart (--toggle-collect). Run with LP_NUM_THREADS=0, so that the rasteriser works on
// this thread and every shaded pixel is counted: a machine-independent frame-against-floor ratio.
__attribute__((noinline)) void countedLevelFrames(Game& game, ScriptedPlatform& keys, int frames) {
    for (int i = 0; i < frames; ++i)
        step(game, keys);
    glFinish();
}
__attribute__((noinline)) void countedFloorFrames(Game& game, Floor& floor, bool allPasses,
                                                  int frames) {
    for (int i = 0; i < frames; ++i)
        floor.frame(game.getWindow(), allPasses);
    glFinish();
}

} // namespace

int childInstructions(int levelNumber, int viewIndex, int frames) {
    ScriptedPlatform keys;
    const std::unique_ptr<Game> opened = openGame(neverWaiting());
    if (!opened)
        return 1;
    Game& game = *opened;
    if (levelNumber == 2) {
        finishLevel(game);
        step(game, keys);
    }
    const std::vector<Viewpoint>& views = levelNumber == 1 ? Level1Views : Level2Views;
    if (viewIndex >= 0 && viewIndex < static_cast<int>(views.size()))
        lookFrom(game, views[static_cast<size_t>(viewIndex)]);
    for (int i = 0; i < 5; ++i)
        step(game, keys);
    const bool water = waterInView(game);
    ShadedPixels watcher;
    watchOneFrame(game, keys, watcher);
    Floor floor(currentLevel(game), watcher);
    floor.frame(game.getWindow(), water);
    countedLevelFrames(game, keys, frames);
    countedFloorFrames(game, floor, water, frames);
    fprintf(out, "instructions level %d view %d, %d frames, %d passes\n", levelNumber, viewIndex,
            frames, water ? 3 : 1);
    fflush(out);
    return 0;
}

int childCallgrind(int frames) {
    ScriptedPlatform keys;
    const std::unique_ptr<Game> opened = openGame(neverWaiting());
    if (!opened)
        return 1;
    Game& game = *opened;
    finishLevel(game);
    step(game, keys);
    lookFrom(game, Level2Views.back());
    for (int i = 0; i < 5; ++i)
        step(game, keys);
    countedFrames(game, keys, frames);
    fprintf(out, "callgrind %d frames, %d passes\n", frames, waterInView(game) ? 3 : 1);
    fflush(out);
    return 0;
}

} // namespace bench
