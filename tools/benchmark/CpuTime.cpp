// (c) Main-thread CPU time per frame in a tiny window, where rasterisation is negligible.

#include "ChildProcess.h"
#include "Harness.h"
#include "Measurements.h"

#include <cstdio>
#include <string>

namespace bench {

void cpuBenchmark(const std::string& tiny, const std::string& cacheEnvironment, int frames) {
    fprintf(out,
            "\n(c) Main-thread CPU time per frame (CLOCK_THREAD_CPUTIME_ID) in a 128 x 108 "
            "window, median of %d frames; llvmpipe rasterises on its own threads, so this is "
            "the game plus the driver's front end (state, uniforms, vertex work, binning)\n",
            frames);
    fprintf(out, "    %-8s %-11s %-7s %14s %14s\n", "level", "view", "passes", "update+phys ms",
            "whole frame ms");
    for (const std::string& line :
         runChild(cacheEnvironment, "cpu 0 " + std::to_string(frames), tiny)) {
        char levelName[32], view[32];
        int passes = 0;
        double update = 0, whole = 0;
        // View names hold a space at most once; they are written with one below.
        if (std::sscanf(line.c_str(), "cpu %31s %31[^0-9] %d %lf %lf", levelName, view, &passes,
                        &update, &whole) == 5) {
            std::string v(view);
            while (!v.empty() && v.back() == ' ')
                v.pop_back();
            fprintf(out, "    %-8s %-11s %-7d %14.3f %14.3f\n", levelName, v.c_str(), passes,
                    update, whole);
        }
    }
    fflush(out);
}

} // namespace bench
