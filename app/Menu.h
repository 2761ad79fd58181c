#pragma once

// The menus' logic, apart from drawing them: no GL here.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace brindlemox::app {

// One line of a menu: what it says, an optional detail (a best time, a setting's value, an error
// line) and what choosing it does. adjust, where given, takes Left (-1) and Right (+1).
struct MenuEntry {
    std::string label;
    std::string detail;
    std::function<void()> choose;
    std::function<void(int step)> adjust;
};

// A screen of entries with one selected. refresh, where given, rebuilds the labels and details
// after any action (a setting's new value).
struct MenuScreen {
    std::string title;
    std::vector<MenuEntry> entries;
    size_t selected = 0;
    // A line under the entries (a conflict, a prompt); empty for none.
    std::string note;
    std::function<void(MenuScreen&)> refresh;
};

// What the player asks of a menu, whatever the device.
enum class MenuInput { Up, Down, Left, Right, Choose, Back };

// The open screens, the last on top. Back pops the top one; on the last screen it calls
// backFromLast instead (the title quits, the pause menu resumes).
class MenuStack {
  public:
    void push(MenuScreen screen);
    void pop();
    void clear() { screens.clear(); }
    bool empty() const { return screens.empty(); }
    size_t depth() const { return screens.size(); }
    MenuScreen& top() { return screens.back(); }
    const MenuScreen& top() const { return screens.back(); }

    void handle(MenuInput input);
    // Selects and chooses entry index of the top screen (a click).
    void chooseAt(size_t index);

    std::function<void()> backFromLast;

  private:
    void refreshTop();
    std::vector<MenuScreen> screens;
};

// Where a screen's lines stand in the 800 x 600 text space (origin lower left), so drawing and
// clicks agree at any window size.
struct MenuLayout {
    static constexpr float Left = 170.0f;
    static constexpr float Right = 630.0f;
    static constexpr float TitleY = 500.0f;
    float firstY = 0.0f;  // the first entry's baseline
    float spacing = 0.0f; // between baselines
    float noteY = 0.0f;
    float panelLow = 0.0f; // the backdrop's lower edge
};
MenuLayout layOutMenu(size_t entryCount);
// The entry under a point of the text space, or -1.
int entryAt(const MenuLayout& layout, size_t entryCount, float x, float y);

} // namespace brindlemox::app
