#include "app/Game.h"

#include "app/BestRuns.h"
#include "app/MenuView.h"

#include "effects/ParticleSystem.h"
#include "platform/Controls.h"
#include "platform/Platform.h"
#include "platform/PlayerFiles.h"
#include "platform/Report.h"
#include "platform/Window.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <sys/statvfs.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace brindlemox::app {

using namespace levels;
using namespace effects;
using namespace platform;

namespace {

// Below this much free space the driver's shader cache may fail to grow its new files; Mesa
// then dies of SIGBUS inside the driver instead of reporting it.
constexpr unsigned long long MinShaderCacheBytes = 8ull << 20;

// The folder Mesa keeps its shader cache under. Mesa takes a relative one from the working
// directory, so it is resolved the same way before its disk is checked.
std::filesystem::path shaderCacheFolder() {
    for (const char* name : {"MESA_SHADER_CACHE_DIR", "XDG_CACHE_HOME"})
        if (const char* dir = std::getenv(name); dir != nullptr && dir[0] != '\0') {
            std::error_code error;
            std::filesystem::path folder = std::filesystem::absolute(dir, error);
            return error ? std::filesystem::path() : folder.lexically_normal();
        }
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? std::filesystem::path(home) / ".cache"
                                             : std::filesystem::path();
}

// Turns the driver's shader cache off for this run when its disk is (nearly) full. Must run
// before the first GL context: Mesa reads the variable then.
void spareAFullShaderCacheDisk() {
    std::filesystem::path folder = shaderCacheFolder();
    // The folder may not exist yet: its nearest existing parent holds the space.
    struct statvfs space {};
    while (!folder.empty() && statvfs(folder.c_str(), &space) != 0)
        folder = folder.has_relative_path() ? folder.parent_path() : std::filesystem::path();
    if (folder.empty())
        return;
    const unsigned long long free =
        static_cast<unsigned long long>(space.f_bavail) * space.f_frsize;
    if (free >= MinShaderCacheBytes)
        return;
    report(Severity::Warning, "Only " + std::to_string(free >> 10) + " KB free under " +
                                  folder.string() +
                                  ": the driver's shader cache is off for this run");
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
}

} // namespace

Result<std::unique_ptr<Game>> Game::open(LevelFactory makeLevels, const StartOptions& options) {
    std::unique_ptr<Game> game(new Game());
    Result<void> started = game->start(std::move(makeLevels), options);
    if (!started)
        return fail(started.error()); // the half-started game closes what it opened
    return {std::move(game)};
}

Result<std::unique_ptr<Game>> Game::open(const StartOptions& options) {
    Result<LevelFactory> levels = defaultLevels();
    if (!levels)
        return fail(levels.error());
    return open(std::move(*levels), options);
}

Result<void> Game::start(LevelFactory makeLevels, const StartOptions& options) {
    config = std::make_unique<Config>();
    // The player's own settings over the data folder's.
    config->read("Config/config.txt");
    config->read(playerfiles::settingsFile().string());
    if (options.windowWidth > 0 && options.windowHeight > 0) {
        config->width = options.windowWidth;
        config->height = options.windowHeight;
        config->fullscreen = false;
    }
    if (options.sensitivity)
        config->mouseSensitivity = *options.sensitivity;
    if (options.fullscreen)
        config->fullscreen = *options.fullscreen;
    if (options.fov)
        config->fov = *options.fov;
    if (options.invertMouse)
        config->invertMouse = *options.invertMouse;
    if (options.gamepadDeadzone)
        config->gamepadDeadzone = *options.gamepadDeadzone;
    if (options.neverWaitForDisplay)
        config->vsync = false;
    config->checkBindings();
    config->reportProblems();

    spareAFullShaderCacheDisk();
    WindowOptions windowOptions;
    windowOptions.width = config->width;
    windowOptions.height = config->height;
    windowOptions.title = "Brindlemox";
    windowOptions.fullScreen = config->fullscreen;
    windowOptions.placeAtOrigin = true;
    windowOptions.maximized = true;
    // A window is bounded by the screen and by a sane size; the config's is said when bounded.
    windowOptions.largestSide = MaxWindowSide;
    windowOptions.reportsBoundedSize = options.windowWidth <= 0 || options.windowHeight <= 0;
#ifdef BRINDLEMOX_GL_DEBUG
    windowOptions.debugContext = true;
#endif
    const OpenedWindow opened = openWindow(windowOptions);
    windowWidth = opened.width;
    windowHeight = opened.height;
    if (opened.failure == WindowFailure::Window)
        glfwTerminate();
    if (opened.window == nullptr)
        return fail(opened.reason());
    window = opened.window;
    glfwSwapInterval(config->vsync ? 1 : 0);
    // Not fatal: the game plays on without the walls' sparks.
    if (!ParticleSystem::transformFeedbackOffered())
        report(Severity::Warning, ParticleSystem::NotOfferedLine);

    glDepthFunc(GL_LESS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    glfwSetInputMode(window, GLFW_STICKY_KEYS, GLFW_TRUE);
    // The cursor is the controls' to take (disabled, for mouse look).
    setPlatformWindow(window);
    setKeyBindings(&config->bindings);
    controls = std::make_unique<Controls>(window, config.get());

    sound = options.sound != nullptr
                ? options.sound
                : audio::SoundSystem::openDefault({config->volume, options.mute});

    // A copy shares what the first call read ahead: Restart level builds from it again.
    levelMaker = makeLevels;
    levelList = makeLevels(window, config.get(), *controls);
    if (levelList.empty())
        return fail("No levels to play"); // cannot happen with the real levels
    if (options.level < 1 || options.level > levelList.size())
        return fail("No such level"); // the command line checks the number first
    enter(options.level - 1);
    return {};
}

void Game::enter(size_t index) {
    if (currentLevel != nullptr)
        currentLevel->setSound(nullptr);
    currentLevel = levelList[index].get();
    nextLevelIndex = index + 1;
    currentLevel->start();
    warmUpDue = true;
    levelShown = false;
    currentLevel->setSound(sound.get());
}

Game::~Game() {
    // Levels release their GL objects while the context still exists.
    bestRuns.reset();
    currentLevel = nullptr;
    levelList.clear();
    // What the kept maker and the menus share of GL goes while the context is there.
    levelMaker = nullptr;
    menuView.reset();
    controls.reset();
    sound.reset();
    setPlatformWindow(nullptr);
    setKeyBindings(nullptr);
    if (window != nullptr)
        glfwDestroyWindow(window);
}

bool Game::frame(bool render) {
    if (bestRuns)
        bestRuns->beforeFrame();
    // Read from the level before and after; a level started in between counts from its start.
    WorkTally before = currentLevel->work();
    // Once the level's first frame is on screen (start-up ends there), and before this frame's
    // clear, which wipes the pixel the warm-up drew.
    if (warmUpDue && levelShown && render) {
        warmUpDue = false;
        currentLevel->warmUp();
    }
    if (render)
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    currentLevel->applyPolygonMode();
    if (currentLevel->isFinished()) {
        if (nextLevelIndex < levelList.size()) {
            const LevelCard finished = currentLevel->card();
            framesWork += currentLevel->work() - before;
            before = levelList[nextLevelIndex]->work();
            ++framesWork[WorkTally::LevelLoad];
            enter(nextLevelIndex);
            currentLevel->showCard(finished, LevelCardSeconds);
            sound->playHere(audio::Sound::LevelComplete);
        } else if (!won) {
            // The last level stays current; the player is told it is over.
            currentLevel->announce(WonMessage, 0.0);
            currentLevel->showCard(currentLevel->card(), LevelCardSeconds);
            sound->playHere(audio::Sound::Won);
            won = true;
        }
    }
    if (currentLevel->isLost())
        currentLevel->restartAfterLoss();
    currentLevel->update();
    currentLevel->stepPhysics();
    if (render) {
        currentLevel->render();
        if (!menus.empty()) {
            if (menuView == nullptr)
                menuView = std::make_unique<MenuView>();
            int width = 0;
            int height = 0;
            glfwGetFramebufferSize(window, &width, &height);
            menuView->draw(menus.top(), width, height, titleShown ? 0.2f : 0.45f);
        }
        if (beforeSwap)
            beforeSwap();
        glfwSwapBuffers(window);
        levelShown = true;
    }
    framesWork += currentLevel->work() - before;
    glfwPollEvents();
    controls->afterEventPoll(window);
    // The levels follow the new framebuffer size from the next frame on.
    if (controls->takeFullScreenRequest() && fullScreenKey) {
        fullScreen.toggle(window);
        glfwGetWindowSize(window, &windowWidth, &windowHeight);
    }
    runMenus();
    // Asked once a frame, menu or not: a demo holds one answer a frame.
    const bool escape = platform::platform().isKeyHeld(GLFW_KEY_ESCAPE);
    bool quit = quitRequested || glfwWindowShouldClose(window);
    if (!menus.empty()) {
        escapeArmed = false; // Escape there goes back; its press must not also quit play
    } else {
        quit = quit || (escape && escapeArmed);
        escapeArmed = escapeArmed || !escape;
    }
    const bool goOn = !quit;
    if (bestRuns)
        bestRuns->afterFrame(0);
    if (!goOn)
        sound->stopAll(); // nothing plays on after the game
    return goOn;
}

bool Game::isPaused() const {
    return controls->isPaused();
}

long Game::run(const FrameHooks& hooks) {
    long n = 0;
    for (;; ++n) {
        if (hooks.before && !hooks.before(n))
            break;
        const bool goingOn = frame();
        const bool more = hooks.after ? hooks.after(n, goingOn) : goingOn;
        if (!goingOn || !more)
            return n + 1;
    }
    return n;
}

} // namespace brindlemox::app
