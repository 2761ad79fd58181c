#include "BuildLevel.h"

#include "Images.h"
#include "Models.h"

#include <chrono>
#include <cstdio>

using namespace brindlemox::platform;

namespace assets {

Result<void> writeLevel(const levels::LevelDescription& level,
                        const std::filesystem::path& folder) {
    const auto start = std::chrono::steady_clock::now();
    const Result<LevelBuild> built = makeLevel(level);
    if (!built)
        return fail(built.error());
    const Image image = level.lightMapped ? built->lightMap : makeFleshTexture(256, 31u);
    if (Result<void> written = writeImage(image, (folder / level.texturePath).string()); !written)
        return written;
    report(Severity::Progress, "  " + level.texturePath + " (" + std::to_string(image.width) + "x" +
                                   std::to_string(image.height) + ")");
    const std::string model = (folder / level.modelPath).string();
    if (Result<void> written = exportModel(built->model, level.format, model); !written)
        return written;
    size_t triangles = 0;
    for (const auto& mesh : built->model.meshes)
        triangles += mesh.indices.size() / 3;
    report(Severity::Progress,
           "  " + level.modelPath + " (" + std::to_string(triangles) + " triangles)");
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f",
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    report(Severity::Progress, "  " + level.name + " built in " + seconds + " s");
    return {};
}

} // namespace assets
