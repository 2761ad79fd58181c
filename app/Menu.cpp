#include "app/Menu.h"

#include <algorithm>
#include <utility>

namespace brindlemox::app {

void MenuStack::push(MenuScreen screen) {
    screens.push_back(std::move(screen));
    refreshTop();
}

void MenuStack::pop() {
    if (!screens.empty())
        screens.pop_back();
    refreshTop();
}

void MenuStack::refreshTop() {
    if (screens.empty())
        return;
    MenuScreen& screen = screens.back();
    if (screen.refresh)
        screen.refresh(screen);
    if (screen.selected >= screen.entries.size())
        screen.selected = screen.entries.empty() ? 0 : screen.entries.size() - 1;
}

void MenuStack::handle(MenuInput input) {
    if (screens.empty())
        return;
    MenuScreen& screen = screens.back();
    const size_t count = screen.entries.size();
    switch (input) {
    case MenuInput::Up:
        if (count > 0)
            screen.selected = (screen.selected + count - 1) % count;
        return;
    case MenuInput::Down:
        if (count > 0)
            screen.selected = (screen.selected + 1) % count;
        return;
    case MenuInput::Left:
    case MenuInput::Right:
        if (count > 0 && screen.entries[screen.selected].adjust) {
            // Copied: the action may change the screens.
            const auto adjust = screen.entries[screen.selected].adjust;
            adjust(input == MenuInput::Left ? -1 : 1);
            refreshTop();
        }
        return;
    case MenuInput::Choose:
        if (count > 0)
            chooseAt(screen.selected);
        return;
    case MenuInput::Back:
        if (screens.size() > 1)
            pop();
        else if (backFromLast)
            backFromLast();
        return;
    }
}

void MenuStack::chooseAt(size_t index) {
    if (screens.empty() || index >= screens.back().entries.size())
        return;
    screens.back().selected = index;
    const MenuEntry& entry = screens.back().entries[index];
    // Copied: the action may push, pop or clear the screens.
    const auto choose = entry.choose;
    const auto adjust = entry.adjust;
    if (choose)
        choose();
    else if (adjust)
        adjust(1); // a click on a setting steps it on
    refreshTop();
}

MenuLayout layOutMenu(size_t entryCount) {
    MenuLayout layout;
    // Up to nine entries at the full spacing; more close up so the last stays on screen.
    const float room = 340.0f;
    layout.spacing =
        entryCount > 1 ? std::min(38.0f, room / static_cast<float>(entryCount - 1)) : 38.0f;
    layout.firstY = 430.0f;
    const float lastY =
        layout.firstY - layout.spacing * static_cast<float>(entryCount > 0 ? entryCount - 1 : 0);
    layout.noteY = lastY - 42.0f;
    layout.panelLow = layout.noteY - 24.0f;
    return layout;
}

int entryAt(const MenuLayout& layout, size_t entryCount, float x, float y) {
    if (x < MenuLayout::Left || x > MenuLayout::Right)
        return -1;
    for (size_t i = 0; i < entryCount; ++i) {
        const float baseline = layout.firstY - layout.spacing * static_cast<float>(i);
        // The line's box: from a little under its baseline to its cap height and some.
        const float low = baseline - layout.spacing * 0.35f;
        const float high = baseline + layout.spacing * 0.65f;
        if (y >= low && y < high)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace brindlemox::app
