#pragma once

#include "levels/EntityKinds.h"
#include "levels/Level.h"
#include "levels/LevelFile.h"

// A level whose content comes from a level file (levelfile::Content): the objects are made in
// the file's order by their kinds' factories (levels/EntityKinds.h), join the physics world as
// map, player, enemies, breakable walls, plain walls, and are drawn in the file's drawing order.
class FileLevel : public Level {
  public:
    FileLevel(GLFWwindow* window, const Config* config, std::shared_ptr<ResourceCache> resources,
              levelfile::Content content);
    void start() override;
    const levelfile::Content& content() const { return level; }
    // The model files, images and noise start() loads, for reading them ahead of it.
    static ResourceCache::ReadAhead filesToReadAhead(const levelfile::Content& level);
    // Where start() looks for a path of the file: the level's own folder first, if it has one.
    static std::string located(const levelfile::Content& level, const std::string& path);

  private:
    // The kinds' factories make the objects through the level's registration calls.
    friend struct levelfile::KindTable;
    levelfile::Content level;
};
