#include "render/MipmapCache.h"
#include "render/Texture.h"
#include "support/Checks.h"
#include "support/Environment.h"
#include "support/Files.h"
#include "support/GlContext.h"
#include "support/HostileFiles.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string_view>
#include <vector>

using namespace brindlemox::render;

using checks::captureReports;
using testfiles::ScratchDir;
using testgl::levelParameter;
using testgl::texParameter;

namespace {

// Level `level` of a texture read back as RGB, or as RGBA when asked.
std::vector<unsigned char> readLevel(GLuint name, int level, int w, int h, GLenum format = GL_RGB) {
    const size_t channels = format == GL_RGBA ? 4 : 3;
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * channels, 0xAB);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

class TextureTest : public GlTest {
  protected:
    void TearDown() override {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        GlTest::TearDown();
    }
    ScratchDir dir{"texture"};
};

} // namespace

// Whatever its channels and whatever unpack alignment an earlier user left, an image arrives
// as an RGB texture of its size, pixel for pixel.
TEST_F(TextureTest, ImagesUploadAsRgbPixelForPixel) {
    // Nine distinct pixels; rows of 9 bytes are not 4-byte aligned.
    const std::vector<unsigned char> nine = {10,  19,  28,  37,  46,  55,  64,  73,  82,
                                             91,  100, 109, 118, 127, 136, 145, 154, 163,
                                             172, 181, 190, 199, 208, 217, 226, 235, 244};
    // Two pixels per row, alpha all over the place.
    const std::vector<unsigned char> rgba = {255, 0, 0,   0,   0, 255, 0,   128,
                                             0,   0, 255, 255, 9, 99,  199, 7};
    const std::vector<unsigned char> opaque = {255, 0, 0,   255, 0, 255, 0,   255,
                                               0,   0, 255, 255, 9, 99,  199, 255};
    const std::vector<unsigned char> grey = {0, 60, 120, 250};
    const std::vector<unsigned char> greyRgb = {0, 0, 0, 60, 60, 60, 120, 120, 120, 250, 250, 250};
    const struct {
        const char* name;
        int width, height, channels;
        const std::vector<unsigned char>& written;
        GLenum readAs;
        const std::vector<unsigned char>& expected;
    } cases[] = {
        {"odd-width rgb rows are not skewed", 3, 3, 3, nine, GL_RGB, nine},
        {"rgba loses its alpha", 2, 2, 4, rgba, GL_RGBA, opaque},
        {"grey is expanded to rgb", 2, 2, 1, grey, GL_RGB, greyRgb},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file(std::string(c.name) + ".png");
        ASSERT_NE(stbi_write_png(path.c_str(), c.width, c.height, c.channels, c.written.data(),
                                 c.width * c.channels),
                  0)
            << c.name;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        std::unique_ptr<Texture> texture;
        const std::string out = captureReports([&] { texture = std::make_unique<Texture>(path); });
        EXPECT_EQ(out, path + " - texture successfully loaded\n") << c.name;
        const GLuint name = texture->getName();
        ASSERT_NE(name, 0u) << c.name;
        EXPECT_EQ(levelParameter(name, 0, GL_TEXTURE_WIDTH), c.width) << c.name;
        EXPECT_EQ(levelParameter(name, 0, GL_TEXTURE_HEIGHT), c.height) << c.name;
        EXPECT_EQ(levelParameter(name, 0, GL_TEXTURE_ALPHA_SIZE), 0) << c.name;
        EXPECT_EQ(readLevel(name, 0, c.width, c.height, c.readAs), c.expected) << c.name;
    }
}

TEST_F(TextureTest, SetsWrapFiltersAndTheWholeMipmapChain) {
    std::vector<unsigned char> rgb(8 * 4 * 3, 200);
    const std::string path = dir.file("mips.bmp");
    ASSERT_NE(stbi_write_bmp(path.c_str(), 8, 4, 3, rgb.data()), 0);
    std::unique_ptr<Texture> texture;
    captureReports([&] { texture = std::make_unique<Texture>(path); });
    const GLuint name = texture->getName();
    ASSERT_NE(name, 0u);
    EXPECT_EQ(texParameter(name, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(texParameter(name, GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(texParameter(name, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(texParameter(name, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    // 8 x 4 down to 1 x 1: four levels below the base.
    EXPECT_EQ(levelParameter(name, 3, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(levelParameter(name, 3, GL_TEXTURE_HEIGHT), 1);
    EXPECT_EQ(levelParameter(name, 2, GL_TEXTURE_WIDTH), 2);
}

TEST_F(TextureTest, BindLeavesTheUnitActiveAndAnEmptyTextureUnbindsIt) {
    std::vector<unsigned char> rgb(12, 77);
    const std::string path = dir.file("small.png");
    ASSERT_NE(stbi_write_png(path.c_str(), 2, 2, 3, rgb.data(), 6), 0);
    std::unique_ptr<Texture> texture;
    std::unique_ptr<Texture> missing;
    captureReports([&] {
        texture = std::make_unique<Texture>(path);
        missing = std::make_unique<Texture>(dir.file("absent.png"));
    });

    glActiveTexture(GL_TEXTURE0);
    texture->bind(2);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE2);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture->getName());

    missing->bind(2);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
}

TEST_F(TextureTest, DestructionDeletesTheGlTexture) {
    std::vector<unsigned char> rgb(12, 1);
    const std::string path = dir.file("gone.png");
    ASSERT_NE(stbi_write_png(path.c_str(), 2, 2, 3, rgb.data(), 6), 0);
    GLuint name = 0;
    captureReports([&] {
        Texture texture(path);
        name = texture.getName();
        EXPECT_TRUE(glIsTexture(name));
    });
    EXPECT_FALSE(glIsTexture(name));
}

// A missing file, one that is no image, and an image the driver cannot hold or that would decode
// to far more memory than any texture of the game leave name 0 and a line naming the file. Images
// too big are refused from their header: nothing is decoded or uploaded, no GL error is raised.
TEST_F(TextureTest, WhatCannotBeATextureLeavesNameZeroAndSaysWhich) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const uint32_t beyond = static_cast<uint32_t>(maxSize) + 1;
    const auto black = [&](const char* file, uint32_t width, uint32_t height) {
        const std::string path = dir.file(file);
        EXPECT_TRUE(hostile::writeBlackPng(path, width, height)) << path;
        return path;
    };
    const struct {
        const char* name;
        std::string path;
    } cases[] = {
        {"missing", "Texture/nope.png"},
        {"not an image", dir.write("garbage.png", "this is not an image")},
        {"wider than the driver takes", black("wide.png", beyond, 2)},
        {"taller than the driver takes", black("tall.png", 2, beyond)},
        {"more pixels than any texture", black("huge.png", 8193, 8193)},
    };
    for (const auto& c : cases) {
        std::unique_ptr<Texture> texture;
        const std::string out =
            captureReports([&] { texture = std::make_unique<Texture>(c.path); });
        EXPECT_EQ(out, "Failed to load texture " + c.path + "\n") << c.name;
        EXPECT_EQ(texture->getName(), 0u) << c.name;
    }
}

TEST_F(TextureTest, SmallerLevelsComeBackFromTheCacheAsTheDriverMadeThem) {
    // Each image is loaded with an empty cache (the driver makes the levels, the cache keeps
    // them), then again after something happened to the cache entry.
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> change;
        bool planted; // the entry holds other valid levels: they must be the ones used
    };
    const auto fileBytes = [](const std::filesystem::path& entry) {
        return std::filesystem::is_regular_file(entry) ? testfiles::readFile(entry)
                                                       : std::string("not a file");
    };
    const auto rewrite = [&](const std::filesystem::path& entry, auto edit) {
        std::string bytes = fileBytes(entry);
        edit(bytes);
        testfiles::writeFile(entry, bytes);
    };
    constexpr size_t HeaderBytes = 24;
    const Case cases[] = {
        {"intact", [](const auto&) {}, false},
        {"truncated", [&](const auto& e) { rewrite(e, [](std::string& b) { b.pop_back(); }); },
         false},
        {"a level byte changed",
         [&](const auto& e) { rewrite(e, [](std::string& b) { b.back() ^= 0x5A; }); }, false},
        {"a folder in its place",
         [](const auto& e) {
             std::filesystem::remove(e);
             std::filesystem::create_directory(e);
         },
         false},
        {"other levels with their own hash",
         [&](const auto& e) {
             rewrite(e, [](std::string& b) {
                 std::fill(b.begin() + HeaderBytes, b.end(), 77);
                 const std::uint64_t hash =
                     std::hash<std::string_view>{}(std::string_view(b).substr(HeaderBytes));
                 std::memcpy(b.data() + 16, &hash, sizeof hash);
             });
         },
         true}};
    const std::pair<int, int> sizes[] = {{8, 4}, {5, 3}, {1, 1}};

    const auto levels = [](GLuint name, int width, int height) {
        std::vector<std::vector<unsigned char>> all;
        for (int level = 1; width > 1 || height > 1; ++level) {
            width = std::max(1, width / 2);
            height = std::max(1, height / 2);
            all.push_back(readLevel(name, level, width, height));
        }
        return all;
    };
    for (const auto& [width, height] : sizes) {
        std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0; i < rgb.size(); ++i)
            rgb[i] = static_cast<unsigned char>(i * 37 + width);
        const std::string path = dir.file("cached.png");
        ASSERT_NE(stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3), 0);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", " + c.name);
            const std::filesystem::path cache = dir.root() / ("cache-" + std::string(c.name));
            std::filesystem::remove_all(cache);
            const testenv::ScopedVariable cacheHome("XDG_CACHE_HOME", cache.c_str());
            std::unique_ptr<Texture> texture;
            captureReports([&] { texture = std::make_unique<Texture>(path); });
            const auto made = levels(texture->getName(), width, height);
            std::vector<std::filesystem::path> entries;
            for (const auto& file : std::filesystem::directory_iterator(mipcache::directory()))
                entries.push_back(file.path());
            ASSERT_EQ(entries.size(), 1u) << "one entry, no partial file left";
            const std::string intact = fileBytes(entries[0]);
            c.change(entries[0]);
            const std::string changed = fileBytes(entries[0]);
            std::string out;
            out = captureReports([&] { texture = std::make_unique<Texture>(path); });
            EXPECT_EQ(out, path + " - texture successfully loaded\n");
            const auto loaded = levels(texture->getName(), width, height);
            if (c.planted && !made.empty())
                EXPECT_EQ(loaded[0], std::vector<unsigned char>(loaded[0].size(), 77));
            else
                EXPECT_EQ(loaded, made);
            // A damaged entry is made again; a consistent one is kept as it is.
            EXPECT_EQ(fileBytes(entries[0]), c.planted ? changed : intact);
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mipcache::directory()),
                                    std::filesystem::directory_iterator()),
                      1);
            EXPECT_EQ(readLevel(texture->getName(), 0, width, height), rgb);
        }
    }
}
