#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <array>
#include <cstddef>
#include <string>

namespace brindlemox::audio {
class SoundSystem;
}

namespace brindlemox::levels {

// Where a run stands in one level, as the shell reports it (the state line of demos and runs).
struct LevelState {
    bool hasPlayer = false; // the rest but the walls is meaningful only with a player
    float health = 0.0f;
    glm::vec3 position{0.0f};
    double yawDegrees = 0.0;
    double pitchDegrees = 0.0;
    size_t wallsDestroyed = 0;
    size_t wallsTotal = 0;
};

// What a finished level leaves for its card: its title, the game seconds it took and the
// health left.
struct LevelCard {
    std::string title;
    double seconds = 0.0;
    float health = 0.0f;
    float maxHealth = 0.0f;
};

// Work that costs a frame far more than drawing it, counted where it happens. The counts only
// grow, so what a frame did is the difference of two readings (the frame-time trace).
struct WorkTally {
    enum Kind {
        LevelLoad,
        ShaderCompile, // a stage file compiled
        ProgramLink,
        TextureUpload,    // an image file
        GeneratedTexture, // noise or random texels
        ModelBuild,
        GlyphSet,
        HudPicture,    // the HUD lines drawn into their picture
        ParticleStart, // a pool's first update
        FirstDraw,     // a program given the level's lights: its first draw in the level
        // Not first-time work but more drawing: the water's two passes, pools of sparks drawn.
        WaterPass,
        SparkDraw,
        KindCount
    };
    std::array<long, KindCount> count{};

    long& operator[](Kind kind) { return count[kind]; }
    long operator[](Kind kind) const { return count[kind]; }
    WorkTally& operator+=(const WorkTally& other) {
        for (size_t i = 0; i < count.size(); ++i)
            count[i] += other.count[i];
        return *this;
    }
    WorkTally operator-(const WorkTally& other) const {
        WorkTally difference = *this;
        for (size_t i = 0; i < count.size(); ++i)
            difference.count[i] -= other.count[i];
        return difference;
    }
    // The column name of a kind ("shader_compiles").
    static const char* name(Kind kind) {
        static constexpr const char* names[KindCount] = {
            "level_loads",        "shader_compiles", "program_links", "texture_uploads",
            "generated_textures", "model_builds",    "glyph_sets",    "hud_pictures",
            "particle_starts",    "first_draws",     "water_passes",  "spark_draws"};
        return names[kind];
    }
};

// What the game shell asks of a level, every frame and in this order: applyPolygonMode,
// isFinished (the next level starts when true), isLost (restartAfterLoss when true: the loss
// screen is over), update,
// stepPhysics, render. start runs exactly once, when the level becomes current.
class LevelInterface {
  public:
    virtual ~LevelInterface() = default;

    virtual void start() = 0;
    // Once, after the level's first frame is shown: draws where nobody sees it with every
    // program and state the level's frames use, so the driver builds its code for them now
    // rather than at whichever later frame first needs one.
    virtual void warmUp() {}
    virtual bool isFinished() = 0;
    virtual bool isLost() = 0;
    virtual void update() = 0;
    virtual void render() = 0;
    virtual glm::mat4 getViewMatrix() = 0;

    virtual void applyPolygonMode() = 0;
    virtual void restartAfterLoss() = 0;
    virtual void stepPhysics() = 0;

    // A message the shell has for the player ("Level 1 complete"): shown for seconds of game
    // time, or for good when seconds is 0 or less. Levels without a HUD ignore it.
    virtual void announce(const std::string& /*message*/, double /*seconds*/) {}
    // The card of this level as it stands (its title, its time so far, the health left).
    virtual LevelCard card() const { return {}; }
    // Shows a finished level's card for seconds of game time or until the attack key is
    // pressed anew. Levels without a HUD ignore it.
    virtual void showCard(const LevelCard& /*card*/, double /*seconds*/) {}

    // The run's state in this level. Levels without a player report only their walls.
    virtual LevelState state() const { return {}; }
    // Moves the player there at once, looking along yaw and pitch (degrees) from the next
    // physics step on. False when the level has no player to place.
    virtual bool placePlayer(const glm::vec3& /*position*/, double /*yawDegrees*/,
                             double /*pitchDegrees*/) {
        return false;
    }
    // How long the loss screen ("You lost!", the world standing still, a countdown) stays
    // before the level is reset, in game seconds, unless the attack key is pressed anew; 0
    // resets it on the next frame.
    virtual void setLossHold(double /*seconds*/) {}
    // Whether the HUD is drawn over the scene (not under the title menu). Levels without a HUD
    // ignore it.
    virtual void setHudShown(bool /*shown*/) {}
    // What the level plays its sounds through while it is current; null silences it. Sound
    // never changes the run. Levels without sound ignore it.
    virtual void setSound(audio::SoundSystem* /*sound*/) {}
    // What the level and the resources it draws from have built so far (never the level loads,
    // which the shell counts). Levels sharing a cache each report its counts.
    virtual WorkTally work() const { return {}; }
};

} // namespace brindlemox::levels
