#pragma once

#include <array>
#include <cstddef>

namespace brindlemox::audio {

// Every sound the game plays, each a file under Sound/ of the data folder (made by the asset
// builder).
enum class Sound : std::size_t {
    WallAttack,    // loop at a wall while it is hit
    WallBreak,     // burst at a wall that falls
    EnemyHum,      // loop at each enemy
    SatelliteWhir, // loop at each enemy's satellite
    PlayerHurt,    // short hit at the listener
    Lost,          // "You lost!"
    LevelComplete, // a level is done
    Won,           // the last level is done
    Water,         // loop at the water surface
    Count
};
constexpr std::size_t SoundCount = static_cast<std::size_t>(Sound::Count);

constexpr const char* SoundFolder = "Sound";
constexpr std::array<const char*, SoundCount> SoundFiles = {
    "Sound/wallAttack.wav",    "Sound/wallBreak.wav",  "Sound/enemyHum.wav",
    "Sound/satelliteWhir.wav", "Sound/playerHurt.wav", "Sound/lost.wav",
    "Sound/levelComplete.wav", "Sound/won.wav",        "Sound/water.wav"};

constexpr std::size_t indexOf(Sound sound) {
    return static_cast<std::size_t>(sound);
}

} // namespace brindlemox::audio
