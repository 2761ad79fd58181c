#pragma once

#include "render/GlHandle.h"
#include "render/ResourceCache.h"

#include <vector>

namespace brindlemox::effects {

// A wood-ring texture made once on the CPU from improved Perlin noise over a seeded permutation:
// red = frac(20 * noise(column / size, row / size, 0.8)), green and blue 0. The same seed gives
// the same texture on every run. Owns its GL texture.
class PerlinNoise {
  public:
    // Builds the permutation and the size x size texture; needs a current context.
    PerlinNoise(unsigned size, unsigned seed);
    // The same from texels made earlier by woodTexels (on any thread).
    PerlinNoise(unsigned size, unsigned seed, const std::vector<float>& texels);

    // Improved noise mapped to [0, 1].
    double noise(double x, double y, double z) const;
    // Makes GL_TEXTURE0 + unit active and binds the texture to it.
    void bind(int unit) const;
    GLuint getTextureName() const { return textureId.get(); }

    // 0..255 shuffled by a seeded MT19937 (exactly the draw rule below, not a library
    // distribution, whose numbers differ between standard libraries), then repeated: 512 entries.
    static std::vector<int> makePermutation(unsigned seed);
    // Ken Perlin's 2002 improved noise in [-1, 1] over a 512-entry permutation.
    static double improvedNoise(const std::vector<int>& permutation, double x, double y, double z);
    // The float texels of the wood-ring pattern (one channel), row 0 first.
    static std::vector<float> woodTexels(const std::vector<int>& permutation, unsigned size);

  private:
    render::gl::Texture textureId;
    std::vector<int> permutation;
};

// The game's one noise texture of that size and seed, from the cache (texels the start-up reader
// made are used when there are some).
std::shared_ptr<const PerlinNoise> sharedNoise(render::ResourceCache& cache, unsigned size,
                                               unsigned seed);
// What to give the cache's readAhead so that noise's texels are made on the start-up reader.
render::ResourceCache::ReadJob noiseReadAhead(unsigned size, unsigned seed);

} // namespace brindlemox::effects
