#pragma once

#include "levels/Level.h"

class Level2 : public Level {
  public:
    using Level::Level;
    void start() override;
};
