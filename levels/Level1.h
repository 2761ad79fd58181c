#pragma once

#include "levels/Level.h"

// The first level: four breakable walls, two enemies, two plain walls, water, four lights.
class Level1 : public Level {
  public:
    using Level::Level;
    void start() override;
    // Every model file start() loads, for reading them ahead of it.
    static std::vector<std::string> modelFiles();
};
