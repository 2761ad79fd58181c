#include "app/Demo.h"
#include "app/Game.h"
#include "effects/WaterMesh.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/SimpleWall.h"
#include "gameplay/VulnerableWall.h"
#include "levels/FileLevel.h"
#include "render/Map.h"
#include "render/ProgramStatus.h"
#include "render/WaterRenderTargets.h"
#include "support/GlContext.h"
#include "support/OpenedGame.h"
#include "support/ScriptedPlatform.h"

#include <GLFW/glfw3.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <fstream>
#include <sstream>

using namespace brindlemox::platform;
using namespace brindlemox::render;
using namespace brindlemox::gameplay;
using namespace brindlemox::levels;
using namespace brindlemox::app;

namespace {

// Drives one level the way the game does, with scripted time.
class LevelTest : public GlTest {
  protected:
    void SetUp() override { GlTest::SetUp(); }
    void TearDown() override {
        glfwMakeContextCurrent(testgl::window());
        GlTest::TearDown();
    }

    template <class L> std::unique_ptr<L> makeLevel() {
        return started(std::make_unique<L>(testgl::window(), &config, *controls));
    }
    // One of the data folder's levels.
    std::unique_ptr<FileLevel> fileLevel(const std::string& path) {
        levelfile::Result read = levelfile::read(path);
        EXPECT_TRUE(read.content) << read.error;
        return started(std::make_unique<FileLevel>(testgl::window(), &config, *controls, nullptr,
                                                   read.content.value_or(levelfile::Content())));
    }
    template <class L> std::unique_ptr<L> started(std::unique_ptr<L> level) {
        std::fflush(stdout);
        testing::internal::CaptureStderr(); // loading chatter
        level->setLossHold(0.0);
        level->start();
        std::fflush(stdout);
        testing::internal::GetCapturedStderr();
        return level;
    }

    void frame(Level& level, double seconds, bool render = false) {
        keys.advance(seconds);
        level.applyPolygonMode();
        if (level.isLost())
            level.restartAfterLoss();
        level.update();
        level.stepPhysics();
        if (render)
            level.render();
    }

    static void placeBody(btRigidBody* body, const glm::vec3& p) {
        btTransform t;
        t.setIdentity();
        t.setOrigin(btVector3(p.x, p.y, p.z));
        body->setWorldTransform(t);
        body->getMotionState()->setWorldTransform(t);
    }

    ScriptedPlatform keys;
    Config config;
    // The game's input, which the levels of a test share until freshControls.
    std::unique_ptr<Controls> controls = std::make_unique<Controls>(nullptr, &config);
    void freshControls() { controls = std::make_unique<Controls>(nullptr, &config); }
};

std::string writeBoxModel() {
    // A closed 20-unit box, normals inward, as a stand-in level.
    std::string path = ::testing::TempDir() + "level_box.obj";
    std::ofstream out(path);
    out << "v -10 -10 -10\nv 10 -10 -10\nv 10 10 -10\nv -10 10 -10\n"
           "v -10 -10 10\nv 10 -10 10\nv 10 10 10\nv -10 10 10\nvt 0 0\nvn 0 1 0\n"
           "f 1/1/1 2/1/1 3/1/1\nf 1/1/1 3/1/1 4/1/1\nf 5/1/1 7/1/1 6/1/1\nf 5/1/1 8/1/1 7/1/1\n"
           "f 1/1/1 5/1/1 6/1/1\nf 1/1/1 6/1/1 2/1/1\nf 4/1/1 3/1/1 7/1/1\nf 4/1/1 7/1/1 8/1/1\n"
           "f 1/1/1 4/1/1 8/1/1\nf 1/1/1 8/1/1 5/1/1\nf 2/1/1 6/1/1 7/1/1\nf 2/1/1 7/1/1 3/1/1\n";
    return path;
}

// A box-shaped level with one enemy, one breakable wall (its face at x -60) and one plain wall
// (its face at x -59, around z 40) outside the box, for the contact and loss rules.
class BoxLevel : public Level {
  public:
    using Level::Level;
    void start() override {
        const ProgramRef& program = entityProgram();
        Map* map = adopt(std::make_unique<Map>(writeBoxModel(), program, false));
        setMap(map);
        enemy = adopt(std::make_unique<SimpleEnemy>(glm::vec3(60, 0, 0), 2, program, 3.0f));
        wall =
            adopt(std::make_unique<VulnerableWall>(glm::vec3(-60, 0, 0), 0, program, 15.0f, 4.0f));
        plainWall = adopt(std::make_unique<SimpleWall>(glm::vec3(-60, 0, 40), 0, program));
        spawnPlayer(glm::vec3(0, 0, 0), 40.0f, 10.0f, 3.0f);
        addRigidBody(map->getRigidBody());
        addRigidBody(getPlayer().getRigidBody());
        addRigidBody(enemy->getRigidBody());
        addRigidBody(wall->getRigidBody());
        addRigidBody(plainWall->getRigidBody());
        addDrawable(map);
        addDrawable(plainWall);
        addEnemy(enemy);
        addObjective(wall);
        setLights({Light(glm::vec3(0, 5, 0), 50.0f),
                   Light(glm::vec3(-52, 4, 0), 50.0f)}); // the second on the breakable wall
    }
    SimpleEnemy* enemy = nullptr;
    VulnerableWall* wall = nullptr;
    SimpleWall* plainWall = nullptr;
};

// The game's blending for the life of the object.
struct BlendingAsInTheGame {
    BlendingAsInTheGame() {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    ~BlendingAsInTheGame() { glDisable(GL_BLEND); }
};

} // namespace

TEST_F(LevelTest, FirstFrameOfLevelOneShowsTitleAndHealth) {
    auto level = fileLevel("Levels/level1.txt");
    frame(*level, 0.02, true);
    EXPECT_EQ(level->getHud().title().getText(), "Level 1");
    EXPECT_EQ(level->getHud().health().getText(), "40/40");
    EXPECT_EQ(level->getScene().size(), 12u);
    EXPECT_EQ(level->getGameplayModels().size(), 8u);
    EXPECT_EQ(level->getObjectives().size(), 4u);
    EXPECT_EQ(level->getLights()->getLights().size(), 4u);
    EXPECT_FALSE(level->isLost());
    EXPECT_FALSE(level->isFinished());
    // The map, the player, two enemies, four breakable and two plain walls.
    EXPECT_EQ(level->getDynamicsWorld().getNumCollisionObjects(), 10);
}

TEST_F(LevelTest, LevelTwoLightPowersFollowTheBrightness) {
    auto level = fileLevel("Levels/level2.txt");
    std::vector<float> powers;
    for (const Light& light : level->getLights()->getLights())
        powers.push_back(light.power);
    EXPECT_EQ(powers, (std::vector<float>{20, 50, 50, 50, 50, 130, 30, 150}));
    EXPECT_EQ(level->getObjectives().size(), 6u);
    EXPECT_EQ(level->getScene().size(), 1u + 6u + 10u + 1u);
    DrawGroup last = DrawGroup::Objects;
    level->getScene().forEach([&](const RenderObject& object, Overlay*) { last = object.group; });
    EXPECT_EQ(last, DrawGroup::Water) << "drawn last, as the file's drawing order says";

    config.brightness = 20;
    auto dim = fileLevel("Levels/level2.txt");
    EXPECT_FLOAT_EQ(dim->getLights()->getLights()[0].power, -10.0f);
    EXPECT_FLOAT_EQ(dim->getLights()->getLights()[7].power, 120.0f);
}

TEST_F(LevelTest, OnlyContactsWithBodiesOtherThanTheMapHurt) {
    auto level = makeLevel<BoxLevel>();
    frame(*level, 0.5);
    // Pressed against the map's wall: contacts, but no damage.
    placeBody(level->getPlayer().getRigidBody(), {9.5f, 0, 0});
    for (int i = 0; i < 5; ++i)
        frame(*level, 0.1);
    EXPECT_FLOAT_EQ(level->getPlayer().getHealth(), 40.0f);
    // Inside the enemy's box: damage every frame.
    placeBody(level->getPlayer().getRigidBody(), level->enemy->getTransform().position);
    frame(*level, 0.1);
    EXPECT_LT(level->getPlayer().getHealth(), 40.0f);
}

TEST_F(LevelTest, AnEnemysTouchHurtsByItsDamageOverThePlayersToughness) {
    const struct {
        float damage, toughness;
        float times; // the loss of damage 3 against toughness 3, times this
    } cases[] = {{3, 3, 1}, {0, 3, 0}, {6, 3, 2}, {3, 6, 0.5f}, {30, 0.3f, 100}, {0, 1e-6f, 0}};
    // The defaults give exactly the half a second per point the demos were recorded with.
    for (float dt : {1.0f / 60.0f, 0.0171f, 0.1234567f, 2.5f})
        EXPECT_EQ(PhysicsWorld::touchDamage(3.0f, 3.0f, dt), 0.5f * dt) << dt;
    float base = 0.0f;
    for (const auto& c : cases) {
        levelfile::Result read = levelfile::read("Levels/level1.txt");
        ASSERT_TRUE(read.content) << read.error;
        for (levelfile::Object& object : read.content->objects)
            object.damage = c.damage;
        read.content->toughness = c.toughness;
        auto level = started(std::make_unique<FileLevel>(testgl::window(), &config, *controls,
                                                         nullptr, *read.content));
        frame(*level, 0.1);
        for (int i = 0; i < 10; ++i) {
            placeBody(level->getPlayer().getRigidBody(),
                      level->getEnemies()[0]->getTransform().position);
            frame(*level, 1.0 / 60.0);
        }
        const float lost = 40.0f - level->getPlayer().getHealth();
        if (base == 0.0f) {
            base = lost;
            ASSERT_GT(base, 0.0f) << "the enemy's touch must hurt";
        }
        // Health is a float near 40: its steps are a few millionths.
        EXPECT_NEAR(lost, base * c.times, 1e-3f * (1.0f + base * c.times))
            << "damage " << c.damage << ", toughness " << c.toughness;
    }
}

TEST_F(LevelTest, AHitFlashesTheEdgeItCameFromAndTheBarShowsTheHealthLeft) {
    int width = 0, height = 0;
    glfwGetFramebufferSize(testgl::window(), &width, &height);
    const BlendingAsInTheGame blending;
    // Redness (red over green and blue) of a strip a twentieth of the picture wide at an edge.
    const auto redness = [&](const std::vector<unsigned char>& rgba, Hud::Side side) {
        const int strip = std::max(2, width / 20), stripY = std::max(2, height / 20);
        double sum = 0.0;
        long count = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool in = side == Hud::Side::Left     ? x < strip
                                : side == Hud::Side::Right  ? x >= width - strip
                                : side == Hud::Side::Bottom ? y < stripY
                                                            : y >= height - stripY;
                if (!in)
                    continue;
                const unsigned char* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
                sum += p[0] - (p[1] + p[2]) / 2.0;
                ++count;
            }
        return sum / static_cast<double>(count);
    };
    const struct {
        glm::vec3 offset; // of the player from the enemy; the view looks along +x, right is +z
        Hud::Side side;
        Hud::Side opposite;
    } cases[] = {
        {{0, 0, -5.2f}, Hud::Side::Right, Hud::Side::Left},
        {{0, 0, 5.2f}, Hud::Side::Left, Hud::Side::Right},
        {{0, -4.7f, 0}, Hud::Side::Top, Hud::Side::Bottom},
    };
    for (const auto& c : cases) {
        auto level = makeLevel<BoxLevel>();
        frame(*level, 0.1);
        EXPECT_EQ(level->getHud().flashLeft(), 0.0f) << "no hit yet";
        placeBody(level->getPlayer().getRigidBody(),
                  level->enemy->getTransform().position + c.offset);
        frame(*level, 1.0 / 60.0);
        ASSERT_LT(level->getPlayer().getHealth(), 40.0f);
        EXPECT_EQ(level->getHud().flashSide(), c.side);
        EXPECT_GT(level->getHud().flashLeft(), 0.3f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        level->render();
        const std::vector<unsigned char> hit = testgl::readPixels(0, 0, width, height);
        testgl::writeImage("hurt_flash", hit, width, height);
        EXPECT_GT(redness(hit, c.side) - redness(hit, c.opposite), 40.0)
            << "the edge the hit came from is redder than the opposite one";
    }

    // The bar: filled to the share of health left, red to green.
    auto level = makeLevel<BoxLevel>();
    level->getPlayer().takeDamage(30.0f);
    frame(*level, 0.1, true);
    EXPECT_FLOAT_EQ(level->getHud().healthBarFill(), 0.25f);
    const glm::mat4& toScreen = level->getHud().health().getProjection();
    const auto pixelAt = [&](float x, float y) {
        const glm::vec4 p = toScreen * glm::vec4(x, y, 0, 1);
        const int px = static_cast<int>((p.x * 0.5f + 0.5f) * width);
        const int py = static_cast<int>((p.y * 0.5f + 0.5f) * height);
        return testgl::readPixels(px, py, 1, 1);
    };
    const float middle = 90.0f + Hud::BarHeight / 2;
    const std::vector<unsigned char> full = pixelAt(Hud::BarLeft + 20.0f, middle);
    const std::vector<unsigned char> empty = pixelAt(Hud::BarRight - 20.0f, middle);
    EXPECT_GT(full[1], empty[1] + 40) << "the quarter filled is lighter than the rest";
    EXPECT_LT(empty[0], 110) << "the rest is dark";
    EXPECT_EQ(level->getHud().healthLabel().getText(), "Health");
    EXPECT_EQ(level->getHud().health().getText(), "10/40");
}

TEST_F(LevelTest, PressingAgainstAWallHurtsButTheMapNever) {
    struct PressCase {
        const char* name;
        glm::vec3 from; // the player flies along -x from here for two seconds
        float face;     // x of the surface that stops it
        bool hurts;
    };
    const std::vector<PressCase> cases = {
        {"a breakable wall", {-56, 0, 0}, -60.0f, true},
        {"a plain wall", {-55, 0, 40}, -59.0f, true},
        {"the map", {-6, 0, 0}, -10.0f, false},
    };
    for (const PressCase& c : cases) {
        freshControls();
        auto level = makeLevel<BoxLevel>();
        frame(*level, 0.1);
        placeBody(level->getPlayer().getRigidBody(), c.from);
        controls->moveMouse(-180.0 * 60.0 / 50.0, 0.0); // from yaw 90 (+x) to 270 (-x)
        keys.hold(GLFW_KEY_W);
        for (int i = 0; i < 120; ++i)
            frame(*level, 1.0 / 60.0);
        keys.releaseAll();
        const float x = level->getCamera().getPosition().x;
        EXPECT_GT(x, c.face + 0.98f) << c.name << ": the player went into it";
        EXPECT_LT(x, c.face + 1.05f) << c.name << ": the player never reached it";
        const float health = level->getPlayer().getHealth();
        if (c.hurts) {
            // At least one contact point for the second and more of pressing.
            EXPECT_LT(health, 40.0f - 0.5f * 1.0f) << c.name;
        } else {
            EXPECT_FLOAT_EQ(health, 40.0f) << c.name;
        }
        // Resting against it without pressing does not hurt.
        for (int i = 0; i < 30; ++i)
            frame(*level, 1.0 / 60.0);
        EXPECT_FLOAT_EQ(level->getPlayer().getHealth(), health) << c.name;
    }
}

TEST_F(LevelTest, ALossResetsObjectivesViewAndPlayerButNotEnemies) {
    auto level = makeLevel<BoxLevel>();
    frame(*level, 0.1);
    level->wall->takeHit(10.0f, 1.0f);
    controls->moveMouse(-100.0, -50.0);
    level->getPlayer().takeDamage(39.99f);
    placeBody(level->getPlayer().getRigidBody(), level->enemy->getTransform().position);
    for (int i = 0; i < 20 && !level->isLost(); ++i)
        frame(*level, 0.1, i == 0);
    ASSERT_TRUE(level->isLost());
    EXPECT_EQ(level->getHud().lost().getText(), "You lost!");
    const glm::vec3 enemyBefore = level->enemy->getTransform().position;

    level->restartAfterLoss();
    EXPECT_FALSE(level->isLost());
    EXPECT_FLOAT_EQ(level->wall->getHealth(), 15.0f);
    EXPECT_FLOAT_EQ(level->getPlayer().getHealth(), 40.0f);
    EXPECT_EQ(controls->getYawDegrees(), 90.0);
    EXPECT_EQ(controls->getPitchDegrees(), 0.0);
    EXPECT_EQ(level->enemy->getTransform().position, enemyBefore);
    btVector3 body = level->getPlayer().getRigidBody()->getWorldTransform().getOrigin();
    EXPECT_NEAR(body.length(), 0.0f, 1e-4);

    // Play goes on from the spawn point.
    frame(*level, 0.02, true);
    EXPECT_FALSE(level->isLost());
    EXPECT_NEAR(glm::length(level->getCamera().getPosition()), 0.0f, 0.1f);
    EXPECT_EQ(level->getHud().health().getText(), "40/40");
}

TEST_F(LevelTest, TheLossScreenHoldsTheWorldUntilItsCountdownOrAPress) {
    const struct {
        const char* name;
        double hold;
        int pressAt;     // frame of 0.1 s on which Space is pressed; -1: never
        int framesShown; // frames the loss screen stays before the reset is due
    } cases[] = {
        {"no hold: reset on the next frame", 0.0, -1, 0},
        {"a countdown of 2.5 s", 2.5, -1, 25},
        {"a press ends it", 2.5, 4, 4},
        {"held at the loss, the key must be let go first", 2.5, 0, 25},
    };
    for (const auto& c : cases) {
        levelfile::Result read = levelfile::read("Levels/level1.txt");
        ASSERT_TRUE(read.content) << read.error;
        read.content->spawnYaw = 180.0;
        read.content->spawnPitch = -20.0;
        auto level = started(std::make_unique<FileLevel>(testgl::window(), &config, *controls,
                                                         nullptr, *read.content));
        EXPECT_EQ(controls->getYawDegrees(), 180.0) << c.name << ": the spawn's facing";
        EXPECT_EQ(controls->getPitchDegrees(), -20.0) << c.name;
        level->setLossHold(c.hold);
        frame(*level, 0.1);
        controls->moveMouse(-100.0, -50.0);
        if (c.pressAt == 0)
            keys.hold(GLFW_KEY_SPACE);
        level->getPlayer().takeDamage(100.0f);
        frame(*level, 0.1);
        const glm::vec3 enemy = level->getEnemies()[0]->getTransform().position;
        int shown = 0;
        for (; shown < 40 && !level->isLost(); ++shown) {
            if (shown == 0 && c.hold > 0.0) {
                EXPECT_EQ(level->getHud().countdown().getText(),
                          "Back to the start in 3 - Space to go on")
                    << c.name;
            }
            if (c.pressAt > 0 && shown == c.pressAt - 1)
                keys.hold(GLFW_KEY_SPACE);
            if (c.pressAt == 0 && shown == 3)
                keys.releaseAll();
            frame(*level, 0.1);
            EXPECT_EQ(level->getEnemies()[0]->getTransform().position, enemy)
                << c.name << ": the world stands still";
        }
        keys.releaseAll();
        EXPECT_EQ(shown, c.framesShown) << c.name;
        level->restartAfterLoss();
        EXPECT_EQ(controls->getYawDegrees(), 180.0) << c.name << ": back to the spawn's facing";
        EXPECT_EQ(controls->getPitchDegrees(), -20.0) << c.name;
        EXPECT_FLOAT_EQ(level->getPlayer().getHealth(), 40.0f) << c.name;
    }
}

TEST_F(LevelTest, AWonLevelIsNeitherHurtNorReset) {
    auto level = makeLevel<BoxLevel>();
    frame(*level, 0.1);
    level->wall->takeHit(1000.0f, 1.0f);
    ASSERT_TRUE(level->isFinished());
    level->getPlayer().takeDamage(39.99f);
    // The enemy glides through the player for two seconds.
    for (int i = 0; i < 20; ++i) {
        placeBody(level->getPlayer().getRigidBody(), level->enemy->getTransform().position);
        frame(*level, 0.1);
    }
    EXPECT_FALSE(level->isLost());
    EXPECT_FLOAT_EQ(level->getPlayer().getHealth(), 40.0f - 39.99f);
    EXPECT_TRUE(level->wall->isDead());
}

namespace {

// A second breakable wall, out of the first one's view, keeps the level from being won.
class BoxLevelWithASecondWall : public BoxLevel {
  public:
    using BoxLevel::BoxLevel;
    void start() override {
        BoxLevel::start();
        VulnerableWall* other = adopt(std::make_unique<VulnerableWall>(
            glm::vec3(-60, 0, -40), 0, entityProgram(), 15.0f, 4.0f));
        addRigidBody(other->getRigidBody());
        addObjective(other);
    }
};

} // namespace

TEST_F(LevelTest, AfterALossADestroyedWallIsDrawnWholeAgain) {
    auto level = makeLevel<BoxLevelWithASecondWall>();
    frame(*level, 0.1);
    const BlendingAsInTheGame blending; // so a wall's alpha shows
    int width = 0, height = 0;
    glfwGetFramebufferSize(testgl::window(), &width, &height);
    // Ten units in front of the breakable wall, facing it; the picture after the frame.
    auto look = [&](const char* name) {
        placeBody(level->getPlayer().getRigidBody(), {-50, 0, 0});
        level->getControls().resetView();
        controls->moveMouse(-180.0 * 60.0 / 50.0, 0.0); // from yaw 90 (+x) to 270 (-x)
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        frame(*level, 1.0 / 60.0, true);
        std::vector<unsigned char> pixels = testgl::readPixels(0, 0, width, height);
        testgl::writeImage(name, pixels, width, height);
        return pixels;
    };
    auto changed = [](const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
        size_t count = 0;
        for (size_t i = 0; i + 3 < a.size(); i += 4)
            count += std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) +
                         std::abs(a[i + 2] - b[i + 2]) >
                     24;
        return count;
    };

    const std::vector<unsigned char> whole = look("loss_wall_whole");
    controls->onKey(nullptr, GLFW_KEY_F8, GLFW_PRESS); // destroyed walls not drawn
    level->wall->takeHit(100.0f, 1.0f);
    ASSERT_TRUE(level->wall->isDead());
    const std::vector<unsigned char> gone = look("loss_wall_destroyed");
    const size_t area = static_cast<size_t>(width) * height;
    ASSERT_GT(changed(whole, gone), area / 5) << "the wall should fill much of the view";

    level->getPlayer().takeDamage(100.0f);
    frame(*level, 1.0 / 60.0);
    ASSERT_TRUE(level->isLost());
    level->restartAfterLoss();
    EXPECT_FALSE(level->wall->isDead());
    const std::vector<unsigned char> restored = look("loss_wall_restored");
    EXPECT_LT(changed(whole, restored), area / 100) << "the restored wall looks destroyed";
}

namespace {

// Breakable walls one behind another outside the box, each with its alpha, drawn together or
// each on its own.
class WallRowLevel : public Level {
  public:
    WallRowLevel(GLFWwindow* window, const Config* config, Controls& controls,
                 std::vector<float> alphas, bool alone)
        : Level(window, config, controls), alphas(std::move(alphas)), alone(alone) {}
    void start() override {
        const ProgramRef& program = entityProgram();
        Map* map = adopt(std::make_unique<Map>(writeBoxModel(), program, false));
        setMap(map);
        addDrawable(map);
        spawnPlayer(glm::vec3(0, 0, 0), 40.0f, 10.0f, 3.0f);
        addRigidBody(getPlayer().getRigidBody());
        for (size_t i = 0; i < alphas.size(); ++i) {
            const glm::vec3 at(-60.0f - 3.0f * static_cast<float>(i), 0.0f,
                               static_cast<float>(i % 3) * 2.0f - 2.0f);
            VulnerableWall* wall =
                adopt(std::make_unique<VulnerableWall>(at, 0, program, 15.0f, 4.0f));
            // Drawn on its own, as every object was drawn before copies were drawn together.
            if (alone)
                wall->drawAlone();
            wall->setAlpha(alphas[i]);
            addObjective(wall);
        }
        setLights({Light(glm::vec3(-52, 4, 0), 50.0f)});
    }

  private:
    std::vector<float> alphas;
    bool alone;
};

} // namespace

TEST_F(LevelTest, CopiesDrawnTogetherShowTheVeryPixelsOfCopiesDrawnAlone) {
    const BlendingAsInTheGame blending;
    int width = 0, height = 0;
    glfwGetFramebufferSize(testgl::window(), &width, &height);
    const auto picture = [&](const std::vector<float>& alphas, bool alone) {
        auto level = started(
            std::make_unique<WallRowLevel>(testgl::window(), &config, *controls, alphas, alone));
        frame(*level, 0.1);
        placeBody(level->getPlayer().getRigidBody(), {-50, 0, 0});
        level->getControls().resetView();
        controls->moveMouse(-180.0 * 60.0 / 50.0, 0.0); // facing -x, the walls
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        frame(*level, 1.0 / 60.0, true);
        return testgl::readPixels(0, 0, width, height);
    };
    // Opaque copies in any order, fading ones blended in the list's order, and both.
    const std::vector<std::vector<float>> rows = {
        {1.0f, 1.0f, 1.0f}, {0.5f, 0.3f, 0.8f, 0.6f}, {1.0f, 0.4f, 1.0f, 0.7f, 0.2f}};
    for (const std::vector<float>& alphas : rows) {
        freshControls();
        const std::vector<unsigned char> alone = picture(alphas, true);
        const std::vector<unsigned char> together = picture(alphas, false);
        ASSERT_EQ(alone.size(), together.size());
        size_t differing = 0;
        for (size_t i = 0; i < alone.size(); ++i)
            differing += alone[i] != together[i];
        EXPECT_EQ(differing, 0u) << alphas.size() << " walls";
    }
}

TEST_F(LevelTest, ALongFrameDoesNotCarryThePlayerThroughWalls) {
    auto level = makeLevel<BoxLevel>();
    frame(*level, 0.1);
    keys.hold(GLFW_KEY_W); // facing +x, the box wall is 10 units away
    frame(*level, 30.0);
    for (int i = 0; i < 30; ++i)
        frame(*level, 0.02);
    EXPECT_LT(level->getCamera().getPosition().x, 10.0f);
}

TEST_F(LevelTest, WaterPassesFillTheWaterImages) {
    auto level = fileLevel("Levels/level1.txt");
    frame(*level, 0.02);
    // Above the lower chamber's water, looking down at it.
    placeBody(level->getPlayer().getRigidBody(), {16, -50, 0});
    controls->moveMouse(0.0, 60.0 * 60.0 / 50.0);
    frame(*level, 0.02, true);
    frame(*level, 0.02, true);
    WaterRenderTargets& targets = level->getWaterTargets();
    auto litPixels = [](GLuint texture, int width, int height) {
        std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        size_t lit = 0;
        for (size_t i = 0; i < rgb.size(); i += 3)
            lit += (rgb[i] + rgb[i + 1] + rgb[i + 2]) > 30;
        return lit;
    };
    size_t reflected = litPixels(targets.reflectionTexture(), 320, 180);
    size_t refracted = litPixels(targets.refractionTexture(), 1780, 720);
    EXPECT_GT(reflected, 320u * 180u / 10u);
    EXPECT_GT(refracted, 1780u * 720u / 10u);
}

TEST_F(LevelTest, LevelOneFinishesOnlyWithItsFourthWallAndLevelTwoRunsOn) {
    std::fflush(stdout);
    testing::internal::CaptureStderr();
    const std::unique_ptr<Game> opened = testgame::open();
    Game& game = *opened;
    std::fflush(stdout);
    testing::internal::GetCapturedStderr();
    auto* first = dynamic_cast<Level*>(game.getCurrentLevel());
    ASSERT_NE(first, nullptr);
    first->setLossHold(0.0);
    keys.advance(0.02);
    ASSERT_TRUE(game.frame());
    const auto& walls = first->getObjectives();
    ASSERT_EQ(walls.size(), 4u);
    for (size_t i = 0; i < 3; ++i)
        walls[i]->takeHit(10.0f, 6.0f);
    keys.advance(0.02);
    game.frame();
    EXPECT_EQ(game.getCurrentLevel(), first);
    EXPECT_FALSE(first->isFinished());

    walls[3]->takeHit(10.0f, 6.0f);
    EXPECT_TRUE(walls[3]->isDead());
    EXPECT_EQ(game.getCurrentLevel(), first);
    game.getControls().setView(200.0, -30.0); // wherever the view was
    keys.advance(0.02);
    testing::internal::CaptureStderr();
    game.frame();
    testing::internal::GetCapturedStderr();
    auto* second = dynamic_cast<Level*>(game.getCurrentLevel());
    ASSERT_NE(second, first);
    EXPECT_EQ(second->getHud().title().getText(), "Level 2");
    EXPECT_EQ(second->getHud().health().getText(), "50/50");
    EXPECT_EQ(game.getControls().getYawDegrees(), 90.0) << "the next level faces its spawn's way";
    EXPECT_EQ(game.getControls().getPitchDegrees(), 0.0);
    // Level 1's card: its title, the time it took (three frames), the health left.
    EXPECT_TRUE(second->getHud().isCardShown());
    EXPECT_EQ(second->getHud().cardLine(0).getText(), "Level 1 complete");
    EXPECT_EQ(second->getHud().cardLine(1).getText(), "Time 0:00");
    EXPECT_EQ(second->getHud().cardLine(2).getText(), "Health 40/40");

    for (VulnerableWall* wall : second->getObjectives())
        wall->takeHit(10.0f, 6.0f);
    for (int i = 0; i < 10; ++i) {
        keys.advance(0.02);
        EXPECT_TRUE(game.frame());
    }
    EXPECT_TRUE(second->isFinished());
    EXPECT_EQ(game.getCurrentLevel(), second);
    EXPECT_EQ(game.getNextLevelIndex(), 2u);
    EXPECT_EQ(second->getHud().cardLine(0).getText(), "Level 2 complete");
    // A press of the attack key puts the card away before its three seconds.
    keys.hold(GLFW_KEY_SPACE);
    keys.advance(0.02);
    game.frame();
    keys.releaseAll();
    EXPECT_FALSE(second->getHud().isCardShown());
}

TEST_F(LevelTest, TheMainPassFollowsTheWindowsFramebuffer) {
    // The test window is far smaller than the monitor; the picture must fill the window, with the
    // window's own aspect.
    auto level = fileLevel("Levels/level1.txt");
    frame(*level, 0.02, true);
    int width = 0, height = 0;
    glfwGetFramebufferSize(testgl::window(), &width, &height);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
    EXPECT_FLOAT_EQ(level->getCamera().getAspect(), float(width) / float(height));
    EXPECT_EQ(level->getWaterTargets().getScreenWidth(), width);
}

TEST_F(LevelTest, WaterImagesAreRedrawnFromScratchEachFrame) {
    auto level = fileLevel("Levels/level1.txt");
    frame(*level, 0.02);
    placeBody(level->getPlayer().getRigidBody(), {16, -50, 0});
    controls->moveMouse(0.0, 60.0 * 60.0 / 50.0);
    frame(*level, 0.02);
    // Paint both targets a colour the level never shows; a pass that does not clear keeps it.
    WaterRenderTargets& targets = level->getWaterTargets();
    for (GLuint framebuffer :
         {targets.reflectionFrameBufferName(), targets.refractionFrameBufferName()}) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    frame(*level, 0.02, true);
    auto magenta = [](GLuint texture, int width, int height) {
        std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        size_t count = 0;
        for (size_t i = 0; i < rgb.size(); i += 3)
            count += rgb[i] == 255 && rgb[i + 1] == 0 && rgb[i + 2] == 255;
        return count;
    };
    EXPECT_EQ(magenta(targets.reflectionTexture(), 320, 180), 0u);
    EXPECT_EQ(magenta(targets.refractionTexture(), 1780, 720), 0u);
}

TEST_F(LevelTest, MatteMapShowsTheVeryPixelsOfTheFullLightMapShader) {
    // Level 2's map has no specular colour, so it is drawn without the sheen. Each view is drawn
    // with that program and with the full light-map program: the pictures must be equal.
    struct View {
        const char* name;
        glm::vec3 eye;
        double yaw, pitch;
        bool celShaded;
    };
    const View views[] = {{"long hall", {0, 12, -56}, 90, 0, false},
                          {"hall, cel shaded", {60, 14, -56}, -90, -10, true},
                          {"over the water", {96, -110, -56}, 180, -40, false}};
    auto level = fileLevel("Levels/level2.txt");
    frame(*level, 0.02);
    Map& map = *level->getMap();
    const ProgramRef matte = map.getSharedProgram();
    const ProgramRef full =
        level->getResources().program("Shader/lightMapVS.vs", "Shader/lightMapFS.fs");
    ASSERT_TRUE(programLinked(full->get()));
    ASSERT_NE(matte->get(), full->get());
    int width = 0, height = 0;
    glfwGetFramebufferSize(testgl::window(), &width, &height);
    const auto drawWith = [&](const ProgramRef& program) {
        map.setProgram(program);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        level->render();
        return testgl::readPixels(0, 0, width, height);
    };
    for (const View& view : views) {
        SCOPED_TRACE(view.name);
        if (view.celShaded != level->getControls().isCelShading())
            controls->onKey(testgl::window(), GLFW_KEY_F4, GLFW_PRESS);
        placeBody(level->getPlayer().getRigidBody(), view.eye);
        controls->setView(view.yaw, view.pitch);
        frame(*level, 0.02);
        const std::vector<unsigned char> withoutSheen = drawWith(matte);
        const std::vector<unsigned char> withSheen = drawWith(full);
        const auto lit = std::count_if(withoutSheen.begin(), withoutSheen.end(),
                                       [](unsigned char c) { return c > 40; });
        EXPECT_GT(lit, static_cast<long>(withoutSheen.size() / 4)) << "the map is in view";
        EXPECT_TRUE(withoutSheen == withSheen);
    }
    map.setProgram(matte);
}

TEST_F(LevelTest, WhilePausedNothingMovesAndThePictureStandsStill) {
    // Inside the enemy with W and Space held: unpaused, each of these would change.
    auto box = makeLevel<BoxLevel>();
    frame(*box, 0.1);
    placeBody(box->getPlayer().getRigidBody(), box->enemy->getTransform().position);
    frame(*box, 0.1);
    controls->setPaused(nullptr, true);
    frame(*box, 0.1);
    const glm::vec3 enemy = box->enemy->getTransform().position;
    const glm::vec3 player = box->getCamera().getPosition();
    const float health = box->getPlayer().getHealth();
    keys.hold(GLFW_KEY_W);
    keys.hold(GLFW_KEY_SPACE);
    for (int i = 0; i < 30; ++i)
        frame(*box, 0.1);
    EXPECT_EQ(box->getControls().getDeltaTime(), 0.0f);
    EXPECT_EQ(box->enemy->getTransform().position, enemy);
    EXPECT_EQ(box->getCamera().getPosition(), player);
    EXPECT_EQ(box->getPlayer().getHealth(), health);
    keys.releaseAll();
    box.reset();
    freshControls();

    // Level 1 from its spawn: the enemy in view and the water's waves stop, the pause line shows.
    auto level = fileLevel("Levels/level1.txt");
    int width = 0, height = 0;
    glfwGetFramebufferSize(testgl::window(), &width, &height);
    // The colours a person sees; the window's alpha is never shown.
    const auto picture = [&](double seconds) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        frame(*level, seconds, true);
        std::vector<unsigned char> rgba = testgl::readPixels(0, 0, width, height);
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255;
        return rgba;
    };
    picture(0.5);
    controls->setPaused(nullptr, true);
    const std::vector<unsigned char> pausedFirst = picture(0.1);
    const std::vector<unsigned char> pausedLater = picture(2.0);
    const std::vector<TextRenderer*>& lines = level->getHud().drawn();
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](TextRenderer* line) { return line->getText() == Hud::PausedLine; }),
              lines.end());
    EXPECT_TRUE(pausedFirst == pausedLater)
        << testgl::writeImage("paused", pausedLater, width, height);
    controls->setPaused(nullptr, false);
    const std::vector<unsigned char> resumed = picture(2.0);
    EXPECT_FALSE(resumed == pausedLater) << testgl::writeImage("resumed", resumed, width, height);
}

TEST_F(LevelTest, AGamepadDemoReplaysToTheRecordedState) {
    // Level 1 played with the gamepad alone: turn to the first wall and look down at it, fly to
    // it, attack it, Start to pause with the sticks pushed, Start again, the pad pulled out and
    // plugged in again with the left stick held diagonally.
    const auto pad = [](float lx, float ly, float rx, float ry, unsigned buttons, float trigger) {
        GamepadState state;
        state.connected = true;
        state.axes = {lx, ly, rx, ry, -1.0f, trigger};
        state.buttons = buttons;
        return state;
    };
    const unsigned start = 1u << GLFW_GAMEPAD_BUTTON_START;
    const std::pair<GamepadState, int> spans[] = {
        {pad(0, 0, -1, 0, 0, -1), 90},      {pad(0, 0, 0, 1, 0, -1), 20},
        {pad(0, -1, 0, 0, 0, -1), 55},      {pad(0, 0, 0, 0, 0, 1), 120},
        {pad(0, 0, 0, 0, start, -1), 1},    {pad(1, -1, 1, 1, 0, 1), 30},
        {pad(0, 0, 0, 0, start, -1), 1},    {GamepadState(), 10},
        {pad(0.7f, 0.7f, 0, 0, 0, -1), 30},
    };
    const auto startGame = [] {
        std::fflush(stdout);
        testing::internal::CaptureStderr();
        auto game = testgame::open();
        std::fflush(stdout);
        testing::internal::GetCapturedStderr();
        game->getCurrentLevel()->setLossHold(0.0);
        return game;
    };
    long frames = 0;
    std::ostringstream file;
    std::string recorded;
    {
        auto game = startGame();
        demo::Header header;
        header.width = game->getWindowWidth();
        header.height = game->getWindowHeight();
        header.sensitivity = game->getConfig().mouseSensitivity;
        demo::Recorder recorder(file, header, game->getControls());
        for (const auto& [state, count] : spans)
            for (int i = 0; i < count; ++i, ++frames) {
                keys.pad = state;
                keys.advance(1.0 / 60.0);
                game->frame(false);
                recorder.endFrame();
            }
        recorded = demo::stateLine(*game, frames);
        recorder.finish(recorded);
    }
    keys.pad = GamepadState();
    EXPECT_EQ(recorded.find("position=0,8,0"), std::string::npos) << recorded;
    EXPECT_NE(file.str().find(" pad="), std::string::npos);

    const demo::ParseResult read = demo::parse(file.str());
    ASSERT_TRUE(read.demo) << read.error;
    auto game = startGame();
    {
        ScriptedPlatform replay;
        for (const demo::Frame& frame : read.demo->frames) {
            demo::applyBefore(replay, frame);
            game->frame(false);
            demo::applyAfter(game->getControls(), frame);
        }
    }
    EXPECT_EQ(demo::stateLine(*game, frames), recorded);
}

TEST_F(LevelTest, F7DrawsThePhysicsShapesOverTheSceneAndF7AgainTakesThemAway) {
    auto level = fileLevel("Levels/level1.txt");
    frame(*level, 0.02);
    int width = 0, height = 0;
    glfwGetFramebufferSize(testgl::window(), &width, &height);
    const auto picture = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        level->render();
        return testgl::readPixels(0, 0, width, height);
    };
    const auto pressF7 = [&] {
        level->getControls().onKey(testgl::window(), GLFW_KEY_F7, GLFW_PRESS);
    };
    const std::vector<unsigned char> plain = picture();
    pressF7();
    ASSERT_TRUE(level->getControls().isDrawingPhysics());
    const std::vector<unsigned char> shapes = picture();
    pressF7();
    const std::vector<unsigned char> again = picture();
    ASSERT_EQ(plain.size(), shapes.size());
    size_t changed = 0;
    for (size_t i = 0; i < plain.size(); i += 4)
        changed +=
            plain[i] != shapes[i] || plain[i + 1] != shapes[i + 1] || plain[i + 2] != shapes[i + 2];
    EXPECT_GT(changed, plain.size() / 4 / 100) << "the shapes' lines cover some of the picture";
    EXPECT_TRUE(again == plain) << "F7 again leaves the scene as it was";
}

TEST_F(LevelTest, TheTimerShowsTheLevelsTimeOnlyWhenTheConfigAsks) {
    const struct {
        bool timer;
        double seconds;   // of play before the drawn frame
        const char* line; // nullptr: no timer line drawn
    } cases[] = {{false, 2.5, nullptr}, {true, 0.5, "Time 0:00"}, {true, 65.5, "Time 1:05"}};
    for (const auto& c : cases) {
        config.timer = c.timer;
        std::unique_ptr<FileLevel> level = fileLevel("Levels/level3.txt");
        for (double played = 0.0; played < c.seconds; played += 0.5)
            frame(*level, 0.5);
        frame(*level, 0.0, true);
        const std::vector<TextRenderer*>& drawn = level->getHud().drawn();
        const bool shown =
            std::find(drawn.begin(), drawn.end(), &level->getHud().timer()) != drawn.end();
        EXPECT_EQ(shown, c.line != nullptr) << c.seconds;
        if (c.line != nullptr) {
            EXPECT_EQ(level->getHud().timer().getText(), c.line);
        }
        EXPECT_EQ(level->card().seconds, c.seconds) << "the card counts the same time";
    }
}
