#include "effects/RandomTexture.h"

#include <cstdlib>

std::vector<float> RandomTexture::randomComponents(unsigned size) {
    std::vector<float> values(static_cast<size_t>(size) * 3);
    for (float& value : values) {
        // Exactly 0 or 1 would make particles start on a lattice line; draw again.
        float r = 0.0f;
        do {
            r = static_cast<float>(static_cast<double>(std::rand()) / 32767.0);
        } while (r == 0.0f || r == 1.0f);
        value = r;
    }
    return values;
}

RandomTexture::RandomTexture(unsigned size) : texelCount(size) {
    const std::vector<float> values = randomComponents(size);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_1D, name);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, static_cast<GLsizei>(size), 0, GL_RGB, GL_FLOAT,
                 values.data());
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_REPEAT);
}

RandomTexture::~RandomTexture() {
    glDeleteTextures(1, &name);
}

void RandomTexture::bind(GLenum textureUnit) const {
    glActiveTexture(textureUnit);
    glBindTexture(GL_TEXTURE_1D, name);
}
