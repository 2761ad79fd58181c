#include "effects/PerlinNoise.h"

#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>
#include <utility>

namespace brindlemox::effects {

using namespace render;

namespace {

double fade(double t) {
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

double lerp(double t, double a, double b) {
    return a + t * (b - a);
}

double grad(int hash, double x, double y, double z) {
    const int h = hash & 15;
    const double u = h < 8 ? x : y;
    const double v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
    return ((h & 1) == 0 ? u : -u) + ((h & 2) == 0 ? v : -v);
}

// Uniform in [0, n - 1]: redraw while r falls into the incomplete last bucket of 2^32 - 1.
std::uint32_t drawBelow(std::mt19937& generator, std::uint32_t n) {
    constexpr std::uint32_t Max = 4294967295u;
    std::uint32_t r = generator();
    while (r / n >= Max / n && Max % n != n - 1)
        r = generator();
    return r % n;
}

} // namespace

std::vector<int> PerlinNoise::makePermutation(unsigned seed) {
    std::vector<int> p(256);
    std::iota(p.begin(), p.end(), 0);
    std::mt19937 generator(seed);
    for (std::uint32_t i = 1; i < 256; ++i) {
        const std::uint32_t j = drawBelow(generator, i + 1);
        std::swap(p[i], p[j]);
    }
    p.insert(p.end(), p.begin(), p.end());
    return p;
}

double PerlinNoise::improvedNoise(const std::vector<int>& p, double x, double y, double z) {
    const int X = static_cast<int>(std::floor(x)) & 255;
    const int Y = static_cast<int>(std::floor(y)) & 255;
    const int Z = static_cast<int>(std::floor(z)) & 255;
    x -= std::floor(x);
    y -= std::floor(y);
    z -= std::floor(z);
    const double u = fade(x), v = fade(y), w = fade(z);

    const int A = p[X] + Y, AA = p[A] + Z, AB = p[A + 1] + Z;
    const int B = p[X + 1] + Y, BA = p[B] + Z, BB = p[B + 1] + Z;

    return lerp(
        w,
        lerp(v, lerp(u, grad(p[AA], x, y, z), grad(p[BA], x - 1, y, z)),
             lerp(u, grad(p[AB], x, y - 1, z), grad(p[BB], x - 1, y - 1, z))),
        lerp(v, lerp(u, grad(p[AA + 1], x, y, z - 1), grad(p[BA + 1], x - 1, y, z - 1)),
             lerp(u, grad(p[AB + 1], x, y - 1, z - 1), grad(p[BB + 1], x - 1, y - 1, z - 1))));
}

std::vector<float> PerlinNoise::woodTexels(const std::vector<int>& p, unsigned size) {
    // Every sample lies in lattice cell (0, 0, 0) at z = 0.8: the cell's hashes, the fade of z
    // and the fade of each column are the same for the whole texture, so they are worked out
    // once; each texel then makes exactly the operations improvedNoise would.
    const size_t s = size;
    std::vector<float> texels(s * s, 0.0f);
    const double z = 0.8;
    const double w = fade(z);
    const int A = p[0], AA = p[A], AB = p[A + 1];
    const int B = p[1], BA = p[B], BB = p[B + 1];
    std::vector<double> columns(s), columnFades(s);
    for (size_t j = 0; j < s; ++j) {
        columns[j] = static_cast<double>(j) / s;
        columnFades[j] = fade(columns[j]);
    }
    for (size_t i = 0; i < s; ++i) {
        const double y = static_cast<double>(i) / s;
        const double v = fade(y);
        for (size_t j = 0; j < s; ++j) {
            const double x = columns[j];
            const double u = columnFades[j];
            const double noise = lerp(
                w,
                lerp(v, lerp(u, grad(p[AA], x, y, z), grad(p[BA], x - 1, y, z)),
                     lerp(u, grad(p[AB], x, y - 1, z), grad(p[BB], x - 1, y - 1, z))),
                lerp(v, lerp(u, grad(p[AA + 1], x, y, z - 1), grad(p[BA + 1], x - 1, y, z - 1)),
                     lerp(u, grad(p[AB + 1], x, y - 1, z - 1),
                          grad(p[BB + 1], x - 1, y - 1, z - 1))));
            const double n = (noise + 1.0) / 2.0;
            const double rings = 20.0 * n;
            texels[i * s + j] = static_cast<float>(rings - std::floor(rings));
        }
    }
    return texels;
}

PerlinNoise::PerlinNoise(unsigned size, unsigned seed)
    : PerlinNoise(size, seed, woodTexels(makePermutation(seed), size)) {}

PerlinNoise::PerlinNoise(unsigned size, unsigned seed, const std::vector<float>& texels)
    : permutation(makePermutation(seed)) {
    const GLsizei s = static_cast<GLsizei>(size);
    textureId = gl::makeTexture();
    glBindTexture(GL_TEXTURE_2D, textureId.get());
    // Float storage keeps the rings free of banding and every value below 1. One channel: the
    // shaders read red, and green and blue sample as 0 as they would from zeros.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, s, s, 0, GL_RED, GL_FLOAT, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // No mipmaps are made, so the minification filter must not ask for them.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
}

double PerlinNoise::noise(double x, double y, double z) const {
    return (improvedNoise(permutation, x, y, z) + 1.0) / 2.0;
}

void PerlinNoise::bind(int unit) const {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, textureId.get());
}

namespace {
std::string noiseKey(unsigned size, unsigned seed) {
    return "noise/" + std::to_string(size) + "/" + std::to_string(seed);
}
} // namespace

std::shared_ptr<const PerlinNoise> sharedNoise(ResourceCache& cache, unsigned size, unsigned seed) {
    const std::string key = noiseKey(size, seed);
    return cache.shared<PerlinNoise>("noise", key, [&]() -> std::shared_ptr<const PerlinNoise> {
        if (std::optional<std::vector<float>> texels = cache.takeReadAhead<std::vector<float>>(key))
            return std::make_shared<const PerlinNoise>(size, seed, *texels);
        return std::make_shared<const PerlinNoise>(size, seed);
    });
}

ResourceCache::ReadJob noiseReadAhead(unsigned size, unsigned seed) {
    return {noiseKey(size, seed), [size, seed] {
                return ResourceCache::Read{
                    PerlinNoise::woodTexels(PerlinNoise::makePermutation(seed), size), {}};
            }};
}

} // namespace brindlemox::effects
