#include "levels/Level.h"

#include "effects/GBtDebugDraw.h"
#include "effects/WaterMesh.h"
#include "effects/WaterRenderTargets.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/VulnerableWall.h"
#include "render/Map.h"

#include <GLFW/glfw3.h>
#include <btBulletDynamicsCommon.h>
#include <glm/ext/matrix_transform.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <sstream>
#include <thread>

namespace {

// Mirrors world space about the horizontal plane y = height.
glm::mat4 mirrorAbout(float height) {
    glm::mat4 m(1.0f);
    m[1][1] = -1.0f;
    m[3][1] = 2.0f * height;
    return m;
}

} // namespace

Level::Level(GLFWwindow* window, const Config* config, std::shared_ptr<ResourceCache> given)
    : resources(given != nullptr ? std::move(given) : std::make_shared<ResourceCache>()) {
    int modeWidth = 0;
    int modeHeight = 0;
    if (GLFWmonitor* monitor = glfwGetPrimaryMonitor()) {
        if (const GLFWvidmode* mode = glfwGetVideoMode(monitor)) {
            modeWidth = mode->width;
            modeHeight = mode->height;
        }
    }
    program = resources->program("Shader/extendedVS.vs", "Shader/extendedFS.fs");
    this->config = config;
    this->window = window;
    camera = std::make_unique<Camera>();
    controls = std::make_unique<Controls>(window, config);
    player = std::make_unique<Player>(*controls, *camera);
    levelTitle = std::make_unique<TextRenderer>(25, resources.get());
    healthText = std::make_unique<TextRenderer>(30, resources.get());
    lostText = std::make_unique<TextRenderer>(40, resources.get());
    fpsText = std::make_unique<TextRenderer>(30, resources.get());
    // Beyond the four lines every level has: the walls left, a centred message and the
    // crosshair, at sizes the four already use.
    wallsText = std::make_unique<TextRenderer>(25, resources.get());
    bannerText = std::make_unique<TextRenderer>(40, resources.get());
    crosshair = std::make_unique<TextRenderer>(30, resources.get());
    hud = std::make_unique<HudCache>(*resources);
    screenWidth = modeWidth;
    screenHeight = modeHeight;
    waterTargets = std::make_unique<WaterRenderTargets>(screenWidth, screenHeight);
    lost = false;
    levelTitle->setPosition(30, 50);
    levelTitle->setColour(0, 0, 0);
    healthText->setPosition(30, 90);
    healthText->setColour(0, 0, 0);
    lostText->setPosition(300, 300);
    fpsText->setPosition(700, 500);
    wallsText->setPosition(30, 130);
    wallsText->setColour(0, 0, 0);
    bannerText->setPosition(400, 420);
    bannerText->setCentred(true);
    crosshair->setText("+");
    crosshair->setPosition(400, 300);
    crosshair->setCentred(true);
    // Every line reads over the darkest and the brightest walls.
    for (TextRenderer* line : hudLines())
        line->setOutlined(true);
    createPhysicsWorld();
    waterTargets->init();
}

Level::~Level() {
    // Bodies leave the world before their owners go; the world goes last.
    if (dynamicsWorld) {
        for (btRigidBody* body : bodiesInWorld)
            dynamicsWorld->removeRigidBody(body);
    }
    bodiesInWorld.clear();
    drawables.clear();
    gameplayModels.clear();
    objectives.clear();
    enemies.clear();
    owned.clear();
    player.reset();
    dynamicsWorld.reset();
    solver.reset();
    dispatcher.reset();
    collisionConfiguration.reset();
    broadphase.reset();
}

void Level::createPhysicsWorld() {
    auto tree = std::make_unique<btDbvtBroadphase>();
    // Enemies glide a little every frame. Without a box that reaches ahead along their motion,
    // each one leaves its box every frame or two and costs a query of both trees, which grows
    // with everything it overlaps; contacts themselves are still computed exactly.
    tree->setVelocityPrediction(1.0f);
    broadphase = std::move(tree);
    collisionConfiguration = std::make_unique<btDefaultCollisionConfiguration>();
    dispatcher = std::make_unique<btCollisionDispatcher>(collisionConfiguration.get());
    solver = std::make_unique<btSequentialImpulseConstraintSolver>();
    dynamicsWorld = std::make_unique<btDiscreteDynamicsWorld>(
        dispatcher.get(), broadphase.get(), solver.get(), collisionConfiguration.get());
    dynamicsWorld->setGravity(btVector3(0, 0, 0));
}

void Level::addObjective(VulnerableWall* wall) {
    drawables.push_back(wall);
    gameplayModels.push_back(wall);
    objectives.push_back(wall);
}

void Level::addEnemy(SimpleEnemy* enemy) {
    drawables.push_back(enemy);
    gameplayModels.push_back(enemy);
    CellComponent* component = enemy->getComponent();
    drawables.push_back(component);
    gameplayModels.push_back(component);
    enemies.push_back(enemy);
}

void Level::spawnPlayer(const glm::vec3& position) {
    player->spawnAt(position.x, position.y, position.z);
    player->setCollisionWorld(dynamicsWorld.get());
}

void Level::addRigidBody(btRigidBody* body) {
    if (body == nullptr)
        return;
    dynamicsWorld->addRigidBody(body);
    bodiesInWorld.push_back(body);
}

void Level::setWater(WaterMesh* surface) {
    water = surface;
    if (water != nullptr)
        waterHeight = water->getTransform().position.y;
}

bool Level::isFinished() {
    for (VulnerableWall* objective : objectives)
        if (!objective->isDead())
            return false;
    return true;
}

glm::mat4 Level::getViewMatrix() {
    return player->getViewMatrix();
}

void Level::applyPolygonMode() {
    glPolygonMode(GL_FRONT_AND_BACK, controls->isWireframe() ? GL_LINE : GL_FILL);
}

std::string Level::healthLine(float health, float maxHealth) {
    // Cut toward zero; far out-of-range values are clamped rather than converted blindly.
    float clamped = std::isnan(health) ? 0.0f : std::clamp(health, -2.0e9f, 2.0e9f);
    std::ostringstream line;
    line << static_cast<int>(clamped) << "/" << maxHealth;
    return line.str();
}

std::array<TextRenderer*, 7> Level::hudLines() const {
    return {levelTitle.get(), healthText.get(), lostText.get(), fpsText.get(),
            wallsText.get(),  bannerText.get(), crosshair.get()};
}

std::string Level::wallsLine(size_t standing, size_t total) {
    return "Walls " + std::to_string(standing) + "/" + std::to_string(total);
}

void Level::announce(const std::string& message, double seconds) {
    bannerText->setText(message);
    bannerForGood = !(seconds > 0.0);
    bannerSecondsLeft = bannerForGood ? 0.0 : seconds;
}

void Level::placePlayer(const glm::vec3& position, double yawDegrees, double pitchDegrees) {
    player->placeAt(position);
    Controls::setView(yawDegrees, pitchDegrees);
}

int Level::framesPerSecond(float deltaTime) {
    const float hundred = std::pow(10.0f, 2.0f);
    const float rounded = std::floor(deltaTime * hundred) / hundred;
    if (rounded > 0.0f)
        return static_cast<int>(std::floor(1.0f / rounded));
    // Faster than a hundred frames a second: count the frame itself, capped at a thousand.
    if (deltaTime <= 0.001f)
        return 1000;
    return static_cast<int>(std::floor(1.0f / deltaTime));
}

void Level::followFramebuffer() {
    int width = 0;
    int height = 0;
    if (window != nullptr)
        glfwGetFramebufferSize(window, &width, &height);
    if (width < 1 || height < 1)
        return; // minimised: keep the last picture's size
    waterTargets->setScreenSize(width, height);
    for (TextRenderer* line : hudLines())
        line->setScreenSize(width, height);
    camera->setAspect(static_cast<float>(width) / static_cast<float>(height));
}

void Level::update() {
    controls->updateTime();
    const float deltaTime = controls->getDeltaTime();
    // The aspect is settled before the player rebuilds the frustum this frame.
    followFramebuffer();
    for (Drawable* drawable : drawables)
        drawable->update(deltaTime);
    player->updateModels(gameplayModels);
    healthText->setText(healthLine(player->getHealth(), player->getMaxHealth()));
    const size_t standing =
        static_cast<size_t>(std::count_if(objectives.begin(), objectives.end(),
                                          [](VulnerableWall* wall) { return !wall->isDead(); }));
    wallsText->setText(wallsLine(standing, objectives.size()));
    if (!bannerForGood && bannerSecondsLeft > 0.0)
        bannerSecondsLeft -= deltaTime;
    if (player->getHealth() <= 0.0f) {
        lost = true;
        lostText->setText("You lost!");
    }
}

void Level::stepPhysics() {
    dynamicsWorld->stepSimulation(1.0f / 60.0f, 10, 1.0f / 60.0f);
    player->update();

    // Every penetrating contact point hurts, unless the map's body is in it. The player's move
    // stops at the surface of triangle meshes (walls), so pressing against a wall never
    // penetrates: a wall the move ran into counts as one contact instead.
    const float deltaTime = controls->getDeltaTime();
    const btRigidBody* mapBody = map != nullptr ? map->getRigidBody() : nullptr;
    const btCollisionObject* self = player->getRigidBody();
    const std::vector<const btCollisionObject*>& pressed = player->getPressedBodies();
    const int manifolds = dispatcher->getNumManifolds();
    for (int i = 0; i < manifolds; ++i) {
        btPersistentManifold* manifold = dispatcher->getManifoldByIndexInternal(i);
        const btCollisionObject* a = manifold->getBody0();
        const btCollisionObject* b = manifold->getBody1();
        if (mapBody != nullptr && (a == mapBody || b == mapBody))
            continue;
        int penetrating = 0;
        for (int p = 0; p < manifold->getNumContacts(); ++p) {
            if (manifold->getContactPoint(p).getDistance() < 0.0f) {
                player->takeDamage(0.5f * deltaTime);
                ++penetrating;
            }
        }
        const btCollisionObject* other = a == self ? b : b == self ? a : nullptr;
        if (penetrating == 0 && self != nullptr && other != nullptr &&
            std::find(pressed.begin(), pressed.end(), other) != pressed.end())
            player->takeDamage(0.5f * deltaTime);
    }
}

void Level::restartAfterLoss() {
    // Alive again, so drawn whole again: the picture must not show a wall as gone that blocks.
    for (VulnerableWall* objective : objectives)
        objective->restore();
    controls->resetView();
    player->resetHealth();
    player->respawn();
    lost = false;
    // The "You lost!" frame stays on screen for a moment; the sleep is bounded and always ends.
    if (lossHoldSeconds > 0.0)
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(lossHoldSeconds, 5.0)));
}

RenderState Level::passState(const glm::mat4& viewProjection, const glm::vec4& clipPlane) const {
    RenderState state;
    state.viewProjection = viewProjection;
    state.clipPlane = clipPlane;
    state.celShading = controls->isCelShading();
    state.levels = config->levels;
    return state;
}

void Level::drawObject(Drawable& drawable, const RenderState& state, const Frustum& frustum,
                       bool clipped) {
    // The back faces of a closed, opaque surface seen from outside hide behind its front faces:
    // not shading them saves their pixels. The level geometry is always seen from inside. A
    // water pass's clip plane cuts an object open, and a camera inside one sees its inside.
    const bool outside = glm::length(camera->getPosition() - drawable.getWorldCentre()) >
                         drawable.getBoundingRadius();
    const bool cull = &drawable == map || (drawable.isClosedSurface() &&
                                           drawable.getAlpha() >= 1.0f && !clipped && outside);
    if (cull)
        glEnable(GL_CULL_FACE);
    // The level geometry now comes after the objects in front of it; on a tie it wins as before.
    if (&drawable == map)
        glDepthFunc(GL_LEQUAL);
    drawable.useProgram();
    drawable.uploadUniforms(state);
    if (lights)
        lights->upload(drawable.getProgram(), drawable.lightLocations());
    drawable.draw(frustum);
    if (&drawable == map)
        glDepthFunc(GL_LESS);
    if (cull)
        glDisable(GL_CULL_FACE);
}

void Level::orderForDrawing(bool mainPass) {
    // Opaque objects (the water among them) first, then the level geometry, so that the
    // geometry's pixels they hide fail the depth test before they are shaded; what blends with
    // what lies behind it comes last. Depth decides what is seen; where the geometry meets an
    // object at exactly its depth, it is drawn to win (drawObject), as it did when it came
    // first. So the picture is the one the list order gives.
    drawOrder.clear();
    const auto wanted = [&](Drawable* drawable) {
        if (mainPass)
            return drawable->isActive() || controls->isDrawingInactive();
        return drawable->isActive() && !drawable->isWater();
    };
    const auto opaque = [](Drawable* drawable) { return drawable->getAlpha() >= 1.0f; };
    for (Drawable* drawable : drawables)
        if (wanted(drawable) && drawable != map && opaque(drawable))
            drawOrder.push_back(drawable);
    for (Drawable* drawable : drawables)
        if (wanted(drawable) && drawable == map)
            drawOrder.push_back(drawable);
    for (Drawable* drawable : drawables)
        if (wanted(drawable) && drawable != map && !opaque(drawable))
            drawOrder.push_back(drawable);
}

void Level::renderScene(const glm::mat4& viewProjection, const glm::vec4& clipPlane,
                        const Frustum& frustum) {
    const RenderState state = passState(viewProjection, clipPlane);
    orderForDrawing(false);
    for (Drawable* drawable : drawOrder)
        drawObject(*drawable, state, frustum, true);
}

void Level::render() {
    const glm::mat4 projection = camera->getProjectionMatrix();
    const glm::mat4 view = camera->getViewMatrix();
    // The water images are only worth their cost while the water is in view.
    const bool waterInView = water != nullptr && water->isInFrustum(camera->getFrustum());

    glEnable(GL_CLIP_DISTANCE0);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    if (waterInView) {
        // Reflection: the scene above the water, seen in a mirror about the water's surface.
        // Drawing it from the real camera through the mirror lets the water sample it at its
        // own screen position.
        const glm::vec3 eye = camera->getPosition();
        const glm::vec3 mirroredEye(eye.x, 2.0f * waterHeight - eye.y, eye.z);
        glm::vec3 direction = camera->getDirection();
        glm::vec3 up = camera->getUp();
        direction.y = -direction.y;
        up.y = -up.y;
        Frustum mirrored;
        mirrored.build(camera->getFieldOfView(), camera->getAspect(), camera->getNearPlane(),
                       camera->getFarPlane(), direction, up, mirroredEye);
        waterTargets->bindReflection();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // The mirror turns every triangle's winding around: without this, the shaders would
        // light each reflected surface as its back face.
        glFrontFace(GL_CW);
        renderScene(projection * view * mirrorAbout(waterHeight),
                    glm::vec4(0.0f, 1.0f, 0.0f, -waterHeight), mirrored);
        glFrontFace(GL_CCW);

        // Refraction: what lies below the surface.
        waterTargets->bindRefraction();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderScene(projection * view, glm::vec4(0.0f, -1.0f, 0.0f, waterHeight),
                    camera->getFrustum());
    }
    waterTargets->bindScreen();

    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CLIP_DISTANCE0);
    waterTargets->bindScreen();
    renderMain(glm::vec4(0.0f, 1.0f, 0.0f, 20000.0f));
    glDisable(GL_DEPTH_TEST);
}

void Level::renderMain(const glm::vec4& clipPlane) {
    const glm::mat4 viewProjection = camera->getProjectionMatrix() * camera->getViewMatrix();
    const RenderState state = passState(viewProjection, clipPlane);
    const Frustum& frustum = camera->getFrustum();
    orderForDrawing(true);
    for (Drawable* drawable : drawOrder)
        drawObject(*drawable, state, frustum, false);

    // Sparks last among the scene, so the walls they fly from do not paint over them.
    glDepthMask(GL_FALSE);
    for (VulnerableWall* wall : objectives)
        wall->drawParticles(viewProjection, camera->getPosition());
    glDepthMask(GL_TRUE);

    renderHud();
}

void Level::renderHud() {
    hudDrawn.clear();
    hudDrawn.push_back(levelTitle.get());
    hudDrawn.push_back(healthText.get());
    if (!objectives.empty())
        hudDrawn.push_back(wallsText.get());
    if (controls->isFpsShown()) {
        fpsText->setText(std::to_string(framesPerSecond(controls->getDeltaTime())));
        hudDrawn.push_back(fpsText.get());
    }
    if (bannerForGood || bannerSecondsLeft > 0.0)
        hudDrawn.push_back(bannerText.get());
    if (lost) {
        hudDrawn.push_back(lostText.get());
        crosshairOnWall = false; // nothing to aim at until play resumes
    } else {
        crosshairOnWall =
            std::any_of(objectives.begin(), objectives.end(),
                        [this](VulnerableWall* wall) { return wall->isTargeted(*camera); });
        crosshair->setColour(crosshairOnWall ? crosshairOnWallColour() : crosshairColour());
        hudDrawn.push_back(crosshair.get());
    }
    hud->draw(hudDrawn);
}
