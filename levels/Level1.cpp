#include "levels/Level1.h"

void Level1::start() {}
