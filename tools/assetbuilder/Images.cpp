#include "Images.h"

#include "Output.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

using namespace brindlemox::platform;

namespace assets {

namespace {

float hash(int x, int y, unsigned seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xffffffu) / 16777216.0f;
}

int wrap(int v, int period) {
    return ((v % period) + period) % period;
}

float smooth(float t) {
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

glm::vec3 mix3(const glm::vec3& a, const glm::vec3& b, float t) {
    return a + (b - a) * t;
}

void append(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                               static_cast<size_t>(size));
}

// PNG, or BMP when the path ends in .bmp; channels 3 (RGB) or 4 (RGBA), top row first.
Result<void> writePixels(const std::string& path, int width, int height, int channels,
                         const std::uint8_t* pixels) {
    std::string bytes;
    const bool bmp = path.size() > 4 && path.compare(path.size() - 4, 4, ".bmp") == 0;
    const int ok = bmp ? stbi_write_bmp_to_func(append, &bytes, width, height, channels, pixels)
                       : stbi_write_png_to_func(append, &bytes, width, height, channels, pixels,
                                                width * channels);
    if (!ok)
        return fail("cannot write " + path + ": the image could not be encoded");
    return writeOutput(path, bytes);
}

} // namespace

Result<void> writeImage(const Image& image, const std::string& path) {
    std::vector<std::uint8_t> bytes(image.pixels.size() * 3);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        for (int c = 0; c < 3; ++c) {
            const float v = std::clamp(image.pixels[i][c], 0.0f, 1.0f);
            bytes[i * 3 + c] = static_cast<std::uint8_t>(std::lround(v * 255.0f));
        }
    return writePixels(path, image.width, image.height, 3, bytes.data());
}

float valueNoise(float x, float y, int period, unsigned seed) {
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const float fx = smooth(x - x0);
    const float fy = smooth(y - y0);
    const float a = hash(wrap(x0, period), wrap(y0, period), seed);
    const float b = hash(wrap(x0 + 1, period), wrap(y0, period), seed);
    const float c = hash(wrap(x0, period), wrap(y0 + 1, period), seed);
    const float d = hash(wrap(x0 + 1, period), wrap(y0 + 1, period), seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

float fbm(float x, float y, int period, int octaves, unsigned seed) {
    float sum = 0.0f, amplitude = 0.5f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * valueNoise(x, y, period, seed + o * 101u);
        norm += amplitude;
        amplitude *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
    }
    return sum / norm;
}

float cellular(float x, float y, int period, unsigned seed) {
    const int cx = static_cast<int>(std::floor(x));
    const int cy = static_cast<int>(std::floor(y));
    float best = 10.0f;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            const int gx = cx + i, gy = cy + j;
            const float px = gx + hash(wrap(gx, period), wrap(gy, period), seed);
            const float py = gy + hash(wrap(gx, period), wrap(gy, period), seed + 7u);
            best = std::min(best, std::hypot(px - x, py - y));
        }
    return best;
}

Image makeFleshTexture(int size, unsigned seed) {
    Image image(size, size);
    const glm::vec3 deep(0.30f, 0.03f, 0.05f), bright(0.78f, 0.16f, 0.13f);
    const glm::vec3 vein(0.22f, 0.02f, 0.12f), fat(0.85f, 0.45f, 0.35f);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = 8.0f * x / size, v = 8.0f * y / size;
            const float base = fbm(u, v, 8, 5, seed);
            const float ridge =
                1.0f - std::fabs(2.0f * fbm(u * 0.5f, v * 0.5f, 4, 5, seed + 11u) - 1.0f);
            const float cells = cellular(u, v, 8, seed + 23u);
            glm::vec3 c = mix3(deep, bright, std::clamp(base * 1.4f - 0.2f, 0.0f, 1.0f));
            c = mix3(c, fat, std::pow(std::clamp(1.0f - cells * 1.3f, 0.0f, 1.0f), 3.0f) * 0.35f);
            c = mix3(c, vein, std::pow(ridge, 12.0f) * 0.85f);
            image.at(x, y) = c;
        }
    return image;
}

Image makeMembraneTexture(int size, unsigned seed, const glm::vec3& base, const glm::vec3& vein) {
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = 4.0f * x / size, v = 4.0f * y / size;
            const float n = fbm(u * 2.0f, v * 2.0f, 8, 4, seed);
            const float ridge = 1.0f - std::fabs(2.0f * fbm(u, v, 4, 5, seed + 5u) - 1.0f);
            const float cells = cellular(u * 2.0f, v * 2.0f, 8, seed + 9u);
            glm::vec3 c = base * (0.6f + 0.6f * n);
            c = mix3(c, vein, std::pow(ridge, 8.0f));
            c *= 0.75f + 0.25f * std::clamp(cells * 1.5f, 0.0f, 1.0f);
            image.at(x, y) = c;
        }
    return image;
}

Image makeCellTexture(int size, unsigned seed) {
    Image image(size, size);
    const glm::vec3 rim(0.28f, 0.55f, 0.12f), core(0.78f, 0.92f, 0.35f), spot(0.10f, 0.25f, 0.06f);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = 6.0f * x / size, v = 6.0f * y / size;
            const float cells = cellular(u, v, 6, seed);
            const float n = fbm(u * 2.0f, v * 2.0f, 12, 4, seed + 3u);
            glm::vec3 c = mix3(core, rim, std::clamp(cells * 1.2f, 0.0f, 1.0f));
            c = mix3(c, spot, std::pow(std::clamp(n * 1.6f - 0.6f, 0.0f, 1.0f), 2.0f));
            image.at(x, y) = c;
        }
    return image;
}

Image makeParticleSprite(int size) {
    Image image(size, size);
    const glm::vec3 hot(1.0f, 0.88f, 0.35f), warm(1.0f, 0.38f, 0.05f);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = (x + 0.5f) / size * 2.0f - 1.0f;
            const float dy = (y + 0.5f) / size * 2.0f - 1.0f;
            const float r = std::sqrt(dx * dx + dy * dy);
            // Soft falloff that reaches black before the edge, so the quad's border never shows.
            const float t = std::clamp(1.0f - r, 0.0f, 1.0f);
            const float glow = t * t * (3.0f - 2.0f * t);
            image.at(x, y) = mix3(warm, hot, glow) * glow;
        }
    return image;
}

Image makeDudvMap(int size, unsigned seed) {
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = 4.0f * x / size, v = 4.0f * y / size;
            image.at(x, y) = glm::vec3(fbm(u, v, 4, 4, seed), fbm(u, v, 4, 4, seed + 57u), 0.0f);
        }
    return image;
}

Image makeWaterNormalMap(int size, unsigned seed) {
    Image image(size, size);
    std::vector<float> height(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            height[y * size + x] = fbm(6.0f * x / size, 6.0f * y / size, 6, 4, seed);
    const float strength = 6.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float hl = height[y * size + wrap(x - 1, size)];
            const float hr = height[y * size + wrap(x + 1, size)];
            const float hd = height[wrap(y - 1, size) * size + x];
            const float hu = height[wrap(y + 1, size) * size + x];
            // Tangent-space normal with blue as the surface's up direction.
            const glm::vec3 n = glm::normalize(glm::vec3(
                (hl - hr) * strength * size / 64.0f, (hd - hu) * strength * size / 64.0f, 1.0f));
            image.at(x, y) = n * 0.5f + 0.5f;
        }
    return image;
}

Result<void> writeIcon(int size, const std::string& path) {
    const glm::vec3 rim(0.20f, 0.42f, 0.08f), core(0.78f, 0.92f, 0.35f), spot(0.10f, 0.25f, 0.06f);
    const glm::vec3 satellite(0.62f, 0.32f, 0.92f), outline(0.05f, 0.07f, 0.04f);
    std::vector<std::uint8_t> rgba(static_cast<size_t>(size) * size * 4, 0);
    // Four samples a pixel, so the round edges are smooth at every size.
    const float offsets[4][2] = {{0.25f, 0.25f}, {0.75f, 0.25f}, {0.25f, 0.75f}, {0.75f, 0.75f}};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            glm::vec3 colour(0.0f);
            float cover = 0.0f;
            for (const auto& o : offsets) {
                // Unit square, y up; the cell left of centre and low, the satellite upper right.
                const float u = (x + o[0]) / size, v = 1.0f - (y + o[1]) / size;
                const float cell = glm::length(glm::vec2(u - 0.44f, v - 0.44f)) / 0.38f;
                const float moon = glm::length(glm::vec2(u - 0.80f, v - 0.80f)) / 0.15f;
                glm::vec3 c;
                if (moon < 1.0f) {
                    c = moon > 0.82f ? outline : satellite * (1.15f - 0.45f * moon);
                } else if (cell < 1.0f) {
                    const float cells = cellular(u * 6.0f, v * 6.0f, 6, 13u);
                    const float n = fbm(u * 12.0f, v * 12.0f, 12, 4, 16u);
                    c = mix3(core, rim, std::clamp(cells * 1.2f + cell * cell * 0.5f, 0.0f, 1.0f));
                    c = mix3(c, spot, std::pow(std::clamp(n * 1.6f - 0.6f, 0.0f, 1.0f), 2.0f));
                    if (cell > 0.9f)
                        c = outline;
                } else {
                    continue;
                }
                colour += c;
                cover += 0.25f;
            }
            std::uint8_t* p = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            for (int ch = 0; ch < 3; ++ch) {
                const float v = cover > 0.0f ? colour[ch] * 0.25f / cover : 0.0f;
                p[ch] = static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
            }
            p[3] = static_cast<std::uint8_t>(std::lround(cover * 255.0f));
        }
    return writePixels(path, size, size, 4, rgba.data());
}

} // namespace assets
