#pragma once

#include "levels/LevelInterface.h"
#include "platform/Config.h"
#include "platform/Controls.h"
#include "render/Camera.h"
#include "render/Drawable.h"
#include "render/HudCache.h"
#include "render/LightSet.h"
#include "render/ResourceCache.h"
#include "render/TextRenderer.h"

#include <GL/glew.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

struct GLFWwindow;
class btBroadphaseInterface;
class btDefaultCollisionConfiguration;
class btCollisionDispatcher;
class btSequentialImpulseConstraintSolver;
class btDiscreteDynamicsWorld;
class btRigidBody;
class GameplayModel;
class Player;
class Map;
class SimpleEnemy;
class VulnerableWall;
class WaterMesh;
class WaterRenderTargets;
class GBtDebugDraw;

// Base of every level: everything a level needs besides its content (controls, camera, player,
// the shared entity program, HUD, water targets, physics world) and the frame it runs: update,
// physics step with contact damage, the water reflection, refraction and main passes, the HUD.
// Level1 and Level2 supply start, which builds the content.
class Level : public LevelInterface {
  public:
    // glyphs: the game's glyph cache, shared by the levels so every HUD font size is loaded
    // once; without one the level keeps its own.
    // Programs, models, images and glyphs come from resources, which the game shares between its
    // levels (a level without one makes its own).
    Level(GLFWwindow* window, const Config* config,
          std::shared_ptr<ResourceCache> resources = nullptr);
    ~Level() override;

    bool isFinished() override;
    bool isLost() override { return lost; }
    void update() override;
    void render() override;
    glm::mat4 getViewMatrix() override;
    void applyPolygonMode() override;
    void restartAfterLoss() override;
    void stepPhysics() override;
    void announce(const std::string& message, double seconds) override;

    // Frames per second as the HUD shows it for a frame of deltaTime seconds.
    static int framesPerSecond(float deltaTime);
    // The health line: health cut to an integer, "/", the maximum as a stream writes a float.
    static std::string healthLine(float health, float maxHealth);

    // How long the "You lost!" frame stays on screen before play resumes (seconds).
    void setLossHold(double seconds) { lossHoldSeconds = seconds; }
    // Moves the player there at once, looking along yaw and pitch (degrees) from the next
    // physics step on.
    void placePlayer(const glm::vec3& position, double yawDegrees, double pitchDegrees);
    // The "Walls 3/4" line: walls still standing out of all of the level's.
    static std::string wallsLine(size_t standing, size_t total);

    // Read access for tests and tools.
    Player& getPlayer() { return *player; }
    Camera& getCamera() { return *camera; }
    Controls& getControls() { return *controls; }
    const std::vector<Drawable*>& getDrawables() const { return drawables; }
    const std::vector<GameplayModel*>& getGameplayModels() const { return gameplayModels; }
    const std::vector<VulnerableWall*>& getObjectives() const { return objectives; }
    const std::vector<SimpleEnemy*>& getEnemies() const { return enemies; }
    const std::vector<Light>& getLightList() const { return lightList; }
    const LightSet* getLights() const { return lights.get(); }
    Map* getMap() const { return map; }
    WaterMesh* getWater() const { return water; }
    WaterRenderTargets& getWaterTargets() { return *waterTargets; }
    btDiscreteDynamicsWorld& getDynamicsWorld() { return *dynamicsWorld; }
    const TextRenderer& getLevelTitle() const { return *levelTitle; }
    const TextRenderer& getHealthText() const { return *healthText; }
    const TextRenderer& getLostText() const { return *lostText; }
    const TextRenderer& getFpsText() const { return *fpsText; }
    const TextRenderer& getWallsText() const { return *wallsText; }
    const TextRenderer& getBannerText() const { return *bannerText; }
    // Every HUD line drawn by the last main pass, in drawing order.
    const std::vector<TextRenderer*>& getHudDrawn() const { return hudDrawn; }
    // Whether the crosshair showed a breakable wall within reach in the last main pass.
    bool isCrosshairOnWall() const { return crosshairOnWall; }
    // Crosshair colours: idle, and while a breakable wall within reach is aimed at.
    static glm::vec3 crosshairColour() { return glm::vec3(1.0f); }
    static glm::vec3 crosshairOnWallColour() { return glm::vec3(1.0f, 0.45f, 0.1f); }
    GLuint getProgram() const { return programName(program); }
    ResourceCache& getResources() { return *resources; }
    float getWaterHeight() const { return waterHeight; }

  protected:
    // For start: registration of content. The level owns every object handed to adopt.
    template <class T> T* adopt(std::unique_ptr<T> object) {
        T* raw = object.get();
        owned.push_back(std::move(object));
        return raw;
    }
    void addObjective(VulnerableWall* wall);
    void addEnemy(SimpleEnemy* enemy);
    void spawnPlayer(const glm::vec3& position);
    // Adds a body to the world; a missing body (a model that failed to load) is skipped.
    void addRigidBody(btRigidBody* body);
    // The water surface of this level: the passes mirror and clip about its height.
    void setWater(WaterMesh* surface);

    int screenWidth = 0;
    int screenHeight = 0;
    bool lost = false;
    ProgramRef program;
    std::vector<Drawable*> drawables;
    std::vector<GameplayModel*> gameplayModels;
    std::vector<Light> lightList;
    std::vector<VulnerableWall*> objectives;
    std::vector<SimpleEnemy*> enemies;
    std::unique_ptr<LightSet> lights;
    std::unique_ptr<Controls> controls;
    std::unique_ptr<Player> player;
    GLFWwindow* window = nullptr;
    std::unique_ptr<Camera> camera;
    const Config* config = nullptr;
    std::shared_ptr<ResourceCache> resources;
    std::unique_ptr<TextRenderer> levelTitle;
    std::unique_ptr<TextRenderer> healthText;
    std::unique_ptr<TextRenderer> lostText;
    std::unique_ptr<TextRenderer> fpsText;
    std::unique_ptr<TextRenderer> wallsText;
    std::unique_ptr<TextRenderer> bannerText;
    std::unique_ptr<TextRenderer> crosshair;
    Map* map = nullptr;
    WaterMesh* water = nullptr;
    std::unique_ptr<WaterRenderTargets> waterTargets;
    GBtDebugDraw* debugDrawer = nullptr;
    std::unique_ptr<btBroadphaseInterface> broadphase;
    std::unique_ptr<btDefaultCollisionConfiguration> collisionConfiguration;
    std::unique_ptr<btCollisionDispatcher> dispatcher;
    std::unique_ptr<btSequentialImpulseConstraintSolver> solver;
    std::unique_ptr<btDiscreteDynamicsWorld> dynamicsWorld;

  private:
    void createPhysicsWorld();
    void followFramebuffer();
    RenderState passState(const glm::mat4& viewProjection, const glm::vec4& clipPlane) const;
    void drawObject(Drawable& drawable, const RenderState& state, const Frustum& frustum,
                    bool clipped);
    void renderScene(const glm::mat4& viewProjection, const glm::vec4& clipPlane,
                     const Frustum& frustum);
    void renderMain(const glm::vec4& clipPlane);
    // Fills drawOrder with what a pass draws, in the order it draws it.
    void orderForDrawing(bool mainPass);
    void renderHud();
    std::array<TextRenderer*, 7> hudLines() const;

    std::vector<std::unique_ptr<Drawable>> owned;
    std::vector<btRigidBody*> bodiesInWorld;
    float waterHeight = 1.0f;
    double lossHoldSeconds = 1.5;
    double bannerSecondsLeft = 0.0;
    bool bannerForGood = false;
    bool crosshairOnWall = false;
    std::vector<TextRenderer*> hudDrawn;
    std::unique_ptr<HudCache> hud;
    std::vector<Drawable*> drawOrder;
};
