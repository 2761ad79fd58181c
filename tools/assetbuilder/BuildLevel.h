#pragma once

#include "LevelDescription.h"

#include <filesystem>

namespace assets {

// Writes the level's model and its image (the baked light map, or the flesh texture) at their
// paths under folder, each whole, and says what it wrote.
brindlemox::platform::Result<void> writeLevel(const levels::LevelDescription& level,
                                              const std::filesystem::path& folder);

} // namespace assets
