// The bound on shader sources: far above every shader of the game, far below the expression
// depth that overflows the GL compiler's stack.
#include "render/ShaderLoader.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace brindlemox::render;

namespace {

std::string chainOf(int operators, const std::string& op = "+") {
    std::string text = "a";
    for (int i = 0; i < operators; ++i)
        text += op + "a";
    return text;
}

std::string fragmentShader(const std::string& statement) {
    return "\n#version 330 core\nuniform float alpha;\nout vec4 colour;\nvoid main() {\n"
           "    float a = alpha;\n    colour = vec4(" +
           statement + ");\n}";
}

} // namespace

TEST(ShaderSource, EveryShaderOfTheGameIsFarInsideTheBound) {
    int shaders = 0;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(BRINDLEMOX_TEST_DATA_DIR) / "Shader")) {
        std::ifstream file(entry.path());
        const std::string source = ShaderLoader::sourceFromLines(file);
        const ShaderLoader::SourceShape shape = ShaderLoader::measureSource(source);
        EXPECT_EQ(ShaderLoader::refusal(source), "") << entry.path();
        EXPECT_LE(shape.longestStatement, ShaderLoader::MaxOperatorsPerStatement / 20)
            << entry.path();
        EXPECT_LE(shape.deepestNesting, ShaderLoader::MaxNesting / 16) << entry.path();
        ++shaders;
    }
    EXPECT_GE(shaders, 15);
}

TEST(ShaderSource, OnlyExpressionsBeyondTheBoundAreRefused) {
    const std::string tooLong = "more than 4000 operators in one statement";
    const std::string tooDeep = "brackets nested more than 256 deep";
    const struct {
        const char* name;
        std::string source;
        std::string refusal;
    } cases[] = {
        // "colour = vec4(...)" adds one operator and one level of brackets.
        {"4000 operators", fragmentShader(chainOf(3999)), ""},
        {"4001 operators", fragmentShader(chainOf(4000)), tooLong},
        {"one 80 KB line of additions", fragmentShader(chainOf(40000)), tooLong},
        {"a long chain of swizzles", fragmentShader("vec4(a)" + chainOf(5000, ".x")), tooLong},
        {"the same count over many statements",
         fragmentShader(chainOf(3000) + ");\n    colour += vec4(" + chainOf(3000)), ""},
        {"operators in comments",
         fragmentShader("a") + "\n// " + chainOf(9000) + "\n/* " + chainOf(9000) + " */", ""},
        {"brackets 256 deep", fragmentShader(std::string(255, '(') + "a" + std::string(255, ')')),
         ""},
        {"brackets 257 deep", fragmentShader(std::string(256, '(') + "a" + std::string(256, ')')),
         tooDeep},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShaderLoader::refusal(c.source), c.refusal) << c.name;
}

TEST(ShaderSource, IncludedFilesStandInPlaceOfTheirLine) {
    const testfiles::ScratchDir folder("shader_include");
    folder.write("common.glsl", "float shared;\n");
    const std::string stage = folder.file("stage.fs");
    const std::string missingPath = folder.file("absent.glsl");
    const struct {
        const char* name;
        std::string source;
        std::string expanded;
        std::string missing;
    } cases[] = {
        {"no include", "\n#version 330 core\nvoid main() {}", "\n#version 330 core\nvoid main() {}",
         ""},
        {"an include keeps the stage's line numbers",
         "\n#version 330 core\n#include \"common.glsl\"\nint a;",
         "\n#version 330 core\n#line 1 1\nfloat shared;\n#line 4 0\nint a;", ""},
        {"indented, with a trailing comment", "\n  #include \"common.glsl\" // lights",
         "\n#line 1 1\nfloat shared;\n#line 3 0", ""},
        {"a missing file", "\n#include \"absent.glsl\"", "", missingPath},
        {"not a directive", "\n// #include \"absent.glsl\"", "\n// #include \"absent.glsl\"", ""},
    };
    for (const auto& c : cases) {
        std::string missing;
        EXPECT_EQ(ShaderLoader::expandIncludes(c.source, stage, missing), c.expanded) << c.name;
        EXPECT_EQ(missing, c.missing) << c.name;
    }
}
