#pragma once

#include "app/Menu.h"
#include "render/HudShapes.h"
#include "render/ResourceCache.h"
#include "render/TextRenderer.h"

#include <memory>

namespace brindlemox::app {

// Draws the top menu screen over the frame: a dimmed picture, a panel, the title, the entries
// (the selected one marked) with their details, and the note. Text goes through the game's text
// renderer, so it keeps its proportions and reads from 800 x 600 to 3840 x 2160.
class MenuView {
  public:
    MenuView();
    ~MenuView();
    MenuView(const MenuView&) = delete;
    MenuView& operator=(const MenuView&) = delete;

    // width, height: the framebuffer's pixels. dim: how dark the picture under the panel gets.
    void draw(const MenuScreen& screen, int width, int height, float dim);

  private:
    // Text-space units across per glyph pixel at the current size (for right-aligned details).
    float unitsAcross(int width, int height) const;

    render::ResourceCache resources;
    std::unique_ptr<render::TextRenderer> title;
    std::unique_ptr<render::TextRenderer> entry;
    std::unique_ptr<render::TextRenderer> detail;
    std::unique_ptr<render::HudShapes> shapes;
};

} // namespace brindlemox::app
