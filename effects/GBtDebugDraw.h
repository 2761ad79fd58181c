#pragma once

#include "render/RenderScene.h"
#include "render/ResourceCache.h"
#include "render/ShaderProgram.h"

#include <GL/glew.h>
#include <LinearMath/btIDebugDraw.h>

#include <vector>

namespace brindlemox::effects {

// The physics world's shapes as lines, for level makers (F7): the world hands its segments to
// drawLine (no GL), and the scene draws them as an overlay after the main pass, in one call,
// with the drawer's own small program (Shader/debugDrawVS.vs, debugDrawFS.fs; fixed colour).
// The GL objects of a draw live for that draw only.
class GBtDebugDraw : public btIDebugDraw, public render::Overlay {
  public:
    struct Line {
        btVector3 from;
        btVector3 to;
    };

    explicit GBtDebugDraw(render::ResourceCache* cache = nullptr);
    ~GBtDebugDraw() override;

    // btIDebugDraw: each segment is stored.
    void drawLine(const btVector3& from, const btVector3& to, const btVector3& color) override;
    void drawContactPoint(const btVector3& /*pointOnB*/, const btVector3& /*normalOnB*/,
                          btScalar /*distance*/, int /*lifeTime*/,
                          const btVector3& /*color*/) override {}
    void reportErrorWarning(const char* /*warning*/) override {}
    void draw3dText(const btVector3& /*location*/, const char* /*text*/) override {}
    void setDebugMode(int /*mode*/) override {}
    // Every debug-mode bit: an attached world draws everything it can.
    int getDebugMode() const override { return -1; }

    // Overlay: the stored segments, "mvp" = viewProjection, over everything drawn (no depth
    // test); nothing when there are none.
    void draw(const glm::mat4& viewProjection, const glm::vec3& eye) override;
    // A tool for level makers: its program is built when it is first needed.
    void warmUp(const glm::mat4& /*viewProjection*/, const glm::vec3& /*eye*/) override {}

    void addLine(const btVector3& from, const btVector3& to) { lines.push_back({from, to}); }
    // Forgets the stored segments (before the world draws itself again).
    void clear() { lines.clear(); }
    const std::vector<Line>& getLines() const { return lines; }
    GLuint getProgram() const { return render::programName(program); }

  private:
    std::vector<Line> lines;
    render::ProgramRef program;
    GLint mvpLocation = -1;
};

} // namespace brindlemox::effects
