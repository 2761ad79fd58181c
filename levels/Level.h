#pragma once

#include "audio/SoundBank.h"
#include "levels/Hud.h"
#include "levels/LevelInterface.h"
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
class GBtDebugDraw;
class btRigidBody;
class GameplayModel;
class LevelSound;
class Player;
class Map;
class SimpleEnemy;
class VulnerableWall;
class WaterMesh;
class WaterRenderTargets;

// Base of every level: what a level needs besides its content (controls, camera, player, the
// shared entity program) and the frame it runs, composed of its parts: the physics world and its
// damage rule, the scene passes and the HUD. Subclasses supply start, which builds the content
// through the protected registration calls.
class Level : public LevelInterface {
  public:
    // Programs, models, images and glyphs come from resources, which the game shares between its
    // levels (a level without one makes its own); so does the game's input, controls.
    Level(GLFWwindow* window, const Config* config, Controls& controls,
          std::shared_ptr<ResourceCache> resources = nullptr);
    ~Level() override;

    bool isFinished() override;
    // The loss screen is over: restartAfterLoss resets the level.
    bool isLost() override { return lost && lossSecondsLeft <= 0.0; }
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
    void setLossHold(double seconds) override { lossHoldSeconds = seconds; }
    void setSound(audio::SoundSystem* sound) override;
    void setHudShown(bool shown) override { hudShown = shown; }
    WorkTally work() const override;
    // The sound files the level plays, shared between the game's levels and read ahead; a level
    // without them reads them when it is first given a sound.
    void setSoundFiles(std::shared_ptr<audio::SoundBank> files) { soundFiles = std::move(files); }

    // Read access for tests and tools.
    Player& getPlayer() { return *player; }
    Camera& getCamera() { return *camera; }
    Controls& getControls() { return controls; }
    const Hud& getHud() const { return *hud; }
    // What the level shows, in its drawing order.
    const RenderScene& getScene() const { return *renderScene; }
    const std::vector<GameplayModel*>& getGameplayModels() const { return gameplayModels; }
    const std::vector<VulnerableWall*>& getObjectives() const { return objectives; }
    const std::vector<SimpleEnemy*>& getEnemies() const { return enemies; }
    const LightSet* getLights() const { return lights.get(); }
    Map* getMap() const { return map; }
    WaterMesh* getWater() const { return water; }
    WaterRenderTargets& getWaterTargets() { return *waterTargets; }
    const ScenePasses& getPasses() const { return *passes; }
    ScenePasses& getPasses() { return *passes; }
    btDiscreteDynamicsWorld& getDynamicsWorld() { return physics->world(); }
    GLuint getProgram() const { return programName(program); }
    ResourceCache& getResources() { return *resources; }
    float getWaterHeight() const { return waterHeight; }

  protected:
    // For start: registration of content. The level owns every object handed to adopt.
    template <class T> T* adopt(std::unique_ptr<T> object) {
        T* raw = object.get();
        owned.push_back(std::shared_ptr<T>(std::move(object)));
        return raw;
    }
    // Shown in the order added (within its kind: opaque, the geometry, what blends): the map,
    // the water, a plain wall.
    template <class T> void addDrawable(T* object) { object->show(*renderScene); }
    // A breakable wall: drawn, attacked, counted for the level's end.
    void addObjective(VulnerableWall* wall);
    // An enemy and its satellite: drawn and updated.
    void addEnemy(SimpleEnemy* enemy);
    // The level geometry; its body never hurts the player and hides the walls behind it.
    void setMap(Map* geometry);
    // The water surface of this level: the passes mirror and clip about its height.
    void setWater(WaterMesh* surface);
    void setTitle(const std::string& title);
    void setLights(std::vector<Light> list);
    // The player's health, attack power and toughness, and where it starts, looking along yaw
    // and pitch (degrees; the view is turned there now and after a loss).
    void spawnPlayer(const glm::vec3& position, float health, float power, float toughness,
                     double yawDegrees = 90.0, double pitchDegrees = 0.0);
    // Adds a body to the world; a missing body (a model that failed to load) is skipped.
    void addRigidBody(btRigidBody* body);

    const ProgramRef& entityProgram() const { return program; }
    ResourceCache* cache() const { return resources.get(); }
    const Config& settings() const { return *config; }
    // The primary monitor's mode when the level was made: the water's first target sizes.
    int screenWidth() const { return modeWidth; }
    int screenHeight() const { return modeHeight; }

  private:
    void followFramebuffer();
    // F7: the physics world's shapes handed to the scene's overlay, made on first use.
    void drawPhysicsShapes();
    // The flash of a hit at the side of the screen it came from.
    void showHurt(const PhysicsWorld::Hurt& hurt);
    // A frame of the loss screen: the countdown, ended early by the attack key pressed anew.
    void holdLoss(float deltaTime);
    // Whether the attack key was pressed since the hold began (it must be let go first).
    bool pressedAnew();

    GLFWwindow* window = nullptr;
    const Config* config = nullptr;
    // The game's.
    Controls& controls;
    std::shared_ptr<ResourceCache> resources;
    ProgramRef program;
    int modeWidth = 0;
    int modeHeight = 0;
    bool lost = false;
    bool hudShown = true;
    double lossHoldSeconds = 3.0;
    double lossSecondsLeft = 0.0;
    bool attackLetGo = false;
    // This frame shows the loss screen: nothing moves.
    bool standingStill = false;
    double spawnYaw = 90.0;
    double spawnPitch = 0.0;
    double playSeconds = 0.0;
    std::string title;
    float waterHeight = 1.0f;

    std::unique_ptr<Camera> camera;
    std::unique_ptr<Player> player;
    std::unique_ptr<Hud> hud;
    std::unique_ptr<WaterRenderTargets> waterTargets;
    std::unique_ptr<PhysicsWorld> physics;
    std::unique_ptr<RenderScene> renderScene;
    std::unique_ptr<ScenePasses> passes;
    std::shared_ptr<audio::SoundBank> soundFiles;
    audio::SoundSystem* soundSystem = nullptr;
    // Made on the first frame with a sound, once start has filled the lists it follows.
    std::unique_ptr<LevelSound> sound;

    // Destroyed before the scene they are shown in.
    std::vector<std::shared_ptr<void>> owned;
    // What moves of itself each frame (enemies, satellites), in the order shown.
    std::vector<GameplayModel*> movers;
    std::vector<GameplayModel*> gameplayModels;
    std::vector<VulnerableWall*> objectives;
    std::vector<SimpleEnemy*> enemies;
    std::vector<Light> lightList;
    std::unique_ptr<LightSet> lights;
    std::unique_ptr<GBtDebugDraw> physicsShapes;
    std::unique_ptr<SceneEntry> physicsShapesEntry;
    Map* map = nullptr;
    WaterMesh* water = nullptr;
};
