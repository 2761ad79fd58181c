#pragma once

// Which key plays each action. The game asks for an action by its default key (W for forward),
// and the keyboard answers for the key the player bound to it; so demos, which hold the answers,
// replay the same whatever the bindings are.

#include <array>
#include <optional>
#include <string>

namespace brindlemox::platform {

enum class Action { Forward, Back, Right, Left, Up, Down, Attack, Pause, FrameRate, FullScreen };
constexpr std::size_t ActionCount = 10;

struct ActionInfo {
    const char* label;     // as the controls menu shows it
    const char* configKey; // as the player's config names it
    int defaultKey;        // GLFW key code
};
const ActionInfo& actionInfo(Action action);
// The action a config key binds, if it is one.
std::optional<Action> actionOfConfigKey(const std::string& key);

// The keys no action may take, and what they do ("Escape" quits), or nullptr for a free key.
const char* fixedKeyUse(int key);

// A key's name in the config and the menu ("W", "Space", "Left Shift" is "LeftShift"), and back.
// Keys without a name are not bound.
std::string keyName(int key);
std::optional<int> keyFromName(const std::string& name);

class KeyBindings {
  public:
    KeyBindings();
    int keyFor(Action action) const { return keys[static_cast<std::size_t>(action)]; }
    // The action bound to key, if any.
    std::optional<Action> actionOn(int key) const;
    // Binds key to action, unless a fixed key or another action has it: then the line naming
    // the conflict ("S is Move back's key"), and nothing changes.
    std::string bind(Action action, int key);
    void setUnchecked(Action action, int key) { keys[static_cast<std::size_t>(action)] = key; }

    // The key pressed for a key the game asks about (an action's default key); other keys as
    // they are.
    int pressedFor(int gameKey) const;
    // The key the game knows a pressed key as: its action's default key; -1 for an action's
    // default key now bound elsewhere, which does nothing; other keys as they are.
    int gameKeyOf(int pressed) const;

  private:
    std::array<int, ActionCount> keys;
};

} // namespace brindlemox::platform
