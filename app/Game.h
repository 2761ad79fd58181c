#pragma once

#include "audio/SoundSystem.h"
#include "levels/LevelInterface.h"
#include "platform/Config.h"
#include "platform/FullScreen.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct GLFWwindow;

// Builds the levels, in play order, once the window and context exist.
using LevelFactory =
    std::function<std::vector<std::unique_ptr<LevelInterface>>(GLFWwindow*, const Config*)>;

// How a run starts besides what the configuration file says (the command line, demos).
struct StartOptions {
    // 1-based level to start at.
    size_t level = 1;
    // A windowed window of this size instead of the configured one; 0 keeps the configuration's.
    int windowWidth = 0;
    int windowHeight = 0;
    // Mouse sensitivity instead of the configured one.
    std::optional<float> sensitivity;
    // Full screen or not instead of the configuration's choice (after the size above).
    std::optional<bool> fullscreen;
    // What a demo's run used instead of the configured values.
    std::optional<float> fov;
    std::optional<bool> invertMouse;
    std::optional<float> gamepadDeadzone;
    // Swaps never wait for the display, whatever the configuration says (timedemo, benchmark).
    bool neverWaitForDisplay = false;
    // No sound (--mute): no sound device is opened.
    bool mute = false;
    // The sound to play through instead of the default device's (tests: a loopback device).
    std::shared_ptr<audio::SoundSystem> sound;
};

// Start-up, the frame loop and level sequencing. A fatal start-up failure prints its line, waits
// for the console and ends the process with exit code -1.
class Game {
  public:
    // Level 1 and Level 2.
    Game();
    // The same start-up with other levels (tests).
    explicit Game(LevelFactory makeLevels);
    Game(LevelFactory makeLevels, const StartOptions& options);
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Runs frames until Escape or the window's close button.
    void run();
    // One frame; false when the game should quit. Without render the frame updates and steps the
    // level but draws and swaps nothing (scripted runs render only where they look).
    bool frame(bool render = true);
    // Called after the level has rendered, before the swap (scripted runs read pixels there).
    void setBeforeSwap(std::function<void()> hook) { beforeSwap = std::move(hook); }
    // Whether F11 switches full screen (not while a demo keeps the window's size).
    void setFullScreenKey(bool on) { fullScreenKey = on; }

    GLFWwindow* getWindow() const { return window; }
    const Config& getConfig() const { return *config; }
    LevelInterface* getCurrentLevel() const { return currentLevel; }
    // The level at index (0-based, play order); nullptr past the end.
    LevelInterface* getLevel(size_t index) const {
        return index < levelList.size() ? levelList[index].get() : nullptr;
    }
    size_t getNextLevelIndex() const { return nextLevelIndex; }
    size_t getLevelCount() const { return levelList.size(); }
    int getWindowWidth() const { return windowWidth; }
    int getWindowHeight() const { return windowHeight; }
    // Whether play stands still (P, Start, a focus loss): what else runs in game time, such as
    // sounds, holds too.
    bool isPaused() const;
    audio::SoundSystem& getSound() const { return *sound; }
    // What the frames so far have built or loaded (start-up before the first frame excluded).
    const WorkTally& work() const { return framesWork; }

    // The levels of defaultLevelFiles; a file that cannot be played prints its line and ends
    // the process with exit code 1, before any window.
    static LevelFactory defaultLevels();
    // How many levels defaultLevels makes.
    static constexpr int DefaultLevelCount = 2;
    // The levels of the data folder the game plays, in order.
    static const std::vector<std::string>& defaultLevelFiles();
    // The levels in these files, in this order, or the line saying why one cannot be played.
    struct LevelFiles {
        std::optional<LevelFactory> factory;
        std::string error;
    };
    static LevelFiles levelsFromFiles(const std::vector<std::string>& paths);

    // The largest window side a demo may ask for.
    static constexpr int MaxWindowSide = 8192;
    // How long a finished level's card (title, time, health) shows, unless the attack key is
    // pressed anew (game seconds).
    static constexpr double LevelCardSeconds = 3.0;
    // Shown for good once the last level is finished.
    static constexpr const char* WonMessage = "You won! Every wall is down.";

  private:
    [[noreturn]] static void fail(const char* message);
    // Makes level current and gives it the sound; the one it replaces falls silent.
    void enter(size_t index);

    std::unique_ptr<Config> config;
    // Outlives the levels, whose loops hold its sources.
    std::shared_ptr<audio::SoundSystem> sound;
    GLFWwindow* window = nullptr;
    int windowWidth = 0;
    int windowHeight = 0;
    LevelInterface* currentLevel = nullptr;
    std::vector<std::unique_ptr<LevelInterface>> levelList;
    size_t nextLevelIndex = 0;
    bool won = false;
    std::function<void()> beforeSwap;
    FullScreenSwitch fullScreen;
    bool fullScreenKey = true;
    WorkTally framesWork;
    // The current level's warm-up waits for its first frame to be shown.
    bool warmUpDue = false;
    bool levelShown = false;
};
