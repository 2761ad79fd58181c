#include "levels/Level2.h"

void Level2::start() {}
