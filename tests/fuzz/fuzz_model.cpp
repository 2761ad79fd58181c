// Feeds arbitrary files to the game's model loader, with a real (hidden) GL context, since
// loading uploads the meshes.
#include "platform/Window.h"
#include "render/Model.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace brindlemox::platform;
using namespace brindlemox::render;

namespace {

GLFWwindow* window = nullptr;
std::string objPath;
std::string fbxPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    WindowOptions options;
    options.width = 64;
    options.height = 64;
    options.title = "fuzz";
    options.visible = false;
    window = openWindow(options).window;
    std::string base = "/tmp/brindlemox_fuzz_" + std::to_string(getpid());
    objPath = base + ".obj";
    fbxPath = base + ".fbx";
    // Material textures named by the inputs resolve against an empty folder.
    chdir("/tmp");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (window == nullptr)
        return 0;
    // The first byte picks the format, the rest is the file.
    const std::string& path = (size > 0 && (data[0] & 1)) ? fbxPath : objPath;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (size > 1)
            out.write(reinterpret_cast<const char*>(data + 1),
                      static_cast<std::streamsize>(size - 1));
    }
    std::unique_ptr<Model> model = loadModel(path);
    volatile size_t total = model->getVertexPositions().size() + model->getTriangles().size();
    (void)total;
    return 0;
}
