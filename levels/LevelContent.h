#pragma once

#include "render/LightSet.h"
#include "render/RenderScene.h"

#include <memory>
#include <vector>

namespace brindlemox::render {
class Map;
} // namespace brindlemox::render

namespace brindlemox::effects {
class WaterMesh;
} // namespace brindlemox::effects

namespace brindlemox::gameplay {
class GameplayModel;
class SimpleEnemy;
class VulnerableWall;
} // namespace brindlemox::gameplay

namespace brindlemox::levels {

// What a level holds: the objects its start made, each registered once here and shown in the
// level's scene, and the lists the frame and the rules go through.
class LevelContent {
  public:
    explicit LevelContent(render::RenderScene& scene) : scene(scene) {}
    LevelContent(const LevelContent&) = delete;
    LevelContent& operator=(const LevelContent&) = delete;

    // The level owns every object handed to adopt.
    template <class T> T* adopt(std::unique_ptr<T> object) {
        T* raw = object.get();
        owned.push_back(std::shared_ptr<T>(std::move(object)));
        return raw;
    }
    // Shown in the order added (within its kind: opaque, the geometry, what blends): the map,
    // the water, a plain wall.
    template <class T> void addDrawable(T* object) { object->show(scene); }
    // A breakable wall: drawn, attacked, counted for the level's end.
    void addObjective(gameplay::VulnerableWall* wall);
    // An enemy and its satellite: drawn and updated.
    void addEnemy(gameplay::SimpleEnemy* enemy);
    // The level geometry; its body never hurts the player and hides the walls behind it.
    void setMap(render::Map* geometry);
    // The water surface of this level: the passes mirror and clip about its height.
    void setWater(effects::WaterMesh* surface);
    void setLights(std::vector<render::Light> list);
    // Lets go of every object; they leave the scene as they go (before the scene does).
    void release();

    // What moves of itself each frame (enemies, satellites), in the order shown.
    const std::vector<gameplay::GameplayModel*>& movers() const { return moving; }
    const std::vector<gameplay::GameplayModel*>& gameplayModels() const { return models; }
    const std::vector<gameplay::VulnerableWall*>& objectives() const { return walls; }
    const std::vector<gameplay::SimpleEnemy*>& enemies() const { return enemyList; }
    const render::LightSet* lights() const { return lightSet.get(); }
    render::Map* map() const { return geometry; }
    effects::WaterMesh* water() const { return surface; }
    float waterHeight() const { return surfaceHeight; }
    size_t wallsDestroyed() const;

  private:
    render::RenderScene& scene;
    std::vector<std::shared_ptr<void>> owned;
    std::vector<gameplay::GameplayModel*> moving;
    std::vector<gameplay::GameplayModel*> models;
    std::vector<gameplay::VulnerableWall*> walls;
    std::vector<gameplay::SimpleEnemy*> enemyList;
    std::vector<render::Light> lightList;
    std::unique_ptr<render::LightSet> lightSet;
    render::Map* geometry = nullptr;
    effects::WaterMesh* surface = nullptr;
    float surfaceHeight = 1.0f;
};

} // namespace brindlemox::levels
