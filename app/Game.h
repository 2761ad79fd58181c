#pragma once

#include "app/Menu.h"
#include "audio/SoundSystem.h"
#include "levels/LevelInterface.h"
#include "platform/Config.h"
#include "platform/Controls.h"
#include "platform/FullScreen.h"
#include "platform/Report.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct GLFWwindow;

namespace brindlemox::app {

class MenuView;
class BestRuns;
struct CatalogueEntry;

// Builds the levels, in play order, once the window and context exist; they read the game's
// input through controls.
using LevelFactory = std::function<std::vector<std::unique_ptr<levels::LevelInterface>>(
    GLFWwindow*, const platform::Config*, platform::Controls& controls)>;

// What runs around each frame of Game::run (sessions, demos, tools). Either may be empty.
struct FrameHooks {
    // Before frame number n (from 0); false ends the run before it.
    std::function<bool(long n)> before;
    // After frame n; going on says whether the game would (no Escape, no close). False ends the
    // run after it.
    std::function<bool(long n, bool goingOn)> after;
};

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

// Start-up, the frame loop and level sequencing.
class Game {
  public:
    // Opens the window and starts the levels, or says why the game cannot start (no window, no
    // level to play); nothing is left open then but GLFW itself.
    static platform::Result<std::unique_ptr<Game>>
    open(LevelFactory makeLevels, const StartOptions& options = StartOptions());
    // The same with Level 1 and Level 2 (defaultLevels).
    static platform::Result<std::unique_ptr<Game>>
    open(const StartOptions& options = StartOptions());
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // The frame loop: runs frames until Escape, the window's close button or a hook ends it;
    // returns how many ran.
    long run(const FrameHooks& hooks = FrameHooks());
    // One frame; false when the game should quit. Without render the frame updates and steps the
    // level but draws and swaps nothing (scripted runs render only where they look).
    bool frame(bool render = true);
    // Called after the level has rendered, before the swap (scripted runs read pixels there).
    void setBeforeSwap(std::function<void()> hook) { beforeSwap = std::move(hook); }
    // Whether F11 switches full screen (not while a demo keeps the window's size).
    void setFullScreenKey(bool on) { fullScreenKey = on; }

    // The menus (app/GameMenus.cpp). The title over the first level's scene, which stands still
    // and without its HUD until Play; Escape there quits.
    void showTitle();
    // Whether a pause (P, Start, a focus loss) opens the pause menu; off, the pause line alone
    // shows (demos, scripted runs: their pictures and runs stay as they were).
    void setPauseMenu(bool on) { pauseMenuOn = on; }
    bool isMenuOpen() const { return !menus.empty(); }
    // The open screens: a screen pushed here shows over the game until it is backed out of.
    MenuStack& getMenus() { return menus; }
    // Plays the levels the factory makes from the one at index (0-based) on, in place of the
    // current ones; false, with the line said, when it has none there.
    bool playLevels(LevelFactory makeLevels, size_t index);
    // The screens, for the menus and for screens added to them.
    MenuScreen titleScreen();
    MenuScreen levelsScreen();
    MenuScreen pauseScreen();
    MenuScreen settingsScreen();
    MenuScreen controlsScreen();
    // Closes the menus and plays on from where the current level stands.
    void closeMenusAndPlay();
    // Keeps the player's best times and best runs of what is played from the menus.
    void keepBestRuns(bool on);
    // The best run the player chose to watch, which ended the game to be replayed; empty when
    // none was chosen.
    const std::string& watchRequested() const { return watchFile; }

    GLFWwindow* getWindow() const { return window; }
    const platform::Config& getConfig() const { return *config; }
    // The game's input: keys, mouse, gamepad, timing, toggles, the view's angles, the pause.
    platform::Controls& getControls() const { return *controls; }
    levels::LevelInterface* getCurrentLevel() const { return currentLevel; }
    // The level at index (0-based, play order); nullptr past the end.
    levels::LevelInterface* getLevel(size_t index) const {
        return index < levelList.size() ? levelList[index].get() : nullptr;
    }
    size_t getNextLevelIndex() const { return nextLevelIndex; }
    size_t getLevelCount() const { return levelList.size(); }
    int getWindowWidth() const { return windowWidth; }
    int getWindowHeight() const { return windowHeight; }
    // Whether play stands still (P, Start, a focus loss): what else runs in game time, such as
    // sounds, holds too.
    bool isPaused() const;
    // What the frames so far have built or loaded (start-up before the first frame excluded).
    const levels::WorkTally& work() const { return framesWork; }

    // The levels of defaultLevelFiles, or the line saying why one cannot be played.
    static platform::Result<LevelFactory> defaultLevels();
    // How many levels defaultLevels makes.
    static constexpr int DefaultLevelCount = 2;
    // The levels of the data folder the game plays, in order.
    static const std::vector<std::string>& defaultLevelFiles();
    // The levels in these files, in this order, or the line saying why one cannot be played.
    static platform::Result<LevelFactory> levelsFromFiles(const std::vector<std::string>& paths);

    // The largest window side a demo may ask for.
    static constexpr int MaxWindowSide = 8192;
    // How long a finished level's card (title, time, health) shows, unless the attack key is
    // pressed anew (game seconds).
    static constexpr double LevelCardSeconds = 3.0;
    // Shown for good once the last level is finished.
    static constexpr const char* WonMessage = "You won! Every wall is down.";

  private:
    Game() = default;
    platform::Result<void> start(LevelFactory makeLevels, const StartOptions& options);
    // Makes level current and gives it the sound; the one it replaces falls silent.
    void enter(size_t index);
    // After the event poll: the pause menu follows the pause, the menu takes its presses.
    void runMenus();
    // Plays a level of the level list from its spawn, or says in the menu why it cannot.
    void playListed(const CatalogueEntry& level);
    // A listed level with a best run: play it or watch the run.
    MenuScreen listedLevelScreen(const CatalogueEntry& level, const std::string& bestTime);
    // Keeps the run that starts with the next frame (the levels' ids, the level played from,
    // the one level file or "" for the game's levels); only while keepBestRuns is on.
    void keepRun(std::vector<std::string> ids, size_t index, std::string levelFile);
    // The catalogue ids of the game's levels, in play order.
    static std::vector<std::string> gameLevelIds();
    // Applies a setting at once and writes it into the player's config.
    void saveSetting(const std::string& key, const std::string& value);

    std::unique_ptr<platform::Config> config;
    // Made with the window; outlives the levels, which hold it.
    std::unique_ptr<platform::Controls> controls;
    // Outlives the levels, whose loops hold its sources.
    std::shared_ptr<audio::SoundSystem> sound;
    GLFWwindow* window = nullptr;
    int windowWidth = 0;
    int windowHeight = 0;
    levels::LevelInterface* currentLevel = nullptr;
    std::vector<std::unique_ptr<levels::LevelInterface>> levelList;
    size_t nextLevelIndex = 0;
    bool won = false;
    std::function<void()> beforeSwap;
    platform::FullScreenSwitch fullScreen;
    bool fullScreenKey = true;
    levels::WorkTally framesWork;
    MenuStack menus;
    std::unique_ptr<MenuView> menuView;
    // The levels' maker, kept for Restart level.
    LevelFactory levelMaker;
    bool pauseMenuOn = false;
    // Destroyed before the controls: its recorder observes them.
    std::unique_ptr<BestRuns> bestRuns;
    // What keepRun last kept, for Restart level.
    std::vector<std::string> keptIds;
    std::string keptFile;
    std::string watchFile;
    bool titleShown = false;
    bool quitRequested = false;
    // Escape quits play only once it was seen let go after a menu closed.
    bool escapeArmed = true;
    // Where the next key pressed in a menu goes (Controls: binding a key); empty for the menu.
    std::function<void(int key)> keyCapture;
    // Why the last setting could not be saved, for the settings screen; empty when it was.
    std::string settingsProblem;
    // The current level's warm-up waits for its first frame to be shown.
    bool warmUpDue = false;
    bool levelShown = false;
};

} // namespace brindlemox::app
