#pragma once

#include "levels/Level.h"

class Level1 : public Level {
  public:
    using Level::Level;
    void start() override;
};
