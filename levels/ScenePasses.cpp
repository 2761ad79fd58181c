#include "levels/ScenePasses.h"

#include "effects/WaterMesh.h"
#include "effects/WaterRenderTargets.h"
#include "gameplay/VulnerableWall.h"
#include "render/Camera.h"
#include "render/LightSet.h"

#include <glm/geometric.hpp>

#include <set>
#include <utility>

namespace {

// Mirrors world space about the horizontal plane y = height.
glm::mat4 mirrorAbout(float height) {
    glm::mat4 m(1.0f);
    m[1][1] = -1.0f;
    m[3][1] = 2.0f * height;
    return m;
}

// The main pass clips nothing: its plane lies far below every level.
constexpr float MainPassClipDistance = 20000.0f;

} // namespace

void ScenePasses::render(const Scene& drawn, const Camera& eye, const Settings& chosen) {
    scene = &drawn;
    camera = &eye;
    settings = chosen;
    const glm::mat4 projection = camera->getProjectionMatrix();
    const glm::mat4 view = camera->getViewMatrix();
    const float waterHeight = scene->waterHeight;
    // The water images are only worth their cost while the water is in view.
    const bool waterInView = scene->water != nullptr &&
                             (settings.warmUp || scene->water->isInFrustum(camera->getFrustum()));
    const Frustum everything = Frustum::everything(camera->getPosition());

    glEnable(GL_CLIP_DISTANCE0);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    if (waterInView) {
        // Reflection: the scene above the water, seen in a mirror about the water's surface.
        // Drawing it from the real camera through the mirror lets the water sample it at its
        // own screen position.
        const glm::vec3 eyePosition = camera->getPosition();
        const glm::vec3 mirroredEye(eyePosition.x, 2.0f * waterHeight - eyePosition.y,
                                    eyePosition.z);
        glm::vec3 direction = camera->getDirection();
        glm::vec3 up = camera->getUp();
        direction.y = -direction.y;
        up.y = -up.y;
        Frustum mirrored;
        mirrored.build(camera->getFieldOfView(), camera->getAspect(), camera->getNearPlane(),
                       camera->getFarPlane(), direction, up, mirroredEye);
        targets.bindReflection();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // The mirror turns every triangle's winding around: without this, the shaders would
        // light each reflected surface as its back face.
        glFrontFace(GL_CW);
        renderWaterPass(projection * view * mirrorAbout(waterHeight),
                        glm::vec4(0.0f, 1.0f, 0.0f, -waterHeight),
                        settings.warmUp ? everything : mirrored);
        glFrontFace(GL_CCW);

        // Refraction: what lies below the surface.
        targets.bindRefraction();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderWaterPass(projection * view, glm::vec4(0.0f, -1.0f, 0.0f, waterHeight),
                        settings.warmUp ? everything : camera->getFrustum());
    }

    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CLIP_DISTANCE0);
    targets.bindScreen();
    renderMain(settings.warmUp ? everything : camera->getFrustum());
}

RenderState ScenePasses::passState(const glm::mat4& viewProjection,
                                   const glm::vec4& clipPlane) const {
    RenderState state;
    state.viewProjection = viewProjection;
    state.clipPlane = clipPlane;
    state.celShading = settings.celShading;
    state.levels = settings.levels;
    return state;
}

void ScenePasses::drawObject(Drawable& drawable, const RenderState& state, const Frustum& frustum,
                             bool clipped) {
    // The back faces of a closed, opaque surface seen from outside hide behind its front faces:
    // not shading them saves their pixels. The level geometry is always seen from inside. A
    // water pass's clip plane cuts an object open, and a camera inside one sees its inside.
    const bool isMap = &drawable == scene->map;
    const bool outside = glm::length(camera->getPosition() - drawable.getWorldCentre()) >
                         drawable.getBoundingRadius();
    const bool cull =
        isMap || (drawable.isClosedSurface() && drawable.getAlpha() >= 1.0f && !clipped && outside);
    if (cull)
        glEnable(GL_CULL_FACE);
    // The level geometry comes after the objects in front of it; on a tie it wins.
    if (isMap)
        glDepthFunc(GL_LEQUAL);
    drawable.useProgram();
    drawable.uploadUniforms(state);
    // A program keeps the lights it was given: they are written once per program and level.
    if (scene->lights != nullptr && drawable.getSharedProgram() != nullptr)
        scene->lights->uploadTo(*drawable.getSharedProgram());
    drawable.draw(frustum);
    if (isMap)
        glDepthFunc(GL_LESS);
    if (cull)
        glDisable(GL_CULL_FACE);
}

void ScenePasses::orderForDrawing(bool mainPass) {
    // Opaque objects (the water among them) first, then the level geometry, so that the
    // geometry's pixels they hide fail the depth test before they are shaded; what blends with
    // what lies behind it comes last. Where the geometry meets an object at exactly its depth,
    // it is drawn to win (drawObject), as it would if it came first.
    drawOrder.clear();
    const auto wanted = [&](Drawable* drawable) {
        if (mainPass)
            return drawable->isActive() || settings.drawInactive;
        return drawable->isActive() && !drawable->isWater();
    };
    const auto opaque = [](Drawable* drawable) { return drawable->getAlpha() >= 1.0f; };
    const std::vector<Drawable*>& drawables = *scene->drawables;
    for (Drawable* drawable : drawables)
        if (wanted(drawable) && drawable != scene->map && opaque(drawable))
            drawOrder.push_back(drawable);
    for (Drawable* drawable : drawables)
        if (wanted(drawable) && drawable == scene->map)
            drawOrder.push_back(drawable);
    for (Drawable* drawable : drawables)
        if (wanted(drawable) && drawable != scene->map && !opaque(drawable))
            drawOrder.push_back(drawable);
    if (settings.warmUp) {
        // The driver's code follows the program and the textures, which the model fixes: one
        // object of each pair is enough.
        std::set<std::pair<const Model*, GLuint>> seen;
        size_t kept = 0;
        for (Drawable* drawable : drawOrder)
            if (seen.insert({drawable->getModel(), drawable->getProgram()}).second)
                drawOrder[kept++] = drawable;
        drawOrder.resize(kept);
    }
}

void ScenePasses::renderWaterPass(const glm::mat4& viewProjection, const glm::vec4& clipPlane,
                                  const Frustum& frustum) {
    ++waterPassCount;
    const RenderState state = passState(viewProjection, clipPlane);
    orderForDrawing(false);
    for (Drawable* drawable : drawOrder)
        drawObject(*drawable, state, frustum, true);
}

void ScenePasses::renderMain(const Frustum& frustum) {
    const glm::mat4 viewProjection = camera->getProjectionMatrix() * camera->getViewMatrix();
    const RenderState state =
        passState(viewProjection, glm::vec4(0.0f, 1.0f, 0.0f, MainPassClipDistance));
    orderForDrawing(true);
    for (Drawable* drawable : drawOrder)
        drawObject(*drawable, state, frustum, false);

    // Sparks last among the scene, so the walls they fly from do not paint over them.
    glDepthMask(GL_FALSE);
    if (scene->walls != nullptr)
        for (VulnerableWall* wall : *scene->walls) {
            if (settings.warmUp)
                wall->warmUpParticles(viewProjection, camera->getPosition());
            else
                wall->drawParticles(viewProjection, camera->getPosition());
        }
    glDepthMask(GL_TRUE);
}
