#pragma once

#include "effects/Billboard.h"
#include "effects/RandomTexture.h"
#include "render/GlHandle.h"
#include "render/RenderScene.h"
#include "render/ResourceCache.h"
#include "render/ShaderLoader.h"
#include "render/Texture.h"

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <array>
#include <memory>
#include <optional>

namespace brindlemox::effects {

// One record of the particle buffers; the layout is shared with Shader/particleVS.vs and
// Shader/particleGS.gs.
struct Particle {
    float type = 0.0f;
    glm::vec3 position{0.0f};
    glm::vec3 direction{0.0f};
    float age = 0.0f;
};
static_assert(sizeof(Particle) == 32, "the particle record is shared with the shaders");

// A GPU particle emitter. Each frame one transform-feedback pass turns the current generation of
// records into the next one in the other buffer, then the new generation is drawn as billboard
// sprites. The live count never comes back to the CPU: every pass draws what the previous
// pass captured. Owns all its GL objects.
class ParticleSystem : public render::Overlay {
  public:
    static constexpr const char* SpriteImage = "Texture/particleSystem.bmp";
    static constexpr unsigned PoolSize = 4000;
    static constexpr unsigned RandomTextureSize = 300;
    static constexpr float LaunchTime = 0.00002f;
    static constexpr float FireTime = 0.0f;
    static constexpr float SpreadTime = 5.0f;
    static constexpr float SpriteSize = 0.01f;

    // Builds the update program (Shader/particleVS.vs + particleGS.gs, no fragment stage), the
    // billboard, the sprite SpriteImage and the random texture. Spawning off.
    // The programs and textures come from cache (a private one when none is given); the pool's
    // buffers are its own.
    explicit ParticleSystem(render::ResourceCache* cache = nullptr);
    ~ParticleSystem() override;
    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    // Fills both buffers with PoolSize copies of one record at position, moving along the
    // direction of directionIndex. Call once, before the first renderFrame. Does nothing when
    // the driver offers no transform-feedback objects.
    void init(const glm::vec3& position, int directionIndex);
    // init, put off until the pool first has to run: renderFrame, or advance once spawning.
    // Until then the system holds no buffer (a level's walls mostly never spark).
    void initWhenNeeded(const glm::vec3& position, int directionIndex);
    // The pool's buffers exist.
    bool hasPool() const { return static_cast<bool>(buffers[0]); }
    // Takes effect at the next update.
    void setSpawning(bool on) { spawning = on; }
    // Update, then draw the new generation, then swap the buffers' roles. The first call after
    // init feeds record 0 alone. viewProjection is projection * view; the current blend, depth
    // and culling state apply.
    void renderFrame(float deltaTime, const glm::mat4& viewProjection, const glm::vec3& cameraPos);
    // renderFrame in two halves, for the game: advance runs the update pass and swaps the
    // buffers during the level's update; drawLatest draws the generation advance captured, in
    // the main pass after the scene, so the walls drawn later cannot paint over the sprites.
    // A pool that is not spawning and whose last spark has burnt out is idle: it costs neither
    // an update nor a draw. The time it spends idle is handed to the launcher in one update
    // when spawning starts again, so the sparks come out as if it had run all along.
    void advance(float deltaTime);
    void drawLatest(const glm::mat4& viewProjection, const glm::vec3& cameraPos);
    bool isIdle() const { return idle; }
    // One seed through the update program into a scratch buffer, then one sprite drawn under the
    // current state: the driver builds both programs' code before play. The pool is untouched
    // (and not made when it was put off).
    void warmUp(const glm::mat4& viewProjection, const glm::vec3& cameraPos) override;
    // Every system runs the same programs under the same state: one warm-up serves them all.
    const void* warmUpKind() const override { return &NotOfferedLine; }
    // The scene's overlay: drawLatest.
    void draw(const glm::mat4& viewProjection, const glm::vec3& cameraPos) override {
        drawLatest(viewProjection, cameraPos);
    }
    // The pool has run its first update.
    bool hasStarted() const { return !firstUpdate; }
    // How many times drawLatest drew sparks.
    long sparkDraws() const { return draws; }

    bool isSpawning() const { return spawning; }
    int getDirectionIndex() const { return directionIndex; }
    unsigned getReadIndex() const { return readIndex; }
    unsigned getWriteIndex() const { return writeIndex; }
    GLuint getBuffer(unsigned i) const { return buffers[i].get(); }
    GLuint getUpdateProgram() const { return render::programName(program); }
    // How long a spark lives (Shader/particleGS.gs): no spark is left this long after the
    // last frame that spawned.
    static constexpr float SparkLifetime = 1.2f;
    // Quiet this long, a pool has nothing alive (with room for rounding in the sparks' ages).
    static constexpr float IdleAfter = SparkLifetime + 0.1f;

    // Unit vector of a direction code: 0 up, 1 down, 2 +x, 3 +z, anything else down.
    static glm::vec3 directionVector(int directionIndex);
    // Whether the driver offers transform-feedback objects (GL 4.0 or ARB_transform_feedback2,
    // entry points loaded). Without them a system never fills its pool and draws nothing.
    static bool transformFeedbackOffered();
    // What the game says at start-up when transformFeedbackOffered() is false.
    static constexpr const char* NotOfferedLine =
        "The GL driver offers no transform feedback objects (GL 4.0 or "
        "ARB_transform_feedback2): the walls will spray no sparks";

  private:
    // Makes the pool put off by initWhenNeeded, if any. False when there is no pool to run.
    bool poolReady();
    // The update program made current with its uniforms and random texture.
    void useUpdateProgram(float deltaTime, bool spawn);
    void updateParticles(float deltaTime, bool spawn);
    void drawParticles(const glm::mat4& viewProjection, const glm::vec3& cameraPos);

    std::unique_ptr<Billboard> billboard;
    std::shared_ptr<const render::Texture> texture;
    std::shared_ptr<const RandomTexture> randomTexture;
    render::ProgramRef program;
    // One vertex array per buffer and pass, so each pass reads the buffer its index names
    // without setting attribute pointers every frame.
    std::array<render::gl::VertexArray, 2> updateVertexArrays;
    std::array<render::gl::VertexArray, 2> drawVertexArrays;
    std::array<render::gl::Buffer, 2> buffers;
    std::array<render::gl::TransformFeedback, 2> feedbacks; // feedbacks[i] captures into buffers[i]
    int directionIndex = 0;
    std::optional<glm::vec3> deferredSeat; // where the put-off pool's seed starts
    bool spawning = false;
    bool firstUpdate = true;
    bool hasGeneration = false;     // advance has captured at least one generation
    bool idle = false;              // the last advance found nothing alive and skipped the pool
    float quietSeconds = IdleAfter; // since the last update that spawned
    float idleSeconds = 0.0f;       // skipped, not yet handed to the launcher
    unsigned readIndex = 0;
    unsigned writeIndex = 1;
    bool offered = false;     // the driver has transform-feedback objects
    bool updateReady = false; // the update program linked
    bool drawReady = false;   // the billboard program linked
    long draws = 0;

    GLint isSpawnLocation = -1;
    GLint deltaTimeLocation = -1;
    GLint launchTimeLocation = -1;
    GLint fireTimeLocation = -1;
    GLint spreadTimeLocation = -1;
    GLint randomTextureSizeLocation = -1;
    GLint directionLocation = -1;
    GLint randomSamplerLocation = -1;
};

} // namespace brindlemox::effects
