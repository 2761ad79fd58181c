#include "effects/PerlinNoise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

using namespace brindlemox::effects;

TEST(NoisePermutation, Seed235BeginsAsAlways) {
    const std::vector<int> p = PerlinNoise::makePermutation(235);
    const std::vector<int> expected = {253, 76, 200, 69, 225, 98, 166, 133};
    EXPECT_EQ(std::vector<int>(p.begin(), p.begin() + 8), expected);
}

TEST(NoisePermutation, IsAPermutationRepeatedOnce) {
    const std::vector<int> p = PerlinNoise::makePermutation(235);
    ASSERT_EQ(p.size(), 512u);
    for (int k = 0; k < 256; ++k)
        EXPECT_EQ(p[k + 256], p[k]) << k;
    std::vector<int> sorted(p.begin(), p.begin() + 256);
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> identity(256);
    std::iota(identity.begin(), identity.end(), 0);
    EXPECT_EQ(sorted, identity);
}

TEST(NoisePermutation, SameSeedSameOrderOtherSeedOtherOrder) {
    EXPECT_EQ(PerlinNoise::makePermutation(235), PerlinNoise::makePermutation(235));
    EXPECT_NE(PerlinNoise::makePermutation(235), PerlinNoise::makePermutation(236));
}

TEST(ImprovedNoise, ZeroOnTheLatticeAndBoundedBetween) {
    const std::vector<int> p = PerlinNoise::makePermutation(235);
    EXPECT_EQ(PerlinNoise::improvedNoise(p, 0, 0, 0), 0.0);
    EXPECT_EQ(PerlinNoise::improvedNoise(p, 3, 7, 1), 0.0);
    double low = 1.0, high = -1.0;
    for (int i = 0; i < 20000; ++i) {
        const double n = PerlinNoise::improvedNoise(p, i * 0.0137, i * 0.0291, 0.8 + i * 0.0007);
        low = std::min(low, n);
        high = std::max(high, n);
    }
    EXPECT_GE(low, -1.0);
    EXPECT_LE(high, 1.0);
    EXPECT_LT(low, -0.2) << "the noise does vary";
    EXPECT_GT(high, 0.2);
}

TEST(ImprovedNoise, MatchesTheReferenceGradientAtAKnownPoint) {
    // Within cell (0,0,0) at z = 0.8 only the z corners' gradients differ from zero height; with
    // x = y = 0 the value is lerp(fade(0.8), grad(p[AA], 0,0,0.8), grad(p[AA+1], 0,0,-0.2)).
    const std::vector<int> p = PerlinNoise::makePermutation(235);
    auto grad = [](int hash, double x, double y, double z) {
        const int h = hash & 15;
        const double u = h < 8 ? x : y;
        const double v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
        return ((h & 1) == 0 ? u : -u) + ((h & 2) == 0 ? v : -v);
    };
    const int AA = p[p[0]];
    const double w = 0.8 * 0.8 * 0.8 * (0.8 * (0.8 * 6 - 15) + 10);
    const double expected =
        grad(p[AA], 0, 0, 0.8) + w * (grad(p[AA + 1], 0, 0, -0.2) - grad(p[AA], 0, 0, 0.8));
    EXPECT_NEAR(PerlinNoise::improvedNoise(p, 0, 0, 0.8), expected, 1e-12);
}

TEST(WoodTexels, FirstTexelAndRanges) {
    const std::vector<int> p = PerlinNoise::makePermutation(235);
    const unsigned size = 600;
    const std::vector<float> texels = PerlinNoise::woodTexels(p, size);
    ASSERT_EQ(texels.size(), size * size);

    const double n = (PerlinNoise::improvedNoise(p, 0, 0, 0.8) + 1.0) / 2.0;
    const double rings = 20.0 * n;
    EXPECT_EQ(texels[0], static_cast<float>(rings - std::floor(rings)));

    // Row i, column j at (i * size + j): column 5 of row 2 samples x = 5 / 600, y = 2 / 600.
    const double n52 = (PerlinNoise::improvedNoise(p, 5.0 / size, 2.0 / size, 0.8) + 1.0) / 2.0;
    EXPECT_EQ(texels[2 * size + 5], static_cast<float>(20 * n52 - std::floor(20 * n52)));

    float low = 1.0f, high = 0.0f;
    for (size_t t = 0; t < size * size; ++t) {
        // Every texel is exactly what the noise function gives at its sample point.
        const double x = static_cast<double>(t % size) / size;
        const double y = static_cast<double>(t / size) / size;
        const double nt = (PerlinNoise::improvedNoise(p, x, y, 0.8) + 1.0) / 2.0;
        ASSERT_EQ(texels[t], static_cast<float>(20.0 * nt - std::floor(20.0 * nt))) << t;
        low = std::min(low, texels[t]);
        high = std::max(high, texels[t]);
    }
    EXPECT_GE(low, 0.0f);
    EXPECT_LT(high, 1.0f);
    EXPECT_GT(high - low, 0.5f) << "the rings show";
}
