#pragma once

#include "render/Frustum.h"
#include "render/LightSet.h"
#include "render/Model.h"
#include "render/ResourceCache.h"
#include "render/ShaderProgram.h"

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <memory>
#include <string>
#include <vector>

class btRigidBody;

// Placement of a drawable: model matrix = T * R * S, R from the three Euler angles.
struct Transform {
    glm::vec3 position{0.0f};
    glm::vec3 angles{0.0f}; // radians about x, y, z; accumulate without wrapping
    float scale = 1.0f;

    void move(float dx, float dy, float dz) { position += glm::vec3(dx, dy, dz); }
    void move(const glm::vec3& d) { position += d; }
    void rotateX(float degrees);
    void rotateY(float degrees);
    void rotateZ(float degrees);
    // A negative scale is replaced by 1.
    void setScale(float s);
    glm::mat4 modelMatrix() const;
};

// What a render pass hands to every uploadUniforms call.
struct RenderState {
    glm::mat4 viewProjection{1.0f};
    glm::vec4 clipPlane{0.0f};
    bool celShading = false;
    int levels = 0;
};

// Base of everything the game renders. Shares its model and its program with the other objects
// drawn from the same files (through ResourceCache); release lets go of both. Culls per mesh
// before any GL call.
class Drawable {
  public:
    Drawable();
    // The model comes from cache (a private one when none is given).
    explicit Drawable(const std::string& modelPath, ResourceCache* cache = nullptr);
    Drawable(const std::string& modelPath, ProgramRef program, ResourceCache* cache = nullptr);
    virtual ~Drawable();
    Drawable(const Drawable&) = delete;
    Drawable& operator=(const Drawable&) = delete;

    // Slot order of the operations the level drives.
    virtual void initPhysics() {}
    virtual bool isActive() = 0;
    virtual void update(float deltaTime) = 0;
    // Makes the program current; a program that failed to link is skipped (and draw draws
    // nothing), so missing shader files leave an object that is simply not seen.
    virtual void useProgram();
    virtual void uploadUniforms(const RenderState& state);
    virtual void draw(const Frustum& frustum);
    virtual bool isWater() { return false; }
    virtual void release();
    virtual void lookUpUniforms();
    virtual bool usesMeshCulling() { return false; }
    // False for drawables whose uploadUniforms binds the textures they are seen with (water,
    // plain walls): the mesh draw must not bind the model's material textures over them.
    virtual bool drawsMaterialTextures() const { return true; }
    // True for closed surfaces (walls, enemies): from outside, their back faces are hidden behind
    // their front faces, so the passes may cull them.
    virtual bool isClosedSurface() const { return false; }
    // True for drawables whose uploadUniforms and draw are these base ones: the passes may draw
    // them among the other copies of their model, in one instanced draw.
    virtual bool drawsAsInstance() const { return false; }

    GLuint getProgram() const { return programName(program); }
    const ProgramRef& getSharedProgram() const { return program; }
    void setProgram(ProgramRef p) {
        program = std::move(p);
        forgetLocations();
    }
    btRigidBody* getRigidBody() const { return rigidBody; }
    // transform.modelMatrix(), worked out again only when the transform has changed.
    const glm::mat4& getModelMatrix() const;
    glm::vec3 getWorldCentre() const;
    glm::vec3 getMeshCentre(size_t i) const;
    std::vector<glm::vec3> getMeshVertices(size_t i) const;
    std::vector<Triangle> getTriangles() const;
    // Sets the scale and measures the bounding radius again.
    void setScale(float s);
    bool isInFrustum(const Frustum& frustum);
    // Material colour locations of the current program, looked up on first use.
    const MaterialLocations& materialLocations();

    Transform& getTransform() { return transform; }
    const Transform& getTransform() const { return transform; }
    const Model* getModel() const { return model.get(); }
    float getAlpha() const { return alpha; }
    void setAlpha(float a) { alpha = a; }
    glm::vec3 getBoundingCentre() const { return boundingCentre; }
    float getBoundingRadius() const { return boundingRadius; }

  protected:
    // mvp, model matrix and alpha, as the program takes them: the one copy its meshes' per-copy
    // attributes hold, or uniforms.
    void uploadPlacement(const glm::mat4& mvp, const glm::mat4& m) const;
    // Lets go of the program; safe to call more than once.
    void releaseProgram();
    void computeBoundingCentre();
    void computeBoundingRadius();
    // A new program (or none) has other locations.
    void forgetLocations() { materialCached = false; }

    btRigidBody* rigidBody = nullptr; // owned by the derived class that builds it
    Transform transform;
    std::shared_ptr<const Model> model;
    glm::vec3 boundingCentre{0.0f};
    float boundingRadius = 0.0f;
    float alpha = 1.0f;
    ProgramRef program;
    GLint textureSamplerLocation = -1;
    GLint modelMatLocation = -1;
    GLint mvpLocation = -1;
    GLint alphaLocation = -1;
    GLint celShadingLocation = -1;
    GLint planeLocation = -1;
    GLint levelsLocation = -1;

  private:
    bool released = false;
    // Mesh vertices placed by placedMatrix, for the point test; rebuilt when the matrix changes.
    const std::vector<std::vector<glm::vec3>>& placedVertices();
    std::vector<std::vector<glm::vec3>> placedCache;
    glm::mat4 placedMatrix{1.0f};
    const Model* placedModel = nullptr;
    // The model matrix of the transform matrixFrom: most objects stand still, and the passes
    // and rules ask for it many times a frame.
    mutable Transform matrixFrom;
    mutable glm::mat4 matrix{1.0f};
    mutable bool matrixKnown = false;
    MaterialLocations materialCache;
    GLuint materialProgram = 0;
    bool materialCached = false;
};
