#pragma once

#include <GL/glew.h>

namespace brindlemox::render {

// Whether program names a successfully linked GL program. A shader file that is missing or does
// not compile still yields a program name (the game goes on); asking such a program for uniform
// locations or drawing with it is a GL error, so the drawing code checks this first and draws
// nothing instead.
inline bool programLinked(GLuint program) {
    if (program == 0 || glIsProgram(program) == GL_FALSE)
        return false;
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    return status == GL_TRUE;
}

} // namespace brindlemox::render
