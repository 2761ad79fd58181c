#include "effects/ParticleSystem.h"
#include "effects/RandomTexture.h"
#include "effects/WaterMesh.h"
#include "gameplay/Motion.h"
#include "gameplay/Player.h"
#include "gameplay/VulnerableWall.h"
#include "gameplay/WallOrientation.h"
#include "platform/Config.h"
#include "platform/Controls.h"
#include "render/Camera.h"
#include "render/RenderObject.h"
#include "render/StaticMeshBody.h"
#include "support/ScriptedPlatform.h"

#include <GLFW/glfw3.h>
#include <btBulletDynamicsCommon.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace brindlemox::platform;
using namespace brindlemox::render;
using namespace brindlemox::effects;
using namespace brindlemox::gameplay;

namespace {

constexpr float Frame = 1.0f / 60.0f;
constexpr float DegreesToRadians = 0.017453292f;

// A model that records what the attack pass does to it.
class RecordingModel : public GameplayModel {
  public:
    explicit RecordingModel(bool targeted) : GameplayModel(10.0f, 0.0f, 1.0f), targeted(targeted) {}
    bool isTargeted(const Camera&) override { return targeted; }
    bool isDead() const override { return false; }
    void beginFrame() override { calls.push_back("begin"); }
    void takeHit(float power, float deltaTime) override {
        calls.push_back("hit");
        hitPower = power;
        hitDelta = deltaTime;
    }
    void frameUpdate(float deltaTime) override {
        calls.push_back("frame");
        frameDelta = deltaTime;
    }

    bool targeted;
    std::vector<std::string> calls;
    float hitPower = 0.0f, hitDelta = 0.0f, frameDelta = 0.0f;
};

// A world without gravity, as the levels have, with the player in it.
class PlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        world.setGravity(btVector3(0, 0, 0));
        controls = std::make_unique<Controls>(nullptr, &config);
        player = std::make_unique<Player>(*controls, camera);
    }
    void TearDown() override {
        for (btRigidBody* body : added)
            world.removeRigidBody(body);
    }

    void add(btRigidBody* body) {
        world.addRigidBody(body);
        added.push_back(body);
    }
    // Kept until the fixture goes, after TearDown has taken it out of the world.
    void addWall(StaticMeshBody wall) {
        walls.push_back(std::move(wall));
        add(walls.back().body.get());
    }
    // One game frame in the level's order: time, physics step, player update.
    void frame(double seconds) {
        keys.advance(seconds);
        controls->updateTime();
        world.stepSimulation(1.0f / 60.0f);
        player->update();
    }
    glm::vec3 bodyOrigin() const {
        const btVector3 o = player->getRigidBody()->getWorldTransform().getOrigin();
        return glm::vec3(o.x(), o.y(), o.z());
    }

    ScriptedPlatform keys;
    Config config;
    Camera camera;
    btDefaultCollisionConfiguration collisionConfig;
    btCollisionDispatcher dispatcher{&collisionConfig};
    btDbvtBroadphase broadphase;
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &collisionConfig};
    std::vector<btRigidBody*> added;
    std::vector<StaticMeshBody> walls;
    std::unique_ptr<Controls> controls;
    std::unique_ptr<Player> player;
};

// A thin wall: two triangles in the plane x = 5, 40 units square.
StaticMeshBody wallAtX5() {
    std::vector<Triangle> triangles = {
        {{5, -20, -20}, {5, 20, -20}, {5, 20, 20}},
        {{5, -20, -20}, {5, 20, 20}, {5, -20, 20}},
    };
    return StaticMeshBody::build(triangles, glm::mat4(1.0f));
}

} // namespace

TEST(GameplayModelTest, StatsDamageAndReset) {
    Config config;
    Controls controls(nullptr, &config);
    Camera camera;
    Player player(controls, camera);
    EXPECT_EQ(player.getHealth(), 0.0f);
    EXPECT_TRUE(player.isDead()) << "health exactly 0 is dead";

    player.setStats(50, 10, 3);
    EXPECT_EQ(player.getHealth(), 50.0f);
    EXPECT_EQ(player.getMaxHealth(), 50.0f);
    EXPECT_EQ(player.getPower(), 10.0f);
    EXPECT_EQ(player.getToughness(), 3.0f);
    EXPECT_FALSE(player.isDead());

    player.takeDamage(60);
    EXPECT_EQ(player.getHealth(), -10.0f) << "no clamping";
    EXPECT_TRUE(player.isDead());
    player.resetHealth();
    EXPECT_EQ(player.getHealth(), 50.0f);
    player.takeDamage(50);
    EXPECT_TRUE(player.isDead());
}

TEST_F(PlayerTest, AttackPassRunsBeginHitFrameInOrder) {
    player->setStats(50, 10, 3);
    player->spawnAt(0, 0, 0);
    frame(0.25);
    keys.hold(GLFW_KEY_SPACE);
    RecordingModel targeted(true), ignored(false);
    player->updateModels({&targeted, &ignored});

    EXPECT_EQ(targeted.calls, (std::vector<std::string>{"begin", "hit", "frame"}));
    EXPECT_EQ(ignored.calls, (std::vector<std::string>{"begin", "frame"}));
    EXPECT_EQ(targeted.hitPower, 10.0f);
    EXPECT_FLOAT_EQ(targeted.hitDelta, 0.25f);
    EXPECT_FLOAT_EQ(targeted.frameDelta, 0.25f);
}

TEST_F(PlayerTest, NoAttackKeyNoHit) {
    player->spawnAt(0, 0, 0);
    RecordingModel targeted(true);
    player->updateModels({&targeted});
    EXPECT_EQ(targeted.calls, (std::vector<std::string>{"begin", "frame"}));
    player->updateModels({});
}

TEST_F(PlayerTest, SpawnBuildsAStillBoxAtThePoint) {
    player->spawnAt(1, 2, 3);
    btRigidBody* body = player->getRigidBody();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(player->getPosition(), glm::vec3(1, 2, 3));
    EXPECT_EQ(camera.getPosition(), glm::vec3(1, 2, 3));
    EXPECT_EQ(bodyOrigin(), glm::vec3(1, 2, 3));
    EXPECT_FLOAT_EQ(body->getInvMass(), 2.0f);
    EXPECT_EQ(body->getActivationState(), DISABLE_DEACTIVATION);
    EXPECT_EQ(body->getInvInertiaDiagLocal(), btVector3(0, 0, 0));
    const auto* box = static_cast<const btBoxShape*>(body->getCollisionShape());
    EXPECT_NEAR(box->getHalfExtentsWithMargin().x(), 1.0f, 1e-5);
}

TEST_F(PlayerTest, SpawningAgainMovesTheBodyTheWorldHolds) {
    player->spawnAt(0, 0, 0);
    btRigidBody* body = player->getRigidBody();
    add(body);
    body->setLinearVelocity(btVector3(3, 0, 0));
    player->spawnAt(5, 1, 2);
    ASSERT_EQ(player->getRigidBody(), body) << "the world still holds the first body";
    EXPECT_EQ(bodyOrigin(), glm::vec3(5, 1, 2));
    EXPECT_EQ(player->getSpawnPosition(), glm::vec3(5, 1, 2));
    EXPECT_EQ(camera.getPosition(), glm::vec3(5, 1, 2));
    EXPECT_EQ(body->getLinearVelocity(), btVector3(0, 0, 0));
    frame(Frame);
    EXPECT_NEAR(glm::length(bodyOrigin() - glm::vec3(5, 1, 2)), 0.0f, 1e-4);
}

TEST_F(PlayerTest, MovesByTheKeysAndTheCameraRidesTheBody) {
    player->spawnAt(0, 0, 0);
    add(player->getRigidBody());
    frame(0.0);
    keys.hold(GLFW_KEY_W); // yaw 90: along +x
    frame(0.05);
    EXPECT_NEAR(bodyOrigin().x, 0.3f, 1e-4);
    EXPECT_NEAR(camera.getPosition().x, 0.3f, 1e-4);
    EXPECT_EQ(player->getPosition(), camera.getPosition());
    EXPECT_TRUE(camera.getFrustum().isBuilt());
}

TEST_F(PlayerTest, SixUnitsASecondAtAnyFrameRateAndThinWallsStillHold) {
    addWall(wallAtX5()); // ahead along +x
    player->spawnAt(0, 0, 0);
    add(player->getRigidBody());
    player->setCollisionWorld(&world);
    for (double fps : {2.0, 6.0, 60.0, 600.0}) {
        keys.releaseAll();
        player->respawn();
        controls->resetView(); // yaw 90: W along +x, S along -x
        frame(0.0);
        keys.hold(GLFW_KEY_S); // three seconds backwards, through open space
        for (int i = 0; i < static_cast<int>(3.0 * fps); ++i)
            frame(1.0 / fps);
        EXPECT_NEAR(glm::length(controls->getMovement()), 6.0 / fps, 1e-4) << fps << " fps";
        EXPECT_NEAR(bodyOrigin().x, -18.0f, 1e-2) << fps << " fps";
        keys.releaseAll();
        keys.hold(GLFW_KEY_W); // five seconds forwards: 30 units asked for, the wall at 5
        for (int i = 0; i < static_cast<int>(5.0 * fps); ++i)
            frame(1.0 / fps);
        EXPECT_LT(bodyOrigin().x, 4.0f + 1e-3f) << fps << " fps: through the wall";
        EXPECT_GT(bodyOrigin().x, 3.9f) << fps << " fps: short of the wall";
    }
}

TEST_F(PlayerTest, WithoutACollisionWorldTheWholeMoveIsMade) {
    player->spawnAt(0, 0, 0);
    add(player->getRigidBody());
    frame(0.0);
    keys.hold(GLFW_KEY_W);
    frame(1.0); // six units asked for
    EXPECT_NEAR(bodyOrigin().x, 6.0f, 1e-4);
}

TEST_F(PlayerTest, RespawnPutsTheBodyBackAndStopsIt) {
    player->spawnAt(1, 2, 3);
    add(player->getRigidBody());
    btRigidBody* body = player->getRigidBody();
    body->setWorldTransform(btTransform(btQuaternion(0, 0, 0, 1), btVector3(40, 0, 0)));
    body->setLinearVelocity(btVector3(5, 0, 0));
    body->setAngularVelocity(btVector3(0, 1, 0));
    camera.setYaw(45);

    player->respawn();
    EXPECT_EQ(bodyOrigin(), glm::vec3(1, 2, 3));
    btTransform state;
    body->getMotionState()->getWorldTransform(state);
    EXPECT_EQ(state.getOrigin(), btVector3(1, 2, 3));
    EXPECT_EQ(body->getLinearVelocity(), btVector3(0, 0, 0));
    EXPECT_EQ(body->getAngularVelocity(), btVector3(0, 0, 0));
    EXPECT_EQ(camera.getPosition(), glm::vec3(1, 2, 3));
    EXPECT_EQ(camera.getYaw(), 0.0);

    // The next frames keep it there: nothing carries it back to where it died.
    for (int i = 0; i < 10; ++i)
        frame(Frame);
    EXPECT_NEAR(glm::length(bodyOrigin() - glm::vec3(1, 2, 3)), 0.0f, 1e-4);
}

TEST_F(PlayerTest, RespawnBeforeSpawnOnlyMovesTheCamera) {
    player->respawn();
    EXPECT_EQ(player->getRigidBody(), nullptr);
    EXPECT_EQ(camera.getPosition(), glm::vec3(0.0f));
}

TEST_F(PlayerTest, DoesNotDriftAfterAPush) {
    // Spawned overlapping a static box (an enemy, say): the contact pushes the player out, and
    // then it must stay put without any key held.
    btBoxShape obstacleShape(btVector3(1, 1, 1));
    btDefaultMotionState obstacleState(btTransform(btQuaternion(0, 0, 0, 1), btVector3(1.5, 0, 0)));
    btRigidBody obstacle(
        btRigidBody::btRigidBodyConstructionInfo(0.0f, &obstacleState, &obstacleShape));
    add(&obstacle);
    player->spawnAt(0, 0, 0);
    add(player->getRigidBody());

    for (int i = 0; i < 120; ++i)
        frame(Frame);
    const glm::vec3 rested = bodyOrigin();
    EXPECT_LT(rested.x, 0.0f) << "the contact pushed the player away from the box";
    EXPECT_EQ(player->getRigidBody()->getLinearVelocity(), btVector3(0, 0, 0));
    for (int i = 0; i < 300; ++i)
        frame(Frame);
    EXPECT_NEAR(glm::length(bodyOrigin() - rested), 0.0f, 1e-3);
    EXPECT_EQ(camera.getPosition(), bodyOrigin());
    world.removeRigidBody(&obstacle);
    added.erase(added.begin());
}

TEST_F(PlayerTest, WalkingIntoAThinWallDoesNotGoThrough) {
    addWall(wallAtX5());
    player->spawnAt(0, 0, 0);
    add(player->getRigidBody());
    player->setCollisionWorld(&world);
    keys.hold(GLFW_KEY_W); // along +x, into the wall
    for (int i = 0; i < 300; ++i)
        frame(Frame);
    EXPECT_LT(bodyOrigin().x, 4.0f + 1e-3f) << "the box stops at the wall's face";
    EXPECT_GT(bodyOrigin().x, 3.9f) << "the player did reach the wall";
}

TEST_F(PlayerTest, SlowFramesDoNotCarryThroughAThinWall) {
    addWall(wallAtX5());
    player->spawnAt(0, 0, 0);
    add(player->getRigidBody());
    player->setCollisionWorld(&world);
    frame(0.0);
    keys.hold(GLFW_KEY_W);
    for (int i = 0; i < 40; ++i)
        frame(0.1); // 0.6 units a frame, a 10 fps machine
    EXPECT_LT(bodyOrigin().x, 4.0f + 1e-3f);
    EXPECT_GT(bodyOrigin().x, 3.9f);
    for (int i = 0; i < 40; ++i)
        frame(0.5); // the cap's worth each frame
    EXPECT_LT(bodyOrigin().x, 4.0f + 1e-3f);
}

TEST_F(PlayerTest, SlidesAlongAWallMetAtAnAngle) {
    // The plane x - z = 5, met while walking along +x.
    std::vector<Triangle> triangles = {
        {{5, -20, 0}, {5, 20, 0}, {25, 20, 20}},
        {{5, -20, 0}, {25, 20, 20}, {25, -20, 20}},
        {{5, -20, 0}, {-15, 20, -20}, {5, 20, 0}},
        {{5, -20, 0}, {-15, -20, -20}, {-15, 20, -20}},
    };
    addWall(StaticMeshBody::build(triangles, glm::mat4(1.0f)));
    player->spawnAt(0, 0, 0);
    add(player->getRigidBody());
    player->setCollisionWorld(&world);
    keys.hold(GLFW_KEY_W);
    for (int i = 0; i < 240; ++i) {
        frame(Frame);
        ASSERT_LT(bodyOrigin().x - bodyOrigin().z, 5.0f) << "frame " << i;
    }
    EXPECT_GT(bodyOrigin().z, 1.0f) << "the player slid along the wall instead of sticking";
}

TEST_F(PlayerTest, BackingAwayFromAWallItTouches) {
    addWall(wallAtX5());
    player->spawnAt(3.95f, 0, 0);
    add(player->getRigidBody());
    player->setCollisionWorld(&world);
    keys.hold(GLFW_KEY_S); // along -x, away from the wall
    frame(Frame);
    frame(0.05);
    EXPECT_LT(bodyOrigin().x, 3.7f);
}

TEST(MotionTest, OscillationFirstSecond) {
    Oscillation o;
    EXPECT_NEAR(o.advance(1.0f), 4.0 * std::sin(0.5), 1e-5);
    EXPECT_FLOAT_EQ(o.phase, 0.5f);
    EXPECT_NEAR(o.step, 1.9177f, 1e-4);
}

TEST(MotionTest, OscillationStandsStillWithoutTime) {
    Oscillation o;
    o.advance(1.0f);
    EXPECT_EQ(o.advance(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(o.phase, 0.5f);
}

TEST(MotionTest, OscillationWrapsByWholePeriods) {
    Oscillation o;
    o.phase = 359.9f;
    // Phase 360.15 goes on as the same angle less whole turns; the sine does not jump.
    const double expected = 359.9 + 0.25;
    EXPECT_NEAR(o.advance(0.5f), std::sin(expected) * 2.0, 1e-4);
    EXPECT_NEAR(o.phase, std::fmod(expected, 2.0 * M_PI), 1e-4);
    EXPECT_GE(o.phase, 0.0f);
    EXPECT_LT(o.phase, 2.0 * M_PI);
}

TEST(MotionTest, OscillationSwingsBetweenStartAndSixteen) {
    Oscillation o;
    float travelled = 0.0f, furthest = 0.0f;
    const float dt = 0.001f;
    for (int i = 0; i < static_cast<int>(4.0 * M_PI / dt); ++i) {
        travelled += o.advance(dt);
        furthest = std::max(furthest, travelled);
    }
    EXPECT_NEAR(furthest, 16.0f, 0.05f);
    EXPECT_NEAR(travelled, 0.0f, 0.05f);
}

// Frame timings an enemy must survive without leaving its path: it stays within its 16-unit
// segment during them, and afterwards one period of normal frames still swings it from its start
// to 16 units along the axis and back.
TEST(MotionTest, OscillationStaysOnItsSegmentWhateverTheFrames) {
    struct Timing {
        const char* name;
        std::vector<float> frames;
    };
    const float normal = 1.0f / 60.0f;
    std::vector<Timing> timings;
    timings.push_back({"one 20 s frame", {20.0f}});
    timings.push_back({"a stop of 20 s in play", std::vector<float>(600, normal)});
    timings.back().frames.push_back(20.0f);
    timings.push_back({"a thousand varied frames", {}});
    std::mt19937 random(13);
    std::uniform_real_distribution<float> frame(0.004f, 0.1f);
    std::uniform_real_distribution<float> stall(1.5f, 40.0f);
    for (int i = 0; i < 1000; ++i)
        timings.back().frames.push_back(i % 50 == 7 ? stall(random) : frame(random));
    timings.push_back({"45 minutes of normal frames", std::vector<float>(45 * 60 * 60, normal)});
    timings.push_back({"a day-long stop", {normal, 86400.0f}});

    for (const Timing& timing : timings) {
        Oscillation o;
        double travelled = 0.0;
        double lowest = 0.0, highest = 0.0;
        for (float seconds : timing.frames) {
            travelled += o.advance(seconds);
            lowest = std::min(lowest, travelled);
            highest = std::max(highest, travelled);
        }
        EXPECT_GT(lowest, -0.5) << timing.name;
        EXPECT_LT(highest, 16.5) << timing.name;
        lowest = highest = travelled;
        for (int i = 0; i < static_cast<int>(4.0 * M_PI / normal) + 2; ++i) {
            travelled += o.advance(normal);
            lowest = std::min(lowest, travelled);
            highest = std::max(highest, travelled);
        }
        EXPECT_NEAR(lowest, 0.0, 0.5) << timing.name << ": the swing afterwards";
        EXPECT_NEAR(highest, 16.0, 0.5) << timing.name << ": the swing afterwards";
    }
}

TEST(MotionTest, AxisCodes) {
    EXPECT_EQ(alongAxis(0, 2.0f), glm::vec3(2, 0, 0));
    EXPECT_EQ(alongAxis(1, 2.0f), glm::vec3(0, 2, 0));
    EXPECT_EQ(alongAxis(2, 2.0f), glm::vec3(0, 0, 2));
    EXPECT_EQ(alongAxis(7, 2.0f), glm::vec3(0, 2, 0));
    EXPECT_EQ(checkedAxis(0), 0);
    EXPECT_EQ(checkedAxis(2), 2);
    EXPECT_EQ(checkedAxis(3), 1);
    EXPECT_EQ(checkedAxis(-1), 1);
}

TEST(MotionTest, SpinAccelerates) {
    Spin spin;
    spin.rate = 0.5f;
    float total = 0.0f;
    const float expected[] = {0.5f, 1.0f, 1.5f};
    for (float e : expected) {
        total += spin.advance(1.0f);
        EXPECT_FLOAT_EQ(spin.angle, e);
    }
    EXPECT_FLOAT_EQ(total, 3.0f);
}

TEST(MotionTest, SpinStartsOverAt360) {
    Spin spin;
    spin.rate = 0.5f;
    spin.angle = 360.0f;
    EXPECT_FLOAT_EQ(spin.advance(2.0f), 1.0f);
    spin.angle = 359.9f;
    EXPECT_FLOAT_EQ(spin.advance(1.0f), 360.4f) << "only a value of 360 or more restarts";
}

TEST(WallOrientationTest, Table) {
    const glm::vec3 simple[6] = {{0, 0, 90},  {0, 0, 270}, {90, 0, 0},
                                 {270, 0, 0}, {0, 0, 90},  {0, 0, 270}};
    const glm::vec3 vulnerable[6] = {{0, 0, 0},   {0, 180, 0}, {0, 90, 0},
                                     {0, 270, 0}, {0, 0, 90},  {0, 0, 270}};
    for (int code = 0; code < 6; ++code) {
        EXPECT_TRUE(isWallOrientation(code));
        EXPECT_EQ(simpleWallTurn(code), simple[code]) << code;
        EXPECT_EQ(vulnerableWallTurn(code), vulnerable[code]) << code;
    }
    EXPECT_EQ(simpleWallTurn(4), simpleWallTurn(0));
    EXPECT_EQ(simpleWallTurn(5), simpleWallTurn(1));
    for (int code : {-1, 6, 100}) {
        EXPECT_FALSE(isWallOrientation(code));
        EXPECT_EQ(simpleWallTurn(code), glm::vec3(0.0f));
        EXPECT_EQ(vulnerableWallTurn(code), glm::vec3(0.0f));
    }
}

TEST(WallOrientationTest, TurnAddsDegreesAsRadians) {
    Transform t;
    turnWall(t, vulnerableWallTurn(2));
    EXPECT_FLOAT_EQ(t.angles.y, 90.0f * DegreesToRadians);
    turnWall(t, simpleWallTurn(3));
    EXPECT_FLOAT_EQ(t.angles.x, 270.0f * DegreesToRadians);
}

TEST(VulnerableWallRules, AlphaFollowsHealth) {
    const float afterOneSecond = 15.0f - 10.0f * 1.0f / 4.0f;
    EXPECT_FLOAT_EQ(afterOneSecond, 12.5f);
    EXPECT_NEAR(VulnerableWall::fadedAlpha(afterOneSecond, 15.0f), 12.5f / 15.0f + 0.1f, 1e-6);
    EXPECT_NEAR(VulnerableWall::fadedAlpha(afterOneSecond, 15.0f), 0.9333f, 1e-4);
    EXPECT_EQ(VulnerableWall::fadedAlpha(15.0f - 0.0001f, 15.0f), 1.0f) << "1.1 is limited to 1";
    EXPECT_FLOAT_EQ(VulnerableWall::fadedAlpha(0.0f, 15.0f), 0.1f);
    EXPECT_LT(VulnerableWall::fadedAlpha(-1.0f, 15.0f), 0.1f) << "no lower limit";
}

TEST(VulnerableWallRules, ReachedOnlyFromInFrontAndClose) {
    // The quad (-1, -1, 0) to (1, 1, 0), facing +z, placed by each case's transform.
    std::vector<Vertex> quad(4);
    const glm::vec3 corners[4] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    for (int i = 0; i < 4; ++i)
        quad[i] = {corners[i], {}, {}, {0, 0, 1}};
    quad.push_back({{0, 0, -2}, {}, {}, {0, 0, -1}}); // another face's vertex: not this face
    const VulnerableWall::Face face = VulnerableWall::frontFace(quad);
    EXPECT_EQ(face.low, glm::vec3(-1, -1, 0));
    EXPECT_EQ(face.high, glm::vec3(1, 1, 0));

    const auto turned = [](glm::vec3 at, float yaw, float scale) {
        Transform t;
        t.move(at.x, at.y, at.z);
        t.rotateY(yaw);
        t.setScale(scale);
        return t.modelMatrix();
    };
    const struct {
        const char* name;
        glm::mat4 model;
        glm::vec3 eye;
        bool reached;
        glm::vec3 nearest;
    } cases[] = {
        {"in front, close", glm::mat4(1.0f), {0, 0, 5.4f}, true, {0, 0, 0}},
        {"strictly closer than the reach", glm::mat4(1.0f), {0, 0, 5.5f}, false, {}},
        {"behind the face, close", glm::mat4(1.0f), {0, 0, -1.0f}, false, {}},
        {"far behind the face", glm::mat4(1.0f), {0, 0, -40.0f}, false, {}},
        {"in the face's plane", glm::mat4(1.0f), {0.5f, 0, 0}, false, {}},
        {"near the plane, far to the side", glm::mat4(1.0f), {30, 3, 0.5f}, false, {}},
        {"beside the rim: measured to it", glm::mat4(1.0f), {4, 0, 3}, true, {1, 0, 0}},
        {"beyond the rim, too far", glm::mat4(1.0f), {5, 2, 4}, false, {}},
        {"turned to face +x", turned({10, 0, 0}, 90, 1), {15.4f, 0, 0}, true, {10, 0, 0}},
        {"turned, behind", turned({10, 0, 0}, 90, 1), {4.6f, 0, 0}, false, {}},
        {"turned, far", turned({10, 0, 0}, 90, 1), {40, 0, 0}, false, {}},
        {"scaled and turned to face -z", turned({}, 180, 16), {3, 0, -5.4f}, true, {3, 0, 0}},
        {"scaled, behind", turned({}, 180, 16), {0, 0, 5.4f}, false, {}},
    };
    for (const auto& c : cases) {
        const std::optional<glm::vec3> point =
            VulnerableWall::reachedPoint(c.model, face, c.eye, VulnerableWall::Reach);
        EXPECT_EQ(point.has_value(), c.reached) << c.name;
        if (point && c.reached) {
            EXPECT_LT(glm::length(*point - c.nearest), 1e-4f) << c.name;
        }
    }
    EXPECT_FALSE(VulnerableWall::reachedPoint(glm::mat4(1.0f), VulnerableWall::Face{},
                                              glm::vec3(0, 0, 1), VulnerableWall::Reach))
        << "a zero normal never reaches";
}

TEST(VulnerableWallRules, RockBetweenHidesTheWall) {
    // A floor at y = 0 from -10 to 10.
    const std::vector<Triangle> floor = {{{-10, 0, -10}, {10, 0, -10}, {10, 0, 10}},
                                         {{-10, 0, -10}, {10, 0, 10}, {-10, 0, 10}}};
    StaticMeshBody rock = StaticMeshBody::build(floor, glm::mat4(1.0f));
    const struct {
        const char* name;
        bool blocked;
        glm::vec3 eye, target;
        bool seen;
    } cases[] = {
        {"through the floor", true, {0, 8, 0}, {0, -6, 0}, false},
        {"slanting through it", true, {-5, 3, 0}, {5, -1, 2}, false},
        {"above it", true, {0, 8, 0}, {6, 1, 0}, true},
        {"to a point on the rock's surface", true, {0, 8, 0}, {3, 0, 0}, true},
        {"beside the floor", true, {12, 8, 0}, {12, -6, 0}, true},
        {"nothing blocks", false, {0, 8, 0}, {0, -6, 0}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VulnerableWall::inSight(c.blocked ? rock.body.get() : nullptr, c.eye, c.target),
                  c.seen)
            << c.name;
}

TEST(VulnerableWallRules, EmitterIsTheMiddleOfTheLongerEdge) {
    std::vector<Vertex> v(3);
    v[0].position = {0, 0, 0};
    v[1].position = {4, 0, 0};
    v[2].position = {0, 2, 0};
    const glm::mat4 at = glm::translate(glm::mat4(1.0f), glm::vec3(10, 0, 0));
    EXPECT_EQ(VulnerableWall::emitterPosition(v, at), glm::vec3(12, 0, 0));
    v[2].position = {0, 6, 0};
    EXPECT_EQ(VulnerableWall::emitterPosition(v, at), glm::vec3(10, 3, 0));
    v[2].position = {0, 4, 0}; // equal edges: the second one
    EXPECT_EQ(VulnerableWall::emitterPosition(v, at), glm::vec3(10, 2, 0));
    EXPECT_EQ(VulnerableWall::emitterPosition({}, at), glm::vec3(10, 0, 0));
}

TEST(WaterRules, MoveFactorWrapsToExactlyZero) {
    float m = 0.0f;
    for (int i = 0; i < 99; ++i)
        m = WaterMesh::advanceMoveFactor(m, 1.0f);
    EXPECT_NEAR(m, 0.99f, 1e-5);
    int frames = 99;
    float before = m;
    while (m != 0.0f && frames < 200) {
        before = m;
        m = WaterMesh::advanceMoveFactor(m, 1.0f);
        ++frames;
    }
    EXPECT_EQ(m, 0.0f) << "the update that reaches 1 starts over at exactly 0";
    EXPECT_LT(before, 1.0f);
    EXPECT_GE(static_cast<double>(before) + 0.01, 1.0 - 1e-5);
    EXPECT_EQ(WaterMesh::advanceMoveFactor(0.99f, 1.0f), 0.0f);
    EXPECT_EQ(WaterMesh::advanceMoveFactor(0.999f, 0.2f), 0.0f) << "no remainder is carried";
    EXPECT_EQ(WaterMesh::advanceMoveFactor(0.5f, 0.0f), 0.5f);
}

TEST(ParticleRules, DirectionCodes) {
    EXPECT_EQ(ParticleSystem::directionVector(0), glm::vec3(0, 1, 0));
    EXPECT_EQ(ParticleSystem::directionVector(1), glm::vec3(0, -1, 0));
    EXPECT_EQ(ParticleSystem::directionVector(2), glm::vec3(1, 0, 0));
    EXPECT_EQ(ParticleSystem::directionVector(3), glm::vec3(0, 0, 1));
    for (int other : {4, 5, -1, 42})
        EXPECT_EQ(ParticleSystem::directionVector(other), glm::vec3(0, -1, 0));
}

TEST(ParticleRules, RandomComponentsStrictlyInsideTheUnitInterval) {
    const std::vector<float> values = RandomTexture::randomComponents(300);
    ASSERT_EQ(values.size(), 900u);
    for (float v : values) {
        EXPECT_GT(v, 0.0f);
        EXPECT_LT(v, 1.0f);
    }
}
