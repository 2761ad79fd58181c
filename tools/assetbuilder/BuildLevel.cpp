#include "BuildLevel.h"

#include "Images.h"
#include "Models.h"

#include <chrono>
#include <cstdio>

namespace assets {

void writeLevel(const levels::LevelDescription& level, const std::filesystem::path& folder) {
    const auto start = std::chrono::steady_clock::now();
    const LevelBuild built = makeLevel(level);
    const Image image = level.lightMapped ? built.lightMap : makeFleshTexture(256, 31u);
    std::filesystem::create_directories((folder / level.texturePath).parent_path());
    std::filesystem::create_directories((folder / level.modelPath).parent_path());
    writeImage(image, (folder / level.texturePath).string());
    std::printf("  %s (%dx%d)\n", level.texturePath.c_str(), image.width, image.height);
    exportModel(built.model, level.format, (folder / level.modelPath).string());
    size_t triangles = 0;
    for (const auto& mesh : built.model.meshes)
        triangles += mesh.indices.size() / 3;
    std::printf("  %s (%zu triangles)\n", level.modelPath.c_str(), triangles);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("  %s built in %.1f s\n", level.name.c_str(), seconds);
}

} // namespace assets
