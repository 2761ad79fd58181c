// The picture of record: the real game rendered from fixed poses in both levels, each frame read
// back and judged by what a person would see (the water mirrors the walls the right way up and
// lit, the plain walls show their wood rings, sparks fly, every HUD line reads, nothing that
// should be textured is black), then compared with a reference image kept in
// tests/reference/views. Views and their expectations are the table below.
//
// BRINDLEMOX_UPDATE_VIEWS=1 (scripts/update-views.sh) writes the references and the gallery in
// docs/ instead of comparing; the pixel facts must hold for that too.
#include "app/Game.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/VulnerableWall.h"
#include "levels/Level.h"
#include "platform/Controls.h"
#include "render/WaterRenderTargets.h"
#include "support/GlContext.h"
#include "support/OpenedGame.h"
#include "support/ScriptedPlatform.h"

#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>
#include <glm/mat4x4.hpp>
#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using namespace brindlemox::platform;
using namespace brindlemox::render;
using namespace brindlemox::gameplay;
using namespace brindlemox::levels;
using namespace brindlemox::app;

namespace fs = std::filesystem;

namespace {

constexpr double FrameTime = 1.0 / 60.0;
// The reference keeps block means: one stored pixel per Block x Block pixels of the frame.
constexpr int Block = 4;

// What a view must show, checked on the frame's pixels.
enum class Fact {
    // The water mirrors the wall face from a up by b.y (4 units when 0), a +- (b.x, 0, b.z)
    // across: the colours of the face and of its mirror image about the water's surface
    // correlate, and the mirror image is lit.
    Mirror,
    // The plain wall around a (half extents b in world units) shows red wood rings.
    WoodRings,
    // Spark-orange pixels around the projection of a.
    Sparks,
    // The crosshair shows a breakable wall within reach, or shows none.
    CrosshairOnWall,
    CrosshairIdle,
    // A HUD line with this text is drawn.
    Text,
    // The title line keeps the proportions of its glyphs.
    GlyphProportions,
};

struct Check {
    Fact fact;
    glm::vec3 a{0.0f};
    glm::vec3 b{0.0f};
    const char* text = "";
};

enum class Action { None, Attack, Lose, FinishLevel };

struct View {
    const char* name;
    const char* caption; // for the gallery
    int level;
    int width, height;
    glm::vec3 eye;
    double yaw, pitch;
    double seconds; // game time from placement to the picture
    Action action;
    std::vector<Check> checks;
};

void PrintTo(const View& view, std::ostream* out) {
    *out << view.name;
}

const std::vector<View>& views() {
    static const std::vector<View> table = {
        {"l1_spawn",
         "Level 1: the spawn hall, enemy A at the far end of its glide",
         1,
         640,
         480,
         {0, 8, 0},
         90,
         0,
         6.0,
         Action::None,
         {{Fact::Text, {}, {}, "Walls left: 4 of 4"},
          {Fact::Text, {}, {}, "40/40"},
          {Fact::CrosshairIdle}}},
        {"l1_shaft",
         "Level 1: the shaft up from the spawn hall, in the lights' shadow",
         1,
         640,
         480,
         {10, 6, -6},
         90,
         40,
         0.5,
         Action::None,
         {{Fact::CrosshairIdle}}},
        {"l1_wall_in_reach",
         "Level 1: breakable wall 1 within reach; the crosshair turns orange",
         1,
         640,
         480,
         {-3.5f, 1.5f, 0},
         -90,
         0,
         0.5,
         Action::None,
         {{Fact::CrosshairOnWall}}},
        {"l1_wall_hit",
         "Level 1: wall 1 under attack, fading and spraying sparks",
         1,
         640,
         480,
         {-3.5f, 1.5f, 0},
         -90,
         0,
         1.0,
         Action::Attack,
         {{Fact::Sparks, {-8, 0, 0}}, {Fact::CrosshairOnWall}}},
        {"l1_plain_wall",
         "Level 1: a plain wall's wood rings in the flooded chamber",
         1,
         640,
         480,
         {16, -50, 4},
         0,
         0,
         0.5,
         Action::None,
         {{Fact::WoodRings, {16, -50, 16}, {4, 3, 0}}}},
        {"l1_water_low",
         "Level 1: the chamber's water mirrors the plain wall",
         1,
         640,
         480,
         {16, -57, -8},
         0,
         -6,
         0.5,
         Action::None,
         {{Fact::Mirror, {16, -60, 16}, {5, 0, 0}}, {Fact::WoodRings, {16, -54, 16}, {4, 2, 0}}}},
        {"l1_water_high",
         "Level 1: the water from above, breakable wall 4 and its mirror image",
         1,
         640,
         480,
         {24, -52, 0},
         -90,
         -22,
         0.5,
         Action::None,
         {}},
        {"l1_lost",
         "Level 1: the losing frame, over the enemy that caused it",
         1,
         640,
         480,
         {8, 6, -9},
         0,
         0,
         0.1,
         Action::Lose,
         {{Fact::Text, {}, {}, "You lost!"}}},
        {"l1_wide",
         "Level 1 in a 1600 x 600 window: the HUD keeps its proportions",
         1,
         1600,
         600,
         {0, 8, 0},
         90,
         0,
         6.0,
         Action::None,
         {{Fact::GlyphProportions}}},
        {"l2_spawn",
         "Level 2: the start room, with the message that Level 1 is complete",
         2,
         640,
         480,
         {0, 8, 6},
         180,
         0,
         0.5,
         Action::None,
         {{Fact::Text, {}, {}, "Level 1 complete"}, {Fact::Text, {}, {}, "Walls left: 6 of 6"}}},
        {"l2_hall",
         "Level 2: the west half of the long hall",
         2,
         640,
         480,
         {0, 8, -56},
         -90,
         0,
         5.0,
         Action::None,
         {}},
        {"l2_water_low",
         "Level 2: the cavern pool mirrors breakable wall 5 and an enemy",
         2,
         640,
         480,
         {110, -134, -21},
         192,
         -1.5,
         12.0,
         Action::None,
         {{Fact::Mirror, {96, -121, -88}, {6, 10, 0}}}},
        {"l2_water_high",
         "Level 2: the cavern pool from above",
         2,
         640,
         480,
         {96, -104, -40},
         180,
         -40,
         5.0,
         Action::None,
         {}},
        {"l2_won",
         "Level 2 finished: every wall is down",
         2,
         640,
         480,
         {0, 8, -56},
         90,
         0,
         0.5,
         Action::FinishLevel,
         {{Fact::Text, {}, {}, Game::WonMessage}, {Fact::Text, {}, {}, "Walls left: 0 of 6"}}},
    };
    return table;
}

// An RGBA picture, top row first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;

    const unsigned char* at(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    // Relative luminance (0..1) of the mean colour over a (2r+1)^2 square.
    double luminance(int cx, int cy, int r = 1) const {
        double sum = 0.0;
        int n = 0;
        for (int y = cy - r; y <= cy + r; ++y)
            for (int x = cx - r; x <= cx + r; ++x)
                if (contains(x, y)) {
                    const unsigned char* p = at(x, y);
                    sum += relativeLuminance(p[0], p[1], p[2]);
                    ++n;
                }
        return n > 0 ? sum / n : 0.0;
    }
    static double linear(unsigned char c) {
        const double v = c / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }
    static double relativeLuminance(unsigned char r, unsigned char g, unsigned char b) {
        return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
    }
};

Image readFrame(int width, int height) {
    Image image{width, height, {}};
    const std::vector<unsigned char> bottomUp = testgl::readPixels(0, 0, width, height);
    image.rgba.resize(bottomUp.size());
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y)
        std::copy_n(&bottomUp[(height - 1 - y) * row], row, &image.rgba[y * row]);
    return image;
}

bool writePng(const fs::path& path, const Image& image) {
    fs::create_directories(path.parent_path());
    return stbi_write_png(path.string().c_str(), image.width, image.height, 4, image.rgba.data(),
                          image.width * 4) != 0;
}

Image readPng(const fs::path& path) {
    Image image;
    int channels = 0;
    unsigned char* pixels =
        stbi_load(path.string().c_str(), &image.width, &image.height, &channels, 4);
    if (pixels == nullptr)
        return Image{};
    image.rgba.assign(pixels, pixels + static_cast<size_t>(image.width) * image.height * 4);
    stbi_image_free(pixels);
    return image;
}

// A colour texture's level 0, top row first.
Image readTexture(GLuint texture, int width, int height) {
    Image image{width, height, std::vector<unsigned char>(static_cast<size_t>(width) * height * 4)};
    std::vector<unsigned char> bottomUp(image.rgba.size());
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y)
        std::copy_n(&bottomUp[(height - 1 - y) * row], row, &image.rgba[y * row]);
    return image;
}

// Means of Block x Block squares: what the reference keeps.
Image blockMeans(const Image& image) {
    Image small{image.width / Block, image.height / Block, {}};
    small.rgba.resize(static_cast<size_t>(small.width) * small.height * 4);
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int dy = 0; dy < Block; ++dy)
                    for (int dx = 0; dx < Block; ++dx)
                        sum += image.at(x * Block + dx, y * Block + dy)[c];
                small.rgba[(static_cast<size_t>(y) * small.width + x) * 4 + c] =
                    static_cast<unsigned char>(sum / (Block * Block));
            }
    return small;
}

// A HUD line drawn alone in plain white: its glyph coverage, top row first.
std::vector<unsigned char> coverageOf(TextRenderer& line, int width, int height) {
    GLuint frameBuffer = 0, colour = 0;
    glGenFramebuffers(1, &frameBuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    const bool outlined = line.isOutlined();
    line.setOutlined(false);
    line.renderText(line.getText(), line.getPosition().x, line.getPosition().y, 1.0f,
                    glm::vec3(1.0f));
    line.setOutlined(outlined);
    const Image mask = readFrame(width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &colour);
    glDeleteFramebuffers(1, &frameBuffer);
    std::vector<unsigned char> coverage(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < coverage.size(); ++i)
        coverage[i] = mask.rgba[i * 4];
    return coverage;
}

struct HudLine {
    std::string text;
    std::vector<unsigned char> coverage;
    float inkAspect = 0.0f; // width over height of the ink in the font's own glyph pixels
};

struct Frame {
    Image picture;
    glm::mat4 viewProjection{1.0f};
    float waterHeight = 0.0f;
    // What the reflection pass drew this frame (before the water shader mixed it in).
    Image reflection;
    std::vector<HudLine> hud;
    bool crosshairOnWall = false;

    // Pixel position of a world point in an image of the camera's view (top row 0); false
    // behind the camera.
    bool project(const glm::vec3& world, glm::vec2& pixel, const Image* in = nullptr) const {
        const Image& image = in != nullptr ? *in : picture;
        const glm::vec4 clip = viewProjection * glm::vec4(world, 1.0f);
        if (clip.w <= 1e-4f)
            return false;
        const glm::vec2 ndc = glm::vec2(clip) / clip.w;
        pixel =
            glm::vec2((ndc.x * 0.5f + 0.5f) * image.width, (0.5f - ndc.y * 0.5f) * image.height);
        return true;
    }
};

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const double n = static_cast<double>(a.size());
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ma += a[i] / n;
        mb += b[i] / n;
    }
    double sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return saa > 0 && sbb > 0 ? sab / std::sqrt(saa * sbb) : 0.0;
}

// Contrast ratio (WCAG) between a line's glyph pixels and the pixels just around them.
double legibility(const Image& picture, const std::vector<unsigned char>& coverage) {
    const int w = picture.width, h = picture.height;
    double glyph = 0, ring = 0;
    int glyphCount = 0, ringCount = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char c = coverage[static_cast<size_t>(y) * w + x];
            const unsigned char* p = picture.at(x, y);
            if (c > 200) {
                glyph += Image::relativeLuminance(p[0], p[1], p[2]);
                ++glyphCount;
                continue;
            }
            if (c > 10)
                continue;
            // Within two pixels of the glyph: its immediate surroundings.
            bool near = false;
            for (int dy = -2; dy <= 2 && !near; ++dy)
                for (int dx = -2; dx <= 2 && !near; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    near = picture.contains(nx, ny) &&
                           coverage[static_cast<size_t>(ny) * w + nx] > 200;
                }
            if (near) {
                ring += Image::relativeLuminance(p[0], p[1], p[2]);
                ++ringCount;
            }
        }
    if (glyphCount == 0 || ringCount == 0)
        return 0.0;
    const double a = glyph / glyphCount, b = ring / ringCount;
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

bool orange(const unsigned char* p) {
    return p[0] > 200 && p[1] > 60 && p[1] < 235 && p[2] < 120;
}

class ReferenceViews : public GlTest, public ::testing::WithParamInterface<View> {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        // The particles' random texture is drawn from the standard generator, which the game
        // never seeds: each view starts from its first state, whatever ran before it.
        std::srand(1);
        const View& view = GetParam();
        folder = fs::path(::testing::TempDir()) / ("brindlemox_view_" + std::string(view.name));
        fs::remove_all(folder);
        fs::create_directories(folder / "Config");
        std::ofstream(folder / "Config/config.txt")
            << "width=" << view.width << "\nheight=" << view.height << "\n";
        for (const char* sub : {"Obj", "Shader", "Texture", "Fonts", "Levels"})
            fs::create_directory_symlink(fs::path(testgl::dataDir()) / sub, folder / sub);
        previous = fs::current_path();
        fs::current_path(folder);
    }
    void TearDown() override {
        game.reset();
        fs::current_path(previous);
        fs::remove_all(folder);
        glfwMakeContextCurrent(testgl::window());
        GlTest::TearDown();
    }

    Level& level() { return *dynamic_cast<Level*>(game->getCurrentLevel()); }

    void step(bool render = false) {
        keys.advance(FrameTime);
        ASSERT_TRUE(game->frame(render));
    }

    void destroyWalls() {
        for (VulnerableWall* wall : level().getObjectives())
            wall->takeHit(1000.0f, 1.0f);
    }

    // Plays the view's script and returns its last frame, read back before the swap.
    Frame play(const View& view) {
        std::fflush(stdout);
        testing::internal::CaptureStderr(); // loading chatter
        game = testgame::open();
        Frame frame;
        game->setBeforeSwap([&] { capture(frame); });
        if (view.level == 2) {
            destroyWalls();
            step();
        }
        std::fflush(stdout);
        testing::internal::GetCapturedStderr();
        level().setLossHold(0.0);
        level().placePlayer(view.eye, view.yaw, view.pitch);
        if (view.action == Action::Attack)
            keys.hold(GLFW_KEY_SPACE);
        const int frames = std::max(1, static_cast<int>(std::lround(view.seconds / FrameTime)));
        for (int i = 0; i + 1 < frames; ++i)
            step();
        if (view.action == Action::FinishLevel) {
            destroyWalls();
            step();
        }
        if (view.action == Action::Lose) {
            // Nearly spent, against the enemy: the next contacts end it.
            Player& player = level().getPlayer();
            player.takeDamage(player.getHealth() - 0.01f);
            const SimpleEnemy* enemy = level().getEnemies().front();
            for (int i = 0; i < 600 && !level().isLost(); ++i) {
                const glm::vec3 at = enemy->getTransform().position + glm::vec3(0, 0, -4.5f);
                level().placePlayer(at, view.yaw, view.pitch);
                step(true);
            }
            EXPECT_TRUE(level().isLost());
            return frame;
        }
        step(true);
        keys.releaseAll();
        return frame;
    }

    void capture(Frame& frame) {
        int width = 0, height = 0;
        glfwGetFramebufferSize(game->getWindow(), &width, &height);
        frame.picture = readFrame(width, height);
        Camera& camera = level().getCamera();
        frame.viewProjection = camera.getProjectionMatrix() * camera.getViewMatrix();
        frame.waterHeight = level().getWaterHeight();
        frame.reflection =
            readTexture(level().getWaterTargets().reflectionTexture(),
                        WaterRenderTargets::ReflectionWidth, WaterRenderTargets::ReflectionHeight);
        frame.crosshairOnWall = level().getHud().isCrosshairOnWall();
        frame.hud.clear();
        for (TextRenderer* line : level().getHud().drawn()) {
            HudLine hud;
            hud.text = line->getText();
            const TextRenderer::Extent ink = line->measure(hud.text);
            hud.inkAspect = ink.size.y > 0 ? ink.size.x / ink.size.y : 0.0f;
            hud.coverage = coverageOf(*line, width, height);
            frame.hud.push_back(std::move(hud));
        }
        // coverageOf left its own target; the game swaps the window's.
        glViewport(0, 0, width, height);
    }

    ScriptedPlatform keys;
    std::unique_ptr<Game> game;
    fs::path folder;
    fs::path previous;
};

bool updating() {
    const char* update = std::getenv("BRINDLEMOX_UPDATE_VIEWS");
    return update != nullptr && std::string(update) == "1";
}

fs::path referencePath(const View& view) {
    return fs::path(BRINDLEMOX_TEST_SOURCE_DIR) / "reference/views" /
           (std::string(view.name) + ".png");
}

fs::path outputPath(const View& view, const std::string& suffix) {
    return fs::path(BRINDLEMOX_TEST_OUTPUT_DIR) / "views" / (std::string(view.name) + suffix);
}

// Blue minus red around a pixel: unchanged by the white of the water's highlights and, up to
// scale and offset, by its tint, so a mirror image keeps it.
double hueSignal(const Image& picture, int cx, int cy) {
    double sum = 0.0;
    int n = 0;
    for (int y = cy - 1; y <= cy + 1; ++y)
        for (int x = cx - 1; x <= cx + 1; ++x)
            if (picture.contains(x, y)) {
                sum += picture.at(x, y)[2] - picture.at(x, y)[0];
                ++n;
            }
    return n > 0 ? sum / n : 0.0;
}

void checkMirror(const Frame& frame, const Check& check, const View& view) {
    const Image& picture = frame.picture;
    std::vector<double> above, below;
    double faceLight = 0.0, reflectedLight = 0.0;
    const int columns = 9, rows = 40;
    const glm::vec3 across(check.b.x, 0.0f, check.b.z);
    const float height = check.b.y > 0.0f ? check.b.y : 4.0f;
    for (int i = -columns; i <= columns; ++i) {
        const glm::vec3 base = check.a + across * (static_cast<float>(i) / columns);
        for (int k = 1; k <= rows; ++k) {
            const glm::vec3 point = base + glm::vec3(0.0f, height * k / rows, 0.0f);
            const glm::vec3 mirrored(point.x, 2.0f * frame.waterHeight - point.y, point.z);
            glm::vec2 p, q;
            if (!frame.project(point, p) || !frame.project(mirrored, q))
                continue;
            const int px = static_cast<int>(p.x), py = static_cast<int>(p.y);
            const int qx = static_cast<int>(q.x), qy = static_cast<int>(q.y);
            if (!picture.contains(px, py) || !picture.contains(qx, qy))
                continue;
            above.push_back(hueSignal(picture, px, py));
            below.push_back(hueSignal(picture, qx, qy));
            // The reflection pass drew the mirrored scene from this camera: the face's mirror
            // image lies where the mirrored point projects.
            glm::vec2 r;
            frame.project(mirrored, r, &frame.reflection);
            faceLight += picture.luminance(px, py);
            reflectedLight +=
                frame.reflection.luminance(static_cast<int>(r.x), static_cast<int>(r.y));
        }
    }
    ASSERT_GT(above.size(), 100u) << view.name << ": the waterline is not in the picture";
    const double r = correlation(above, below);
    const double lit = reflectedLight / std::max(faceLight, 1e-6);
    std::printf("  %s mirror: correlation %.2f over %zu samples; the reflection pass drew the "
                "face %.0f%% as bright as the picture shows it\n",
                view.name, r, above.size(), 100.0 * lit);
    // About 0.7 and 0.45 in the two pools' views; an image looked up upside down gives about 0.
    EXPECT_GT(r, 0.3) << view.name << ": the water does not mirror the wall above it";
    // Lit as back faces, the mirror image keeps only the ambient light.
    EXPECT_GT(lit, 0.6) << view.name << ": the mirror image is not lit like the wall";
}

void checkWoodRings(const Frame& frame, const Check& check, const View& view) {
    const Image& picture = frame.picture;
    glm::vec2 lo(1e9f), hi(-1e9f);
    for (int corner = 0; corner < 4; ++corner) {
        const glm::vec3 offset((corner & 1 ? 1.0f : -1.0f) * check.b.x,
                               (corner & 2 ? 1.0f : -1.0f) * check.b.y, 0.0f);
        glm::vec2 p;
        ASSERT_TRUE(frame.project(check.a + offset, p));
        lo = glm::min(lo, p);
        hi = glm::max(hi, p);
    }
    double red = 0, other = 0, redSquares = 0;
    int n = 0;
    for (int y = std::max(0, int(lo.y)); y < std::min(picture.height, int(hi.y)); ++y)
        for (int x = std::max(0, int(lo.x)); x < std::min(picture.width, int(hi.x)); ++x) {
            const unsigned char* p = picture.at(x, y);
            red += p[0];
            redSquares += double(p[0]) * p[0];
            other += (p[1] + p[2]) * 0.5;
            ++n;
        }
    ASSERT_GT(n, 400) << view.name << ": the plain wall is not in the picture";
    const double mean = red / n, spread = std::sqrt(std::max(0.0, redSquares / n - mean * mean));
    std::printf("  %s wood: red %.0f (spread %.0f), green/blue %.0f over %d pixels\n", view.name,
                mean, spread, other / n, n);
    EXPECT_LT(other / n, 0.35 * mean) << view.name << ": the wall is not red";
    EXPECT_GT(spread, 0.15 * mean) << view.name << ": the wall shows no rings";
}

void checkFrame(const Frame& frame, const View& view) {
    const Image& picture = frame.picture;
    for (const Check& check : view.checks) {
        switch (check.fact) {
        case Fact::Mirror:
            checkMirror(frame, check, view);
            break;
        case Fact::WoodRings:
            checkWoodRings(frame, check, view);
            break;
        case Fact::Sparks: {
            glm::vec2 c;
            ASSERT_TRUE(frame.project(check.a, c));
            const int radius = picture.height / 3;
            int sparks = 0;
            for (int y = int(c.y) - radius; y <= int(c.y) + radius; ++y)
                for (int x = int(c.x) - radius; x <= int(c.x) + radius; ++x)
                    sparks += picture.contains(x, y) && orange(picture.at(x, y));
            std::printf("  %s sparks: %d orange pixels\n", view.name, sparks);
            EXPECT_GT(sparks, 150) << view.name << ": no sparks near the wall";
            break;
        }
        case Fact::CrosshairOnWall:
        case Fact::CrosshairIdle: {
            const bool onWall = check.fact == Fact::CrosshairOnWall;
            EXPECT_EQ(frame.crosshairOnWall, onWall) << view.name;
            int coloured = 0;
            const glm::vec3 want =
                (onWall ? Hud::crosshairOnWallColour() : Hud::crosshairColour()) * 255.0f;
            for (int y = picture.height / 2 - 12; y <= picture.height / 2 + 12; ++y)
                for (int x = picture.width / 2 - 12; x <= picture.width / 2 + 12; ++x) {
                    const unsigned char* p = picture.at(x, y);
                    coloured += std::abs(p[0] - want.r) < 30 && std::abs(p[1] - want.g) < 30 &&
                                std::abs(p[2] - want.b) < 30;
                }
            EXPECT_GT(coloured, 20) << view.name << ": the crosshair is not seen in its colour";
            break;
        }
        case Fact::Text: {
            const bool drawn = std::any_of(frame.hud.begin(), frame.hud.end(),
                                           [&](const HudLine& l) { return l.text == check.text; });
            EXPECT_TRUE(drawn) << view.name << ": no HUD line \"" << check.text << "\"";
            break;
        }
        case Fact::GlyphProportions: {
            ASSERT_FALSE(frame.hud.empty());
            const HudLine& title = frame.hud.front();
            int x0 = picture.width, x1 = -1, y0 = picture.height, y1 = -1;
            for (int y = 0; y < picture.height; ++y)
                for (int x = 0; x < picture.width; ++x)
                    if (title.coverage[static_cast<size_t>(y) * picture.width + x] > 100) {
                        x0 = std::min(x0, x), x1 = std::max(x1, x);
                        y0 = std::min(y0, y), y1 = std::max(y1, y);
                    }
            ASSERT_GE(x1, x0);
            // On screen the ink must be as wide per height as the font's glyphs are.
            const float seen = float(x1 - x0 + 1) / float(y1 - y0 + 1);
            const float glyphs = title.inkAspect;
            std::printf("  %s title ink %.2f wide per unit of height, glyphs %.2f\n", view.name,
                        seen, glyphs);
            EXPECT_NEAR(seen / glyphs, 1.0f, 0.1f) << view.name << ": glyphs stretched";
            break;
        }
        }
    }

    // Every HUD line reads over what lies behind it.
    for (const HudLine& line : frame.hud) {
        const double contrast = legibility(picture, line.coverage);
        std::printf("  %s HUD \"%s\": contrast %.1f\n", view.name, line.text.c_str(), contrast);
        EXPECT_GE(contrast, 3.0) << view.name << ": HUD line \"" << line.text
                                 << "\" is hard to read";
    }

    // Nothing that should be textured is black: no dark blocks outside the HUD. Blocks, so that
    // the thin dark troughs of a texture (the wood rings') do not count.
    const int block = 16;
    size_t black = 0, counted = 0;
    for (int by = 0; by + block <= picture.height; by += block)
        for (int bx = 0; bx + block <= picture.width; bx += block) {
            bool hud = false;
            int brightest = 0;
            for (int y = by - 4; y < by + block + 4; ++y)
                for (int x = bx - 4; x < bx + block + 4; ++x) {
                    if (!picture.contains(x, y))
                        continue;
                    for (const HudLine& line : frame.hud)
                        hud = hud || line.coverage[static_cast<size_t>(y) * picture.width + x] > 0;
                }
            if (hud)
                continue;
            int sum[3] = {0, 0, 0};
            for (int y = by; y < by + block; ++y)
                for (int x = bx; x < bx + block; ++x)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += picture.at(x, y)[c];
            for (int c = 0; c < 3; ++c)
                brightest = std::max(brightest, sum[c] / (block * block));
            black += brightest < 24;
            ++counted;
        }
    const double share = counted > 0 ? double(black) / double(counted) : 0.0;
    std::printf("  %s black blocks: %.2f%%\n", view.name, 100.0 * share);
    EXPECT_LT(share, 0.005) << view.name << ": black faces where a texture should be";
}

// Per-block comparison with the reference: a different driver may move an edge by a pixel or
// round a shade differently, but not change what a block shows.
void compareWithReference(const Image& picture, const View& view) {
    const Image actual = blockMeans(picture);
    const Image reference = readPng(referencePath(view));
    ASSERT_FALSE(reference.rgba.empty())
        << "no reference image " << referencePath(view) << " (scripts/update-views.sh writes it)";
    ASSERT_EQ(reference.width, actual.width);
    ASSERT_EQ(reference.height, actual.height);
    Image difference = actual;
    int offBlocks = 0;
    double total = 0.0;
    for (size_t i = 0; i < actual.rgba.size(); i += 4) {
        int worst = 0;
        for (int c = 0; c < 3; ++c)
            worst = std::max(worst, std::abs(actual.rgba[i + c] - reference.rgba[i + c]));
        total += worst;
        offBlocks += worst > 24;
        const unsigned char shade = static_cast<unsigned char>(std::min(255, worst * 4));
        difference.rgba[i] = difference.rgba[i + 1] = difference.rgba[i + 2] = shade;
        difference.rgba[i + 3] = 255;
    }
    const size_t blocks = actual.rgba.size() / 4;
    const double share = double(offBlocks) / double(blocks);
    const double mean = total / double(blocks);
    std::printf("  %s against its reference: %.2f%% of blocks off, mean difference %.1f\n",
                view.name, 100.0 * share, mean);
    if (share > 0.02 || mean > 4.0) {
        writePng(outputPath(view, ".actual.png"), picture);
        writePng(outputPath(view, ".difference.png"), difference);
        ADD_FAILURE() << view.name << " differs from " << referencePath(view) << ": actual "
                      << outputPath(view, ".actual.png") << ", difference "
                      << outputPath(view, ".difference.png");
    }
}

void writeGallery() {
    const fs::path docs = fs::path(BRINDLEMOX_TEST_SOURCE_DIR).parent_path() / "docs";
    std::ofstream page(docs / "GALLERY.md");
    page << "# Brindlemox as it draws today\n\n"
         << "Every picture is a frame of the real game at a fixed pose, read back from the GL "
            "driver by the reference-view test (`tests/views_reference.cpp`), which also checks "
            "what each should show. `scripts/update-views.sh` regenerates them with the test's "
            "reference images.\n\n";
    for (const View& view : views())
        page << "## " << view.caption << "\n\n![" << view.name << "](gallery/" << view.name
             << ".jpg)\n\n";
}

} // namespace

TEST_P(ReferenceViews, ShowWhatAPlayerShouldSee) {
    const View& view = GetParam();
    const Frame frame = play(view);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(frame.picture.width, view.width);
    ASSERT_EQ(frame.picture.height, view.height);
    writePng(outputPath(view, ".png"), frame.picture);
    checkFrame(frame, view);
    if (updating()) {
        if (HasFailure())
            return; // a picture that fails its facts is not a reference
        ASSERT_TRUE(writePng(referencePath(view), blockMeans(frame.picture)));
        const fs::path gallery = fs::path(BRINDLEMOX_TEST_SOURCE_DIR).parent_path() / "docs" /
                                 "gallery" / (std::string(view.name) + ".jpg");
        fs::create_directories(gallery.parent_path());
        ASSERT_NE(stbi_write_jpg(gallery.string().c_str(), view.width, view.height, 4,
                                 frame.picture.rgba.data(), 88),
                  0);
        if (std::string(view.name) == views().back().name)
            writeGallery();
        return;
    }
    compareWithReference(frame.picture, view);
}

INSTANTIATE_TEST_SUITE_P(Game, ReferenceViews, ::testing::ValuesIn(views()),
                         [](const ::testing::TestParamInfo<View>& info) {
                             return std::string(info.param.name);
                         });
