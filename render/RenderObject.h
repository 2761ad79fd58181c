#pragma once

#include "render/Frustum.h"
#include "render/Model.h"
#include "render/ResourceCache.h"
#include "render/Semantics.h"
#include "render/ShaderProgram.h"

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brindlemox::render {

// Placement of a render object: model matrix = T * R * S, R from the three Euler angles.
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

// What a render pass gives every program it draws with.
struct RenderState {
    glm::mat4 viewProjection{1.0f};
    glm::vec4 clipPlane{0.0f};
    bool celShading = false;
    int levels = 0;
    // The camera's position ("cameraPos", for the programs that take it: the water).
    glm::vec3 eye{0.0f};
};

// Where a render object stands in a pass's order. Geometry (the level map) is drawn after the
// opaque objects and wins depth ties; the water is left out of the water's own passes.
enum class DrawGroup { Objects, Geometry, Water };

// How an object's program is fed beyond the entity program's usual uniforms: which units its
// samplers read, the textures it brings, fixed colours, extra values. Plain data: the passes
// make every GL call.
struct Look {
    // A sampler uniform and the unit it reads.
    struct Sampler {
        std::string name;
        int unit = 0;
    };
    // A texture of the object's own, bound before its meshes.
    struct Bound {
        int unit = 0;
        GLuint texture = 0;
    };
    struct Value {
        std::string name;
        float value = 0.0f;
    };

    // The unit "textureSampler" reads.
    int samplerUnit = unit::Material;
    // Whether each mesh's material texture is bound (on unit::Material); false for objects whose
    // picture comes from textures of their own (water, plain walls).
    bool materialTextures = true;
    // Bound on unit::SecondTexture beside each mesh's material (the map's surface texture).
    std::shared_ptr<const Texture> second;
    // Colours set before the meshes; a mesh with a material of its own sets its own.
    std::optional<Material> colours;
    std::vector<Sampler> samplers;
    std::vector<Bound> textures;
    std::vector<Value> values;
    // Culled by its placed vertices rather than a sphere, and drawn region by region, nearest
    // the eye first (the level map).
    bool byRegions = false;
};

// What a scene draws of one object: a model drawn with a program where its transform places it.
// Plain data the owner fills in and hands to a RenderScene; it also answers the culling and
// placement questions about itself that the passes and the game's rules ask.
class RenderObject {
  public:
    RenderObject() = default;
    // The model and the program come from cache (a private one when none is given).
    explicit RenderObject(const std::string& modelPath, ProgramRef program = nullptr,
                          ResourceCache* cache = nullptr);
    RenderObject(std::shared_ptr<const Model> model, ProgramRef program);

    std::shared_ptr<const Model> model;
    ProgramRef program;
    Transform transform;
    float alpha = 1.0f;
    // Drawn only while inactive objects are shown (F8) when false (a destroyed wall).
    bool active = true;
    // A closed surface (walls, enemies): from outside, its back faces hide behind its front
    // faces, so the passes may cull them.
    bool closedSurface = false;
    // May be drawn among the other copies of its model, in one instanced draw.
    bool instanced = false;
    DrawGroup group = DrawGroup::Objects;
    Look look;

    GLuint getProgram() const { return programName(program); }
    const ProgramRef& getSharedProgram() const { return program; }
    const Model* getModel() const { return model.get(); }
    Transform& getTransform() { return transform; }
    const Transform& getTransform() const { return transform; }
    float getAlpha() const { return alpha; }
    void setAlpha(float a) { alpha = a; }
    // transform.modelMatrix(), worked out again only when the transform has changed.
    const glm::mat4& getModelMatrix() const;
    glm::vec3 getWorldCentre() const;
    glm::vec3 getMeshCentre(size_t i) const;
    std::vector<glm::vec3> getMeshVertices(size_t i) const;
    std::vector<Triangle> getTriangles() const;
    // Sets the scale and measures the bounding radius again.
    void setScale(float s);
    // Measures the bounding centre and radius of the model as the transform now places it.
    void measure();
    bool isInFrustum(const Frustum& frustum) const;
    glm::vec3 getBoundingCentre() const { return boundingCentre; }
    float getBoundingRadius() const { return boundingRadius; }

  private:
    void computeBoundingCentre();
    void computeBoundingRadius();
    // Mesh vertices placed by placedMatrix, for the point test; rebuilt when the matrix changes.
    const std::vector<std::vector<glm::vec3>>& placedVertices() const;

    glm::vec3 boundingCentre{0.0f};
    float boundingRadius = 0.0f;
    mutable std::vector<std::vector<glm::vec3>> placedCache;
    mutable glm::mat4 placedMatrix{1.0f};
    mutable const Model* placedModel = nullptr;
    // The model matrix of the transform matrixFrom: most objects stand still, and the passes
    // and rules ask for it many times a frame.
    mutable Transform matrixFrom;
    mutable glm::mat4 matrix{1.0f};
    mutable bool matrixKnown = false;
};

} // namespace brindlemox::render
