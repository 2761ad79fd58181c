#pragma once

#include <GL/glew.h>

#include <string>

// A GL 2D texture from an image file (through stb_image, converted to RGB, full mipmap chain).
// A file that cannot be read leaves name 0: binding it unbinds the unit. Owns its GL name.
class Texture {
public:
    explicit Texture(const std::string& path);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Makes GL_TEXTURE0 + unit active and binds this texture to it.
    void bind(int unit) const;
    GLuint getName() const { return name; }

private:
    GLuint name = 0;
};
