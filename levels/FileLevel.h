#pragma once

#include "levels/EntityKinds.h"
#include "levels/Level.h"
#include "levels/LevelFile.h"
#include "platform/Report.h"
#include "render/ModelImport.h"

#include <optional>
#include <string>

namespace brindlemox::levels {

// A level whose content comes from a level file (levelfile::Content): the objects are made in
// the file's order by their kinds' factories (levels/EntityKinds.h), join the physics world as
// map, player, enemies, breakable walls, plain walls, and are drawn in the file's drawing order.
class FileLevel : public Level {
  public:
    FileLevel(GLFWwindow* window, const platform::Config* config, platform::Controls& controls,
              std::shared_ptr<render::ResourceCache> resources, levelfile::Content content);
    void start() override;
    const levelfile::Content& content() const { return level; }
    // The level's map read now (no GL: before any window), and the spawn checked against it. A
    // map that cannot be read, or a spawn outside the map's open space, is refused with the line
    // of the level file (named name) that gave it.
    static platform::Result<render::ModelData> readMap(const levelfile::Content& level,
                                                       const std::string& name);
    // The model files, images and noise start() loads, for reading them ahead of it; map is what
    // readMap read, if it has.
    static render::ResourceCache::ReadAhead
    filesToReadAhead(const levelfile::Content& level,
                     std::optional<render::ModelData> map = std::nullopt);
    // Where start() looks for a path of the file: the level's own folder first, if it has one and
    // anything is at the path there.
    static std::string located(const levelfile::Content& level, const std::string& path);

  private:
    // The kinds' factories make the objects through the level's registration calls.
    friend struct levelfile::KindTable;
    levelfile::Content level;
};

} // namespace brindlemox::levels
