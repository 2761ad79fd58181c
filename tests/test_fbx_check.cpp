// The look at FBX files before the importer: loops and runaway depth are refused, in ASCII and
// binary files alike, while ordinary files (the game's own level among them) pass.
#include "render/FbxCheck.h"
#include "support/Files.h"
#include "support/HostileFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using namespace brindlemox::render;

namespace {

using testfiles::readFile;
using Links = std::vector<std::pair<int64_t, int64_t>>;

std::string asciiFbx(const std::vector<int64_t>& models, const Links& links,
                     const std::string& extra = "") {
    std::string text = "; FBX 7.5.0 project file\nFBXHeaderExtension:  {\n\tFBXVersion: 7500\n}\n"
                       "Objects:  {\n\tGeometry: 5, \"Geometry::\", \"Mesh\" {\n\t}\n";
    for (int64_t id : models)
        text += "\tModel: " + std::to_string(id) + ", \"Model::m" + std::to_string(id) +
                "\", \"Null\" {\n\t\tVersion: 232\n\t}\n";
    text += extra + "}\nConnections:  {\n";
    for (const auto& [child, parent] : links)
        text += "\tC: \"OO\", " + std::to_string(child) + ", " + std::to_string(parent) + "\n";
    return text + "}\n";
}

// A chain of n models under the root, each parented to the one before.
std::pair<std::vector<int64_t>, Links> chain(int n) {
    std::vector<int64_t> models;
    Links links;
    for (int64_t id = 1; id <= n; ++id) {
        models.push_back(id);
        links.emplace_back(id, id - 1);
    }
    return {models, links};
}

// levels rows of two models, each parented to both models of the row above: 2^levels copies.
std::pair<std::vector<int64_t>, Links> diamonds(int levels) {
    std::vector<int64_t> models;
    Links links;
    for (int row = 0; row < levels; ++row)
        for (int64_t k = 0; k < 2; ++k) {
            const int64_t id = 100 + 2 * row + k;
            models.push_back(id);
            if (row == 0)
                links.emplace_back(id, 0);
            else
                for (int64_t p = 0; p < 2; ++p)
                    links.emplace_back(id, 100 + 2 * (row - 1) + p);
        }
    return {models, links};
}

std::string nested(int depth, bool binary) {
    if (binary) {
        hostile::FbxRecord inner{"Leaf"};
        inner.integer(1);
        for (int i = 0; i < depth; ++i)
            inner = hostile::FbxRecord{"Block"}.add(inner);
        return hostile::binaryFbx({inner}, 7400);
    }
    std::string text = "; FBX 7.5.0 project file\nDeep: ";
    for (int i = 0; i < depth; ++i)
        text += "{ D: ";
    return text + "1" + std::string(static_cast<size_t>(depth), '}') + "\n";
}

} // namespace

TEST(FbxCheck, RefusesLoopsAndRunawayDepthOnly) {
    const std::string loops = "a model is its own ancestor";
    const std::string deep = "more than 256 models deep";
    const std::string nestedDeep = "nested more than 64 deep";
    const auto [chain256, chain256Links] = chain(256);
    const auto [chain257, chain257Links] = chain(257);
    const auto [wide, wideLinks] = diamonds(10);
    const auto [explosive, explosiveLinks] = diamonds(20);
    const struct {
        const char* name;
        std::string bytes;
        std::string problem; // what the refusal says, empty when the file passes
    } cases[] = {
        {"the game's own level 2",
         readFile(std::filesystem::path(BRINDLEMOX_TEST_DATA_DIR) / "Obj/level2.fbx"), ""},
        {"a small tree", asciiFbx({1, 2, 3}, {{1, 0}, {2, 1}, {3, 1}}), ""},
        {"a model parented to itself", asciiFbx({1, 2}, {{1, 0}, {2, 1}, {1, 1}}), loops},
        {"two models parented to each other", asciiFbx({1, 2}, {{1, 0}, {2, 1}, {1, 2}}), loops},
        {"a loop away from the root", asciiFbx({1, 2, 3}, {{1, 0}, {2, 3}, {3, 2}}), loops},
        {"links through other objects", asciiFbx({1}, {{1, 0}, {1, 5}, {5, 1}}), ""},
        {"a hierarchy 256 deep", asciiFbx(chain256, chain256Links), ""},
        {"a hierarchy 257 deep", asciiFbx(chain257, chain257Links), deep},
        {"shared parents, 2046 copies", asciiFbx(wide, wideLinks), ""},
        {"shared parents, two million copies", asciiFbx(explosive, explosiveLinks),
         "expands to more than 100000 models"},
        {"blocks nested 64 deep", nested(64, false), ""},
        {"blocks nested 65 deep", nested(65, false), nestedDeep},
        {"braces in strings and comments",
         asciiFbx({1}, {{1, 0}},
                  "\tName: \"" + std::string(100, '{') + "\"\n\t; " + std::string(100, '{') + "\n"),
         ""},
        {"a million lines without a key", std::string(1 << 20, '\n') + asciiFbx({1}, {{1, 0}}), ""},
        {"binary 7.4, a small tree", hostile::binaryFbxModels({1, 2}, {{1, 0}, {2, 1}}, 7400), ""},
        {"binary 7.5, a small tree", hostile::binaryFbxModels({1, 2}, {{1, 0}, {2, 1}}, 7500), ""},
        {"binary, a model parented to itself",
         hostile::binaryFbxModels({1, 2}, {{1, 0}, {2, 1}, {2, 2}}, 7400), loops},
        {"binary, two models parented to each other",
         hostile::binaryFbxModels({1, 2}, {{1, 0}, {2, 1}, {1, 2}}, 7500), loops},
        {"binary, blocks nested 64 deep", nested(64, true), ""},
        {"binary, blocks nested 65 deep", nested(65, true), nestedDeep},
        {"binary, cut short",
         hostile::binaryFbxModels({1, 2}, {{1, 0}, {2, 1}}, 7400).substr(0, 120),
         "not a well-formed binary FBX file"},
    };
    for (const auto& c : cases) {
        const std::string problem = fbxcheck::problem(c.bytes);
        if (c.problem.empty())
            EXPECT_EQ(problem, "") << c.name;
        else
            EXPECT_NE(problem.find(c.problem), std::string::npos) << c.name << ": " << problem;
    }
}

TEST(FbxCheck, RecognisesBothForms) {
    EXPECT_TRUE(fbxcheck::looksLikeFbx(hostile::binaryFbxModels({1}, {{1, 0}}, 7400)));
    EXPECT_TRUE(fbxcheck::looksLikeFbx(asciiFbx({1}, {{1, 0}})));
    EXPECT_FALSE(fbxcheck::looksLikeFbx("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
}
