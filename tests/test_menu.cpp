#include "app/Menu.h"
#include "platform/Config.h"
#include "platform/Controls.h"
#include "platform/KeyBindings.h"
#include "support/ScriptedPlatform.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace brindlemox::app;
using namespace brindlemox::platform;

namespace {

// A title with a sub-screen, each action noted in log.
MenuStack titleAndSub(std::string& log) {
    MenuStack stack;
    stack.backFromLast = [&log] { log += "quit;"; };
    MenuScreen title;
    title.entries = {{"Play", "", [&log] { log += "play;"; }, nullptr},
                     {"Sub", "",
                      [&stack, &log] {
                          MenuScreen sub;
                          sub.entries = {{"Step", "", nullptr,
                                          [&log](int d) { log += d > 0 ? "right;" : "left;"; }},
                                         {"Back", "", [&stack] { stack.pop(); }, nullptr}};
                          stack.push(sub);
                      },
                      nullptr},
                     {"Quit", "", [&log] { log += "quit;"; }, nullptr}};
    stack.push(title);
    return stack;
}

} // namespace

TEST(Menu, InputsMoveChooseAndBackOut) {
    using I = MenuInput;
    const struct {
        std::vector<MenuInput> inputs;
        size_t depth;
        size_t selected;
        std::string log;
    } cases[] = {
        {{}, 1, 0, ""},
        {{I::Choose}, 1, 0, "play;"},
        {{I::Up}, 1, 2, ""}, // wraps to the last entry
        {{I::Down, I::Down, I::Down}, 1, 0, ""},
        {{I::Back}, 1, 0, "quit;"},
        {{I::Down, I::Choose}, 2, 0, ""},
        {{I::Down, I::Choose, I::Right, I::Left, I::Choose}, 2, 0, "right;left;right;"},
        {{I::Down, I::Choose, I::Back}, 1, 1, ""},
        {{I::Down, I::Choose, I::Down, I::Choose}, 1, 1, ""},
        {{I::Down, I::Choose, I::Back, I::Back}, 1, 1, "quit;"},
        {{I::Left, I::Right}, 1, 0, ""}, // nothing to adjust on the title
    };
    for (const auto& c : cases) {
        std::string log;
        MenuStack stack = titleAndSub(log);
        for (MenuInput input : c.inputs)
            stack.handle(input);
        EXPECT_EQ(stack.depth(), c.depth) << c.log;
        EXPECT_EQ(stack.top().selected, c.selected) << c.log;
        EXPECT_EQ(log, c.log);
    }
}

TEST(Menu, ClicksFindTheEntryUnderThem) {
    const MenuLayout five = layOutMenu(5);
    const MenuLayout eleven = layOutMenu(11);
    const struct {
        const MenuLayout& layout;
        size_t count;
        float x, y;
        int entry;
    } cases[] = {
        {five, 5, 400.0f, five.firstY + 5.0f, 0},
        {five, 5, 400.0f, five.firstY - 4.0f * five.spacing + 5.0f, 4},
        {five, 5, 400.0f, five.firstY - 5.0f * five.spacing + 5.0f, -1}, // below the last
        {five, 5, 100.0f, five.firstY + 5.0f, -1},                       // beside the panel
        {five, 5, 400.0f, 590.0f, -1},
        {eleven, 11, 400.0f, eleven.firstY - 10.0f * eleven.spacing + 5.0f, 10},
    };
    for (const auto& c : cases)
        EXPECT_EQ(entryAt(c.layout, c.count, c.x, c.y), c.entry) << c.x << "," << c.y;
    // Every entry and the note stay on the screen and clear of each other.
    for (size_t count : {1u, 5u, 9u, 11u, 14u}) {
        const MenuLayout layout = layOutMenu(count);
        EXPECT_GT(layout.panelLow, 0.0f) << count;
        EXPECT_GE(layout.spacing, 24.0f) << count;
    }
}

TEST(KeyBindings, AConflictIsNamedAndNotAllowed) {
    const struct {
        Action action;
        int key;
        std::string refusal;
    } cases[] = {
        {Action::Forward, GLFW_KEY_UP, ""},
        {Action::Forward, GLFW_KEY_W, ""}, // its own key again
        {Action::Forward, GLFW_KEY_S, "S is Move back's key"},
        {Action::Attack, GLFW_KEY_ESCAPE, "Escape is Quit's key"},
        {Action::Pause, GLFW_KEY_F3, "F3 is Wireframe's key"},
        {Action::FullScreen, GLFW_KEY_F12, ""},
        {Action::Down, GLFW_KEY_LEFT_SHIFT, ""},
        {Action::Up, GLFW_KEY_WORLD_1, "That key cannot be bound"},
    };
    for (const auto& c : cases) {
        KeyBindings keys;
        const int before = keys.keyFor(c.action);
        EXPECT_EQ(keys.bind(c.action, c.key), c.refusal);
        EXPECT_EQ(keys.keyFor(c.action), c.refusal.empty() ? c.key : before);
    }
}

TEST(KeyBindings, TheGameAsksForDefaultKeysAndHearsTheBoundOnes) {
    KeyBindings keys;
    ASSERT_EQ(keys.bind(Action::Forward, GLFW_KEY_UP), "");
    ASSERT_EQ(keys.bind(Action::FrameRate, GLFW_KEY_F5), "");
    const struct {
        int gameKey;
        int pressed;
    } asked[] = {{GLFW_KEY_W, GLFW_KEY_UP},
                 {GLFW_KEY_S, GLFW_KEY_S},
                 {GLFW_KEY_F2, GLFW_KEY_F5},
                 {GLFW_KEY_ESCAPE, GLFW_KEY_ESCAPE}};
    for (const auto& a : asked)
        EXPECT_EQ(keys.pressedFor(a.gameKey), a.pressed) << a.gameKey;
    const struct {
        int pressed;
        int gameKey;
    } heard[] = {{GLFW_KEY_UP, GLFW_KEY_W},
                 {GLFW_KEY_W, -1}, // forward's old key does nothing now
                 {GLFW_KEY_F5, GLFW_KEY_F2},
                 {GLFW_KEY_F2, -1},
                 {GLFW_KEY_F3, GLFW_KEY_F3}};
    for (const auto& h : heard)
        EXPECT_EQ(keys.gameKeyOf(h.pressed), h.gameKey) << h.pressed;
    // Every name reads back as its key.
    for (int key = GLFW_KEY_SPACE; key <= GLFW_KEY_LAST; ++key) {
        if (const std::string name = brindlemox::platform::keyName(key); !name.empty()) {
            EXPECT_EQ(brindlemox::platform::keyFromName(name), key) << name;
        }
    }
}

TEST(KeyBindings, ConfigLinesBindKeysOrSayWhy) {
    const struct {
        std::string text;
        Action action;
        int key;
        std::string problem;
    } cases[] = {
        {"keyForward=Up", Action::Forward, GLFW_KEY_UP, ""},
        {"keyAttack=LeftControl", Action::Attack, GLFW_KEY_LEFT_CONTROL, ""},
        {"keyForward=Zz", Action::Forward, GLFW_KEY_W,
         "config line 1: keyForward is a key name such as W, Space, Up or F5, not 'Zz'; using W"},
        {"keyPause=Escape", Action::Pause, GLFW_KEY_P,
         "config line 1: keyPause cannot be Quit's key, not 'Escape'; using P"},
        // Swapped keys are fine; a key taken twice gives the later action its default back.
        {"keyForward=S\nkeyBack=W", Action::Back, GLFW_KEY_W, ""},
        {"keyForward=E", Action::Up, GLFW_KEY_Q,
         "keyUp is E, which is already keyForward; using no key"},
        {"keyAttack=W", Action::Attack, GLFW_KEY_SPACE,
         "keyAttack is W, which is already keyForward; using Space"},
    };
    for (const auto& c : cases) {
        Config config;
        config.parse(c.text);
        config.checkBindings();
        const int key = config.bindings.keyFor(c.action);
        if (c.problem.find("no key") != std::string::npos)
            EXPECT_EQ(key, -1) << c.text;
        else
            EXPECT_EQ(key, c.key) << c.text;
        EXPECT_EQ(config.problems.empty() ? "" : config.problems.front(), c.problem) << c.text;
    }
}

TEST(Controls, AnOpenMenuTakesThePresses) {
    ScriptedPlatform keys;
    Config config;
    config.bindings.bind(Action::FrameRate, GLFW_KEY_F5);
    Controls controls(nullptr, &config);
    // In play a bound key does its action, and its old key nothing.
    controls.onKey(nullptr, GLFW_KEY_F2, GLFW_PRESS);
    EXPECT_FALSE(controls.isFpsShown());
    controls.onKey(nullptr, GLFW_KEY_F5, GLFW_PRESS);
    EXPECT_TRUE(controls.isFpsShown());

    controls.setMenuInput(true);
    controls.onKey(nullptr, GLFW_KEY_F5, GLFW_PRESS);
    controls.onKey(nullptr, GLFW_KEY_P, GLFW_PRESS);
    controls.onKey(nullptr, GLFW_KEY_DOWN, GLFW_RELEASE);
    controls.onMouseButton(nullptr, GLFW_PRESS);
    GamepadState pad;
    pad.connected = true;
    pad.buttons = 1u << GLFW_GAMEPAD_BUTTON_DPAD_DOWN | 1u << GLFW_GAMEPAD_BUTTON_A;
    keys.pad = pad;
    controls.updateTime();
    controls.updateTime(); // held: no new press
    pad.buttons = 0;
    pad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y] = -0.9f; // the stick pushed up, once
    keys.pad = pad;
    controls.updateTime();
    controls.updateTime();
    const std::vector<MenuEvent> events = controls.takeMenuEvents();
    const std::vector<MenuEvent::Kind> kinds = {MenuEvent::Key,       MenuEvent::Key,
                                                MenuEvent::Click,     MenuEvent::PadDown,
                                                MenuEvent::PadChoose, MenuEvent::PadUp};
    ASSERT_EQ(events.size(), kinds.size());
    for (size_t i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(events[i].kind, kinds[i]) << i;
    EXPECT_EQ(events[0].key, GLFW_KEY_F5);
    // Neither the toggle nor the pause happened: the menu had them.
    EXPECT_TRUE(controls.isFpsShown());
    EXPECT_FALSE(controls.isPaused());
    EXPECT_TRUE(controls.takeMenuEvents().empty());
}
