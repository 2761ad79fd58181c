// The real game's start-up and Level 2 load through one resource cache: each distinct program,
// image, model and noise texture is built once, said once, and shared by everyone drawn with it.
#include "app/Game.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/SimpleWall.h"
#include "gameplay/VulnerableWall.h"
#include "levels/Level.h"
#include "platform/Controls.h"
#include "render/ResourceCache.h"
#include "support/GlContext.h"
#include "support/OpenedGame.h"
#include "support/ScriptedPlatform.h"

#include <map>
#include <sstream>

using namespace brindlemox::platform;
using namespace brindlemox::render;
using namespace brindlemox::gameplay;
using namespace brindlemox::levels;

namespace {

// How often each line of out that starts with prefix (or ends with suffix) occurs, by its
// remaining text.
std::map<std::string, int> countLines(const std::string& out, const std::string& prefix,
                                      const std::string& suffix) {
    std::map<std::string, int> counts;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (!prefix.empty() && line.rfind(prefix, 0) == 0)
            ++counts[line.substr(prefix.size())];
        if (!suffix.empty() && line.size() > suffix.size() &&
            line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
            ++counts[line.substr(0, line.size() - suffix.size())];
    }
    return counts;
}

class ResourcesTest : public GlTest {
  protected:
    void TearDown() override {
        glfwMakeContextCurrent(testgl::window());
        GlTest::TearDown();
    }
};

} // namespace

TEST_F(ResourcesTest, TheGameBuildsEachDistinctResourceOnce) {
    ScriptedPlatform keys;
    std::fflush(stdout);
    testing::internal::CaptureStderr();
    auto game = testgame::open();
    Level* first = dynamic_cast<Level*>(game->getCurrentLevel());
    ASSERT_NE(first, nullptr);
    const ResourceCache::Counts atStart = first->getResources().built();
    EXPECT_EQ(first->getResources().readAheadUnused(), 0u) << "read ahead, never used";
    for (VulnerableWall* wall : first->getObjectives())
        wall->takeHit(1000.0f, 1.0f);
    keys.advance(1.0 / 60.0);
    game->frame(false);
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStderr();
    Level* second = dynamic_cast<Level*>(game->getCurrentLevel());
    ASSERT_NE(second, first);
    EXPECT_EQ(&second->getResources(), &first->getResources()) << "one cache for the game";

    // Level 1: entities, map, water, HUD text, picture and shapes, particles and billboards;
    // Level 2 adds only its light-map program.
    EXPECT_EQ(atStart.programs, 6);
    EXPECT_EQ(atStart.shaderStages, 13);
    const ResourceCache::Counts all = second->getResources().built();
    EXPECT_EQ(all.programs, 7);
    EXPECT_EQ(all.shaderStages, 15);
    EXPECT_EQ(all.made.at("noise"), 1) << "every plain wall shows the same rings";
    EXPECT_EQ(all.made.at("random"), 1);

    for (const auto& [what, lines] :
         {std::pair{"compiled", countLines(out, "Compiling shader : ", "")},
          std::pair{"loaded", countLines(out, "", " - texture successfully loaded")}}) {
        EXPECT_FALSE(lines.empty()) << what;
        for (const auto& [path, times] : lines)
            EXPECT_EQ(times, 1) << path << " " << what << " " << times << " times";
    }
    EXPECT_EQ(countLines(out, "Compiling shader : ", "").size(), 15u);

    // Everything drawn from the same files shares one model and one program.
    const std::vector<VulnerableWall*>& walls = second->getObjectives();
    const std::vector<SimpleEnemy*>& enemies = second->getEnemies();
    ASSERT_GE(walls.size(), 2u);
    ASSERT_GE(enemies.size(), 2u);
    EXPECT_EQ(walls[0]->renderObject().getModel(), walls[1]->renderObject().getModel());
    EXPECT_EQ(enemies[0]->renderObject().getModel(), enemies[1]->renderObject().getModel());
    EXPECT_EQ(walls[0]->renderObject().getProgram(), enemies[0]->renderObject().getProgram());
    EXPECT_EQ(walls[0]->getParticles().getUpdateProgram(),
              walls[1]->getParticles().getUpdateProgram());
    game.reset();
}
