#pragma once

// The entity models and the level meshes.

#include "Images.h"
#include "LevelDescription.h"
#include "MeshData.h"

namespace assets {

// Half extents of the enemy's physics box at drawable scale 0.5; the cell model is built at
// twice this size so that the drawn cell fills the box.
constexpr float kEnemyHalfExtents[3] = {4.78215f, 4.35085f, 4.9009f};

ModelData makeCellModel();
ModelData makeCellComponentModel();
ModelData makeSimpleWallModel();
ModelData makeVulnerableWallModel();
ModelData makePlaneModel();

struct LevelBuild {
    ModelData model;
    Image lightMap{1, 1}; // only filled for light-mapped levels
};

// The level's model and light map, or the line saying which bound it would pass.
brindlemox::platform::Result<LevelBuild> makeLevel(const levels::LevelDescription& level);

} // namespace assets
