#include "levels/Hud.h"

#include "render/FrameState.h"

#include <glm/common.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <utility>

namespace brindlemox::levels {

using namespace render;

Hud::Hud(ResourceCache& resources)
    : titleLine(std::make_unique<TextRenderer>(25, &resources)),
      healthText(std::make_unique<TextRenderer>(30, &resources)),
      lostText(std::make_unique<TextRenderer>(40, &resources)),
      fpsText(std::make_unique<TextRenderer>(30, &resources)),
      // Beyond the four lines every level has: the walls left, a centred message and the
      // crosshair, at sizes the four already use.
      wallsText(std::make_unique<TextRenderer>(25, &resources)),
      bannerText(std::make_unique<TextRenderer>(40, &resources)),
      crosshair(std::make_unique<TextRenderer>(30, &resources)),
      pausedText(std::make_unique<TextRenderer>(30, &resources)),
      countdownText(std::make_unique<TextRenderer>(30, &resources)),
      healthLabelText(std::make_unique<TextRenderer>(30, &resources)),
      markerText(std::make_unique<TextRenderer>(25, &resources)),
      timerText(std::make_unique<TextRenderer>(25, &resources)),
      shapes(std::make_unique<HudShapes>(resources)),
      cardText{std::make_unique<TextRenderer>(40, &resources),
               std::make_unique<TextRenderer>(30, &resources),
               std::make_unique<TextRenderer>(30, &resources)},
      cache(std::make_unique<HudCache>(resources)) {
    titleLine->setPosition(30, 50);
    titleLine->setColour(0, 0, 0);
    // "Health", the bar, the number.
    healthLabelText->setText("Health");
    healthLabelText->setPosition(30, 90);
    healthLabelText->setColour(0, 0, 0);
    healthText->setPosition(BarRight + 12, 90);
    healthText->setColour(0, 0, 0);
    lostText->setPosition(300, 300);
    fpsText->setPosition(700, 500);
    wallsText->setPosition(30, 130);
    wallsText->setColour(0, 0, 0);
    timerText->setPosition(30, 170);
    timerText->setColour(0, 0, 0);
    bannerText->setPosition(400, 420);
    bannerText->setCentred(true);
    crosshair->setText("+");
    crosshair->setPosition(400, 300);
    crosshair->setCentred(true);
    // Above the crosshair and below the centred message, so all three can show at once.
    pausedText->setText(PausedLine);
    pausedText->setPosition(400, 360);
    pausedText->setCentred(true);
    // Below "You lost!"; the card below the crosshair, clear of the centred message.
    countdownText->setPosition(400, 250);
    countdownText->setCentred(true);
    for (size_t i = 0; i < cardText.size(); ++i) {
        cardText[i]->setPosition(400, 220 - 38 * static_cast<int>(i));
        cardText[i]->setCentred(true);
    }
    markerText->setColour(markerColour());
    markerText->setCentred(true);
    for (TextRenderer* line : lines())
        line->setOutlined(true);
}

Hud::~Hud() = default;

std::array<TextRenderer*, 15> Hud::lines() const {
    return {titleLine.get(),       healthText.get(),  lostText.get(),    fpsText.get(),
            wallsText.get(),       bannerText.get(),  crosshair.get(),   pausedText.get(),
            countdownText.get(),   cardText[0].get(), cardText[1].get(), cardText[2].get(),
            healthLabelText.get(), timerText.get(),   markerText.get()};
}

void Hud::setTitle(const std::string& title) {
    titleLine->setText(title);
}

void Hud::setScreenSize(int width, int height) {
    screenWidth = width;
    screenHeight = height;
    for (TextRenderer* line : lines())
        line->setScreenSize(width, height);
}

void Hud::showHealth(float health, float maxHealth) {
    healthText->setText(healthLine(health, maxHealth));
    const float share = maxHealth > 0.0f ? health / maxHealth : 0.0f;
    barFill = std::isfinite(share) ? std::clamp(share, 0.0f, 1.0f) : 0.0f;
}

void Hud::flashHurt(Side side, float healthPerSecond) {
    const float strength = flashStrength(healthPerSecond);
    if (strength >= flash || side == flashEdge) {
        flashEdge = side;
        flash = std::max(flash, strength);
    }
}

float Hud::flashStrength(float healthPerSecond) {
    // Today's touch (half a second of health a second) shows plainly; ten times that, fully.
    const float rate = std::isfinite(healthPerSecond) ? std::max(healthPerSecond, 0.0f) : 5.0f;
    return std::clamp(0.35f + rate * 0.13f, 0.35f, 1.0f);
}

Hud::Side Hud::sideOf(glm::vec3 d) {
    if (std::fabs(d.x) < 1e-6f && std::fabs(d.y) < 1e-6f)
        return Side::Bottom;
    if (std::fabs(d.x) >= std::fabs(d.y))
        return d.x < 0.0f ? Side::Left : Side::Right;
    return d.y < 0.0f ? Side::Bottom : Side::Top;
}

void Hud::showWallsLeft(size_t standing, size_t total) {
    wallsText->setText(wallsLine(standing, total));
}

void Hud::showLost() {
    lostText->setText("You lost!");
}

void Hud::announce(const std::string& message, double seconds) {
    bannerText->setText(message);
    bannerForGood = !(seconds > 0.0);
    bannerSecondsLeft = bannerForGood ? 0.0 : seconds;
}

void Hud::showCard(const LevelCard& card, double seconds) {
    const std::array<std::string, 3> text = cardLines(card);
    for (size_t i = 0; i < text.size(); ++i)
        cardText[i]->setText(text[i]);
    cardSecondsLeft = seconds;
}

void Hud::showLossCountdown(double secondsLeft) {
    countdownText->setText(countdownLine(secondsLeft));
}

void Hud::advance(float deltaTime) {
    if (!bannerForGood && bannerSecondsLeft > 0.0)
        bannerSecondsLeft -= deltaTime;
    if (cardSecondsLeft > 0.0)
        cardSecondsLeft -= deltaTime;
    flash = std::max(0.0f, flash - 2.0f * deltaTime);
}

void Hud::warmUp(const Frame& frame) {
    const std::vector<TextRenderer*> lines = drawnLines;
    const bool onWall = crosshairOnWall;
    chooseLines(frame);
    cache->warmUp(drawnLines);
    drawnLines = lines;
    crosshairOnWall = onWall;
}

void Hud::draw(const Frame& frame) {
    // The HUD stays filled in the wireframe view (F3).
    const framestate::FilledFaces filled;
    chooseLines(frame);
    cache->draw(drawnLines);
    marker = frame.marker;
    if (marker.kind != WallMarker::Kind::None) {
        placeMarkerText();
        markerText->render();
        drawnLines.push_back(markerText.get());
    }
    drawShapes();
}

void Hud::placeMarkerText() {
    markerText->setText(distanceLine(marker.distance));
    // Screen pixels per unit of the 800 x 600 space, and the marker's size unit in pixels.
    const glm::vec2 perUnit(static_cast<float>(screenWidth) / 800.0f,
                            static_cast<float>(screenHeight) / 600.0f);
    const glm::vec2 at((marker.at.x + 1.0f) * 400.0f, (marker.at.y + 1.0f) * 300.0f);
    glm::vec2 place;
    if (marker.kind == WallMarker::Kind::OverWall) {
        // Under the diamond, or over it near the bottom.
        place = at - glm::vec2(0.0f, 30.0f);
        if (place.y < 20.0f)
            place = at + glm::vec2(0.0f, 30.0f);
    } else {
        // Inward from the arrow, as far in pixels whichever way it points.
        place = at - marker.pointing * (52.0f * perUnit.y) / perUnit;
    }
    place = glm::clamp(place, glm::vec2(45.0f, 16.0f), glm::vec2(755.0f, 584.0f));
    markerText->setPosition(place.x, place.y);
}

ScreenBox Hud::linesBox() const {
    // The bar is always there; the lines as the last draw showed them.
    glm::vec2 low(BarLeft - 2.0f, 88.0f), high(BarRight + 2.0f, 92.0f + BarHeight);
    for (const TextRenderer* line : drawnLines) {
        const TextRenderer::Quads quads = line->getDrawnQuads();
        const bool lowerLeft = line == titleLine.get() || line == healthLabelText.get() ||
                               line == healthText.get() || line == wallsText.get() ||
                               line == timerText.get();
        if (!lowerLeft || quads.empty())
            continue;
        low = glm::min(low, quads.low);
        high = glm::max(high, quads.high);
    }
    constexpr float Grow = 6.0f;
    const glm::vec2 toDevice(1.0f / 400.0f, 1.0f / 300.0f);
    return {(low - Grow) * toDevice - 1.0f, (high + Grow) * toDevice - 1.0f};
}

std::vector<HudShapes::Quad> Hud::markerShapes() const {
    std::vector<HudShapes::Quad> quads;
    if (marker.kind == WallMarker::Kind::None)
        return quads;
    const float unit = static_cast<float>(screenHeight) / 600.0f;
    const glm::vec2 at((marker.at.x + 1.0f) * 0.5f * static_cast<float>(screenWidth),
                       (marker.at.y + 1.0f) * 0.5f * static_cast<float>(screenHeight));
    const glm::vec4 dark(0.0f, 0.0f, 0.0f, 0.85f), bright(markerColour(), 1.0f);
    if (marker.kind == WallMarker::Kind::OverWall) {
        // A diamond with a dark rim.
        for (const auto& [radius, colour] : {std::pair{11.0f, dark}, std::pair{8.0f, bright}}) {
            const float r = radius * unit;
            quads.push_back({{{at + glm::vec2(0, -r), colour},
                              {at + glm::vec2(r, 0), colour},
                              {at + glm::vec2(0, r), colour},
                              {at + glm::vec2(-r, 0), colour}}});
        }
        return quads;
    }
    // An arrowhead with a notched back, its tip at the marker, with a dark rim.
    const glm::vec2 d = marker.pointing, n(-d.y, d.x);
    for (const auto& [grow, colour] : {std::pair{3.0f, dark}, std::pair{0.0f, bright}}) {
        const glm::vec2 tip = at + d * (grow * 1.6f * unit);
        const glm::vec2 back = at - d * ((26.0f + grow) * unit);
        const float half = (13.0f + grow) * unit;
        quads.push_back({{{tip, colour},
                          {back + n * half, colour},
                          {back + d * (9.0f * unit), colour},
                          {back - n * half, colour}}});
    }
    return quads;
}

void Hud::drawShapes() {
    std::vector<HudShapes::Quad> bar;
    // A dark frame, the empty part, and the health left from red to green.
    const glm::vec2 low(BarLeft, 90.0f), high(BarRight, 90.0f + BarHeight);
    bar.push_back(HudShapes::rectangle(low - 2.0f, high + 2.0f, glm::vec4(0, 0, 0, 0.9f)));
    bar.push_back(HudShapes::rectangle(low, high, glm::vec4(0.25f, 0.05f, 0.05f, 0.8f)));
    if (barFill > 0.0f) {
        const glm::vec4 colour(1.0f - barFill, 0.2f + 0.6f * barFill, 0.1f, 1.0f);
        bar.push_back(HudShapes::rectangle(
            low, glm::vec2(BarLeft + (BarRight - BarLeft) * barFill, high.y), colour));
    }
    shapes->draw(bar, healthText->getProjection());
    const std::vector<HudShapes::Quad> mark = markerShapes();
    if (!mark.empty())
        shapes->draw(mark, glm::ortho(0.0f, static_cast<float>(screenWidth), 0.0f,
                                      static_cast<float>(screenHeight)));
    if (flash <= 0.0f)
        return;
    // A band along the edge, red at the edge and clear inside, in device coordinates.
    const glm::vec4 edge(1.0f, 0.0f, 0.0f, flash), inside(1.0f, 0.0f, 0.0f, 0.0f);
    constexpr float Depth = 0.35f;
    HudShapes::Quad band;
    switch (flashEdge) {
    case Side::Left:
        band = {{{{-1, -1}, edge},
                 {{-1 + Depth, -1}, inside},
                 {{-1 + Depth, 1}, inside},
                 {{-1, 1}, edge}}};
        break;
    case Side::Right:
        band = {
            {{{1 - Depth, -1}, inside}, {{1, -1}, edge}, {{1, 1}, edge}, {{1 - Depth, 1}, inside}}};
        break;
    case Side::Top:
        band = {
            {{{-1, 1 - Depth}, inside}, {{1, 1 - Depth}, inside}, {{1, 1}, edge}, {{-1, 1}, edge}}};
        break;
    case Side::Bottom:
        band = {{{{-1, -1}, edge},
                 {{1, -1}, edge},
                 {{1, -1 + Depth}, inside},
                 {{-1, -1 + Depth}, inside}}};
        break;
    }
    shapes->draw({band}, glm::mat4(1.0f));
}

void Hud::chooseLines(const Frame& frame) {
    drawnLines.clear();
    drawnLines.push_back(titleLine.get());
    drawnLines.push_back(healthText.get());
    drawnLines.push_back(healthLabelText.get());
    if (frame.hasWalls)
        drawnLines.push_back(wallsText.get());
    if (frame.showTimer) {
        timerText->setText(timerLine(frame.seconds));
        drawnLines.push_back(timerText.get());
    }
    if (frame.showFps) {
        fpsText->setText(std::to_string(framesPerSecond(frame.deltaTime)));
        drawnLines.push_back(fpsText.get());
    }
    if (bannerForGood || bannerSecondsLeft > 0.0)
        drawnLines.push_back(bannerText.get());
    if (frame.paused)
        drawnLines.push_back(pausedText.get());
    if (cardSecondsLeft > 0.0)
        for (const auto& line : cardText)
            drawnLines.push_back(line.get());
    if (frame.lost) {
        drawnLines.push_back(lostText.get());
        if (frame.lossCountdown)
            drawnLines.push_back(countdownText.get());
        crosshairOnWall = false;
    } else {
        crosshairOnWall = frame.crosshairOnWall;
        crosshair->setColour(crosshairOnWall ? crosshairOnWallColour() : crosshairColour());
        drawnLines.push_back(crosshair.get());
    }
}

std::string Hud::healthLine(float health, float maxHealth) {
    // Cut toward zero; far out-of-range values are clamped rather than converted blindly.
    float clamped = std::isnan(health) ? 0.0f : std::clamp(health, -2.0e9f, 2.0e9f);
    std::ostringstream line;
    line << static_cast<int>(clamped) << "/" << maxHealth;
    return line.str();
}

std::string Hud::clockText(double seconds) {
    const double bounded = std::isfinite(seconds) ? std::clamp(seconds, 0.0, 3.6e6) : 0.0;
    const long whole = static_cast<long>(bounded);
    const std::string secondsText = std::to_string(whole % 60);
    return std::to_string(whole / 60) + ":" + (secondsText.size() < 2 ? "0" : "") + secondsText;
}

std::array<std::string, 3> Hud::cardLines(const LevelCard& card) {
    return {card.title + " complete", "Time " + clockText(card.seconds),
            "Health " + healthLine(card.health, card.maxHealth)};
}

std::string Hud::countdownLine(double secondsLeft) {
    const double left = std::isfinite(secondsLeft) ? std::clamp(secondsLeft, 0.0, 60.0) : 0.0;
    return "Back to the start in " + std::to_string(static_cast<int>(std::ceil(left))) +
           " - Space to go on";
}

std::string Hud::distanceLine(float distance) {
    const float shown = std::isfinite(distance) ? std::clamp(distance, 0.0f, 99999.0f) : 0.0f;
    return std::to_string(std::lround(shown)) + " m";
}

std::string Hud::wallsLine(size_t standing, size_t total) {
    return "Walls left: " + std::to_string(standing) + " of " + std::to_string(total);
}

int Hud::framesPerSecond(float deltaTime) {
    const float hundred = std::pow(10.0f, 2.0f);
    const float rounded = std::floor(deltaTime * hundred) / hundred;
    if (rounded > 0.0f)
        return static_cast<int>(std::floor(1.0f / rounded));
    // Faster than a hundred frames a second: count the frame itself, capped at a thousand.
    if (deltaTime <= 0.001f)
        return 1000;
    return static_cast<int>(std::floor(1.0f / deltaTime));
}

} // namespace brindlemox::levels
