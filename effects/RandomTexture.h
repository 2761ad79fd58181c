#pragma once

#include "render/GlHandle.h"
#include "render/ResourceCache.h"

#include <vector>

namespace brindlemox::effects {

// A 1D RGB float texture of values strictly between 0 and 1, the particle update pass's source of
// randomness. Drawn from the unseeded standard generator, so it is the same on every run.
// Owns its GL texture.
class RandomTexture {
  public:
    // Needs a current context.
    explicit RandomTexture(unsigned size);

    // textureUnit is the GL enumerant (GL_TEXTURE0 + n); binds to GL_TEXTURE_1D there.
    void bind(GLenum textureUnit) const;
    unsigned size() const { return texelCount; }
    GLuint getName() const { return name.get(); }

    // size x 3 components, each a 15-bit std::rand draw / 32767, redrawn while it is 0 or 1.
    static std::vector<float> randomComponents(unsigned size);

  private:
    unsigned texelCount = 0;
    render::gl::Texture name;
};

// The game's one random texture of that size, from the cache.
std::shared_ptr<const RandomTexture> sharedRandomTexture(render::ResourceCache& cache,
                                                         unsigned size);

} // namespace brindlemox::effects
