#include "effects/ParticleSystem.h"

#include "render/ProgramStatus.h"
#include "render/Semantics.h"

#include <cstddef>
#include <cstring>
#include <vector>

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

ParticleSystem::ParticleSystem()
    : loader(std::make_unique<ShaderLoader>()),
      randomTexture(std::make_unique<RandomTexture>(RandomTextureSize)),
      offered(transformFeedbackOffered()) {
    texture = std::make_unique<Texture>("Texture/particleSystem.bmp");
    billboard = std::make_unique<Billboard>();

    loader->createProgram();
    loader->addShader("Shader/particleVS.vs", VertexStage);
    loader->addShader("Shader/particleGS.gs", GeometryStage);
    program = loader->getProgram();
    const GLchar* varyings[4] = {"typeVarying", "positionVarying", "directionVarying",
                                 "ageVarying"};
    glTransformFeedbackVaryings(program, 4, varyings, GL_INTERLEAVED_ATTRIBS);
    loader->linkProgram();

    updateReady = programLinked(program);
    drawReady = programLinked(billboard->getProgram());
    if (!updateReady)
        return;
    isSpawnLocation = glGetUniformLocation(program, "isSpawn");
    deltaTimeLocation = glGetUniformLocation(program, "deltaTime");
    launchTimeLocation = glGetUniformLocation(program, "launchTime");
    fireTimeLocation = glGetUniformLocation(program, "fireTime");
    spreadTimeLocation = glGetUniformLocation(program, "spreadTime");
    randomTextureSizeLocation = glGetUniformLocation(program, "randomTextureSize");
    directionLocation = glGetUniformLocation(program, "directionParticles");
    randomSamplerLocation = glGetUniformLocation(program, "randomTexture");
}

ParticleSystem::~ParticleSystem() {
    glDeleteVertexArrays(2, updateVertexArrays.data());
    glDeleteVertexArrays(2, drawVertexArrays.data());
    glDeleteProgram(program);
    glDeleteBuffers(2, buffers.data());
    if (feedbacks[0] != 0)
        glDeleteTransformFeedbacks(2, feedbacks.data());
    loader.reset();
    billboard.reset();
    // The sprite's GL name belongs to the Texture, which deletes it here (once).
    texture.reset();
    randomTexture.reset();
}

void ParticleSystem::init(const glm::vec3& position, int newDirectionIndex) {
    if (buffers[0] != 0)
        return; // already running; a second pool would leak the first
    if (!offered)
        return; // reported at start-up; the pool stays empty and nothing is drawn
    directionIndex = newDirectionIndex;

    Particle seed;
    seed.type = 0.0f;
    seed.position = position;
    seed.direction = directionVector(directionIndex);
    seed.age = 0.0f;
    const std::vector<Particle> records(PoolSize, seed);

    glGenTransformFeedbacks(2, feedbacks.data());
    glGenBuffers(2, buffers.data());
    glGenVertexArrays(2, updateVertexArrays.data());
    glGenVertexArrays(2, drawVertexArrays.data());

    for (unsigned i = 0; i < 2; ++i) {
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, feedbacks[i]);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[i]);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(records.size() * sizeof(Particle)),
                     records.data(), GL_DYNAMIC_DRAW);
        // Recorded in feedbacks[i]: capturing through it writes buffers[i].
        glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffers[i]);

        glBindVertexArray(updateVertexArrays[i]);
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

        glBindVertexArray(drawVertexArrays[i]);
        glEnableVertexAttribArray(attrib::BillboardPosition);
        glVertexAttribPointer(attrib::BillboardPosition, 3, GL_FLOAT, GL_FALSE, Stride,
                              offsetOf(offsetof(Particle, position)));
    }
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    // Leave no feedback object of ours bound for other code's buffer bindings to change.
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
}

void ParticleSystem::renderFrame(float deltaTime, const glm::mat4& viewProjection,
                                 const glm::vec3& cameraPos) {
    // Never initialised, or the update shaders failed to build (already reported): the pool
    // cannot advance.
    if (buffers[0] == 0 || !updateReady)
        return;
    updateParticles(deltaTime);
    if (drawReady)
        drawParticles(viewProjection, cameraPos);
    else
        glDisable(GL_RASTERIZER_DISCARD);
    readIndex = writeIndex;
    writeIndex = (writeIndex + 1) & 1;
}

void ParticleSystem::advance(float deltaTime) {
    if (buffers[0] == 0 || !updateReady)
        return;
    updateParticles(deltaTime);
    glDisable(GL_RASTERIZER_DISCARD);
    readIndex = writeIndex;
    writeIndex = (writeIndex + 1) & 1;
    hasGeneration = true;
}

void ParticleSystem::drawLatest(const glm::mat4& viewProjection, const glm::vec3& cameraPos) {
    if (!hasGeneration || !drawReady)
        return;
    billboard->useProgram();
    billboard->uploadBillboardUniforms(viewProjection, cameraPos, SpriteSize);
    glActiveTexture(GL_TEXTURE0 + unit::Sprite);
    glBindTexture(GL_TEXTURE_2D, texture->getName());
    // After the swap, readIndex names the buffer the last update wrote.
    glBindVertexArray(drawVertexArrays[readIndex]);
    glDrawTransformFeedback(GL_POINTS, feedbacks[readIndex]);
    glBindVertexArray(0);
}

void ParticleSystem::updateParticles(float deltaTime) {
    glUseProgram(program);
    glUniform1i(isSpawnLocation, spawning ? 1 : 0);
    glUniform1f(deltaTimeLocation, deltaTime);
    glUniform1f(launchTimeLocation, LaunchTime);
    glUniform1f(fireTimeLocation, FireTime);
    glUniform1f(spreadTimeLocation, SpreadTime);
    glUniform1i(randomTextureSizeLocation, static_cast<GLint>(randomTexture->size()));
    glUniform1f(directionLocation, static_cast<float>(directionIndex));
    glActiveTexture(GL_TEXTURE0 + unit::RandomTexture);
    glUniform1i(randomSamplerLocation, unit::RandomTexture);
    randomTexture->bind(GL_TEXTURE0 + unit::RandomTexture);

    glEnable(GL_RASTERIZER_DISCARD);
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, feedbacks[writeIndex]);
    glBindVertexArray(updateVertexArrays[readIndex]);

    glBeginTransformFeedback(GL_POINTS);
    if (firstUpdate) {
        // Only record 0 enters: the pool starts from one seed, not 4000 copies of it.
        glDrawArrays(GL_POINTS, 0, 1);
        firstUpdate = false;
    } else {
        glDrawTransformFeedback(GL_POINTS, feedbacks[readIndex]);
    }
    glEndTransformFeedback();
    glBindVertexArray(0);
    glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
    // Rasterizer discard stays on until the draw pass.
}

void ParticleSystem::drawParticles(const glm::mat4& viewProjection, const glm::vec3& cameraPos) {
    billboard->useProgram();
    billboard->uploadBillboardUniforms(viewProjection, cameraPos, SpriteSize);
    glActiveTexture(GL_TEXTURE0 + unit::Sprite);
    glBindTexture(GL_TEXTURE_2D, texture->getName());
    glDisable(GL_RASTERIZER_DISCARD);

    glBindVertexArray(drawVertexArrays[writeIndex]);
    glDrawTransformFeedback(GL_POINTS, feedbacks[writeIndex]);
    glBindVertexArray(0);
}
