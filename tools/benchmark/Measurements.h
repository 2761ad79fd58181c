#pragma once

// The benchmark's measurements, each printed by the parent from figures its children print, and
// the children each runs (a fresh process: brindlemox_bench --child MODE ARGUMENTS).

#include <string>

namespace bench {

// (a) frame time against the shading floor, in this process.
void frameBenchmark(int batches, int perBatch);
// (b) start-up and the Level 2 load against the bare context and the program builds.
void startupBenchmark(const std::string& data, int runs);
// (c) main-thread CPU time per frame in a tiny window.
void cpuBenchmark(const std::string& tiny, const std::string& cacheEnvironment, int frames);
// The crowd whose frames are measured against the crowd floor: 100 times Level 2's enemies and
// walls.
constexpr int FloorFactor = 100;
// (e) that CPU time with 1, 10 and 100 times Level 2's enemies and walls.
void growthBenchmark(const std::string& tiny, const std::string& cacheEnvironment, int frames);
// (g) the main thread's time for sound per frame.
void soundBenchmark(const std::string& tiny, const std::string& cacheEnvironment, int frames);

// The children; each returns the process's exit code.
int childContext();
int childCompiles();
int childStartup();
// factor 0: both real levels from their viewpoints; otherwise Level 2 crowded factor times.
int childCpu(int factor, int frames);
int childSound(int frames);
int childCallgrind(int frames);
int childInstructions(int levelNumber, int viewIndex, int frames);

} // namespace bench
