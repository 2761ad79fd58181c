#pragma once

// Procedural images: tileable noise patterns written as PNG or BMP with stb_image_write.

#include "platform/Report.h"

#include <glm/glm.hpp>

#include <string>
#include <vector>

namespace assets {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<glm::vec3> pixels; // row 0 is the top row, values 0..1

    Image(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {}
    glm::vec3& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const glm::vec3& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Chooses PNG or BMP from the file extension; written whole.
brindlemox::platform::Result<void> writeImage(const Image& image, const std::string& path);

// Periodic noise on [0, period) squares, so textures repeat without seams.
float valueNoise(float x, float y, int period, unsigned seed);
float fbm(float x, float y, int period, int octaves, unsigned seed);
// Distance to the nearest feature point of a periodic cellular pattern, about 0..1.
float cellular(float x, float y, int period, unsigned seed);

Image makeFleshTexture(int size, unsigned seed);
Image makeMembraneTexture(int size, unsigned seed, const glm::vec3& base, const glm::vec3& vein);
Image makeCellTexture(int size, unsigned seed);
Image makeParticleSprite(int size);
Image makeDudvMap(int size, unsigned seed);
Image makeWaterNormalMap(int size, unsigned seed);

// The program's icon: one of the game's cells, green and speckled, with its violet satellite,
// on a transparent square. Written whole as RGBA PNG.
brindlemox::platform::Result<void> writeIcon(int size, const std::string& path);

} // namespace assets
