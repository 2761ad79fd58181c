#pragma once

#include "levels/Level.h"

// The first level: four breakable walls, two enemies, two plain walls, water, four lights.
class Level1 : public Level {
  public:
    using Level::Level;
    void start() override;
    // The model files, images and noise start() loads, for reading them ahead of it.
    static ResourceCache::ReadAhead filesToReadAhead();
};
