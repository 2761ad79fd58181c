#pragma once

#include "render/GlHandle.h"

#include <string>
#include <vector>

namespace brindlemox::render {

// Stage codes handed to addShader.
enum ShaderStage : int { VertexStage = 0, FragmentStage = 1, GeometryStage = 2 };

// Builds one GL program from shader files under Shader/. Prints what the compiler and linker say
// and never stops the game: a missing file or a failed build still yields a program name. The
// caller owns the program; the loader owns only the stage objects until the link. Only regular
// files of at most 1 MiB are read, and a source too deep to compile safely is not compiled.
class ShaderLoader {
  public:
    ShaderLoader() = default;
    ShaderLoader(const ShaderLoader&) = delete;
    ShaderLoader& operator=(const ShaderLoader&) = delete;

    GLuint createProgram();
    // Compiles the file and attaches it; 0 (still attached and listed) when it cannot be opened.
    GLuint addShader(const std::string& path, int stage);
    // Links, prints the log, then detaches and deletes every attached stage.
    void linkProgram();
    // createProgram, vertex stage, fragment stage, linkProgram.
    GLuint loadShaders(const std::string& vertexPath, const std::string& fragmentPath);

    GLuint getProgram() const { return program; }
    // The stages attached since the last link; the loader deletes them at the link or when it
    // goes (an empty handle stands for a file that could not be opened).
    const std::vector<gl::Shader>& getAttached() const { return attached; }

    // The source text the game hands to the compiler for a file's lines: "\n" before every line.
    static std::string sourceFromLines(std::istream& in);
    // Puts the file each line `#include "NAME"` names (beside the stage, one level deep) in
    // place of that line, keeping the stage's own line numbers in the driver's messages. The
    // name of the first file that cannot be read goes to missing, and the result is empty.
    static std::string expandIncludes(const std::string& source, const std::string& stagePath,
                                      std::string& missing);

    // How deep the compiler's parse of a source can go: the most operator characters in one
    // statement (up to ";", "{" or "}") and the deepest nesting of "(" and "[", comments left
    // out. The GL compiler walks a chain of operators recursively, so a chain of tens of
    // thousands (one long generated line) overflows its stack and ends the process.
    struct SourceShape {
        int longestStatement = 0;
        int deepestNesting = 0;
    };
    static SourceShape measureSource(const std::string& source);
    // Far beyond any hand-written shader, far below what overflows the compiler.
    static constexpr int MaxOperatorsPerStatement = 4000;
    static constexpr int MaxNesting = 256;
    // Why a source is not handed to the compiler, or empty when it may be.
    static std::string refusal(const std::string& source);

  private:
    gl::Shader compileShader(const std::string& path, int stage);

    GLuint program = 0;
    std::vector<gl::Shader> attached;
};

} // namespace brindlemox::render
