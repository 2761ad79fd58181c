#pragma once

#include "levels/Level.h"

// The second and last level: light-mapped geometry, six breakable walls, five enemies, water and
// eight lights.
class Level2 : public Level {
  public:
    using Level::Level;
    void start() override;
};
