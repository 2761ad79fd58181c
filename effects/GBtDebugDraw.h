#pragma once

#include "render/Drawable.h"

#include <LinearMath/btIDebugDraw.h>

#include <vector>

// Draws the physics world's debug segments with its own small program (Shader/debugDrawVS.vs,
// debugDrawFS.fs; fixed colour). Each drawLine makes and deletes its own GL objects, so nothing
// lives between calls. drawLine sets no program: whoever makes the world draw through it calls
// useProgram and uploadUniforms first.
class GBtDebugDraw : public btIDebugDraw, public Drawable {
  public:
    struct Line {
        btVector3 from;
        btVector3 to;
    };

    explicit GBtDebugDraw(ResourceCache* cache = nullptr);
    ~GBtDebugDraw() override;

    // btIDebugDraw
    void drawLine(const btVector3& from, const btVector3& to, const btVector3& color) override;
    void drawContactPoint(const btVector3& /*pointOnB*/, const btVector3& /*normalOnB*/,
                          btScalar /*distance*/, int /*lifeTime*/,
                          const btVector3& /*color*/) override {}
    void reportErrorWarning(const char* /*warning*/) override {}
    void draw3dText(const btVector3& /*location*/, const char* /*text*/) override {}
    void setDebugMode(int /*mode*/) override {}
    // Every debug-mode bit: an attached world draws everything it can.
    int getDebugMode() const override { return -1; }

    // Drawable
    bool isActive() override { return true; }
    void update(float /*deltaTime*/) override {}
    // Only "mvp" = viewProjection * model matrix.
    void uploadUniforms(const RenderState& state) override;
    // Draws the stored segments in one call; nothing when there are none.
    void draw(const Frustum& frustum) override;
    void lookUpUniforms() override;

    // Stores a segment for the Drawable face.
    void addLine(const btVector3& from, const btVector3& to) { lines.push_back({from, to}); }
    const std::vector<Line>& getLines() const { return lines; }

  private:
    // Uploads the end points (x, y, z each) into a temporary array and draws them as lines.
    void drawSegments(const std::vector<float>& points);

    std::vector<Line> lines;
};
