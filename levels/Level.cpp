#include "levels/Level.h"

#include "effects/GBtDebugDraw.h"
#include "effects/WaterMesh.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/VulnerableWall.h"
#include "levels/LevelSound.h"
#include "render/FrameState.h"
#include "render/Map.h"
#include "render/Model.h"
#include "render/TextRenderer.h"
#include "render/WaterRenderTargets.h"

#include <GLFW/glfw3.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>

namespace {
// The loss screen stays at most this long, whatever a caller asks.
constexpr double LongestLossHold = 5.0;
} // namespace

Level::Level(GLFWwindow* window, const Config* config, Controls& controls,
             std::shared_ptr<ResourceCache> given)
    : window(window), config(config), controls(controls),
      resources(given != nullptr ? std::move(given) : std::make_shared<ResourceCache>()) {
    if (GLFWmonitor* monitor = glfwGetPrimaryMonitor()) {
        if (const GLFWvidmode* mode = glfwGetVideoMode(monitor)) {
            modeWidth = mode->width;
            modeHeight = mode->height;
        }
    }
    program = resources->program("Shader/extendedVS.vs", "Shader/extendedFS.fs");
    camera = std::make_unique<Camera>();
    camera->setFieldOfView(config->fov);
    player = std::make_unique<Player>(controls, *camera);
    hud = std::make_unique<Hud>(*resources);
    waterTargets = std::make_unique<WaterRenderTargets>(modeWidth, modeHeight);
    physics = std::make_unique<PhysicsWorld>();
    renderScene = std::make_unique<RenderScene>();
    passes = std::make_unique<ScenePasses>(*waterTargets);
    waterTargets->init();
}

Level::~Level() {
    sound.reset();
    // Bodies leave the world before their owners go; the world goes last.
    physics->removeAll();
    movers.clear();
    gameplayModels.clear();
    objectives.clear();
    enemies.clear();
    owned.clear();
    physicsShapesEntry.reset();
    renderScene.reset();
    player.reset();
    physics.reset();
}

void Level::addObjective(VulnerableWall* wall) {
    wall->show(*renderScene);
    gameplayModels.push_back(wall);
    objectives.push_back(wall);
    wall->setSightBlocker(map != nullptr ? map->getRigidBody() : nullptr);
}

void Level::addEnemy(SimpleEnemy* enemy) {
    enemy->show(*renderScene);
    movers.push_back(enemy);
    gameplayModels.push_back(enemy);
    CellComponent* component = enemy->getComponent();
    component->show(*renderScene);
    movers.push_back(component);
    gameplayModels.push_back(component);
    enemies.push_back(enemy);
}

void Level::setMap(Map* geometry) {
    map = geometry;
    for (VulnerableWall* wall : objectives)
        wall->setSightBlocker(map != nullptr ? map->getRigidBody() : nullptr);
}

void Level::setWater(WaterMesh* surface) {
    water = surface;
    if (water != nullptr)
        waterHeight = water->getTransform().position.y;
}

void Level::setTitle(const std::string& name) {
    title = name;
    hud->setTitle(name);
}

void Level::setLights(std::vector<Light> list) {
    lightList = std::move(list);
    lights = std::make_unique<LightSet>(lightList);
    renderScene->setLights(lights.get());
}

void Level::spawnPlayer(const glm::vec3& position, float health, float power, float toughness,
                        double yawDegrees, double pitchDegrees) {
    spawnYaw = yawDegrees;
    spawnPitch = pitchDegrees;
    controls.setView(spawnYaw, spawnPitch);
    player->setStats(health, power, toughness);
    player->spawnAt(position.x, position.y, position.z);
    player->setCollisionWorld(&physics->world());
}

void Level::addRigidBody(btRigidBody* body) {
    physics->add(body);
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
    framestate::setWireframe(controls.isWireframe());
}

void Level::announce(const std::string& message, double seconds) {
    hud->announce(message, seconds);
}

LevelCard Level::card() const {
    return {title, playSeconds, player->getHealth(), player->getMaxHealth()};
}

void Level::showCard(const LevelCard& finished, double seconds) {
    hud->showCard(finished, seconds);
    attackLetGo = false;
}

bool Level::pressedAnew() {
    const bool held = controls.isAttackHeld();
    if (!held)
        attackLetGo = true;
    return held && attackLetGo;
}

void Level::showHurt(const PhysicsWorld::Hurt& hurt) {
    const float deltaTime = controls.getDeltaTime();
    if (!(hurt.amount > 0.0f) || !(deltaTime > 0.0f))
        return;
    // Where it came from, in the camera's right, up and forward.
    const glm::vec3 away = hurt.from - camera->getPosition();
    const glm::vec3 forward = camera->getDirection();
    const glm::vec3 right = camera->getRight();
    const glm::vec3 up = glm::cross(right, forward);
    const glm::vec3 seen(glm::dot(away, right), glm::dot(away, up), glm::dot(away, forward));
    hud->flashHurt(Hud::sideOf(seen), hurt.amount / deltaTime);
}

void Level::holdLoss(float deltaTime) {
    lossSecondsLeft -= deltaTime;
    if (pressedAnew())
        lossSecondsLeft = 0.0;
    hud->showLossCountdown(lossSecondsLeft);
}

LevelState Level::state() const {
    LevelState state;
    state.hasPlayer = true;
    state.health = player->getHealth();
    state.position = player->getPosition();
    state.yawDegrees = controls.getYawDegrees();
    state.pitchDegrees = controls.getPitchDegrees();
    state.wallsTotal = objectives.size();
    state.wallsDestroyed = static_cast<size_t>(std::count_if(
        objectives.begin(), objectives.end(), [](VulnerableWall* wall) { return wall->isDead(); }));
    return state;
}

bool Level::placePlayer(const glm::vec3& position, double yawDegrees, double pitchDegrees) {
    player->placeAt(position);
    controls.setView(yawDegrees, pitchDegrees);
    return true;
}

void Level::followFramebuffer() {
    int width = 0;
    int height = 0;
    if (window != nullptr)
        glfwGetFramebufferSize(window, &width, &height);
    if (width < 1 || height < 1)
        return; // minimised: keep the last picture's size
    waterTargets->setScreenSize(width, height);
    hud->setScreenSize(width, height);
    // The settings menu may have changed it.
    camera->setFieldOfView(config->fov);
    camera->setAspect(static_cast<float>(width) / static_cast<float>(height));
}

void Level::update() {
    controls.updateTime();
    const float deltaTime = controls.getDeltaTime();
    // The aspect is settled before the player rebuilds the frustum this frame.
    followFramebuffer();
    if (controls.isPaused()) {
        // Nothing moves; the frustum only follows a new window size.
        camera->updateFrustum();
        return;
    }
    // The loss screen: the world stands still until the countdown ends.
    standingStill = lost;
    if (standingStill) {
        holdLoss(deltaTime);
        return;
    }
    playSeconds += deltaTime;
    if (hud->isCardShown() && pressedAnew())
        hud->hideCard();
    for (GameplayModel* mover : movers)
        mover->update(deltaTime);
    if (water != nullptr)
        water->update(deltaTime);
    player->updateModels(gameplayModels);
    hud->showHealth(player->getHealth(), player->getMaxHealth());
    const LevelState now = state();
    hud->showWallsLeft(now.wallsTotal - now.wallsDestroyed, now.wallsTotal);
    hud->advance(deltaTime);
    // A won level stays won: nothing resets it.
    if (player->getHealth() <= 0.0f && !isFinished()) {
        lost = true;
        lossSecondsLeft = std::min(lossHoldSeconds, LongestLossHold);
        attackLetGo = false;
        hud->showLost();
        hud->showLossCountdown(lossSecondsLeft);
    }
}

void Level::stepPhysics() {
    // The sounds hold with the game clock.
    if (soundSystem != nullptr)
        soundSystem->setPaused(controls.isPaused());
    if (controls.isPaused())
        return;
    // From the frame after the loss on, the world stands still.
    if (!standingStill) {
        physics->step();
        player->update();
        // Once every wall is down nothing hurts the player.
        if (!isFinished())
            showHurt(physics->hurtByContacts(*player,
                                             map != nullptr ? map->getRigidBody() : nullptr,
                                             enemies, controls.getDeltaTime()));
    }
    if (soundSystem != nullptr) {
        if (sound == nullptr)
            sound = std::make_unique<LevelSound>(*soundSystem, objectives, enemies, water);
        LevelSound::Frame now;
        now.deltaTime = controls.getDeltaTime();
        now.playerHealth = player->getHealth();
        now.lost = lost;
        sound->update(*camera, now);
    }
}

WorkTally Level::work() const {
    const ResourceCache::Counts& built = resources->built();
    WorkTally done;
    done[WorkTally::ShaderCompile] = built.shaderStages;
    done[WorkTally::ProgramLink] = built.programs;
    done[WorkTally::TextureUpload] = built.textures;
    for (const auto& [kind, count] : built.made)
        done[kind == Model::CacheKind        ? WorkTally::ModelBuild
             : kind == GlyphAtlas::CacheKind ? WorkTally::GlyphSet
                                             : WorkTally::GeneratedTexture] += count;
    done[WorkTally::HudPicture] = hud->pictureBuilds();
    for (const VulnerableWall* wall : objectives) {
        done[WorkTally::ParticleStart] += wall->particlesStarted() ? 1 : 0;
        done[WorkTally::SparkDraw] += wall->sparkDraws();
    }
    done[WorkTally::WaterPass] = passes->waterPasses();
    done[WorkTally::FirstDraw] = lights != nullptr ? lights->programsGiven() : 0;
    return done;
}

void Level::setSound(audio::SoundSystem* given) {
    sound.reset();
    soundSystem = given;
    if (soundSystem == nullptr || soundSystem->isLoaded() || !soundSystem->isAudible())
        return;
    if (soundFiles == nullptr)
        soundFiles = std::make_shared<audio::SoundBank>();
    soundSystem->load(soundFiles->clips());
}

void Level::restartAfterLoss() {
    // Alive again, so drawn whole again: the picture must not show a wall as gone that blocks.
    for (VulnerableWall* objective : objectives)
        objective->restore();
    controls.setView(spawnYaw, spawnPitch);
    player->resetHealth();
    player->respawn();
    lost = false;
    lossSecondsLeft = 0.0;
}

void Level::warmUp() {
    followFramebuffer();
    const framestate::OnePixel onePixel;
    ScenePasses::Settings chosen;
    chosen.levels = config->levels;
    chosen.warmUp = true;
    passes->render(*renderScene, *camera, chosen);
    Hud::Frame frame;
    frame.hasWalls = !objectives.empty();
    hud->warmUp(frame);
}

void Level::drawPhysicsShapes() {
    if (!controls.isDrawingPhysics()) {
        if (physicsShapes != nullptr)
            physicsShapes->clear();
        return;
    }
    if (physicsShapes == nullptr) {
        physicsShapes = std::make_unique<GBtDebugDraw>(resources.get());
        physicsShapesEntry = std::make_unique<SceneEntry>();
        physicsShapesEntry->show(*renderScene, physicsShapes.get());
        physics->world().setDebugDrawer(physicsShapes.get());
    }
    physicsShapes->clear();
    physics->world().debugDrawWorld();
}

void Level::render() {
    drawPhysicsShapes();
    ScenePasses::Settings chosen;
    chosen.celShading = controls.isCelShading();
    chosen.levels = config->levels;
    chosen.drawInactive = controls.isDrawingInactive();
    passes->render(*renderScene, *camera, chosen);

    Hud::Frame frame;
    frame.hasWalls = !objectives.empty();
    frame.showFps = controls.isFpsShown();
    frame.deltaTime = controls.getFrameSeconds();
    frame.lost = lost;
    frame.lossCountdown = lost && lossSecondsLeft > 0.0;
    frame.paused = controls.isPaused();
    frame.showTimer = config->timer;
    frame.seconds = playSeconds;
    frame.crosshairOnWall =
        !lost && std::any_of(objectives.begin(), objectives.end(),
                             [this](VulnerableWall* wall) { return wall->isTargeted(*camera); });
    if (hudShown)
        hud->draw(frame);
    framestate::endLevelFrame();
}
