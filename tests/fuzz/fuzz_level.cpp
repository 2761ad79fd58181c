// Feeds arbitrary bytes to the level file reader: it must refuse (with one line) or take them,
// never crash or read out of bounds, and whatever it takes must stay within the file's bounds.
#include "levels/LevelFile.h"
#include "platform/Utf8.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace brindlemox::platform;
using namespace brindlemox::levels;

namespace {

void within(float value, double bound) {
    if (!std::isfinite(value) || std::fabs(value) > bound)
        std::abort();
}

// Values are kept as floats: the least accepted one is the bound as a float.
bool below(float value, double least) {
    return value < static_cast<float>(least);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const levelfile::Result read =
        levelfile::parse(std::string(reinterpret_cast<const char*>(data), size), "fuzz.txt");
    if (!read.content) {
        if (read.error.rfind("fuzz.txt:", 0) != 0 || read.error.find('\n') != std::string::npos)
            std::abort(); // one line naming the file
        return 0;
    }
    const levelfile::Content& level = *read.content;
    if (level.objects.size() > levelfile::MaxObjects ||
        level.lights.size() > levelfile::MaxLights || level.count(levelfile::Kind::Map) != 1 ||
        level.count(levelfile::Kind::Water) > 1 || level.title.empty() ||
        level.map().path.empty() || level.map().path[0] == '/')
        std::abort();
    // A title is UTF-8 of at most MaxTitle characters (not bytes).
    const std::optional<std::u32string> title = utf8::decodeStrict(level.title);
    if (!title || title->size() > levelfile::MaxTitle)
        std::abort();
    for (int axis = 0; axis < 3; ++axis)
        within(level.spawn[axis], levelfile::MaxCoordinate);
    // Every value at least its smallest sane value (the defaults too).
    if (below(level.health, levelfile::MinHealth) ||
        below(level.toughness, levelfile::MinToughness))
        std::abort();
    for (const levelfile::Object& object : level.objects) {
        for (int axis = 0; axis < 3; ++axis)
            within(object.position[axis], levelfile::MaxCoordinate);
        within(object.scale, levelfile::MaxScale);
        const double leastScale = object.kind == levelfile::Kind::Water ? levelfile::MinWaterScale
                                                                        : levelfile::MinWallScale;
        if (below(object.scale, leastScale) || below(object.health, levelfile::MinHealth) ||
            below(object.toughness, levelfile::MinToughness) || object.code < 0 || object.code > 5)
            std::abort();
    }
    return 0;
}
