// Builds the game's models, images and sounds into the data folder, and the program's icons:
//   assetbuilder <data folder> <level description folder> [<icon folder>]
// The icons go to <icon folder>/<size>x<size>/apps/brindlemox.png (the hicolor theme's layout).
// Everything is generated from code and the level descriptions, so the output is the same on
// every run.

#include "BuildLevel.h"
#include "Images.h"
#include "LevelDescription.h"
#include "Models.h"
#include "Sounds.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Builder {
    fs::path data;

    void image(const assets::Image& image, const std::string& relative) {
        assets::writeImage(image, (data / relative).string());
        std::printf("  %s (%dx%d)\n", relative.c_str(), image.width, image.height);
    }
    void sound(const assets::SoundData& sound, const std::string& relative) {
        assets::writeSound(sound, (data / relative).string());
        std::printf("  %s (%.2f s)\n", relative.c_str(),
                    static_cast<double>(sound.samples.size()) / sound.sampleRate);
    }
    void model(const assets::ModelData& model, const std::string& format,
               const std::string& relative) {
        assets::exportModel(model, format, (data / relative).string());
        size_t triangles = 0;
        for (const auto& mesh : model.meshes)
            triangles += mesh.indices.size() / 3;
        std::printf("  %s (%zu triangles)\n", relative.c_str(), triangles);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s <data folder> <level description folder> [<icon folder>]\n",
                     argv[0]);
        return 2;
    }
    try {
        Builder build{argv[1]};
        const fs::path levelFolder = argv[2];
        fs::create_directories(build.data / "Obj");
        fs::create_directories(build.data / "Texture");
        fs::create_directories(build.data / "Sound");

        using assets::Image;
        build.image(assets::makeFleshTexture(256, 7u), "Texture/red.bmp");
        build.image(assets::makeParticleSprite(64), "Texture/particleSystem.bmp");
        build.image(assets::makeDudvMap(256, 3u), "Texture/waterDUDV.png");
        build.image(assets::makeWaterNormalMap(256, 5u), "Texture/normalMap.png");
        build.image(assets::makeCellTexture(256, 13u), "Texture/cell.png");
        build.image(
            assets::makeMembraneTexture(128, 17u, {0.55f, 0.25f, 0.85f}, {0.95f, 0.85f, 1.0f}),
            "Texture/cellComponent.png");
        build.image(
            assets::makeMembraneTexture(256, 23u, {0.10f, 0.24f, 0.36f}, {0.30f, 0.70f, 0.62f}),
            "Texture/vulnerablePath.png");

        build.sound(assets::makeWallAttackLoop(), "Sound/wallAttack.wav");
        build.sound(assets::makeWallBreak(), "Sound/wallBreak.wav");
        build.sound(assets::makeEnemyHumLoop(), "Sound/enemyHum.wav");
        build.sound(assets::makeSatelliteWhirLoop(), "Sound/satelliteWhir.wav");
        build.sound(assets::makePlayerHurt(), "Sound/playerHurt.wav");
        build.sound(assets::makeLostCue(), "Sound/lost.wav");
        build.sound(assets::makeLevelCompleteCue(), "Sound/levelComplete.wav");
        build.sound(assets::makeWonCue(), "Sound/won.wav");
        build.sound(assets::makeWaterLoop(), "Sound/water.wav");

        build.model(assets::makeCellModel(), "obj", "Obj/cell.obj");
        build.model(assets::makeCellComponentModel(), "obj", "Obj/cellComponent.obj");
        build.model(assets::makeSimpleWallModel(), "obj", "Obj/simpleWall.obj");
        build.model(assets::makeVulnerableWallModel(), "obj", "Obj/vulnerablePath.obj");
        build.model(assets::makePlaneModel(), "obj", "Obj/plane.obj");

        // Every description of the folder, in name order.
        std::vector<fs::path> descriptions;
        for (const auto& entry : fs::directory_iterator(levelFolder))
            if (entry.path().extension() == ".txt")
                descriptions.push_back(entry.path());
        std::sort(descriptions.begin(), descriptions.end());
        for (const fs::path& description : descriptions)
            assets::writeLevel(levels::readLevel(description.string()), build.data);
        if (argc == 4) {
            for (int size : {48, 128, 256}) {
                const std::string side = std::to_string(size);
                const fs::path folder = fs::path(argv[3]) / (side + "x" + side) / "apps";
                fs::create_directories(folder);
                assets::writeIcon(size, (folder / "brindlemox.png").string());
                std::printf("  icon %sx%s\n", side.c_str(), side.c_str());
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "assetbuilder: %s\n", e.what());
        return 1;
    }
    return 0;
}
