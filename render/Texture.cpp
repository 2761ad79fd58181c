#include "render/Texture.h"

#include "render/DataFile.h"

#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>

namespace {

long long maxTextureSize() {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    return maxSize;
}

void reportFailure(const std::string& path) {
    std::printf("Failed to load texture %s\n", path.c_str());
    std::fflush(stdout);
}

} // namespace

std::vector<unsigned char> Texture::halve(const std::vector<unsigned char>& rgb, int width,
                                          int height) {
    const int w = std::max(1, width / 2);
    const int h = std::max(1, height / 2);
    std::vector<unsigned char> half(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                // The 2 x 2 block under the texel; along an odd size the last texel also takes the
                // column or row left over, and a size of one is kept.
                const int x0 = 2 * x, y0 = 2 * y;
                const int x1 = std::min(width - 1, x == w - 1 ? width - 1 : x0 + 1);
                const int y1 = std::min(height - 1, y == h - 1 ? height - 1 : y0 + 1);
                int sum = 0, count = 0;
                for (int sy = std::min(y0, height - 1); sy <= y1; ++sy)
                    for (int sx = std::min(x0, width - 1); sx <= x1; ++sx) {
                        sum += rgb[(static_cast<size_t>(sy) * width + sx) * 3 + c];
                        ++count;
                    }
                half[(static_cast<size_t>(y) * w + x) * 3 + c] =
                    static_cast<unsigned char>((sum + count / 2) / count);
            }
    return half;
}

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
    image.levels.emplace_back(pixels, pixels + static_cast<size_t>(width) * height * 3);
    stbi_image_free(pixels);
    // The smaller levels are averaged here rather than by glGenerateMipmap, whose first call
    // costs the software driver some 70 ms of code generation at every start.
    while (width > 1 || height > 1) {
        image.levels.push_back(halve(image.levels.back(), width, height));
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
    }
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
    int width = image.width;
    int height = image.height;
    for (size_t i = 0; i < image.levels.size(); ++i) {
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGB, width, height, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, image.levels[i].data());
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
    }
    std::printf("%s - texture successfully loaded\n", path.c_str());
    std::fflush(stdout);
}

void Texture::bind(int unit) const {
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, name.get());
}
