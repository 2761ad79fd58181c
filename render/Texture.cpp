#include "render/Texture.h"

#include "render/DataFile.h"

#include <stb_image.h>

#include <climits>
#include <cstdio>
#include <optional>

namespace {

void reportFailure(const std::string& path) {
    std::printf("Failed to load texture %s\n", path.c_str());
    std::fflush(stdout);
}

} // namespace

Texture::Texture(const std::string& path) {
    // Only a regular file of sane size is read; a pipe or a device would never end.
    const std::optional<std::string> file = datafile::read(path, datafile::MaxImageBytes);
    if (!file || file->size() > static_cast<size_t>(INT_MAX)) {
        reportFailure(path);
        return;
    }
    const auto* bytes = reinterpret_cast<const stbi_uc*>(file->data());
    const int length = static_cast<int>(file->size());

    // The size is known before anything is decoded: an image the driver cannot hold, or one that
    // would decode to far more memory than any real texture, is refused from its header.
    int width = 0;
    int height = 0;
    int channelsInFile = 0;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (stbi_info_from_memory(bytes, length, &width, &height, &channelsInFile) == 0 ||
        width > maxSize || height > maxSize || static_cast<long long>(width) * height > MaxPixels) {
        reportFailure(path);
        return;
    }
    unsigned char* pixels =
        stbi_load_from_memory(bytes, length, &width, &height, &channelsInFile, 3);
    if (pixels == nullptr) {
        reportFailure(path);
        return;
    }

    name = gl::makeTexture();
    glBindTexture(GL_TEXTURE_2D, name.get());
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

void Texture::bind(int unit) const {
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, name.get());
}
