#include "app/Game.h"

#include "effects/ParticleSystem.h"
#include "platform/GlDebug.h"
#include "platform/Platform.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

Game::Game() : Game(defaultLevels()) {}

Game::Game(LevelFactory makeLevels) : Game(std::move(makeLevels), StartOptions()) {}

Game::Game(LevelFactory makeLevels, const StartOptions& options)
    : config(std::make_unique<Config>()) {
    // The factory may be reading files on worker threads: they finish before the process exits.
    const auto fatal = [&makeLevels, this](const char* message) {
        levelList.clear();
        makeLevels = nullptr;
        fail(message);
    };
    config->read("Config/config.txt");
    if (!config->volumeComplaint.empty())
        std::printf("%s\n", config->volumeComplaint.c_str());
    if (options.windowWidth > 0 && options.windowHeight > 0) {
        config->width = options.windowWidth;
        config->height = options.windowHeight;
        config->fullscreen = false;
    }
    if (options.sensitivity)
        config->horizontalSensivity = *options.sensitivity;

    if (!glfwInit())
        fatal("Failed to initialize glfw");

    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_MAXIMIZED, GLFW_TRUE);
#ifdef BRINDLEMOX_GL_DEBUG
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
#endif

    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* mode = monitor != nullptr ? glfwGetVideoMode(monitor) : nullptr;
    const int refreshRate = mode != nullptr ? mode->refreshRate : GLFW_DONT_CARE;

    if (config->fullscreen && mode != nullptr) {
        windowWidth = mode->width;
        windowHeight = mode->height;
    } else {
        windowWidth = config->width;
        windowHeight = config->height;
    }
    // GLFW asserts on a size below 1 instead of failing; treat it as a window that cannot open.
    if (windowWidth >= 1 && windowHeight >= 1) {
        if (config->fullscreen && mode != nullptr) {
            window = glfwCreateWindow(windowWidth, windowHeight, "Brindlemox", monitor, nullptr);
            if (window != nullptr)
                glfwSetWindowMonitor(window, monitor, 0, 0, windowWidth, windowHeight, refreshRate);
        } else {
            window = glfwCreateWindow(windowWidth, windowHeight, "Brindlemox", nullptr, nullptr);
            if (window != nullptr)
                glfwSetWindowMonitor(window, nullptr, 0, 0, windowWidth, windowHeight, refreshRate);
        }
    }
    if (window == nullptr) {
        glfwTerminate();
        fatal("Failed to open window");
    }

    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK)
        fatal("Failed to initialize glew");
    glGetError(); // GLEW's extension probe leaves an error flag behind on core contexts
#ifdef BRINDLEMOX_GL_DEBUG
    gldebug::install();
#endif
    // Not fatal: the game plays on without the walls' sparks.
    if (!ParticleSystem::transformFeedbackOffered())
        std::printf("%s\n", ParticleSystem::NotOfferedLine);

    glDepthFunc(GL_LESS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    glfwSetInputMode(window, GLFW_STICKY_KEYS, GLFW_TRUE);
    // The cursor is the levels' Controls' to take (disabled, for mouse look).
    setPlatformWindow(window);

    sound = options.sound != nullptr
                ? options.sound
                : audio::SoundSystem::openDefault({config->volume, options.mute});

    levelList = makeLevels(window, config.get());
    if (levelList.empty())
        fatal("No levels to play"); // cannot happen with the real levels
    if (options.level < 1 || options.level > levelList.size())
        fatal("No such level"); // the command line checks the number first
    enter(options.level - 1);
}

void Game::enter(size_t index) {
    if (currentLevel != nullptr)
        currentLevel->setSound(nullptr);
    currentLevel = levelList[index].get();
    nextLevelIndex = index + 1;
    currentLevel->start();
    currentLevel->setSound(sound.get());
}

Game::~Game() {
    // Levels release their GL objects while the context still exists.
    currentLevel = nullptr;
    levelList.clear();
    sound.reset();
    setPlatformWindow(nullptr);
    if (window != nullptr)
        glfwDestroyWindow(window);
}

void Game::fail(const char* message) {
    std::printf("%s\n", message);
    std::fflush(stdout);
    platform().waitForKey();
    std::exit(-1);
}

bool Game::frame(bool render) {
    if (render)
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    currentLevel->applyPolygonMode();
    if (currentLevel->isFinished()) {
        if (nextLevelIndex < levelList.size()) {
            const size_t finished = nextLevelIndex; // 1-based number of the level just done
            enter(nextLevelIndex);
            currentLevel->announce("Level " + std::to_string(finished) + " complete",
                                   LevelCompleteSeconds);
            sound->playHere(audio::Sound::LevelComplete);
        } else if (!won) {
            // The last level stays current; the player is told it is over.
            currentLevel->announce(WonMessage, 0.0);
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
        if (beforeSwap)
            beforeSwap();
        glfwSwapBuffers(window);
    }
    glfwPollEvents();
    const bool escape = platform().isKeyHeld(GLFW_KEY_ESCAPE);
    const bool goOn = !(escape || glfwWindowShouldClose(window));
    if (!goOn)
        sound->stopAll(); // nothing plays on after the game
    return goOn;
}

void Game::run() {
    while (frame()) {
    }
}
