#include "render/ShaderLoader.h"
#include "support/Checks.h"
#include "support/Files.h"
#include "support/GlContext.h"
#include "support/ScriptedPlatform.h"

#include <cstdio>
#include <sstream>

using namespace brindlemox::platform;
using namespace brindlemox::render;

namespace {

const char* VertexSource = "#version 330 core\nlayout(location = 0) in vec3 position;\n"
                           "void main() { gl_Position = vec4(position, 1.0); }\n";
const char* FragmentSource = "#version 330 core\nout vec4 colour;\n"
                             "void main() { colour = vec4(1.0); }\n";

using checks::captureReports;

} // namespace

class ShaderLoaderTest : public GlTest {
  protected:
    ScriptedPlatform console;
    testfiles::ScratchDir dir{"shader_loader"};
};

TEST(ShaderSource, EveryLineIsPrecededByANewline) {
    std::istringstream withFinalNewline("a\nb\n");
    std::istringstream withoutFinalNewline("a\nb");
    std::istringstream empty("");
    EXPECT_EQ(ShaderLoader::sourceFromLines(withFinalNewline), "\na\nb");
    EXPECT_EQ(ShaderLoader::sourceFromLines(withoutFinalNewline), "\na\nb");
    EXPECT_EQ(ShaderLoader::sourceFromLines(empty), "");
}

TEST_F(ShaderLoaderTest, BuildsAWorkingProgramAndReports) {
    std::string vs = dir.write("ok.vs", VertexSource);
    std::string fs = dir.write("ok.fs", FragmentSource);
    GLuint program = 0;
    std::string out = captureReports([&] {
        ShaderLoader loader;
        program = loader.loadShaders(vs, fs);
        EXPECT_TRUE(loader.getAttached().empty());
    });
    EXPECT_EQ(out,
              "Compiling shader : " + vs + "\nCompiling shader : " + fs + "\nLinking program\n");
    GLint status = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    EXPECT_EQ(status, GL_TRUE);
    GLint attachedCount = -1;
    glGetProgramiv(program, GL_ATTACHED_SHADERS, &attachedCount);
    EXPECT_EQ(attachedCount, 0);
    glDeleteProgram(program);
}

TEST_F(ShaderLoaderTest, MissingFileIsReportedAndTheProgramStillComesBack) {
    std::string vs = dir.write("only.vs", VertexSource);
    GLuint program = 0;
    std::string out = captureReports([&] {
        ShaderLoader loader;
        program = loader.loadShaders(vs, "Shader/doesNotExist.fs");
    });
    EXPECT_EQ(
        out.rfind(
            "Compiling shader : " + vs +
                "\n"
                "Impossible to open Shader/doesNotExist.fs. Are you in the right directory ?\n"
                "Linking program\n",
            0),
        0u)
        << out;
    EXPECT_EQ(console.pauses, 0) << "the render layer never holds the game for a key";
    EXPECT_NE(program, 0u);
    glDeleteProgram(program);
}

TEST_F(ShaderLoaderTest, CompileErrorsArePrintedAndDoNotStopTheBuild) {
    std::string vs = dir.write("bad.vs", "#version 330 core\nvoid main() { this is not glsl }\n");
    std::string fs = dir.write("fine.fs", FragmentSource);
    GLuint program = 0;
    std::string out = captureReports([&] {
        ShaderLoader loader;
        program = loader.loadShaders(vs, fs);
    });
    EXPECT_NE(out.find("Linking program"), std::string::npos);
    EXPECT_GT(
        out.size(),
        ("Compiling shader : " + vs + "\nCompiling shader : " + fs + "\nLinking program\n").size());
    GLint status = GL_TRUE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    EXPECT_EQ(status, GL_FALSE);
    glDeleteProgram(program);
}

TEST_F(ShaderLoaderTest, DestroyingAnUnlinkedLoaderDeletesItsStages) {
    std::string vs = dir.write("stage.vs", VertexSource);
    GLuint shader = 0;
    GLuint program = 0;
    captureReports([&] {
        ShaderLoader loader;
        program = loader.createProgram();
        shader = loader.addShader(vs, VertexStage);
        EXPECT_EQ(loader.getAttached().size(), 1u);
    });
    // Still attached, so only flagged for deletion; detaching lets it go.
    glDetachShader(program, shader);
    EXPECT_FALSE(glIsShader(shader));
    glDeleteProgram(program);
}
