#pragma once

#include "render/RenderTarget.h"

namespace brindlemox::render {

// The two off-screen targets the water surface samples: the scene reflected (320 x 180) and
// refracted (1780 x 720). Their sizes are fixed whatever the window size. A target the driver
// cannot make is left empty (see RenderTarget): the water then samples nothing from it.
class WaterRenderTargets {
  public:
    static constexpr int ReflectionWidth = 320;
    static constexpr int ReflectionHeight = 180;
    static constexpr int RefractionWidth = 1780;
    static constexpr int RefractionHeight = 720;

    // Stores the screen size; creates no GL object.
    WaterRenderTargets(int screenWidth, int screenHeight);
    WaterRenderTargets(const WaterRenderTargets&) = delete;
    WaterRenderTargets& operator=(const WaterRenderTargets&) = delete;

    // Builds both targets; needs a current context. Leaves the screen bound.
    void init();
    // Unbind the active unit's 2D texture, bind the target, set the viewport to its size.
    // Nothing is cleared.
    void bindReflection();
    void bindRefraction();
    // The default frame buffer with the screen-sized viewport.
    void bindScreen();
    // Size used by bindScreen from now on (the window's frame buffer may differ from the
    // monitor size the level was built with).
    void setScreenSize(int width, int height);

    GLuint reflectionTexture() const { return reflection.colourTexture(); }
    GLuint refractionTexture() const { return refraction.colourTexture(); }
    GLuint reflectionFrameBufferName() const { return reflection.framebuffer(); }
    GLuint refractionFrameBufferName() const { return refraction.framebuffer(); }
    GLuint reflectionDepthBufferName() const { return reflection.depthRenderbuffer(); }
    GLuint refractionDepthTextureName() const { return refraction.depthTexture(); }
    int getScreenWidth() const { return screenWidth; }
    int getScreenHeight() const { return screenHeight; }

  private:
    RenderTarget reflection;
    RenderTarget refraction;
    int screenWidth = 0;
    int screenHeight = 0;
    // Whether the screen is bound, at this size, since a water target was.
    bool screenBound = false;
    int boundWidth = 0, boundHeight = 0;
};

} // namespace brindlemox::render
