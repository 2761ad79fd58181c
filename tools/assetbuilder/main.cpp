// Builds the game's models, images and sounds into the data folder, and the program's icons:
//   assetbuilder <data folder> <level description folder> [<icon folder>]
// The icons go to <icon folder>/<size>x<size>/apps/brindlemox.png (the hicolor theme's layout).
// Everything is generated from code and the level descriptions, with no time or folder in it, so
// the output is the same bytes on every run. A problem is one line on standard error, exit code 1.

#include "BuildLevel.h"
#include "Images.h"
#include "LevelDescription.h"
#include "Models.h"
#include "Sounds.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

using namespace brindlemox::platform;

namespace {

namespace fs = std::filesystem;

struct Builder {
    fs::path data;

    Result<void> image(const assets::Image& image, const std::string& relative) const {
        Result<void> written = assets::writeImage(image, (data / relative).string());
        if (written)
            report(Severity::Progress, "  " + relative + " (" + std::to_string(image.width) + "x" +
                                           std::to_string(image.height) + ")");
        return written;
    }
    Result<void> sound(const assets::SoundData& sound, const std::string& relative) const {
        Result<void> written = assets::writeSound(sound, (data / relative).string());
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f",
                      static_cast<double>(sound.samples.size()) / sound.sampleRate);
        if (written)
            report(Severity::Progress, "  " + relative + " (" + seconds + " s)");
        return written;
    }
    Result<void> model(const assets::ModelData& model, const std::string& relative) const {
        Result<void> written = assets::exportModel(model, "obj", (data / relative).string());
        size_t triangles = 0;
        for (const auto& mesh : model.meshes)
            triangles += mesh.indices.size() / 3;
        if (written)
            report(Severity::Progress,
                   "  " + relative + " (" + std::to_string(triangles) + " triangles)");
        return written;
    }
};

// Every description of the folder, in name order.
Result<std::vector<fs::path>> descriptions(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        if (entry->path().extension() == ".txt")
            found.push_back(entry->path());
    if (error)
        return fail(folder.string() + ": cannot list the level descriptions (" + error.message() +
                    ")");
    std::sort(found.begin(), found.end());
    return found;
}

int build(int argc, char** argv) {
    const Builder build{argv[1]};
    using assets::Image;
    const std::vector<std::function<Result<void>()>> steps = {
        [&] { return build.image(assets::makeFleshTexture(256, 7u), "Texture/red.bmp"); },
        [&] { return build.image(assets::makeParticleSprite(64), "Texture/particleSystem.bmp"); },
        [&] { return build.image(assets::makeDudvMap(256, 3u), "Texture/waterDUDV.png"); },
        [&] { return build.image(assets::makeWaterNormalMap(256, 5u), "Texture/normalMap.png"); },
        [&] { return build.image(assets::makeCellTexture(256, 13u), "Texture/cell.png"); },
        [&] {
            return build.image(
                assets::makeMembraneTexture(128, 17u, {0.55f, 0.25f, 0.85f}, {0.95f, 0.85f, 1.0f}),
                "Texture/cellComponent.png");
        },
        [&] {
            return build.image(
                assets::makeMembraneTexture(256, 23u, {0.10f, 0.24f, 0.36f}, {0.30f, 0.70f, 0.62f}),
                "Texture/vulnerablePath.png");
        },
        [&] { return build.sound(assets::makeWallAttackLoop(), "Sound/wallAttack.wav"); },
        [&] { return build.sound(assets::makeWallBreak(), "Sound/wallBreak.wav"); },
        [&] { return build.sound(assets::makeEnemyHumLoop(), "Sound/enemyHum.wav"); },
        [&] { return build.sound(assets::makeSatelliteWhirLoop(), "Sound/satelliteWhir.wav"); },
        [&] { return build.sound(assets::makePlayerHurt(), "Sound/playerHurt.wav"); },
        [&] { return build.sound(assets::makeLostCue(), "Sound/lost.wav"); },
        [&] { return build.sound(assets::makeLevelCompleteCue(), "Sound/levelComplete.wav"); },
        [&] { return build.sound(assets::makeWonCue(), "Sound/won.wav"); },
        [&] { return build.sound(assets::makeWaterLoop(), "Sound/water.wav"); },
        [&] { return build.model(assets::makeCellModel(), "Obj/cell.obj"); },
        [&] { return build.model(assets::makeCellComponentModel(), "Obj/cellComponent.obj"); },
        [&] { return build.model(assets::makeSimpleWallModel(), "Obj/simpleWall.obj"); },
        [&] { return build.model(assets::makeVulnerableWallModel(), "Obj/vulnerablePath.obj"); },
        [&] { return build.model(assets::makePlaneModel(), "Obj/plane.obj"); },
    };
    for (const auto& step : steps)
        if (Result<void> done = step(); !done) {
            report(Severity::Error, done.error());
            return 1;
        }
    const Result<std::vector<fs::path>> found = descriptions(argv[2]);
    if (!found) {
        report(Severity::Error, found.error());
        return 1;
    }
    for (const fs::path& path : *found) {
        const Result<levels::LevelDescription> level = levels::readLevel(path.string());
        const Result<void> written =
            level ? assets::writeLevel(*level, build.data) : fail(level.error());
        if (!written) {
            report(Severity::Error, written.error());
            return 1;
        }
    }
    if (argc == 4)
        for (int size : {48, 128, 256}) {
            const std::string side = std::to_string(size);
            const fs::path icon =
                fs::path(argv[3]) / (side + "x" + side) / "apps" / "brindlemox.png";
            if (Result<void> written = assets::writeIcon(size, icon.string()); !written) {
                report(Severity::Error, written.error());
                return 1;
            }
            report(Severity::Progress, "  icon " + side + "x" + side);
        }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        report(Severity::Error, std::string("usage: ") + argv[0] +
                                    " <data folder> <level description folder> [<icon folder>]");
        return 2;
    }
    try {
        return build(argc, argv);
    } catch (const std::exception& e) { // out of memory
        report(Severity::Error, std::string("assetbuilder: ") + e.what());
        return 1;
    }
}
