#pragma once

#include "render/GlHandle.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brindlemox::render {

// A GL 2D texture from an image file (through stb_image, converted to RGB, full mipmap chain
// from the driver, kept between runs by mipcache).
// A file that cannot be read leaves name 0: binding it unbinds the unit. So does anything but a
// regular file, an image wider or taller than the driver's GL_MAX_TEXTURE_SIZE and an image of
// more than MaxPixels pixels (checked from its header, before decoding). Owns its GL texture;
// shared between users through ResourceCache.
class Texture {
  public:
    // 8192 x 8192: 192 MB decoded, far beyond any texture of the game.
    static constexpr long long MaxPixels = 8192LL * 8192LL;

    explicit Texture(const std::string& path);

    // An image file decoded before any GL object exists: read on any thread, prints nothing.
    // Images with a side above maxSide are refused from their header.
    struct Image {
        bool failed = true;
        int width = 0;
        int height = 0;
        std::vector<unsigned char> pixels; // RGB, the first row first
        std::uint64_t pixelHash = 0;       // finds the driver's smaller levels of it on disk
    };
    static Image read(const std::string& path, long long maxSide);
    // The GL texture of an image read earlier; says what the loading says.
    Texture(const std::string& path, Image image);

    // Makes GL_TEXTURE0 + unit active and binds this texture to it.
    void bind(int unit) const;
    GLuint getName() const { return name.get(); }

  private:
    gl::Texture name;
};

} // namespace brindlemox::render
