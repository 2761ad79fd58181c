// (a) Frame time of both levels from fixed viewpoints against the shading floor.

#include "Harness.h"
#include "Measurements.h"
#include "ShadingFloor.h"
#include "app/Game.h"
#include "platform/Controls.h"
#include "platform/ScriptedPlatform.h"

#include <GL/glew.h>

#include <vector>

using namespace brindlemox::platform;
using namespace brindlemox::app;

namespace bench {

namespace {

// Milliseconds per frame: the median of several batches, each ended by glFinish.
struct FramePair {
    double level = 0.0;
    double floor = 0.0;
    double ratio = 0.0; // median of the batches' own ratios: a slow spell falls on both halves
};

FramePair timeFrames(Game& game, ScriptedPlatform& keys, Floor& floor, bool allPasses, int batches,
                     int perBatch) {
    std::vector<double> levelTimes;
    std::vector<double> floorTimes;
    std::vector<double> ratios;
    for (int b = 0; b < batches; ++b) {
        // Interleaved, so that whatever else the machine is doing falls on both alike.
        double t0 = wallSeconds();
        for (int i = 0; i < perBatch; ++i)
            step(game, keys);
        glFinish();
        levelTimes.push_back((wallSeconds() - t0) * 1000.0 / perBatch);
        t0 = wallSeconds();
        for (int i = 0; i < perBatch; ++i)
            floor.frame(game.getWindow(), allPasses);
        glFinish();
        floorTimes.push_back((wallSeconds() - t0) * 1000.0 / perBatch);
        ratios.push_back(levelTimes.back() / floorTimes.back());
    }
    return {median(levelTimes), median(floorTimes), median(ratios)};
}

} // namespace

void frameBenchmark(int batches, int perBatch) {
    ScriptedPlatform keys;
    const std::unique_ptr<Game> opened = openGame(neverWaiting());
    if (!opened)
        return;
    Game& game = *opened;
    fprintf(out,
            "\n(a) Frame time at %d x %d (median of %d batches of %d frames, each followed by a "
            "batch of the floor; ratio: the median of the batches' ratios; floor = one "
            "full-screen pass per target with the programs that shade the view's pixels "
            "there, counted by occlusion queries)\n",
            game.getWindowWidth(), game.getWindowHeight(), batches, perBatch);
    fprintf(out, "    (floor: the program that shades most pixels, by target: reflection/"
                 "refraction/screen; share: those programs' part of the view's shaded pixels, "
                 "the rest drawn by the others in their bands; shaded: shaded pixels over the "
                 "targets' pixels)\n");
    fprintf(out, "    %-8s %-11s %-7s %-17s %6s %7s %10s %10s %7s\n", "level", "view", "passes",
            "floor", "share", "shaded", "frame ms", "floor ms", "ratio");
    const auto measure = [&](int levelNumber, const char* name) {
        for (int i = 0; i < 5; ++i)
            step(game, keys);
        const bool water = waterInView(game);
        ShadedPixels watcher;
        watchOneFrame(game, keys, watcher);
        Floor floor(currentLevel(game), watcher);
        const double total = static_cast<double>(watcher.total());
        const double share =
            total > 0.0 ? static_cast<double>(floor.mainSamples(water)) / total : 0.0;
        const FramePair t = timeFrames(game, keys, floor, water, batches, perBatch);
        fprintf(out, "    Level %d  %-11s %-7d %-17s %6.2f %7.2f %10.1f %10.1f %7.2f\n",
                levelNumber, name, water ? 3 : 1, floor.roles(water).c_str(), share,
                total / targetPixels(game, water), t.level, t.floor, t.ratio);
        fflush(out);
    };
    // The game as it starts: the spawn point with enemy A gliding close by.
    measure(1, "real start");
    for (int levelNumber = 1; levelNumber <= 2; ++levelNumber) {
        if (levelNumber == 2) {
            finishLevel(game);
            step(game, keys);
        }
        for (const Viewpoint& view : levelNumber == 1 ? Level1Views : Level2Views) {
            lookFrom(game, view);
            measure(levelNumber, view.name);
        }
    }
}

} // namespace bench
