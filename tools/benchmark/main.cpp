// Prints how fast the game runs, as ratios measured in the same run:
//  - frame time of both levels at the configured window size from fixed viewpoints, against a
//    floor loop that shades every pixel of each pass once with the program that shades most of
//    that view's pixels (counted in one frame of the view by occlusion queries);
//  - start-up to the first frame and the Level 2 load, against creating the GL context alone,
//    with Mesa's shader cache cold, warm and disabled (each start-up is a fresh child process);
//  - main-thread CPU time per frame in a tiny window, where rasterisation is negligible;
//  - how that CPU time grows with 10 and 100 times Level 2's enemies and walls, and at 100 times
//    against a crowd floor: the same frame with the draws of the copies replaced by their bare
//    vertex work, the meshes of the copies that frame drew, pass by pass in the targets it drew
//    them to, one instanced draw per model and mesh with no other state than the pass's target,
//    clip plane and culling (llvmpipe shades vertices on the main thread, so this is work no
//    frame of that crowd can skip). The rest of the frame (update, physics, culling, the map,
//    the HUD) is the frame's own in both. "crowd ratio (100x) VIEW" = the whole frame's CPU time
//    over the floor's: what drawing the copies as the game does costs beyond the bare draws;
//    medians of interleaved frames in one process. A view that draws none of the copies has
//    nothing to replace: its ratio is 1;
//  - the main thread's time per frame for sound in Level 2 (listener, loops, one-shots).
// Nothing is asserted. Run from the data folder (scripts/bench.sh does all of this).

#include "ChildProcess.h"
#include "Harness.h"
#include "Measurements.h"
#include "platform/Report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

using namespace brindlemox::platform;

namespace fs = std::filesystem;
using namespace bench;

namespace {

// What every measurement may need: the data folder, the tiny window's folder, the shader cache
// the children share, and whether to repeat less.
struct Run {
    std::string data;
    std::string tiny;
    std::string cacheEnvironment;
    bool quick = false;
};

// The measurements by the name --only takes, in the order a full run prints them.
struct Measurement {
    const char* name;
    std::function<void(const Run&)> run;
};
const Measurement Measurements[] = {
    {"b", [](const Run& r) { startupBenchmark(r.data, r.quick ? 3 : 5); }},
    {"a", [](const Run& r) { frameBenchmark(r.quick ? 3 : 9, r.quick ? 4 : 8); }},
    {"c", [](const Run& r) { cpuBenchmark(r.tiny, r.cacheEnvironment, r.quick ? 40 : 120); }},
    {"e", [](const Run& r) { growthBenchmark(r.tiny, r.cacheEnvironment, r.quick ? 20 : 60); }},
    {"g", [](const Run& r) { soundBenchmark(r.tiny, r.cacheEnvironment, r.quick ? 100 : 300); }},
};

// The children by mode, with the number of whole-number arguments each reads.
struct Child {
    const char* mode;
    int arguments;
    std::function<int(const int*)> run;
};
const Child Children[] = {
    {"context", 0, [](const int*) { return childContext(); }},
    {"startup", 0, [](const int*) { return childStartup(); }},
    {"compiles", 0, [](const int*) { return childCompiles(); }},
    {"callgrind", 1, [](const int* a) { return childCallgrind(a[0]); }},
    {"instructions", 3, [](const int* a) { return childInstructions(a[0], a[1], a[2]); }},
    {"cpu", 2, [](const int* a) { return childCpu(a[0], a[1]); }},
    {"sound", 1, [](const int* a) { return childSound(a[0]); }},
};

int childMain(int argc, char** argv) {
    silenceGame();
    const std::string mode = argv[2];
    for (const Child& child : Children) {
        if (mode != child.mode || argc < 3 + child.arguments)
            continue;
        int arguments[3] = {};
        for (int i = 0; i < child.arguments; ++i)
            arguments[i] = std::atoi(argv[3 + i]);
        return child.run(arguments);
    }
    return 2;
}

void usage() {
    report(Severity::Error,
           "usage: brindlemox_bench [--quick] [--only a|b|c|e|g]   (run in the data folder)");
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return childMain(argc, argv);

    bool quick = false;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = argv[++i];
        else {
            usage();
            return 2;
        }
    }
    if (!fs::exists("Shader") || !fs::exists("Obj")) {
        usage();
        return 2;
    }
    const std::string data = fs::current_path().string();
    silenceGame();
    const char* cacheDir = std::getenv("MESA_SHADER_CACHE_DIR");
    const bool cacheDisabled = std::getenv("MESA_SHADER_CACHE_DISABLE") != nullptr;
    fprintf(out,
            "Brindlemox benchmark%s. Machine noise is real: figures are medians, ratios are "
            "measured in the same run.\n",
            quick ? " (quick)" : "");
    fprintf(out, "(d) Mesa shader cache for (a), (c) and (e): %s\n",
            cacheDisabled ? "disabled"
            : cacheDir    ? (std::string("warm, ") + cacheDir).c_str()
                          : "Mesa's default directory (warm after the first run)");
    const std::string cacheEnvironment =
        cacheDisabled ? "MESA_SHADER_CACHE_DISABLE=true"
                      : (cacheDir ? std::string("MESA_SHADER_CACHE_DIR=") + cacheDir : "");
    fflush(out);

    const Run run{data, tinyWindowDirectory(data), cacheEnvironment, quick};
    for (const Measurement& measurement : Measurements)
        if (only.empty() || only == measurement.name)
            measurement.run(run);
    fs::remove_all(run.tiny);
    return 0;
}
