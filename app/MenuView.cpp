#include "app/MenuView.h"

#include "render/FrameState.h"

#include <GL/glew.h>

#include <algorithm>

namespace brindlemox::app {

using namespace render;

namespace {

const glm::vec3 Plain(0.92f, 0.92f, 0.88f);
const glm::vec3 Chosen = TextRenderer::defaultColour();
const glm::vec3 Quiet(0.7f, 0.75f, 0.8f);
const glm::vec3 Warning(1.0f, 0.45f, 0.35f);

} // namespace

MenuView::MenuView()
    : title(std::make_unique<TextRenderer>(44, &resources)),
      entry(std::make_unique<TextRenderer>(30, &resources)),
      detail(std::make_unique<TextRenderer>(24, &resources)),
      shapes(std::make_unique<HudShapes>(resources)) {
    for (TextRenderer* line : {title.get(), entry.get(), detail.get()})
        line->setOutlined(true);
}

MenuView::~MenuView() = default;

float MenuView::unitsAcross(int width, int height) const {
    const float unitsX = static_cast<float>(width) / 800.0f;
    const float unitsY = static_cast<float>(height) / 600.0f;
    return std::min(unitsX, unitsY) / unitsX;
}

void MenuView::draw(const MenuScreen& screen, int width, int height, float dim) {
    if (width < 1 || height < 1)
        return;
    const framestate::FilledFaces filled;
    for (TextRenderer* line : {title.get(), entry.get(), detail.get()})
        line->setScreenSize(width, height);
    const MenuLayout layout = layOutMenu(screen.entries.size());
    // The menu is over everything the frame drew, HUD included.
    glClear(GL_DEPTH_BUFFER_BIT);
    std::vector<HudShapes::Quad> quads;
    if (dim > 0.0f)
        quads.push_back(
            HudShapes::rectangle({0.0f, 0.0f}, {800.0f, 600.0f}, glm::vec4(0.0f, 0.0f, 0.0f, dim)));
    quads.push_back(HudShapes::rectangle({MenuLayout::Left, layout.panelLow},
                                         {MenuLayout::Right, MenuLayout::TitleY + 48.0f},
                                         glm::vec4(0.05f, 0.06f, 0.1f, 0.72f)));
    if (!screen.entries.empty()) {
        // A band behind the selected entry.
        const float y = layout.firstY - layout.spacing * static_cast<float>(screen.selected);
        quads.push_back(HudShapes::rectangle({MenuLayout::Left + 6.0f, y - layout.spacing * 0.3f},
                                             {MenuLayout::Right - 6.0f, y + layout.spacing * 0.62f},
                                             glm::vec4(0.35f, 0.28f, 0.05f, 0.55f)));
    }
    shapes->draw(quads, entry->getProjection());

    title->setCentred(true);
    title->renderText(screen.title, 400.0f, MenuLayout::TitleY, 1.0f, Chosen);
    const float across = unitsAcross(width, height);
    for (size_t i = 0; i < screen.entries.size(); ++i) {
        const MenuEntry& line = screen.entries[i];
        const float y = layout.firstY - layout.spacing * static_cast<float>(i);
        const bool selected = i == screen.selected;
        entry->renderText(line.label, MenuLayout::Left + 24.0f, y, 1.0f, selected ? Chosen : Plain);
        if (!line.detail.empty()) {
            const float ink = detail->measure(line.detail).size.x * across;
            detail->renderText(line.detail, MenuLayout::Right - 20.0f - ink, y, 1.0f,
                               selected ? Chosen : Quiet);
        }
    }
    if (!screen.note.empty()) {
        detail->setCentred(true);
        detail->renderText(screen.note, 400.0f, layout.noteY, 1.0f, Warning);
        detail->setCentred(false);
    }
}

} // namespace brindlemox::app
