#include "render/Texture.h"
#include "platform/Report.h"

#include "platform/Printable.h"

#include "platform/DataFile.h"
#include "render/MipmapCache.h"

#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>

namespace brindlemox::render {

using namespace platform;

namespace {

long long maxTextureSize() {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    return maxSize;
}

void reportFailure(const std::string& path) {
    report(Severity::Error, "Failed to load texture " + path);
}

} // namespace

Texture::Image Texture::read(const std::string& path, long long maxSide) {
    Image image;
    // Only a regular file of sane size is read; a pipe or a device would never end.
    const std::optional<std::string> file = datafile::read(path, datafile::MaxImageBytes);
    if (!file || file->size() > static_cast<size_t>(INT_MAX))
        return image;
    const auto* bytes = reinterpret_cast<const stbi_uc*>(file->data());
    const int length = static_cast<int>(file->size());

    // The size is known before anything is decoded: an image the driver cannot hold, or one that
    // would decode to far more memory than any real texture, is refused from its header.
    int width = 0;
    int height = 0;
    int channelsInFile = 0;
    if (stbi_info_from_memory(bytes, length, &width, &height, &channelsInFile) == 0 ||
        width > maxSide || height > maxSide || static_cast<long long>(width) * height > MaxPixels)
        return image;
    unsigned char* pixels =
        stbi_load_from_memory(bytes, length, &width, &height, &channelsInFile, 3);
    if (pixels == nullptr)
        return image;
    image.width = width;
    image.height = height;
    image.pixels.assign(pixels, pixels + static_cast<size_t>(width) * height * 3);
    stbi_image_free(pixels);
    image.pixelHash = mipcache::hashPixels(image.pixels.data(), image.pixels.size());
    image.failed = false;
    return image;
}

Texture::Texture(const std::string& path) : Texture(path, read(path, maxTextureSize())) {}

Texture::Texture(const std::string& path, Image image) {
    // An image read ahead of the context was only bounded by its pixel count.
    const long long maxSide = maxTextureSize();
    if (image.failed || image.width > maxSide || image.height > maxSide) {
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
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image.pixels.data());
    // The driver's own filter: the smaller levels are part of the picture. The levels it made in
    // an earlier run are the same bytes and spare its start-up code generation.
    if (!mipcache::load(image.pixelHash, image.width, image.height)) {
        glGenerateMipmap(GL_TEXTURE_2D);
        mipcache::store(image.pixelHash, image.width, image.height);
    }
    report(Severity::Progress, path + " - texture successfully loaded");
}

void Texture::bind(int unit) const {
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, name.get());
}

} // namespace brindlemox::render
