#pragma once

#include "levels/LevelInterface.h"
#include "levels/WallMarker.h"
#include "render/HudCache.h"
#include "render/HudShapes.h"
#include "render/ResourceCache.h"
#include "render/TextRenderer.h"

#include <glm/vec3.hpp>

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace brindlemox::levels {

// A level's HUD: the title, health and walls-left lines, the frame rate (F2), a centred message,
// "You lost!", the pause line, the crosshair and the marker of the nearest breakable wall. Every
// line is outlined so it reads over the darkest and the brightest walls, and the lines reach the
// screen through a HudCache.
class Hud {
  public:
    explicit Hud(render::ResourceCache& resources);
    ~Hud();

    void setTitle(const std::string& title);
    // The lines keep their proportions in a framebuffer of this size.
    void setScreenSize(int width, int height);
    void showHealth(float health, float maxHealth);
    void showWallsLeft(size_t standing, size_t total);
    void showLost();
    // A message shown for seconds of game time, or for good when seconds is 0 or less.
    void announce(const std::string& message, double seconds);
    // A finished level's card (title, time, health), shown for seconds of game time.
    void showCard(const LevelCard& card, double seconds);
    void hideCard() { cardSecondsLeft = 0.0; }
    bool isCardShown() const { return cardSecondsLeft > 0.0; }
    // A hit of this much health a second from a side of the screen: a red flash at that edge,
    // stronger for larger hits, fading over half a second.
    enum class Side { Left, Right, Top, Bottom };
    void flashHurt(Side side, float healthPerSecond);
    // The side of the screen a hit from direction (in the camera's right, up, forward) is shown
    // on: the larger of the sideways and the up-down parts; from straight ahead or behind, the
    // bottom.
    static Side sideOf(glm::vec3 direction);
    // The flash's strength (alpha at the edge) for a hit of this much health a second.
    static float flashStrength(float healthPerSecond);
    float flashLeft() const { return flash; }
    Side flashSide() const { return flashEdge; }
    // The loss screen's countdown line: whole seconds left, rounded up.
    void showLossCountdown(double secondsLeft);
    // Counts a timed message and the card down.
    void advance(float deltaTime);

    // What a frame shows beyond the title and the health.
    struct Frame {
        bool hasWalls = false;
        bool showFps = false;
        float deltaTime = 0.0f;
        bool lost = false;
        bool crosshairOnWall = false; // ignored while lost: nothing to aim at
        bool paused = false;
        bool lossCountdown = false; // with lost: the countdown line below it
        // The way to the nearest standing breakable wall, with its distance (Kind::None: none).
        WallMarker marker;
        // The level's time so far, above the walls line (the config's timer).
        bool showTimer = false;
        double seconds = 0.0;
    };
    void draw(const Frame& frame);
    // Draws a frame's lines through the picture where nobody sees them (HudCache::warmUp); the
    // next draw goes on as if it had not run.
    void warmUp(const Frame& frame);

    // Frames per second as the HUD shows it for a frame of deltaTime seconds.
    static int framesPerSecond(float deltaTime);
    // The health line: health cut to an integer, "/", the maximum as a stream writes a float.
    static std::string healthLine(float health, float maxHealth);
    // The "Walls left: 3 of 4" line: walls still standing out of all of the level's.
    static std::string wallsLine(size_t standing, size_t total);
    // "Level 1 complete", "Time 1:05", "Health 37/40".
    static std::array<std::string, 3> cardLines(const LevelCard& card);
    // "1:05": whole minutes and seconds, cut down; out-of-range times read 0:00.
    static std::string clockText(double seconds);
    // "Time 1:05", the HUD's timer line.
    static std::string timerLine(double seconds) { return "Time " + clockText(seconds); }
    static std::string countdownLine(double secondsLeft);
    // Crosshair colours: idle, and while a breakable wall within reach is aimed at.
    static glm::vec3 crosshairColour() { return glm::vec3(1.0f); }
    static glm::vec3 crosshairOnWallColour() { return glm::vec3(1.0f, 0.45f, 0.1f); }
    static constexpr const char* PausedLine = "Paused - press P to continue";
    // The marker's distance line: whole units, "12 m".
    static std::string distanceLine(float distance);
    // The marker's colour: a bright yellow, rimmed dark, that reads on the red rock and on the
    // breakable walls' cyan.
    static glm::vec3 markerColour() { return glm::vec3(1.0f, 0.9f, 0.1f); }
    // The health bar, in the 800 x 600 HUD space, between the label and the number.
    static constexpr float BarLeft = 145.0f;
    static constexpr float BarRight = 305.0f;
    static constexpr float BarHeight = 18.0f;

    const render::TextRenderer& title() const { return *titleLine; }
    const render::TextRenderer& health() const { return *healthText; }
    const render::TextRenderer& lost() const { return *lostText; }
    const render::TextRenderer& fps() const { return *fpsText; }
    const render::TextRenderer& walls() const { return *wallsText; }
    const render::TextRenderer& pause() const { return *pausedText; }
    const render::TextRenderer& countdown() const { return *countdownText; }
    const render::TextRenderer& healthLabel() const { return *healthLabelText; }
    const render::TextRenderer& timer() const { return *timerText; }
    const render::TextRenderer& markerDistance() const { return *markerText; }
    // The lower left lines (title, health and its bar, walls left, time) as last drawn, grown,
    // in normalised device coordinates: the marker's arrow keeps off them.
    ScreenBox linesBox() const;
    // The marker the last draw showed.
    const WallMarker& shownMarker() const { return marker; }
    // The health bar's share filled in the last draw (0 to 1).
    float healthBarFill() const { return barFill; }
    const render::TextRenderer& cardLine(size_t i) const { return *cardText[i]; }
    // Every line drawn by the last draw, in drawing order.
    const std::vector<render::TextRenderer*>& drawn() const { return drawnLines; }
    // Whether the crosshair showed a breakable wall within reach in the last draw.
    bool isCrosshairOnWall() const { return crosshairOnWall; }
    long pictureBuilds() const { return cache->pictureBuilds(); }

  private:
    std::array<render::TextRenderer*, 15> lines() const;
    // The health bar, the wall marker and the flash, over the lines.
    void drawShapes();
    // The marker's diamond or arrow, in the framebuffer's pixels.
    std::vector<render::HudShapes::Quad> markerShapes() const;
    // Places the distance line beside the marker.
    void placeMarkerText();
    // Fills drawnLines with what frame shows, in drawing order.
    void chooseLines(const Frame& frame);

    std::unique_ptr<render::TextRenderer> titleLine;
    std::unique_ptr<render::TextRenderer> healthText;
    std::unique_ptr<render::TextRenderer> lostText;
    std::unique_ptr<render::TextRenderer> fpsText;
    std::unique_ptr<render::TextRenderer> wallsText;
    std::unique_ptr<render::TextRenderer> bannerText;
    std::unique_ptr<render::TextRenderer> crosshair;
    std::unique_ptr<render::TextRenderer> pausedText;
    std::unique_ptr<render::TextRenderer> countdownText;
    std::unique_ptr<render::TextRenderer> healthLabelText;
    // Drawn after the cached lines: it moves with the view, the others stay still.
    std::unique_ptr<render::TextRenderer> markerText;
    WallMarker marker;
    int screenWidth = 800;
    int screenHeight = 600;
    std::unique_ptr<render::TextRenderer> timerText;
    std::unique_ptr<render::HudShapes> shapes;
    float barFill = 1.0f;
    float flash = 0.0f;
    Side flashEdge = Side::Bottom;
    std::array<std::unique_ptr<render::TextRenderer>, 3> cardText;
    std::unique_ptr<render::HudCache> cache;
    double cardSecondsLeft = 0.0;
    double bannerSecondsLeft = 0.0;
    bool bannerForGood = false;
    bool crosshairOnWall = false;
    std::vector<render::TextRenderer*> drawnLines;
};

} // namespace brindlemox::levels
