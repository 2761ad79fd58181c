#include "render/Texture.h"

#include <stb_image.h>

#include <cstdio>

Texture::Texture(const std::string& path) {
    int width = 0;
    int height = 0;
    int channelsInFile = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channelsInFile, 3);
    if (pixels == nullptr) {
        std::printf("Failed to load texture %s\n", path.c_str());
        std::fflush(stdout);
        return;
    }

    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    // RGB rows of odd widths are not 4-byte aligned; textures may load before any HUD text
    // renderer has set this for the whole context.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glGenerateMipmap(GL_TEXTURE_2D);
    stbi_image_free(pixels);
    std::printf("%s - texture successfully loaded\n", path.c_str());
    std::fflush(stdout);
}

Texture::~Texture() {
    if (name != 0)
        glDeleteTextures(1, &name);
}

void Texture::bind(int unit) const {
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, name);
}
