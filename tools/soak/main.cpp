// Soak run: the real game played by script for a given time, over and over through both levels
// with a loss in each, a fresh Game per round. Keys and clock are driven through the platform
// seam at 1/60 s per frame; one frame in `renderEvery` is drawn. Every ~30 s it prints resident
// memory and the GL error count, and at the end whether memory stayed flat after the first
// minute. Meant for the sanitizer build with the GL debug callback on (scripts/soak.sh).
#include "app/Game.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/VulnerableWall.h"
#include "levels/Level.h"
#include "platform/Controls.h"
#include "platform/GlDebug.h"
#include "platform/Report.h"
#include "platform/ScriptedPlatform.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace brindlemox::platform;
using namespace brindlemox::gameplay;
using namespace brindlemox::levels;
using namespace brindlemox::app;

namespace {

constexpr double FrameTime = 1.0 / 60.0;

struct Command {
    std::string verb;
    std::vector<float> args;
};

// The playthrough's route format: goto, face, attack, wait, shot, chase (one per line, # notes).
std::vector<Command> parseRoute(std::istream& in) {
    std::vector<Command> commands;
    std::string text;
    while (std::getline(in, text)) {
        if (text.empty() || text[0] == '#')
            continue;
        std::istringstream words(text);
        Command command;
        words >> command.verb;
        float value = 0;
        while (words >> value)
            command.args.push_back(value);
        commands.push_back(command);
    }
    return commands;
}

std::vector<Command> readRoute(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        report(Severity::Error, "soak: cannot read " + path);
    return parseRoute(in);
}

std::vector<Command> routeText(const std::string& text) {
    std::istringstream in(text);
    return parseRoute(in);
}

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

class Soak {
  public:
    Soak(double seconds, int renderEvery, std::string routes)
        : seconds(seconds), renderEvery(std::max(1, renderEvery)), routes(std::move(routes)) {}

    int run() {
        // The game's loading chatter (also in the frame that starts Level 2) would bury the
        // figures: it is dropped, and anything else on standard output goes to /dev/null.
        reportOnlyFrom(Severity::Warning);
        std::fflush(stdout);
        const int saved = dup(STDOUT_FILENO);
        out = fdopen(saved, "w");
        if (std::freopen("/dev/null", "w", stdout) == nullptr)
            std::fprintf(out, "soak: the game's chatter stays in the figures\n");
        start = std::chrono::steady_clock::now();
        std::fprintf(out, "soak: %.0f s, one frame in %d drawn, routes from %s\n", seconds,
                     renderEvery, routes.c_str());
        std::fprintf(out, "%8s %8s %8s %10s %7s %7s %9s\n", "time s", "RSS MB", "GL err", "frames",
                     "rounds", "losses", "level");
        std::fflush(out);
        while (!timeUp())
            if (!round())
                return 1;
        const size_t inPlay = samples.size();
        sample(true);
        samples.resize(inPlay);
        return verdict();
    }

  private:
    double elapsed() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    bool timeUp() const { return elapsed() >= seconds; }

    Level& level() { return *dynamic_cast<Level*>(game->getCurrentLevel()); }
    glm::vec3 eye() { return level().getCamera().getPosition(); }

    // One Game from start-up to teardown: lose, play Level 1, lose, play Level 2. False when
    // the game cannot start (reported).
    bool round() {
        ScriptedPlatform keys;
        platform = &keys;
        Result<std::unique_ptr<Game>> opened = Game::open();
        if (!opened) {
            report(Severity::Error, opened.error());
            platform = nullptr;
            return false;
        }
        game = std::move(*opened);
        if (rounds == 0 && !debugReported) {
            debugReported = true;
            std::fprintf(out, "soak: GL debug output %s\n",
                         glIsEnabled(GL_DEBUG_OUTPUT) ? "on"
                                                      : "OFF (build with BRINDLEMOX_GL_DEBUG)");
        }
        level().setLossHold(0.0);
        play(routeText("chase 0 90\n"));
        play(readRoute(routes + "/level1.route"));
        if (!timeUp())
            finishIfNeeded();
        step(true); // starts Level 2
        level().setLossHold(0.0);
        play(routeText("goto 0 7 -45\ngoto 0 7 -56\nchase 0 90\n"));
        play(readRoute(routes + "/level2.route"));
        for (int i = 0; i < 60 && !timeUp(); ++i)
            step();
        if (game->getNextLevelIndex() == game->getLevelCount() && level().isFinished())
            ++rounds;
        game.reset();
        platform = nullptr;
        return true;
    }

    // Walls the route failed to bring down are finished off so the round reaches Level 2.
    void finishIfNeeded() {
        if (level().isFinished())
            return;
        std::fprintf(out, "soak: Level 1 route left walls standing; finishing them\n");
        for (VulnerableWall* wall : level().getObjectives())
            wall->takeHit(1.0e6f, 1.0f);
    }

    void step(bool render = false) {
        if (timeUp())
            return;
        platform->time += FrameTime;
        ++frames;
        const bool wasLost = game->getCurrentLevel()->isLost();
        if (!game->frame(render || frames % renderEvery == 0))
            std::fprintf(out, "soak: the game asked to quit\n");
        if (!wasLost && game->getCurrentLevel()->isLost())
            ++losses;
        if (elapsed() >= nextSample)
            sample(false);
    }

    void sample(bool last) {
        const double rss = residentMegabytes();
        const double t = elapsed();
        samples.emplace_back(t, rss);
        std::fprintf(out, "%8.0f %8.1f %8d %10ld %7d %7d %9s\n", t, rss, gldebug::errorCount(),
                     frames, rounds, losses,
                     game ? (level().getHud().title().getText().c_str()) : "-");
        for (const std::string& e : gldebug::errors())
            if (reported.insert(e).second)
                std::fprintf(out, "    GL: %s\n", e.c_str());
        std::fflush(out);
        if (!last)
            nextSample = t + 30.0;
    }

    void turnTowards(const glm::vec3& direction) {
        game->getControls().turnTowards(direction, game->getConfig().mouseSensitivity);
    }

    void flyTo(const glm::vec3& target) {
        const float distance = glm::length(target - eye());
        const int budget = static_cast<int>(distance / (6.0 * FrameTime) * 2.0) + 120;
        platform->hold(GLFW_KEY_W);
        int used = 0;
        for (; used < budget && glm::length(target - eye()) > 0.3f && !timeUp(); ++used) {
            turnTowards(target - eye());
            step();
        }
        platform->release(GLFW_KEY_W);
        if (used >= budget)
            std::fprintf(out, "soak: stopped short of (%g, %g, %g)\n", target.x, target.y,
                         target.z);
    }

    void hold(int key, float secondsHeld) {
        platform->hold(key);
        for (int i = 0; i < static_cast<int>(secondsHeld / FrameTime) && !timeUp(); ++i)
            step();
        platform->release(key);
    }

    void play(const std::vector<Command>& route) {
        for (const Command& command : route) {
            if (timeUp())
                return;
            const auto& a = command.args;
            if (command.verb == "goto" && a.size() >= 3) {
                flyTo({a[0], a[1], a[2]});
            } else if (command.verb == "face" && a.size() >= 3) {
                turnTowards(glm::vec3(a[0], a[1], a[2]) - eye());
                step();
            } else if (command.verb == "attack" && !a.empty()) {
                hold(GLFW_KEY_SPACE, a[0]);
            } else if (command.verb == "wait" && !a.empty()) {
                for (int i = 0; i < static_cast<int>(a[0] / FrameTime) && !timeUp(); ++i)
                    step();
            } else if (command.verb == "shot") {
                step(true);
            } else if (command.verb == "chase" && a.size() >= 2) {
                chase(static_cast<size_t>(a[0]), a[1]);
            }
        }
    }

    // Flies into an enemy until the level is lost, then lets the restart frame run.
    void chase(size_t index, float secondsAllowed) {
        if (index >= level().getEnemies().size())
            return;
        SimpleEnemy* enemy = level().getEnemies()[index];
        platform->hold(GLFW_KEY_W);
        for (int i = 0;
             i < static_cast<int>(secondsAllowed / FrameTime) && !level().isLost() && !timeUp();
             ++i) {
            const glm::vec3 to = enemy->getTransform().position - eye();
            if (glm::length(to) > 0.5f)
                turnTowards(to);
            step();
        }
        platform->release(GLFW_KEY_W);
        if (!level().isLost() && !timeUp())
            std::fprintf(out, "soak: the chase ended without a loss\n");
        step(true); // the restart
    }

    // Flat: the last sample within 5% (at least 8 MB) of the first sample after the first minute.
    int verdict() {
        std::fprintf(out, "soak: %.0f s, %ld frames, %d full rounds, %d losses, %d GL errors\n",
                     elapsed(), frames, rounds, losses, gldebug::errorCount());
        const auto firstAfterMinute = std::find_if(samples.begin(), samples.end(),
                                                   [](const auto& s) { return s.first >= 60.0; });
        if (firstAfterMinute == samples.end() || firstAfterMinute == samples.end() - 1) {
            std::fprintf(out, "soak: too short to judge memory after the first minute\n");
            return gldebug::errorCount() == 0 ? 0 : 1;
        }
        double low = 1e30, high = 0;
        for (auto it = firstAfterMinute; it != samples.end(); ++it) {
            low = std::min(low, it->second);
            high = std::max(high, it->second);
        }
        const double base = firstAfterMinute->second;
        const double end = samples.back().second;
        const double minutes = (samples.back().first - firstAfterMinute->first) / 60.0;
        const double slope = minutes > 0 ? (end - base) / minutes : 0.0;
        const bool flat = end - base <= std::max(8.0, 0.05 * base);
        std::fprintf(out,
                     "soak: RSS after the first minute %.1f MB, at the end %.1f MB (range %.1f to "
                     "%.1f, %+.2f MB/min): %s\n",
                     base, end, low, high, slope, flat ? "FLAT" : "GROWING");
        std::fflush(out);
        return flat && gldebug::errorCount() == 0 ? 0 : 1;
    }

    double seconds;
    int renderEvery;
    std::string routes;
    std::chrono::steady_clock::time_point start;
    std::unique_ptr<Game> game;
    ScriptedPlatform* platform = nullptr;
    long frames = 0;
    int rounds = 0;
    int losses = 0;
    FILE* out = stdout;
    bool debugReported = false;
    double nextSample = 0.0;
    std::vector<std::pair<double, double>> samples;
    std::set<std::string> reported;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        report(
            Severity::Error,
            "usage: brindlemox_soak ROUTES_DIR [SECONDS [RENDER_EVERY]]  (run in a data folder)");
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 600.0;
    const int renderEvery = argc > 3 ? std::atoi(argv[3]) : 8;
    return Soak(seconds, renderEvery, argv[1]).run();
}
