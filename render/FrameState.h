#pragma once

#include <GL/glew.h>

namespace brindlemox::render {

// The GL state a level's frame sets around its passes and HUD.
namespace framestate {

// Lines (F3) or filled faces for everything drawn after it.
void setWireframe(bool wireframe);
// What the next frame's clear and the game's own drawing expect after a level's frame.
void endLevelFrame();

// For its life, only the pixel at the origin is drawn: the driver builds its code for each
// state and target whatever is drawn, so a warm-up costs almost nothing on screen. Gives the
// scissor box back and leaves the scissor and depth tests off.
class OnePixel {
  public:
    OnePixel();
    ~OnePixel();
    OnePixel(const OnePixel&) = delete;
    OnePixel& operator=(const OnePixel&) = delete;

  private:
    GLint box[4] = {0, 0, 0, 0};
};

// For its life, faces are drawn filled whatever the wireframe switch says (the HUD under F3);
// gives the polygon mode back.
class FilledFaces {
  public:
    FilledFaces();
    ~FilledFaces();
    FilledFaces(const FilledFaces&) = delete;
    FilledFaces& operator=(const FilledFaces&) = delete;

  private:
    GLint mode[2] = {GL_FILL, GL_FILL};
};

} // namespace framestate

} // namespace brindlemox::render
