#include "effects/ParticleSystem.h"

#include "render/ProgramStatus.h"
#include "render/Semantics.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace brindlemox::effects {

using namespace render;

namespace {

constexpr GLsizei Stride = sizeof(Particle);

const void* offsetOf(size_t bytes) {
    return reinterpret_cast<const void*>(bytes);
}

} // namespace

glm::vec3 ParticleSystem::directionVector(int directionIndex) {
    switch (directionIndex) {
    case 0:
        return glm::vec3(0.0f, 1.0f, 0.0f);
    case 2:
        return glm::vec3(1.0f, 0.0f, 0.0f);
    case 3:
        return glm::vec3(0.0f, 0.0f, 1.0f);
    default:
        return glm::vec3(0.0f, -1.0f, 0.0f);
    }
}

bool ParticleSystem::transformFeedbackOffered() {
    if (glGenTransformFeedbacks == nullptr || glDeleteTransformFeedbacks == nullptr ||
        glBindTransformFeedback == nullptr || glDrawTransformFeedback == nullptr)
        return false;
    // The driver's own word: GLEW's experimental loading marks an extension present whenever
    // its entry points resolve, which they do on drivers that do not offer it.
    GLint major = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    if (major >= 4)
        return true;
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const auto* name = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, i));
        if (name != nullptr && std::strcmp(name, "GL_ARB_transform_feedback2") == 0)
            return true;
    }
    return false;
}

ParticleSystem::ParticleSystem(ResourceCache* given) : offered(transformFeedbackOffered()) {
    CacheOrOwn cache(given);
    randomTexture = sharedRandomTexture(*cache, RandomTextureSize);
    texture = cache->texture(SpriteImage);
    billboard = std::make_unique<Billboard>(&*cache);
    program = cache->program(ProgramFiles{
        {{"Shader/particleVS.vs", VertexStage}, {"Shader/particleGS.gs", GeometryStage}},
        {"typeVarying", "positionVarying", "directionVarying", "ageVarying"}});

    updateReady = programReady(program);
    drawReady = programReady(billboard->getSharedProgram());
    if (!updateReady)
        return;
    const GLuint name = program->get();
    isSpawnLocation = glGetUniformLocation(name, "isSpawn");
    deltaTimeLocation = glGetUniformLocation(name, "deltaTime");
    launchTimeLocation = glGetUniformLocation(name, "launchTime");
    fireTimeLocation = glGetUniformLocation(name, "fireTime");
    spreadTimeLocation = glGetUniformLocation(name, "spreadTime");
    randomTextureSizeLocation = glGetUniformLocation(name, "randomTextureSize");
    directionLocation = glGetUniformLocation(name, "directionParticles");
    randomSamplerLocation = glGetUniformLocation(name, "randomTexture");
}

// The handles delete the pool's objects; the shared program and textures stay with their other
// users.
ParticleSystem::~ParticleSystem() = default;

namespace {

// The attributes the update pass reads from the bound array buffer, into the bound vertex array.
void pointUpdateAttributes() {
    glEnableVertexAttribArray(attrib::ParticleType);
    glEnableVertexAttribArray(attrib::ParticlePosition);
    glEnableVertexAttribArray(attrib::ParticleDirection);
    glEnableVertexAttribArray(attrib::ParticleAge);
    glVertexAttribPointer(attrib::ParticleType, 1, GL_FLOAT, GL_FALSE, Stride,
                          offsetOf(offsetof(Particle, type)));
    glVertexAttribPointer(attrib::ParticlePosition, 3, GL_FLOAT, GL_FALSE, Stride,
                          offsetOf(offsetof(Particle, position)));
    glVertexAttribPointer(attrib::ParticleDirection, 3, GL_FLOAT, GL_FALSE, Stride,
                          offsetOf(offsetof(Particle, direction)));
    glVertexAttribPointer(attrib::ParticleAge, 1, GL_FLOAT, GL_FALSE, Stride,
                          offsetOf(offsetof(Particle, age)));
}

// The attribute the sprite pass reads.
void pointDrawAttributes() {
    glEnableVertexAttribArray(attrib::BillboardPosition);
    glVertexAttribPointer(attrib::BillboardPosition, 3, GL_FLOAT, GL_FALSE, Stride,
                          offsetOf(offsetof(Particle, position)));
}

Particle seedAt(const glm::vec3& position, int directionIndex) {
    Particle seed;
    seed.type = 0.0f;
    seed.position = position;
    seed.direction = ParticleSystem::directionVector(directionIndex);
    seed.age = 0.0f;
    return seed;
}

} // namespace

void ParticleSystem::init(const glm::vec3& position, int newDirectionIndex) {
    if (buffers[0])
        return; // already running
    deferredSeat.reset();
    if (!offered)
        return; // reported at start-up; the pool stays empty and nothing is drawn
    directionIndex = newDirectionIndex;

    const std::vector<Particle> records(PoolSize, seedAt(position, directionIndex));

    for (unsigned i = 0; i < 2; ++i) {
        feedbacks[i] = gl::makeTransformFeedback();
        buffers[i] = gl::makeBuffer();
        updateVertexArrays[i] = gl::makeVertexArray();
        drawVertexArrays[i] = gl::makeVertexArray();
    }

    for (unsigned i = 0; i < 2; ++i) {
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, feedbacks[i].get());
        glBindBuffer(GL_ARRAY_BUFFER, buffers[i].get());
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(records.size() * sizeof(Particle)),
                     records.data(), GL_DYNAMIC_DRAW);
        // Recorded in feedbacks[i]: capturing through it writes buffers[i].
        glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffers[i].get());

        glBindVertexArray(updateVertexArrays[i].get());
        pointUpdateAttributes();
        glBindVertexArray(drawVertexArrays[i].get());
        pointDrawAttributes();
    }
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    // Leave no feedback object of ours bound for other code's buffer bindings to change.
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
}

void ParticleSystem::initWhenNeeded(const glm::vec3& position, int newDirectionIndex) {
    if (buffers[0] || !offered)
        return;
    directionIndex = newDirectionIndex;
    deferredSeat = position;
}

bool ParticleSystem::poolReady() {
    if (!buffers[0] && deferredSeat)
        init(*deferredSeat, directionIndex);
    return buffers[0] && updateReady;
}

void ParticleSystem::renderFrame(float deltaTime, const glm::mat4& viewProjection,
                                 const glm::vec3& cameraPos) {
    // Never initialised, or the update shaders failed to build (already reported): the pool
    // cannot advance.
    if (!poolReady())
        return;
    updateParticles(deltaTime, spawning);
    if (drawReady)
        drawParticles(viewProjection, cameraPos);
    else
        glDisable(GL_RASTERIZER_DISCARD);
    readIndex = writeIndex;
    writeIndex = (writeIndex + 1) & 1;
}

void ParticleSystem::advance(float deltaTime) {
    if ((!buffers[0] && !deferredSeat) || !updateReady)
        return;
    idle = !spawning && quietSeconds >= IdleAfter;
    if (idle) {
        // Nothing alive to move or draw; only the launcher's clock would run on. A put-off pool
        // is still all seed, so making it now or at the first spark gives the same sparks.
        idleSeconds += deltaTime;
        return;
    }
    if (!poolReady())
        return;
    const auto swap = [this] {
        glDisable(GL_RASTERIZER_DISCARD);
        readIndex = writeIndex;
        writeIndex = (writeIndex + 1) & 1;
    };
    if (idleSeconds > 0.0f) {
        updateParticles(idleSeconds, false);
        swap();
        idleSeconds = 0.0f;
    }
    updateParticles(deltaTime, spawning);
    swap();
    hasGeneration = true;
    quietSeconds = spawning ? 0.0f : quietSeconds + deltaTime;
}

void ParticleSystem::drawLatest(const glm::mat4& viewProjection, const glm::vec3& cameraPos) {
    if (!hasGeneration || !drawReady || idle)
        return;
    ++draws;
    billboard->useProgram();
    billboard->uploadBillboardUniforms(viewProjection, cameraPos, SpriteSize);
    glBindTexture(GL_TEXTURE_2D, texture->getName());
    // After the swap, readIndex names the buffer the last update wrote.
    glBindVertexArray(drawVertexArrays[readIndex].get());
    glDrawTransformFeedback(GL_POINTS, feedbacks[readIndex].get());
    glBindVertexArray(0);
}

void ParticleSystem::warmUp(const glm::mat4& viewProjection, const glm::vec3& cameraPos) {
    if ((!buffers[0] && !deferredSeat) || !updateReady)
        return;
    // A put-off pool stays put off: the seed comes from a buffer of one record instead, read
    // through vertex arrays laid out as the pool's.
    gl::Buffer seedBuffer;
    gl::VertexArray seedUpdate, seedDraw;
    GLuint updateArray = 0, drawArray = 0;
    if (buffers[0]) {
        updateArray = updateVertexArrays[readIndex].get();
        drawArray = drawVertexArrays[readIndex].get();
    } else {
        const Particle seed = seedAt(*deferredSeat, directionIndex);
        seedBuffer = gl::makeBuffer();
        seedUpdate = gl::makeVertexArray();
        seedDraw = gl::makeVertexArray();
        glBindBuffer(GL_ARRAY_BUFFER, seedBuffer.get());
        glBufferData(GL_ARRAY_BUFFER, sizeof(Particle), &seed, GL_STATIC_DRAW);
        glBindVertexArray(seedUpdate.get());
        pointUpdateAttributes();
        glBindVertexArray(seedDraw.get());
        pointDrawAttributes();
        glBindVertexArray(0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        updateArray = seedUpdate.get();
        drawArray = seedDraw.get();
    }
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    const bool depthTest = glIsEnabled(GL_DEPTH_TEST) == GL_TRUE;
    // The update runs during the level's update, with the depth state of that time.
    glDepthMask(GL_TRUE);
    glDisable(GL_DEPTH_TEST);
    const gl::Buffer scratch = gl::makeBuffer();
    const gl::TransformFeedback capture = gl::makeTransformFeedback();
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, capture.get());
    glBindBuffer(GL_ARRAY_BUFFER, scratch.get());
    // Room for what one seed may emit in one update.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(16 * sizeof(Particle)), nullptr,
                 GL_STREAM_COPY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, scratch.get());
    useUpdateProgram(0.0f, true);
    glEnable(GL_RASTERIZER_DISCARD);
    glBindVertexArray(updateArray);
    glBeginTransformFeedback(GL_POINTS);
    glDrawArrays(GL_POINTS, 0, 1);
    glEndTransformFeedback();
    glDisable(GL_RASTERIZER_DISCARD);
    glBindVertexArray(0);
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
    glDepthMask(depthWrites);
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
    if (!drawReady)
        return;
    billboard->useProgram();
    billboard->uploadBillboardUniforms(viewProjection, cameraPos, SpriteSize);
    glBindTexture(GL_TEXTURE_2D, texture->getName());
    glBindVertexArray(drawArray);
    glDrawArrays(GL_POINTS, 0, 1);
    glBindVertexArray(0);
}

// The sprite is bound on the unit every draw leaves active.
static_assert(unit::Sprite == 0, "the sprite is drawn from unit 0");

void ParticleSystem::useUpdateProgram(float deltaTime, bool spawn) {
    glUseProgram(program->get());
    program->set(isSpawnLocation, GLint{spawn ? 1 : 0});
    program->set(deltaTimeLocation, deltaTime);
    program->set(launchTimeLocation, LaunchTime);
    program->set(fireTimeLocation, FireTime);
    program->set(spreadTimeLocation, SpreadTime);
    program->set(randomTextureSizeLocation, static_cast<GLint>(randomTexture->size()));
    program->set(directionLocation, static_cast<float>(directionIndex));
    program->set(randomSamplerLocation, GLint{unit::RandomTexture});
    randomTexture->bind(GL_TEXTURE0 + unit::RandomTexture);
}

void ParticleSystem::updateParticles(float deltaTime, bool spawn) {
    useUpdateProgram(deltaTime, spawn);

    glEnable(GL_RASTERIZER_DISCARD);
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, feedbacks[writeIndex].get());
    glBindVertexArray(updateVertexArrays[readIndex].get());

    glBeginTransformFeedback(GL_POINTS);
    if (firstUpdate) {
        // Only record 0 enters: the pool starts from one seed, not 4000 copies of it.
        glDrawArrays(GL_POINTS, 0, 1);
        firstUpdate = false;
    } else {
        glDrawTransformFeedback(GL_POINTS, feedbacks[readIndex].get());
    }
    glEndTransformFeedback();
    glBindVertexArray(0);
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
    // Rasterizer discard stays on until the draw pass.
}

void ParticleSystem::drawParticles(const glm::mat4& viewProjection, const glm::vec3& cameraPos) {
    billboard->useProgram();
    billboard->uploadBillboardUniforms(viewProjection, cameraPos, SpriteSize);
    glBindTexture(GL_TEXTURE_2D, texture->getName());
    glDisable(GL_RASTERIZER_DISCARD);

    glBindVertexArray(drawVertexArrays[writeIndex].get());
    glDrawTransformFeedback(GL_POINTS, feedbacks[writeIndex].get());
    glBindVertexArray(0);
}

} // namespace brindlemox::effects
