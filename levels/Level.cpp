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

namespace brindlemox::levels {

using namespace gameplay;
using namespace effects;
using namespace render;
using namespace platform;

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
    content = std::make_unique<LevelContent>(*renderScene);
    rules = std::make_unique<LevelRules>(controls, *hud);
    passes = std::make_unique<ScenePasses>(*waterTargets);
    waterTargets->init();
}

Level::~Level() {
    sound.reset();
    // Bodies leave the world before their owners go; the world goes last.
    physics->removeAll();
    content->release();
    physicsShapesEntry.reset();
    renderScene.reset();
    player.reset();
    physics.reset();
}

void Level::setTitle(const std::string& name) {
    title = name;
    hud->setTitle(name);
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
    return LevelRules::isWon(*content);
}

glm::mat4 Level::getViewMatrix() {
    return player->getViewMatrix();
}

void Level::applyPolygonMode() {
    // Only this level's frames set it (the HUD gives back what it found): set on a change.
    const int wanted = controls.isWireframe() ? 1 : 0;
    if (wanted == wireframeSet)
        return;
    framestate::setWireframe(wanted == 1);
    wireframeSet = wanted;
}

void Level::announce(const std::string& message, double seconds) {
    hud->announce(message, seconds);
}

LevelCard Level::card() const {
    return {title, playSeconds, player->getHealth(), player->getMaxHealth()};
}

void Level::showCard(const LevelCard& finished, double seconds) {
    hud->showCard(finished, seconds);
    rules->awaitPress();
}

LevelState Level::state() const {
    LevelState state;
    state.hasPlayer = true;
    state.health = player->getHealth();
    state.position = player->getPosition();
    state.yawDegrees = controls.getYawDegrees();
    state.pitchDegrees = controls.getPitchDegrees();
    state.wallsTotal = content->objectives().size();
    state.wallsDestroyed = content->wallsDestroyed();
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
    if (rules->standStill(deltaTime))
        return;
    playSeconds += deltaTime;
    if (hud->isCardShown() && rules->pressedAnew())
        hud->hideCard();
    for (GameplayModel* mover : content->movers())
        mover->update(deltaTime);
    if (WaterMesh* water = content->water())
        water->update(deltaTime);
    player->updateModels(content->gameplayModels());
    hud->showHealth(player->getHealth(), player->getMaxHealth());
    const LevelState now = state();
    hud->showWallsLeft(now.wallsTotal - now.wallsDestroyed, now.wallsTotal);
    hud->advance(deltaTime);
    rules->judge(player->getHealth(), *content);
}

void Level::stepPhysics() {
    // The sounds hold with the game clock.
    if (soundSystem != nullptr)
        soundSystem->setPaused(controls.isPaused());
    if (controls.isPaused())
        return;
    // From the frame after the loss on, the world stands still.
    if (!rules->isStandingStill()) {
        physics->step();
        player->update();
        rules->hurt(*physics, *player, *content, *camera);
    }
    if (soundSystem != nullptr) {
        if (sound == nullptr)
            sound = std::make_unique<LevelSound>(*soundSystem, content->objectives(),
                                                 content->enemies(), content->water());
        LevelSound::Frame now;
        now.deltaTime = controls.getDeltaTime();
        now.playerHealth = player->getHealth();
        now.lost = rules->isLosing();
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
    for (const VulnerableWall* wall : content->objectives()) {
        done[WorkTally::ParticleStart] += wall->particlesStarted() ? 1 : 0;
        done[WorkTally::SparkDraw] += wall->sparkDraws();
    }
    done[WorkTally::WaterPass] = passes->waterPasses();
    const LightSet* lights = content->lights();
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
    for (VulnerableWall* objective : content->objectives())
        objective->restore();
    controls.setView(spawnYaw, spawnPitch);
    player->resetHealth();
    player->respawn();
    rules->restart();
}

void Level::warmUp() {
    followFramebuffer();
    const framestate::OnePixel onePixel;
    ScenePasses::Settings chosen;
    chosen.levels = config->levels;
    chosen.warmUp = true;
    passes->render(*renderScene, *camera, chosen);
    Hud::Frame frame;
    frame.hasWalls = !content->objectives().empty();
    hud->warmUp(frame);
}

WallMarker Level::wallMarker() const {
    std::vector<MarkedWall> standing;
    for (const VulnerableWall* wall : content->objectives())
        if (!wall->isDead())
            standing.push_back({wall->getBoxLow(), wall->getBoxHigh()});
    return markNearest(standing, camera->getPosition(), camera->getViewMatrix(),
                       camera->getProjectionMatrix(), hud->linesBox());
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
    frame.hasWalls = !content->objectives().empty();
    frame.showFps = controls.isFpsShown();
    frame.deltaTime = controls.getFrameSeconds();
    frame.lost = rules->isLosing();
    frame.lossCountdown = rules->isCountingDown();
    frame.paused = controls.isPaused();
    frame.showTimer = config->timer;
    frame.seconds = playSeconds;
    const std::vector<VulnerableWall*>& walls = content->objectives();
    frame.crosshairOnWall =
        !rules->isLosing() && std::any_of(walls.begin(), walls.end(), [this](VulnerableWall* wall) {
            return wall->isTargeted(*camera);
        });
    if (!rules->isLosing() && hudShown && controls.isWallMarkerShown())
        frame.marker = wallMarker();
    if (hudShown)
        hud->draw(frame);
    framestate::endLevelFrame();
}

} // namespace brindlemox::levels
