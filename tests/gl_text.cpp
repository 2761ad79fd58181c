#include "render/HudCache.h"
#include "render/TextRenderer.h"
#include "support/Checks.h"
#include "support/Files.h"
#include "support/GlContext.h"
#include "support/HostileFiles.h"
#include "support/RenderFixtures.h"
#include "support/ScriptedPlatform.h"

#include <algorithm>
#include <filesystem>

using namespace brindlemox::platform;
using namespace brindlemox::render;

using checks::captureReports;
using testfiles::ScopedChdir;
using testfiles::ScratchDir;

namespace {

const char* TextVertexSource = R"(#version 330 core
layout(location = 0) in vec4 vertex;
layout(location = 1) in vec3 glyph;
out vec3 uv;
uniform mat4 projection;
uniform vec2 layerSize;
void main() {
    gl_Position = projection * vec4(vertex.xy, 0.0, 1.0);
    uv = vec3(vertex.zw * glyph.xy / layerSize, glyph.z);
}
)";

const char* TextFragmentSource = R"(#version 330 core
in vec3 uv;
out vec4 colour;
uniform sampler2DArray text;
uniform vec3 textColor;
void main() { colour = vec4(textColor, texture(text, uv).r); }
)";

// A working folder with the HUD font and text shaders: the game's own shader files when they
// exist, otherwise stand-ins that honour the same interface.
class TextTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        const std::filesystem::path data = testgl::dataDir();
        std::filesystem::create_directories(dir.root() / "Fonts");
        std::filesystem::copy_file(data / "Fonts/hud.ttf", dir.root() / "Fonts/hud.ttf");
        if (std::filesystem::exists(data / "Shader/textVS.vs") &&
            std::filesystem::exists(data / "Shader/textFS.fs")) {
            std::filesystem::create_directories(dir.root() / "Shader");
            std::filesystem::copy_file(data / "Shader/textVS.vs", dir.root() / "Shader/textVS.vs");
            std::filesystem::copy_file(data / "Shader/textFS.fs", dir.root() / "Shader/textFS.fs");
        } else {
            dir.write("Shader/textVS.vs", TextVertexSource);
            dir.write("Shader/textFS.fs", TextFragmentSource);
        }
        cwd = std::make_unique<ScopedChdir>(dir.root());
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDisable(GL_DEPTH_TEST);
    }
    void TearDown() override {
        glDisable(GL_BLEND);
        glUseProgram(0);
        cwd.reset();
        GlTest::TearDown();
    }

    std::unique_ptr<TextRenderer> make(int size) {
        std::unique_ptr<TextRenderer> renderer;
        captureReports([&] { renderer = std::make_unique<TextRenderer>(size); });
        return renderer;
    }

    ScratchDir dir{"text"};
    std::unique_ptr<ScopedChdir> cwd;
    ScriptedPlatform console; // a missing shader file must not wait on the test's stdin
};

struct Box {
    int x0, y0, x1, y1; // inclusive-exclusive, in pixels of the 800 x 600 space
};

bool lit(const std::vector<unsigned char>& rgba, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * 800 + x) * 4;
    return rgba[i] + rgba[i + 1] + rgba[i + 2] > 0;
}

// Every lit pixel, as a box around them all; empty when nothing was drawn.
Box litBounds(const std::vector<unsigned char>& rgba) {
    Box b{800, 600, 0, 0};
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            if (lit(rgba, x, y)) {
                b.x0 = std::min(b.x0, x);
                b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x + 1);
                b.y1 = std::max(b.y1, y + 1);
            }
    return b;
}

} // namespace

TEST_F(TextTest, LoadsEveryAsciiGlyph) {
    auto renderer = make(40);
    EXPECT_TRUE(renderer->isReady());
    EXPECT_EQ(renderer->glyphCount(), 128u);
    const Glyph* h = renderer->findGlyph('H');
    ASSERT_NE(h, nullptr);
    EXPECT_GT(h->size.x, 0);
    EXPECT_GT(h->size.y, 20);
    EXPECT_LE(h->size.y, 40);
    EXPECT_GT(h->advance, 0u);
    EXPECT_EQ(h->advance % 64, 0u); // whole pixels at this size in practice
    const Glyph* space = renderer->findGlyph(' ');
    ASSERT_NE(space, nullptr);
    EXPECT_EQ(space->size, glm::ivec2(0, 0));
    EXPECT_GT(space->advance, 0u);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);
}

TEST_F(TextTest, ProjectionMapsTheFixedHudSpace) {
    auto renderer = make(25);
    const glm::mat4& p = renderer->getProjection();
    const glm::vec4 lowerLeft = p * glm::vec4(0, 0, 0, 1);
    const glm::vec4 upperRight = p * glm::vec4(800, 600, 0, 1);
    EXPECT_FLOAT_EQ(lowerLeft.x, -1.0f);
    EXPECT_FLOAT_EQ(lowerLeft.y, -1.0f);
    EXPECT_FLOAT_EQ(upperRight.x, 1.0f);
    EXPECT_FLOAT_EQ(upperRight.y, 1.0f);
    EXPECT_FLOAT_EQ(p[2][2], 1.0f);
}

TEST_F(TextTest, LineCoversItsGlyphBoxesAndNothingElse) {
    auto renderer = make(40);
    renderfix::OffscreenTarget target(800, 600);
    renderer->setText("HIT");
    renderer->setPosition(100.0f, 200.0f);
    renderer->render();
    const std::vector<unsigned char> pixels = testgl::readPixels(0, 0, 800, 600);

    // Where the glyph quads of "HIT" lie, from the font's own metrics.
    std::vector<Box> boxes;
    float pen = 100.0f;
    for (char c : std::string("HIT")) {
        const Glyph* g = renderer->findGlyph(c);
        ASSERT_NE(g, nullptr);
        const int x0 = static_cast<int>(pen) + g->bearing.x;
        const int y0 = 200 - (g->size.y - g->bearing.y);
        boxes.push_back(Box{x0, y0, x0 + g->size.x, y0 + g->size.y});
        pen += static_cast<float>(g->advance >> 6);
    }

    bool ok = true;
    for (const Box& b : boxes) {
        int inside = 0;
        for (int y = b.y0; y < b.y1; ++y)
            for (int x = b.x0; x < b.x1; ++x)
                inside += lit(pixels, x, y) ? 1 : 0;
        // Each glyph paints a good part of its box (capital letters are mostly strokes).
        EXPECT_GT(inside, (b.x1 - b.x0) * (b.y1 - b.y0) / 5);
        ok = ok && inside > 0;
    }
    int stray = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            if (!lit(pixels, x, y))
                continue;
            const bool inABox = std::any_of(boxes.begin(), boxes.end(), [&](const Box& b) {
                return x >= b.x0 - 1 && x < b.x1 + 1 && y >= b.y0 - 1 && y < b.y1 + 1;
            });
            stray += inABox ? 0 : 1;
        }
    EXPECT_EQ(stray, 0);
    if (!ok || stray != 0)
        ADD_FAILURE() << "image: " << testgl::writeImage("text_hit", pixels, 800, 600);

    // Upright: the bar of the T is at the top of its box.
    const Box& t = boxes[2];
    int top = 0, bottom = 0;
    for (int x = t.x0; x < t.x1; ++x) {
        top += lit(pixels, x, t.y1 - 2) ? 1 : 0;
        bottom += lit(pixels, x, t.y0 + 1) ? 1 : 0;
    }
    EXPECT_GT(top, 2 * bottom);

    // The stem of the H, fully covered, carries the default colour.
    const Box& h = boxes[0];
    const size_t i = (static_cast<size_t>((h.y0 + h.y1) / 2) * 800 + h.x0 + 2) * 4;
    EXPECT_NEAR(pixels[i], 255, 2);
    EXPECT_NEAR(pixels[i + 1], 217, 2);
    EXPECT_NEAR(pixels[i + 2], 51, 2);
}

TEST_F(TextTest, ColourScaleAndPositionAreHonoured) {
    auto renderer = make(30);
    renderfix::OffscreenTarget target(800, 600);
    renderer->renderText("I", 300.0f, 300.0f, 1.0f, glm::vec3(0.0f, 1.0f, 0.0f));
    const std::vector<unsigned char> single = testgl::readPixels(0, 0, 800, 600);
    const Box one = litBounds(single);
    glClear(GL_COLOR_BUFFER_BIT);
    renderer->renderText("I", 300.0f, 300.0f, 2.0f, glm::vec3(0.0f, 1.0f, 0.0f));
    const std::vector<unsigned char> doubled = testgl::readPixels(0, 0, 800, 600);
    const Box two = litBounds(doubled);

    const Glyph* g = renderer->findGlyph('I');
    ASSERT_NE(g, nullptr);
    EXPECT_NEAR(one.y0, 300 - (g->size.y - g->bearing.y), 1);
    EXPECT_NEAR(one.x0, 300 + g->bearing.x, 1);
    EXPECT_NEAR(two.y1 - two.y0, 2 * (one.y1 - one.y0), 2);
    EXPECT_NEAR(two.x1 - two.x0, 2 * (one.x1 - one.x0), 2);
    for (size_t i = 0; i < single.size(); i += 4)
        EXPECT_EQ(single[i], 0) << "only green was asked for";
}

TEST_F(TextTest, UnknownCharactersNeitherDrawNorAdvance) {
    auto renderer = make(30);
    renderfix::OffscreenTarget target(800, 600);
    renderer->renderText("AB", 50.0f, 50.0f, 1.0f, glm::vec3(1.0f));
    const std::vector<unsigned char> plain = testgl::readPixels(0, 0, 800, 600);
    glClear(GL_COLOR_BUFFER_BIT);
    renderer->renderText("A\xC8"
                         "B",
                         50.0f, 50.0f, 1.0f, glm::vec3(1.0f));
    const std::vector<unsigned char> withUnknown = testgl::readPixels(0, 0, 800, 600);
    EXPECT_TRUE(plain == withUnknown);
    EXPECT_EQ(renderer->findGlyph('\xC8'), nullptr);
}

// A line is UTF-8: a letter beyond ASCII is drawn with the font's own glyph, one the font lacks
// or a broken sequence is a character without a glyph.
TEST_F(TextTest, LettersBeyondAsciiAreTheFontsOwn) {
    const struct {
        const char* name;
        const char* line;
        const char* like; // an ASCII line to compare with
        bool same;        // draws exactly as like does
    } cases[] = {
        {"accented letter", "Kell\xC3\xA9r", "Keller", false},
        {"letter the font lacks",
         "A\xE4\xB8\xAD"
         "B",
         "AB", true},
        {"cut sequence",
         "A\xC3"
         "B",
         "AB", true},
    };
    for (const auto& c : cases) {
        auto renderer = make(30);
        renderfix::OffscreenTarget target(800, 600);
        const auto draw = [&](const char* line) {
            glClear(GL_COLOR_BUFFER_BIT);
            captureReports([&] { renderer->setText(line); });
            renderer->setPosition(50.0f, 50.0f);
            renderer->render();
            return testgl::readPixels(0, 0, 800, 600);
        };
        const std::vector<unsigned char> drawn = draw(c.line);
        const std::vector<unsigned char> ascii = draw(c.like);
        EXPECT_EQ(drawn == ascii, c.same) << c.name;
        if (c.same)
            continue;
        // The accented letter takes the plain one's place, its accent above it.
        const Box plain = litBounds(ascii), accented = litBounds(drawn);
        EXPECT_NEAR(accented.x1, plain.x1, 1) << c.name;
        const Glyph* e = renderer->findGlyph('e');
        const Glyph* eAcute = renderer->findGlyph(0xe9);
        ASSERT_TRUE(e && eAcute) << c.name;
        EXPECT_GT(eAcute->size.y, e->size.y + 2) << c.name;
        EXPECT_NE(eAcute->layer, e->layer) << c.name;
    }
}

TEST_F(TextTest, EmptyTextDrawsNothing) {
    auto renderer = make(30);
    renderfix::OffscreenTarget target(800, 600);
    renderer->setPosition(10.0f, 10.0f);
    renderer->render();
    renderer->setText("   ");
    renderer->render();
    const Box b = litBounds(testgl::readPixels(0, 0, 800, 600));
    EXPECT_GE(b.x0, b.x1);
    EXPECT_EQ(renderer->getText(), "   ");
    GLint vertexArray = -1, texture = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    glGetIntegerv(GL_TEXTURE_BINDING_2D_ARRAY, &texture);
    EXPECT_EQ(vertexArray, 0);
    EXPECT_EQ(texture, 0);
}

TEST_F(TextTest, MissingFontReportsEveryGlyphAndDrawsNothing) {
    std::filesystem::remove(dir.root() / "Fonts/hud.ttf");
    std::unique_ptr<TextRenderer> renderer;
    const std::string out = captureReports([&] { renderer = std::make_unique<TextRenderer>(30); });
    std::string expected = "ERROR::FREETYPE: Failed to load font\n";
    for (int i = 0; i < 128; ++i)
        expected += "ERROR::FREETYPE: Failed to load Glyph\n";
    EXPECT_EQ(out.substr(0, expected.size()), expected);
    EXPECT_EQ(renderer->glyphCount(), 0u);
    renderfix::OffscreenTarget target(800, 600);
    renderer->renderText("Health: 100", 20.0f, 20.0f, 1.0f, glm::vec3(1.0f));
    const Box b = litBounds(testgl::readPixels(0, 0, 800, 600));
    EXPECT_GE(b.x0, b.x1);
}

TEST_F(TextTest, MissingShadersLeaveARendererThatDrawsNothing) {
    std::filesystem::remove_all(dir.root() / "Shader");
    std::unique_ptr<TextRenderer> renderer;
    const std::string out = captureReports([&] { renderer = std::make_unique<TextRenderer>(30); });
    EXPECT_NE(out.find("Impossible to open Shader/textVS.vs. Are you in the right directory ?\n"),
              std::string::npos);
    EXPECT_FALSE(renderer->isReady());
    EXPECT_EQ(renderer->glyphCount(), 128u);
    renderfix::OffscreenTarget target(800, 600);
    renderer->setText("You lost!");
    renderer->render();
    const Box b = litBounds(testgl::readPixels(0, 0, 800, 600));
    EXPECT_GE(b.x0, b.x1);
}

TEST_F(TextTest, DestructionReleasesEveryGlName) {
    auto renderer = make(25);
    const GLuint atlas = renderer->getAtlasTexture();
    const GLuint program = renderer->getProgram();
    EXPECT_TRUE(glIsTexture(atlas));
    EXPECT_TRUE(glIsProgram(program));
    renderer.reset();
    EXPECT_FALSE(glIsTexture(atlas));
    EXPECT_FALSE(glIsProgram(program));
}

// A glyph filters through the atlas as through a texture of its own clamped at its edges: each
// bitmap lies at its layer's corner with its last column and row repeated beside it, in layers
// whose sides are powers of two (so its texture coordinates scale into the layer exactly).
TEST_F(TextTest, AtlasLayersRepeatEachBitmapsLastColumnAndRow) {
    ResourceCache cache;
    std::shared_ptr<const GlyphAtlas> atlas;
    captureReports([&] { atlas = GlyphAtlas::shared(cache, 30); });
    const glm::ivec2 side = atlas->layerSize();
    EXPECT_EQ(side.x & (side.x - 1), 0);
    EXPECT_EQ(side.y & (side.y - 1), 0);
    GLint layers = 0;
    glBindTexture(GL_TEXTURE_2D_ARRAY, atlas->texture());
    glGetTexLevelParameteriv(GL_TEXTURE_2D_ARRAY, 0, GL_TEXTURE_DEPTH, &layers);
    std::vector<unsigned char> texels(static_cast<size_t>(side.x) * side.y * layers);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D_ARRAY, 0, GL_RED, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D_ARRAY, 0);
    int drawn = 0;
    for (const auto& [c, glyph] : atlas->getGlyphs()) {
        if (glyph.layer < 0)
            continue;
        ++drawn;
        ASSERT_LT(glyph.layer, layers);
        ASSERT_LT(glyph.size.x, side.x);
        ASSERT_LT(glyph.size.y, side.y);
        const auto at = [&](int x, int y) {
            return texels[(static_cast<size_t>(glyph.layer) * side.y + y) * side.x + x];
        };
        for (int y = 0; y <= glyph.size.y; ++y)
            EXPECT_EQ(at(glyph.size.x, y), at(glyph.size.x - 1, std::min(y, glyph.size.y - 1)))
                << "'" << c << "' row " << y;
        for (int x = 0; x < glyph.size.x; ++x)
            EXPECT_EQ(at(x, glyph.size.y), at(x, glyph.size.y - 1)) << "'" << c << "' column " << x;
    }
    EXPECT_EQ(drawn, layers);
}

// The HUD's renderers of one size share one glyph atlas, loaded once, and all share one program;
// the atlas lives as long as any renderer holds it.
TEST_F(TextTest, RenderersOfOneSizeShareOneGlyphAtlas) {
    ResourceCache cache;
    std::unique_ptr<TextRenderer> health, fps, title;
    captureReports([&] {
        health = std::make_unique<TextRenderer>(30, &cache);
        fps = std::make_unique<TextRenderer>(30, &cache);
        title = std::make_unique<TextRenderer>(25, &cache);
    });
    EXPECT_EQ(cache.built().of(GlyphAtlas::CacheKind), 2);
    EXPECT_EQ(cache.built().programs, 1);
    EXPECT_EQ(title->getProgram(), health->getProgram());
    const GLuint shared = health->getAtlasTexture();
    EXPECT_EQ(fps->getAtlasTexture(), shared);
    EXPECT_NE(title->getAtlasTexture(), shared);

    health.reset();
    renderfix::OffscreenTarget target(800, 600);
    fps->renderText("A", 100.0f, 100.0f, 1.0f, glm::vec3(1.0f));
    const Box b = litBounds(testgl::readPixels(0, 0, 800, 600));
    EXPECT_LT(b.x0, b.x1) << "the glyph went with the first renderer";
    fps.reset();
    EXPECT_FALSE(glIsTexture(shared));
}

// A font of a few hundred bytes whose glyphs are 160 times the requested size: they are skipped
// with one line (each would cost 16 MB), and a font without outlines says so once.
TEST_F(TextTest, FontsThatCannotDrawTheHudSaySoInOneLine) {
    const struct {
        const char* name;
        std::string font;
        std::string line;
    } cases[] = {
        {"giant glyphs", hostile::trueTypeFont(16, 2560),
         "ERROR::FREETYPE: Skipped 94 glyphs of Fonts/hud.ttf far larger than 25 pixels\n"},
        {"no outlines", hostile::trueTypeFont(1000, 0),
         "ERROR::FREETYPE: Fonts/hud.ttf has no glyph outlines; the HUD text cannot be drawn\n"},
    };
    for (const auto& c : cases) {
        dir.write("Fonts/hud.ttf", c.font);
        ResourceCache cache;
        std::unique_ptr<TextRenderer> first, second;
        const std::string out = captureReports([&] {
            first = std::make_unique<TextRenderer>(25, &cache);
            second = std::make_unique<TextRenderer>(30, &cache);
        });
        const size_t at = out.find(c.line);
        EXPECT_NE(at, std::string::npos) << c.name << ":\n" << out;
        EXPECT_EQ(out.find(c.line, at + 1), std::string::npos) << c.name << ": said twice";
        renderfix::OffscreenTarget target(800, 600);
        first->renderText("HUD", 100.0f, 100.0f, 1.0f, glm::vec3(1.0f));
        const Box b = litBounds(testgl::readPixels(0, 0, 800, 600));
        EXPECT_GE(b.x0, b.x1) << c.name << ": something was drawn";
    }
}

// The HUD copied from its stored picture gives the very pixels of the lines drawn one by one:
// over a scene with colours and a near surface, with lines that overlap, steady or changing.
TEST_F(TextTest, StoredHudGivesTheVeryPixelsOfItsLines) {
    const std::filesystem::path data = testgl::dataDir();
    for (const char* stage : {"Shader/hudPictureVS.vs", "Shader/hudPictureFS.fs"})
        std::filesystem::copy_file(data / stage, dir.root() / stage);
    ResourceCache cache;
    const int width = 1024, height = 860;
    struct HudLine {
        int size;
        const char* text;
        glm::vec2 position;
        glm::vec3 colour;
        bool centred;
    };
    const HudLine hudLines[] = {{25, "Level 2", {30, 50}, {0, 0, 0}, false},
                                {25, "Walls 3/6", {45, 56}, {1, 1, 1}, false},
                                {40, "Level 1 complete", {400, 420}, {1, 0.85f, 0.2f}, true},
                                {30, "+", {400, 300}, {1, 0.45f, 0.1f}, true}};
    std::vector<std::unique_ptr<TextRenderer>> owned;
    std::vector<TextRenderer*> lines;
    captureReports([&] {
        for (const HudLine& wanted : hudLines) {
            owned.push_back(std::make_unique<TextRenderer>(wanted.size, &cache));
            TextRenderer& line = *owned.back();
            line.setText(wanted.text);
            line.setPosition(wanted.position.x, wanted.position.y);
            line.setColour(wanted.colour);
            line.setCentred(wanted.centred);
            line.setOutlined(true);
            line.setScreenSize(width, height);
            lines.push_back(&line);
        }
    });
    renderfix::OffscreenTarget target(width, height);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    // A scene: coloured bands, and a surface nearer than the HUD's depth over part of the banner.
    const auto scene = [&] {
        glEnable(GL_SCISSOR_TEST);
        for (int band = 0; band < 8; ++band) {
            glScissor(band * width / 8, 0, width / 8, height);
            glClearColor(0.1f * band, 0.9f - 0.1f * band, 0.5f, 1.0f);
            glClearDepth(1.0);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        }
        glScissor(500, 550, 200, 200);
        glClearDepth(0.3);
        glClear(GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        glDisable(GL_SCISSOR_TEST);
    };
    // Colour and depth, as bytes.
    const auto pixels = [&] {
        std::vector<unsigned char> read = testgl::readPixels(0, 0, width, height);
        std::vector<float> depth(static_cast<size_t>(width) * height);
        glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        const auto* bytes = reinterpret_cast<const unsigned char*>(depth.data());
        read.insert(read.end(), bytes, bytes + depth.size() * sizeof(float));
        return read;
    };
    const auto differing = [](const std::vector<unsigned char>& a,
                              const std::vector<unsigned char>& b) {
        size_t count = 0;
        for (size_t i = 0; i < a.size(); ++i)
            count += a[i] != b[i];
        return count;
    };

    scene();
    for (TextRenderer* line : lines)
        line->render();
    const std::vector<unsigned char> drawn = pixels();

    HudCache hud(cache);
    const struct {
        bool copied; // the frame is copied from the picture
    } frames[] = {{false}, {true}, {true}};
    for (const auto& frame : frames) {
        scene();
        captureReports([&] { hud.draw(lines); });
        EXPECT_EQ(hud.copiedLastTime(), frame.copied);
        EXPECT_EQ(differing(pixels(), drawn), 0u);
    }

    // A changed line is drawn as it is, then stored again.
    lines[1]->setText("Walls 2/6");
    scene();
    for (TextRenderer* line : lines)
        line->render();
    const std::vector<unsigned char> changed = pixels();
    for (bool copied : {false, true}) {
        scene();
        hud.draw(lines);
        EXPECT_EQ(hud.copiedLastTime(), copied);
        EXPECT_EQ(differing(pixels(), changed), 0u);
    }

    // Without the depth rule the lines blend over each other: they are drawn, never copied.
    glDisable(GL_DEPTH_TEST);
    scene();
    hud.draw(lines);
    EXPECT_FALSE(hud.copiedLastTime());
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}
