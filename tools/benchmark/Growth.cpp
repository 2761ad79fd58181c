// (e) How the CPU time per frame grows with 10 and 100 times Level 2's enemies and walls, and at
// 100 times against the crowd floor.

#include "ChildProcess.h"
#include "Harness.h"
#include "Measurements.h"

#include <cstdio>
#include <map>
#include <string>
#include <utility>

namespace bench {

void growthBenchmark(const std::string& tiny, const std::string& cacheEnvironment, int frames) {
    fprintf(out, "\n(e) Growth: Level 2 with its enemies and walls repeated 1, 10 and 100 times; "
                 "main-thread CPU ms per frame as in (c); at 100x also the crowd floor (the same "
                 "frame with the copies' draws replaced by their meshes, pass by pass, one "
                 "instanced draw per model and nothing else; copies: how many it drew, all passes "
                 "together), interleaved with the frames\n");
    fprintf(out, "    %-7s %-8s %-11s %-7s %14s %14s %10s %7s\n", "factor", "objects", "view",
            "passes", "update+phys ms", "whole frame ms", "floor ms", "copies");
    struct Row {
        size_t objects;
        double update, whole, floor;
    };
    std::map<std::string, std::map<int, Row>> rows;
    for (int factor : {1, 10, 100}) {
        for (const std::string& line :
             runChild(cacheEnvironment,
                      "cpu " + std::to_string(factor) + " " + std::to_string(frames), tiny)) {
            int f = 0, passes = 0;
            size_t objects = 0;
            char view[32];
            double update = 0, whole = 0, floor = 0;
            size_t copies = 0;
            if (std::sscanf(line.c_str(), "crowd %d %zu %31[^0-9] %d %lf %lf %lf %zu", &f, &objects,
                            view, &passes, &update, &whole, &floor, &copies) == 8) {
                std::string v(view);
                while (!v.empty() && v.back() == ' ')
                    v.pop_back();
                rows[v][f] = {objects, update, whole, floor};
                if (f == FloorFactor)
                    fprintf(out, "    %-7d %-8zu %-11s %-7d %14.3f %14.3f %10.3f %7zu\n", f,
                            objects, v.c_str(), passes, update, whole, floor, copies);
                else
                    fprintf(out, "    %-7d %-8zu %-11s %-7d %14.3f %14.3f\n", f, objects, v.c_str(),
                            passes, update, whole);
            }
        }
        fflush(out);
    }
    // Two slopes: past a few hundred programs llvmpipe's cache of compiled shader variants no
    // longer holds every wall's particle programs, and the second slope shows that cliff.
    fprintf(out, "    per object, microseconds per frame (slope between two factors):\n");
    for (const auto& [view, byFactor] : rows) {
        for (const auto& [from, to] : {std::pair<int, int>{1, 10}, std::pair<int, int>{10, 100}}) {
            if (byFactor.count(from) == 0 || byFactor.count(to) == 0)
                continue;
            const Row& a = byFactor.at(from);
            const Row& b = byFactor.at(to);
            const double n = static_cast<double>(b.objects - a.objects);
            fprintf(out, "    %-11s %3dx to %3dx: update+phys %8.2f, whole frame %8.2f\n",
                    view.c_str(), from, to, (b.update - a.update) * 1000.0 / n,
                    (b.whole - a.whole) * 1000.0 / n);
        }
    }
    // In the viewpoints' order.
    for (const Viewpoint& view : Level2Views) {
        const auto found = rows.find(view.name);
        if (found == rows.end() || found->second.count(FloorFactor) == 0)
            continue;
        const Row& row = found->second.at(FloorFactor);
        if (row.floor > 0.0)
            fprintf(out, "crowd ratio (%dx) %s: %.2f\n", FloorFactor, view.name,
                    row.whole / row.floor);
    }
    fflush(out);
}

} // namespace bench
