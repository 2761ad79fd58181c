#pragma once

#include "audio/SoundBank.h"
#include "levels/Hud.h"
#include "levels/LevelContent.h"
#include "levels/LevelInterface.h"
#include "levels/LevelRules.h"
#include "levels/PhysicsWorld.h"
#include "platform/Config.h"
#include "platform/Controls.h"
#include "render/Camera.h"
#include "render/LightSet.h"
#include "render/RenderScene.h"
#include "render/ResourceCache.h"
#include "render/ScenePasses.h"

#include <GL/glew.h>

#include <memory>
#include <string>
#include <vector>

struct GLFWwindow;
class btDiscreteDynamicsWorld;
class btRigidBody;

namespace brindlemox::render {
class Map;
class WaterRenderTargets;
} // namespace brindlemox::render

namespace brindlemox::effects {
class GBtDebugDraw;
class WaterMesh;
} // namespace brindlemox::effects

namespace brindlemox::gameplay {
class GameplayModel;
class Player;
class SimpleEnemy;
class VulnerableWall;
} // namespace brindlemox::gameplay

namespace brindlemox::levels {

class LevelSound;

// Base of every level: the frame a level runs (update, physics step, render) and what it needs
// besides its content (controls, camera, player, the shared entity program), composed of its
// parts: its content (LevelContent), its rules (LevelRules), the physics world, the scene passes
// and the HUD. Subclasses supply start, which builds the content through the protected
// registration calls.
class Level : public LevelInterface {
  public:
    // Programs, models, images and glyphs come from resources, which the game shares between its
    // levels (a level without one makes its own); so does the game's input, controls.
    Level(GLFWwindow* window, const platform::Config* config, platform::Controls& controls,
          std::shared_ptr<render::ResourceCache> resources = nullptr);
    ~Level() override;

    bool isFinished() override;
    // The loss screen is over: restartAfterLoss resets the level.
    bool isLost() override { return rules->isLost(); }
    void update() override;
    void render() override;
    void warmUp() override;
    glm::mat4 getViewMatrix() override;
    void applyPolygonMode() override;
    void restartAfterLoss() override;
    void stepPhysics() override;
    void announce(const std::string& message, double seconds) override;
    LevelCard card() const override;
    void showCard(const LevelCard& card, double seconds) override;
    LevelState state() const override;
    bool placePlayer(const glm::vec3& position, double yawDegrees, double pitchDegrees) override;
    void setLossHold(double seconds) override { rules->setLossHold(seconds); }
    void setSound(audio::SoundSystem* sound) override;
    void setHudShown(bool shown) override { hudShown = shown; }
    WorkTally work() const override;
    // The sound files the level plays, shared between the game's levels and read ahead; a level
    // without them reads them when it is first given a sound.
    void setSoundFiles(std::shared_ptr<audio::SoundBank> files) { soundFiles = std::move(files); }

    // The way to the nearest standing breakable wall from the camera as it is now.
    WallMarker wallMarker() const;

    // Read access for tests and tools.
    gameplay::Player& getPlayer() { return *player; }
    render::Camera& getCamera() { return *camera; }
    platform::Controls& getControls() { return controls; }
    const Hud& getHud() const { return *hud; }
    // What the level shows, in its drawing order.
    const render::RenderScene& getScene() const { return *renderScene; }
    const std::vector<gameplay::GameplayModel*>& getGameplayModels() const {
        return content->gameplayModels();
    }
    const std::vector<gameplay::VulnerableWall*>& getObjectives() const {
        return content->objectives();
    }
    const std::vector<gameplay::SimpleEnemy*>& getEnemies() const { return content->enemies(); }
    const render::LightSet* getLights() const { return content->lights(); }
    render::Map* getMap() const { return content->map(); }
    effects::WaterMesh* getWater() const { return content->water(); }
    render::WaterRenderTargets& getWaterTargets() { return *waterTargets; }
    const render::ScenePasses& getPasses() const { return *passes; }
    render::ScenePasses& getPasses() { return *passes; }
    btDiscreteDynamicsWorld& getDynamicsWorld() { return physics->world(); }
    GLuint getProgram() const { return render::programName(program); }
    render::ResourceCache& getResources() { return *resources; }
    float getWaterHeight() const { return content->waterHeight(); }

  protected:
    // For start: registration of content (LevelContent says what each call does).
    template <class T> T* adopt(std::unique_ptr<T> object) {
        return content->adopt(std::move(object));
    }
    template <class T> void addDrawable(T* object) { content->addDrawable(object); }
    void addObjective(gameplay::VulnerableWall* wall) { content->addObjective(wall); }
    void addEnemy(gameplay::SimpleEnemy* enemy) { content->addEnemy(enemy); }
    void setMap(render::Map* geometry) { content->setMap(geometry); }
    void setWater(effects::WaterMesh* surface) { content->setWater(surface); }
    void setLights(std::vector<render::Light> list) { content->setLights(std::move(list)); }
    void setTitle(const std::string& title);
    // The player's health, attack power and toughness, and where it starts, looking along yaw
    // and pitch (degrees; the view is turned there now and after a loss).
    void spawnPlayer(const glm::vec3& position, float health, float power, float toughness,
                     double yawDegrees = 90.0, double pitchDegrees = 0.0);
    // Adds a body to the world; a missing body (a model that failed to load) is skipped.
    void addRigidBody(btRigidBody* body);

    const render::ProgramRef& entityProgram() const { return program; }
    render::ResourceCache* cache() const { return resources.get(); }
    const platform::Config& settings() const { return *config; }
    // The primary monitor's mode when the level was made: the water's first target sizes.
    int screenWidth() const { return modeWidth; }
    int screenHeight() const { return modeHeight; }

  private:
    void followFramebuffer();
    // F7: the physics world's shapes handed to the scene's overlay, made on first use.
    void drawPhysicsShapes();

    GLFWwindow* window = nullptr;
    const platform::Config* config = nullptr;
    // The game's.
    platform::Controls& controls;
    std::shared_ptr<render::ResourceCache> resources;
    render::ProgramRef program;
    int modeWidth = 0;
    int modeHeight = 0;
    bool hudShown = true;
    int wireframeSet = -1; // what applyPolygonMode last set: -1 nothing yet, 0 filled, 1 lines
    double spawnYaw = 90.0;
    double spawnPitch = 0.0;
    double playSeconds = 0.0;
    std::string title;

    std::unique_ptr<render::Camera> camera;
    std::unique_ptr<gameplay::Player> player;
    std::unique_ptr<Hud> hud;
    std::unique_ptr<render::WaterRenderTargets> waterTargets;
    std::unique_ptr<PhysicsWorld> physics;
    std::unique_ptr<render::RenderScene> renderScene;
    std::unique_ptr<render::ScenePasses> passes;
    std::shared_ptr<audio::SoundBank> soundFiles;
    audio::SoundSystem* soundSystem = nullptr;
    // Made on the first frame with a sound, once start has filled the lists it follows.
    std::unique_ptr<LevelSound> sound;

    // Its objects are let go of before the scene they are shown in.
    std::unique_ptr<LevelContent> content;
    std::unique_ptr<LevelRules> rules;
    std::unique_ptr<effects::GBtDebugDraw> physicsShapes;
    std::unique_ptr<render::SceneEntry> physicsShapesEntry;
};

} // namespace brindlemox::levels
