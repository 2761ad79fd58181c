// Feeds arbitrary files to the game's model loader, with a real (hidden) GL context, since
// loading uploads the meshes.
#include "render/Model.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

GLFWwindow* window = nullptr;
std::string objPath;
std::string fbxPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!glfwInit())
        return 0;
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    window = glfwCreateWindow(64, 64, "fuzz", nullptr, nullptr);
    if (window != nullptr) {
        glfwMakeContextCurrent(window);
        glewExperimental = GL_TRUE;
        glewInit();
    }
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
