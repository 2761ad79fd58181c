// The game's menus: the title, the level list, the pause menu, settings and controls. A screen is
// a MenuScreen of entries; an entry's action may push another screen (menus.push), go back
// (menus.pop) or close the menus and play (closeMenusAndPlay).

#include "app/Game.h"

#include "app/BestRuns.h"
#include "app/LevelCatalogue.h"
#include "app/Progress.h"
#include "platform/Printable.h"

#include "levels/LevelFile.h"
#include "platform/Config.h"
#include "platform/PlayerFiles.h"
#include "platform/TextNumbers.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace brindlemox::app {

using namespace levels;
using namespace platform;

namespace {

std::string yesNo(bool on) {
    return on ? "yes" : "no";
}

// A number stepped on a grid of step, within low and high (a float grid adds no drift).
float stepped(float value, int direction, float step, float low, float high) {
    const float next = std::round(value / step + static_cast<float>(direction)) * step;
    return std::clamp(next, low, high);
}

} // namespace

void Game::showTitle() {
    keepRun({}, 0, "");
    titleShown = true;
    menus.clear();
    menus.push(titleScreen());
    menus.backFromLast = [this] { quitRequested = true; };
    // The scene stands still and bare behind the title, from the end of the level's first
    // frame, which places the camera as play would (also after the pause menu's Quit to title).
    controls->setMenuInput(true);
    if (controls->isPaused())
        controls->setPaused(window, false);
    currentLevel->setHudShown(false);
}

void Game::closeMenusAndPlay() {
    menus.clear();
    titleShown = false;
    controls->setMenuInput(false);
    currentLevel->setHudShown(true);
    if (controls->isPaused())
        controls->requestPause(false);
}

bool Game::playLevels(LevelFactory makeLevels, size_t index) {
    if (currentLevel != nullptr)
        currentLevel->setSound(nullptr);
    currentLevel = nullptr;
    levelList.clear();
    levelMaker = makeLevels;
    levelList = makeLevels(window, config.get(), *controls);
    won = false;
    ++framesWork[WorkTally::LevelLoad];
    if (index >= levelList.size()) {
        report(Severity::Error, "No such level");
        if (levelList.empty()) {
            quitRequested = true; // nothing left to show
            return false;
        }
        index = 0;
    }
    controls->resetView();
    enter(index);
    currentLevel->setHudShown(!titleShown);
    return true;
}

void Game::runMenus() {
    if (titleShown && !controls->isPaused())
        controls->setPaused(window, true); // the gamepad's Start does not start play
    if (pauseMenuOn && !titleShown) {
        if (controls->isPaused() && menus.empty()) {
            menus.push(pauseScreen());
            menus.backFromLast = [this] { closeMenusAndPlay(); };
            controls->setMenuInput(true);
            // The menu says it is paused; the HUD's own line would show through its panel.
            currentLevel->setHudShown(false);
        } else if (!controls->isPaused() && !menus.empty()) {
            // P, Start or a click resumed.
            closeMenusAndPlay();
        }
    }
    if (menus.empty())
        return;
    for (const MenuEvent& event : controls->takeMenuEvents()) {
        if (menus.empty())
            break;
        if (keyCapture && event.kind == MenuEvent::Key) {
            const auto capture = keyCapture;
            keyCapture = nullptr;
            capture(event.key);
            continue;
        }
        switch (event.kind) {
        case MenuEvent::Key:
            switch (event.key) {
            case GLFW_KEY_UP:
                menus.handle(MenuInput::Up);
                break;
            case GLFW_KEY_DOWN:
                menus.handle(MenuInput::Down);
                break;
            case GLFW_KEY_LEFT:
                menus.handle(MenuInput::Left);
                break;
            case GLFW_KEY_RIGHT:
                menus.handle(MenuInput::Right);
                break;
            case GLFW_KEY_ENTER:
            case GLFW_KEY_KP_ENTER:
                menus.handle(MenuInput::Choose);
                break;
            case GLFW_KEY_ESCAPE:
            case GLFW_KEY_BACKSPACE:
                menus.handle(MenuInput::Back);
                break;
            default:
                // The pause key closes the pause menu as it opened it.
                if (!titleShown && menus.depth() == 1 &&
                    event.key == config->bindings.keyFor(Action::Pause))
                    closeMenusAndPlay();
                break;
            }
            break;
        case MenuEvent::Click: {
            const MenuScreen& screen = menus.top();
            const int at = entryAt(layOutMenu(screen.entries.size()), screen.entries.size(),
                                   static_cast<float>(event.x * 800.0),
                                   static_cast<float>((1.0 - event.y) * 600.0));
            if (at >= 0)
                menus.chooseAt(static_cast<size_t>(at));
            else if (!titleShown && menus.depth() == 1)
                closeMenusAndPlay(); // a click beside the pause menu resumes, as it always did
            break;
        }
        case MenuEvent::PadUp:
            menus.handle(MenuInput::Up);
            break;
        case MenuEvent::PadDown:
            menus.handle(MenuInput::Down);
            break;
        case MenuEvent::PadLeft:
            menus.handle(MenuInput::Left);
            break;
        case MenuEvent::PadRight:
            menus.handle(MenuInput::Right);
            break;
        case MenuEvent::PadChoose:
            menus.handle(MenuInput::Choose);
            break;
        case MenuEvent::PadBack:
            menus.handle(MenuInput::Back);
            break;
        }
    }
}

MenuScreen Game::titleScreen() {
    MenuScreen screen;
    screen.title = "Brindlemox";
    screen.entries = {
        {"Play", "",
         [this] {
             closeMenusAndPlay();
             keepRun(gameLevelIds(), 0, "");
         },
         nullptr},
        {"Levels", "", [this] { menus.push(levelsScreen()); }, nullptr},
        {"Settings", "", [this] { menus.push(settingsScreen()); }, nullptr},
        {"Controls", "", [this] { menus.push(controlsScreen()); }, nullptr},
        {"Quit", "", [this] { quitRequested = true; }, nullptr},
    };
    return screen;
}

MenuScreen Game::levelsScreen() {
    MenuScreen screen;
    screen.title = "Levels";
    const Progress progress = readProgress(progressFile());
    for (const CatalogueEntry& level : levelCatalogue(gameSources())) {
        MenuEntry entry;
        entry.label = level.title;
        if (!level.error.empty()) {
            // Listed as such; choosing it shows its error line under the list, from the file's
            // name on (the folder is the player's own, and long).
            entry.detail = "cannot be played";
            std::string line = level.error;
            const std::string folder =
                std::filesystem::path(level.levelFile).parent_path().string() + "/";
            if (line.compare(0, folder.size(), folder) == 0)
                line.erase(0, folder.size());
            entry.choose = [this, line] { menus.top().note = line; };
            screen.entries.push_back(entry);
            continue;
        }
        const auto best = progress.bestSeconds.find(level.id);
        if (best == progress.bestSeconds.end()) {
            entry.choose = [this, level] { playListed(level); };
        } else {
            const std::string time = bestTimeText(best->second);
            entry.detail = "Best " + time;
            entry.choose = [this, level, time] { menus.push(listedLevelScreen(level, time)); };
        }
        screen.entries.push_back(entry);
    }
    screen.entries.push_back({"Back", "", [this] { menus.pop(); }, nullptr});
    return screen;
}

MenuScreen Game::listedLevelScreen(const CatalogueEntry& level, const std::string& bestTime) {
    MenuScreen screen;
    screen.title = level.title;
    const std::string run = bestRunFile(level.id).string();
    std::error_code error;
    screen.entries.push_back({"Play", "", [this, level] { playListed(level); }, nullptr});
    if (std::filesystem::is_regular_file(run, error))
        // The game ends here and the best run is replayed; then the title shows again.
        screen.entries.push_back({"Watch best run", bestTime,
                                  [this, run] {
                                      watchFile = run;
                                      quitRequested = true;
                                  },
                                  nullptr});
    screen.entries.push_back({"Back", "", [this] { menus.pop(); }, nullptr});
    return screen;
}

void Game::playListed(const CatalogueEntry& level) {
    Result<LevelFactory> levels =
        level.gameLevel > 0 ? defaultLevels() : levelsFromFiles({level.levelFile});
    if (!levels) {
        menus.top().note = printable(levels.error());
        return;
    }
    titleShown = false;
    const size_t index = level.gameLevel > 0 ? static_cast<size_t>(level.gameLevel - 1) : 0;
    if (!playLevels(std::move(*levels), index))
        return;
    closeMenusAndPlay();
    if (level.gameLevel > 0)
        keepRun(gameLevelIds(), index, "");
    else
        keepRun({level.id}, 0, level.levelFile);
}

void Game::keepBestRuns(bool on) {
    if (!on)
        bestRuns.reset();
    else if (bestRuns == nullptr)
        bestRuns = std::make_unique<BestRuns>(*this);
}

void Game::keepRun(std::vector<std::string> ids, size_t index, std::string levelFile) {
    keptIds = ids;
    keptFile = levelFile;
    if (bestRuns == nullptr)
        return;
    if (ids.empty())
        bestRuns->end();
    else
        bestRuns->begin(*this, std::move(ids), index, levelFile);
}

std::vector<std::string> Game::gameLevelIds() {
    const CatalogueSources sources = gameSources();
    std::vector<std::string> ids;
    for (const std::string& file : sources.gameLevels)
        ids.push_back(levelIdOf(file, sources));
    return ids;
}

MenuScreen Game::pauseScreen() {
    MenuScreen screen;
    screen.title = "Paused";
    screen.entries = {
        {"Resume", "", [this] { closeMenusAndPlay(); }, nullptr},
        {"Restart level", "",
         [this] {
             const size_t index = nextLevelIndex > 0 ? nextLevelIndex - 1 : 0;
             if (playLevels(levelMaker, index)) {
                 closeMenusAndPlay();
                 keepRun(keptIds, index, keptFile);
             }
         },
         nullptr},
        {"Settings", "", [this] { menus.push(settingsScreen()); }, nullptr},
        {"Controls", "", [this] { menus.push(controlsScreen()); }, nullptr},
        {"Quit to title", "",
         [this] {
             Result<LevelFactory> levels = defaultLevels();
             if (!levels) {
                 menus.top().note = levels.error();
                 return;
             }
             titleShown = true;
             if (playLevels(std::move(*levels), 0))
                 showTitle();
         },
         nullptr},
        {"Quit", "", [this] { quitRequested = true; }, nullptr},
    };
    return screen;
}

void Game::saveSetting(const std::string& key, const std::string& value) {
    controls->applySettings(*config);
    const std::filesystem::path file = playerfiles::settingsFile();
    settingsProblem.clear();
    if (file.empty()) {
        settingsProblem = "Not saved: neither XDG_CONFIG_HOME nor HOME names a folder";
        report(Severity::Warning, settingsProblem);
        return;
    }
    if (Result<void> written = writeSettings(file.string(), {{key, value}}); !written) {
        settingsProblem = "Not saved: " + written.error();
        report(Severity::Warning, settingsProblem);
    }
}

MenuScreen Game::settingsScreen() {
    MenuScreen screen;
    screen.title = "Settings";
    // Each setting: its label, how it reads, and a step left (-1) or right (+1), which applies
    // it and saves it.
    struct Row {
        const char* label;
        std::function<std::string()> shown;
        std::function<void(int)> step;
    };
    Config& c = *config;
    const auto toggle = [this](const char* key, bool& field, std::function<void()> apply) {
        return [this, key, &field, apply](int) {
            field = !field;
            if (apply)
                apply();
            saveSetting(key, yesNo(field));
        };
    };
    const std::vector<Row> rows = {
        {"Volume", [&c] { return std::to_string(c.volume); },
         [this, &c](int d) {
             c.volume = std::clamp(c.volume + 10 * d, 0, 100);
             sound->setVolume(c.volume);
             saveSetting("volume", std::to_string(c.volume));
         }},
        {"Field of view", [&c] { return textnum::shortest(c.fov) + " degrees"; },
         [this, &c](int d) {
             c.fov = stepped(c.fov, d, 5.0f, Config::MinFov, Config::MaxFov);
             saveSetting("fov", textnum::shortest(c.fov));
         }},
        {"Mouse sensitivity", [&c] { return textnum::shortest(c.mouseSensitivity); },
         [this, &c](int d) {
             c.mouseSensitivity = stepped(c.mouseSensitivity, d, 5.0f, 5.0f, 200.0f);
             saveSetting("mouseSensitivity", std::to_string(static_cast<int>(c.mouseSensitivity)));
         }},
        {"Invert mouse", [&c] { return yesNo(c.invertMouse); },
         toggle("invertMouse", c.invertMouse, nullptr)},
        {"Full screen", [&c] { return yesNo(c.fullscreen); },
         toggle("fullscreen", c.fullscreen,
                [this] {
                    if ((glfwGetWindowMonitor(window) != nullptr) != config->fullscreen) {
                        fullScreen.toggle(window);
                        glfwGetWindowSize(window, &windowWidth, &windowHeight);
                    }
                })},
        {"Vsync", [&c] { return yesNo(c.vsync); },
         toggle("vsync", c.vsync, [this] { glfwSwapInterval(config->vsync ? 1 : 0); })},
        {"Gamepad dead zone", [&c] { return textnum::shortest(c.gamepadDeadzone); },
         [this, &c](int d) {
             c.gamepadDeadzone =
                 stepped(c.gamepadDeadzone, d, 0.05f, 0.0f, Config::MaxGamepadDeadzone);
             saveSetting("gamepadDeadzone", textnum::shortest(c.gamepadDeadzone));
         }},
        {"Wall marker", [&c] { return yesNo(c.wallMarker); },
         toggle("wallMarker", c.wallMarker,
                [this] { controls->setWallMarkerShown(config->wallMarker); })},
    };
    for (const Row& row : rows)
        screen.entries.push_back({row.label, "", nullptr, row.step});
    screen.entries.push_back({"Back", "", [this] { menus.pop(); }, nullptr});
    screen.refresh = [this, rows](MenuScreen& self) {
        for (size_t i = 0; i < rows.size(); ++i)
            self.entries[i].detail = rows[i].shown();
        self.note = settingsProblem;
    };
    return screen;
}

MenuScreen Game::controlsScreen() {
    MenuScreen screen;
    screen.title = "Controls";
    for (size_t i = 0; i < ActionCount; ++i) {
        const Action action = static_cast<Action>(i);
        const auto bindKey = [this, action] {
            const std::string label = actionInfo(action).label;
            menus.top().note = "Press a key for " + label;
            keyCapture = [this, action, label](int key) {
                MenuScreen& self = menus.top();
                self.note.clear();
                if (key == GLFW_KEY_ESCAPE)
                    return;
                const std::string conflict = config->bindings.bind(action, key);
                if (!conflict.empty()) {
                    self.note = conflict;
                    return;
                }
                setKeyBindings(&config->bindings);
                saveSetting(actionInfo(action).configKey, keyName(key));
                self.note = settingsProblem;
                self.refresh(self);
            };
        };
        screen.entries.push_back({actionInfo(action).label, "", bindKey, nullptr});
    }
    screen.entries.push_back({"Default keys", "",
                              [this] {
                                  config->bindings = brindlemox::platform::KeyBindings();
                                  for (size_t i = 0; i < ActionCount; ++i) {
                                      const Action action = static_cast<Action>(i);
                                      saveSetting(actionInfo(action).configKey,
                                                  keyName(config->bindings.keyFor(action)));
                                  }
                                  menus.top().note = settingsProblem;
                              },
                              nullptr});
    screen.entries.push_back({"Back", "", [this] { menus.pop(); }, nullptr});
    screen.refresh = [this](MenuScreen& self) {
        for (size_t i = 0; i < ActionCount; ++i) {
            const int key = config->bindings.keyFor(static_cast<Action>(i));
            self.entries[i].detail = key < 0 ? "none" : keyName(key);
        }
    };
    return screen;
}

} // namespace brindlemox::app
