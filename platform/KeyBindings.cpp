#include "platform/KeyBindings.h"

#include <GLFW/glfw3.h>

#include <cstring>

namespace brindlemox::platform {
namespace {

const ActionInfo Actions[ActionCount] = {
    {"Move forward", "keyForward", GLFW_KEY_W},
    {"Move back", "keyBack", GLFW_KEY_S},
    {"Move right", "keyRight", GLFW_KEY_D},
    {"Move left", "keyLeft", GLFW_KEY_A},
    {"Up", "keyUp", GLFW_KEY_E},
    {"Down", "keyDown", GLFW_KEY_Q},
    {"Attack", "keyAttack", GLFW_KEY_SPACE},
    {"Pause", "keyPause", GLFW_KEY_P},
    {"Frame rate", "keyFrameRate", GLFW_KEY_F2},
    {"Full screen", "keyFullScreen", GLFW_KEY_F11},
};

const struct {
    int key;
    const char* use;
} FixedKeys[] = {{GLFW_KEY_ESCAPE, "Quit"},       {GLFW_KEY_F3, "Wireframe"},
                 {GLFW_KEY_F4, "Cel shading"},    {GLFW_KEY_F6, "Wall marker"},
                 {GLFW_KEY_F7, "Physics shapes"}, {GLFW_KEY_F8, "Inactive objects"}};

const struct {
    int key;
    const char* name;
} Named[] = {
    {GLFW_KEY_SPACE, "Space"},
    {GLFW_KEY_APOSTROPHE, "Apostrophe"},
    {GLFW_KEY_COMMA, "Comma"},
    {GLFW_KEY_MINUS, "Minus"},
    {GLFW_KEY_PERIOD, "Period"},
    {GLFW_KEY_SLASH, "Slash"},
    {GLFW_KEY_SEMICOLON, "Semicolon"},
    {GLFW_KEY_EQUAL, "Equal"},
    {GLFW_KEY_LEFT_BRACKET, "LeftBracket"},
    {GLFW_KEY_BACKSLASH, "Backslash"},
    {GLFW_KEY_RIGHT_BRACKET, "RightBracket"},
    {GLFW_KEY_GRAVE_ACCENT, "GraveAccent"},
    {GLFW_KEY_ESCAPE, "Escape"},
    {GLFW_KEY_ENTER, "Enter"},
    {GLFW_KEY_TAB, "Tab"},
    {GLFW_KEY_BACKSPACE, "Backspace"},
    {GLFW_KEY_INSERT, "Insert"},
    {GLFW_KEY_DELETE, "Delete"},
    {GLFW_KEY_RIGHT, "Right"},
    {GLFW_KEY_LEFT, "Left"},
    {GLFW_KEY_DOWN, "Down"},
    {GLFW_KEY_UP, "Up"},
    {GLFW_KEY_PAGE_UP, "PageUp"},
    {GLFW_KEY_PAGE_DOWN, "PageDown"},
    {GLFW_KEY_HOME, "Home"},
    {GLFW_KEY_END, "End"},
    {GLFW_KEY_CAPS_LOCK, "CapsLock"},
    {GLFW_KEY_KP_DECIMAL, "KeypadDecimal"},
    {GLFW_KEY_KP_DIVIDE, "KeypadDivide"},
    {GLFW_KEY_KP_MULTIPLY, "KeypadMultiply"},
    {GLFW_KEY_KP_SUBTRACT, "KeypadSubtract"},
    {GLFW_KEY_KP_ADD, "KeypadAdd"},
    {GLFW_KEY_KP_ENTER, "KeypadEnter"},
    {GLFW_KEY_LEFT_SHIFT, "LeftShift"},
    {GLFW_KEY_LEFT_CONTROL, "LeftControl"},
    {GLFW_KEY_LEFT_ALT, "LeftAlt"},
    {GLFW_KEY_RIGHT_SHIFT, "RightShift"},
    {GLFW_KEY_RIGHT_CONTROL, "RightControl"},
    {GLFW_KEY_RIGHT_ALT, "RightAlt"},
};

} // namespace

const ActionInfo& actionInfo(Action action) {
    return Actions[static_cast<std::size_t>(action)];
}

std::optional<Action> actionOfConfigKey(const std::string& key) {
    for (std::size_t i = 0; i < ActionCount; ++i)
        if (key == Actions[i].configKey)
            return static_cast<Action>(i);
    return std::nullopt;
}

const char* fixedKeyUse(int key) {
    for (const auto& fixed : FixedKeys)
        if (fixed.key == key)
            return fixed.use;
    return nullptr;
}

std::string keyName(int key) {
    if ((key >= GLFW_KEY_A && key <= GLFW_KEY_Z) || (key >= GLFW_KEY_0 && key <= GLFW_KEY_9))
        return std::string(1, static_cast<char>(key));
    if (key >= GLFW_KEY_F1 && key <= GLFW_KEY_F25)
        return "F" + std::to_string(key - GLFW_KEY_F1 + 1);
    if (key >= GLFW_KEY_KP_0 && key <= GLFW_KEY_KP_9)
        return "Keypad" + std::to_string(key - GLFW_KEY_KP_0);
    for (const auto& named : Named)
        if (named.key == key)
            return named.name;
    return "";
}

std::optional<int> keyFromName(const std::string& name) {
    for (int key = GLFW_KEY_SPACE; key <= GLFW_KEY_LAST; ++key) {
        const std::string known = keyName(key);
        if (!known.empty() && known == name)
            return key;
    }
    return std::nullopt;
}

KeyBindings::KeyBindings() {
    for (std::size_t i = 0; i < ActionCount; ++i)
        keys[i] = Actions[i].defaultKey;
}

std::optional<Action> KeyBindings::actionOn(int key) const {
    for (std::size_t i = 0; i < ActionCount; ++i)
        if (keys[i] == key)
            return static_cast<Action>(i);
    return std::nullopt;
}

std::string KeyBindings::bind(Action action, int key) {
    const std::string name = keyName(key);
    if (name.empty())
        return "That key cannot be bound";
    if (const char* use = fixedKeyUse(key))
        return name + " is " + use + "'s key";
    if (const std::optional<Action> other = actionOn(key); other && *other != action)
        return name + " is " + actionInfo(*other).label + "'s key";
    keys[static_cast<std::size_t>(action)] = key;
    return "";
}

int KeyBindings::pressedFor(int gameKey) const {
    for (std::size_t i = 0; i < ActionCount; ++i)
        if (Actions[i].defaultKey == gameKey)
            return keys[i];
    return gameKey;
}

int KeyBindings::gameKeyOf(int pressed) const {
    if (const std::optional<Action> action = actionOn(pressed))
        return actionInfo(*action).defaultKey;
    for (const ActionInfo& info : Actions)
        if (info.defaultKey == pressed)
            return -1;
    return pressed;
}

} // namespace brindlemox::platform
