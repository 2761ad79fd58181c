#pragma once

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

// One hidden GLFW window with a 3.3 core context, shared by every GL test of the process.
// Tests derive from GlTest: the context is current, the data folder is the working directory,
// and any GL error reported during the test fails it.
namespace testgl {
GLFWwindow* window();
// Absolute path of the game's data folder (the working directory of GL tests).
const std::string& dataDir();
// Reads back the RGBA pixels of the bound read frame buffer, bottom row first.
std::vector<unsigned char> readPixels(int x, int y, int width, int height);
// One integer of GL state (glGetIntegerv).
GLint integer(GLenum which);
// A parameter of a 2D texture, and of one of its levels; the texture bound before stays bound.
GLint texParameter(GLuint texture, GLenum parameter);
GLint levelParameter(GLuint texture, int level, GLenum parameter);
// The value of a program's int or sampler uniform.
GLint uniformInt(GLuint program, const char* name);
// Writes an RGBA image (bottom row first) as a PNG under the build's test-output for a person to
// look at.
std::string writeImage(const std::string& name, const std::vector<unsigned char>& rgba, int width,
                       int height);
} // namespace testgl

class GlTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};
