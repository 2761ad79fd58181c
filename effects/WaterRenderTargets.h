#pragma once

#include "render/GlHandle.h"

// The two off-screen targets the water surface samples: the scene reflected (320 x 180) and
// refracted (1780 x 720). Their sizes are fixed whatever the window size. Owns every GL name it
// creates; the destructor deletes them once.
class WaterRenderTargets {
  public:
    static constexpr int ReflectionWidth = 320;
    static constexpr int ReflectionHeight = 180;
    static constexpr int RefractionWidth = 1780;
    static constexpr int RefractionHeight = 720;

    // Stores the screen size; creates no GL object.
    WaterRenderTargets(int screenWidth, int screenHeight);
    ~WaterRenderTargets();
    WaterRenderTargets(const WaterRenderTargets&) = delete;
    WaterRenderTargets& operator=(const WaterRenderTargets&) = delete;

    // Builds both frame buffers; needs a current context. Leaves the screen bound.
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

    GLuint reflectionTexture() const { return reflectionColour.get(); }
    GLuint refractionTexture() const { return refractionColour.get(); }
    GLuint reflectionFrameBufferName() const { return reflectionFrameBuffer.get(); }
    GLuint refractionFrameBufferName() const { return refractionFrameBuffer.get(); }
    GLuint reflectionDepthBufferName() const { return reflectionDepthBuffer.get(); }
    GLuint refractionDepthTextureName() const { return refractionDepthTexture.get(); }
    int getScreenWidth() const { return screenWidth; }
    int getScreenHeight() const { return screenHeight; }

  private:
    gl::Framebuffer reflectionFrameBuffer;
    gl::Framebuffer refractionFrameBuffer;
    gl::Texture reflectionColour;
    gl::Renderbuffer reflectionDepthBuffer;
    gl::Texture refractionColour;
    gl::Texture refractionDepthTexture;
    int screenWidth = 0;
    int screenHeight = 0;
};
