#include "effects/RandomTexture.h"

#include <cstdlib>

namespace brindlemox::effects {

using namespace render;

namespace {

// A std::rand draw scaled to 0..32767 whatever the library's RAND_MAX, so the values stay in
// [0, 1] after the division on every platform.
int draw15Bits() {
    const long long n = std::rand();
    return static_cast<int>(n * 32768 / (static_cast<long long>(RAND_MAX) + 1));
}

} // namespace

std::vector<float> RandomTexture::randomComponents(unsigned size) {
    std::vector<float> values(static_cast<size_t>(size) * 3);
    for (float& value : values) {
        // Exactly 0 or 1 would put particles on the texture's wrap seam; draw again.
        float r = 0.0f;
        do {
            r = static_cast<float>(static_cast<double>(draw15Bits()) / 32767.0);
        } while (r == 0.0f || r == 1.0f);
        value = r;
    }
    return values;
}

RandomTexture::RandomTexture(unsigned size) : texelCount(size) {
    const std::vector<float> values = randomComponents(size);
    name = gl::makeTexture();
    glBindTexture(GL_TEXTURE_1D, name.get());
    // Float storage: eight-bit texels would round the smallest and largest draws to 0 and 1.
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB32F, static_cast<GLsizei>(size), 0, GL_RGB, GL_FLOAT,
                 values.data());
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_REPEAT);
}

void RandomTexture::bind(GLenum textureUnit) const {
    glActiveTexture(textureUnit);
    glBindTexture(GL_TEXTURE_1D, name.get());
}

std::shared_ptr<const RandomTexture> sharedRandomTexture(ResourceCache& cache, unsigned size) {
    return cache.shared<RandomTexture>("random", std::to_string(size), [size] {
        return std::make_shared<const RandomTexture>(size);
    });
}

} // namespace brindlemox::effects
