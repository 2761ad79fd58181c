#include "render/ScenePasses.h"

#include "render/Camera.h"
#include "render/LightSet.h"
#include "render/ProgramStatus.h"
#include "render/Semantics.h"
#include "render/WaterRenderTargets.h"

#include <glm/geometric.hpp>

#include <algorithm>
#include <cstring>
#include <set>
#include <string_view>
#include <utility>

namespace brindlemox::render {

namespace {

// Mirrors world space about the horizontal plane y = height.
glm::mat4 mirrorAbout(float height) {
    glm::mat4 m(1.0f);
    m[1][1] = -1.0f;
    m[3][1] = 2.0f * height;
    return m;
}

size_t hashOf(const Instance& copy) {
    static_assert(sizeof(Instance) == 33 * sizeof(float), "an instance is its floats alone");
    std::string_view bytes(reinterpret_cast<const char*>(&copy), sizeof copy);
    return std::hash<std::string_view>()(bytes);
}

// The main pass clips nothing: its plane lies far below every level.
constexpr float MainPassClipDistance = 20000.0f;

} // namespace

void ScenePasses::render(const RenderScene& drawn, const Camera& eye, const Settings& chosen) {
    scene = &drawn;
    camera = &eye;
    settings = chosen;
    for (Record& record : records) {
        record.ran = false;
        record.batches.clear();
    }
    const glm::mat4 projection = camera->getProjectionMatrix();
    const glm::mat4 view = camera->getViewMatrix();
    const RenderObject* water = scene->first(DrawGroup::Water);
    const float waterHeight = water != nullptr ? water->transform.position.y : 0.0f;
    // The water images are only worth their cost while the water is in view.
    const bool waterInView =
        water != nullptr && (settings.warmUp || water->isInFrustum(camera->getFrustum()));
    const Frustum everything = Frustum::everything(camera->getPosition());

    // Another pass, the HUD or the sparks may have set anything since; each leaves the depth
    // writes on, which the passes keep.
    tracker.forget();
    glEnable(GL_DEPTH_TEST);
    if (waterInView) {
        glEnable(GL_CLIP_DISTANCE0);
        // Reflection: the scene above the water, seen in a mirror about the water's surface.
        // Drawing it from the real camera through the mirror lets the water sample it at its
        // own screen position.
        const glm::vec3 eyePosition = camera->getPosition();
        const glm::vec3 mirroredEye(eyePosition.x, 2.0f * waterHeight - eyePosition.y,
                                    eyePosition.z);
        glm::vec3 direction = camera->getDirection();
        glm::vec3 up = camera->getUp();
        direction.y = -direction.y;
        up.y = -up.y;
        Frustum mirrored;
        mirrored.build(camera->getFieldOfView(), camera->getAspect(), camera->getNearPlane(),
                       camera->getFarPlane(), direction, up, mirroredEye);
        targets->bindReflection();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // The mirror turns every triangle's winding around: without this, the shaders would
        // light each reflected surface as its back face.
        glFrontFace(GL_CW);
        renderWaterPass(Reflection, projection * view * mirrorAbout(waterHeight),
                        glm::vec4(0.0f, 1.0f, 0.0f, -waterHeight),
                        settings.warmUp ? everything : mirrored);
        glFrontFace(GL_CCW);

        // Refraction: what lies below the surface.
        targets->bindRefraction();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderWaterPass(Refraction, projection * view, glm::vec4(0.0f, -1.0f, 0.0f, waterHeight),
                        settings.warmUp ? everything : camera->getFrustum());
        glDisable(GL_CLIP_DISTANCE0);
    }
    targets->bindScreen();
    renderMain(settings.warmUp ? everything : camera->getFrustum());
}

RenderState ScenePasses::passState(const glm::mat4& viewProjection,
                                   const glm::vec4& clipPlane) const {
    RenderState state;
    state.viewProjection = viewProjection;
    state.clipPlane = clipPlane;
    state.celShading = settings.celShading;
    state.levels = settings.levels;
    state.eye = camera->getPosition();
    return state;
}

bool ScenePasses::culls(const RenderObject& object, const glm::mat4& m, bool clipped) const {
    // The back faces of a closed, opaque surface seen from outside hide behind its front faces:
    // not shading them saves their pixels. The level geometry is always seen from inside. A
    // water pass's clip plane cuts an object open, and a camera inside one sees its inside.
    if (object.group == DrawGroup::Geometry)
        return true;
    if (!object.closedSurface || object.alpha < 1.0f || clipped)
        return false;
    const glm::vec3 centre(m * glm::vec4(object.getBoundingCentre(), 1.0f));
    return glm::length(camera->getPosition() - centre) > object.getBoundingRadius();
}

void ScenePasses::drawObject(const RenderObject& object, const RenderState& state,
                             const Frustum& frustum, bool clipped) {
    const bool geometry = object.group == DrawGroup::Geometry;
    tracker.setCulling(culls(object, object.getModelMatrix(), clipped));
    // The level geometry comes after the objects in front of it; on a tie it wins.
    tracker.setDepthFunc(geometry ? GL_LEQUAL : GL_LESS);
    // A program that failed to build is skipped, so missing shader files leave an object that
    // is simply not seen.
    const bool ready = programReady(object.program);
    const bool seen = ready && object.model != nullptr && object.isInFrustum(frustum);
    // Set up even when culled: a mesh without a material draws with the colours left before.
    if (ready)
        setUp(object, state, seen);
    // A program keeps the lights it was given: they are written once per program and level.
    if (scene->getLights() != nullptr && object.program != nullptr)
        scene->getLights()->uploadTo(*object.program);
    if (drawWatcher != nullptr)
        drawWatcher->beforeDraw(object.getProgram());
    if (seen)
        drawMeshes(object, frustum);
    if (drawWatcher != nullptr)
        drawWatcher->afterDraw(object.getProgram(), false);
}

void ScenePasses::drawAlone(const RenderObject& object, const RenderState& state,
                            const Frustum& frustum, const LightSet* lights) {
    tracker.forget();
    const bool ready = programReady(object.program);
    const bool seen = ready && object.model != nullptr && object.isInFrustum(frustum);
    if (ready)
        setUp(object, state, seen);
    if (lights != nullptr && object.program != nullptr)
        lights->uploadTo(*object.program);
    if (seen)
        drawMeshes(object, frustum);
    tracker.bindVertexArray(0);
    tracker.setCulling(false);
    tracker.setDepthFunc(GL_LESS);
    tracker.activateUnit(0);
}

void ScenePasses::setUp(const RenderObject& object, const RenderState& state, bool placed) {
    tracker.useProgram(object.program);
    const glm::mat4& m = object.getModelMatrix();
    const glm::mat4 mvp = state.viewProjection * m;
    // Only a drawn object's placement is read: a culled one uploads none.
    if (placed && object.program->instanced) {
        // The per-copy attributes of the one copy this object's meshes draw.
        if (object.model != nullptr) {
            const Instance single{mvp, m, object.alpha};
            for (const Mesh& mesh : object.model->meshes)
                mesh.place(single);
        }
    } else if (placed) {
        tracker.setPlacement(mvp, m, object.alpha);
    }
    const Look& look = object.look;
    tracker.setPassUniforms(state, look.samplerUnit);
    for (const Look::Sampler& sampler : look.samplers)
        tracker.setInt(sampler.name, sampler.unit);
    for (const Look::Value& value : look.values)
        tracker.setFloat(value.name, value.value);
    if (look.colours)
        tracker.setMaterialColours(*look.colours);
    for (const Look::Bound& bound : look.textures)
        tracker.bindTexture(bound.unit, bound.texture);
}

void ScenePasses::bindMaterial(const Model& model, const Mesh& mesh, const Look& look) {
    const unsigned m = mesh.materialIndex;
    // A mesh without a material keeps whatever textures and colours are current.
    if (m >= model.materials.size() || model.materials[m] == nullptr)
        return;
    const Material& material = *model.materials[m];
    if (look.materialTextures)
        tracker.bindTexture(unit::Material,
                            material.texture != nullptr ? material.texture->getName() : 0);
    if (look.second != nullptr)
        tracker.bindTexture(unit::SecondTexture, look.second->getName());
    tracker.setMaterialColours(material);
}

void ScenePasses::drawMeshes(const RenderObject& object, const Frustum& frustum) {
    const Model& model = *object.model;
    for (const Mesh& mesh : model.meshes) {
        bindMaterial(model, mesh, object.look);
        if (object.look.byRegions) {
            regions.collect(mesh, object.getModelMatrix(), frustum);
            if (regions.counts.empty())
                continue;
            tracker.bindVertexArray(mesh.vertexArray.get());
            regions.draw();
            continue;
        }
        tracker.bindVertexArray(mesh.vertexArray.get());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.indexCount), GL_UNSIGNED_INT,
                       nullptr);
    }
}

bool ScenePasses::instanceable(const RenderObject& object) {
    const ProgramRef& program = object.program;
    const Model* model = object.getModel();
    if (!object.instanced || !programReady(program) || !program->instanced || model == nullptr)
        return false;
    // A mesh without a material draws with the colours the draw before left: only the list
    // order gives those.
    for (const Mesh& mesh : model->meshes) {
        const unsigned m = mesh.materialIndex;
        if (m >= model->materials.size() || model->materials[m] == nullptr)
            return false;
    }
    return true;
}

void ScenePasses::collect(Pass pass, size_t first, size_t last, const RenderState& state,
                          const Frustum& frustum, bool clipped, bool anyOrder) {
    std::vector<Batch>& list = records[pass].batches;
    const size_t firstBatch = list.size();
    items.clear();
    for (size_t i = first; i < last; ++i) {
        const RenderObject& object = *drawOrder[i];
        if (!instanceable(object)) {
            items.push_back({&object, 0});
            continue;
        }
        // Culled before it joins a batch, as its own draw would.
        if (!object.isInFrustum(frustum))
            continue;
        const glm::mat4& m = object.getModelMatrix();
        const bool cull = culls(object, m, clipped);
        const auto same = [&](const Batch& batch) {
            return batch.model == object.getModel() && batch.program == object.program &&
                   batch.cull == cull;
        };
        size_t found = list.size();
        if (anyOrder) {
            for (size_t b = firstBatch; b < list.size(); ++b)
                if (same(list[b])) {
                    found = b;
                    break;
                }
        } else if (!items.empty() && items.back().single == nullptr &&
                   same(list[items.back().batch])) {
            found = items.back().batch;
        }
        if (found == list.size()) {
            Batch batch;
            batch.program = object.program;
            batch.model = object.getModel();
            batch.cull = cull;
            list.push_back(std::move(batch));
            items.push_back({nullptr, found});
        }
        // The same product as a single draw's upload, so the same pixels.
        const Instance copy{state.viewProjection * m, m, object.alpha};
        Batch& batch = list[found];
        if (anyOrder) {
            // A copy the same to the bit as one already drawn gives the same depths, so with
            // writes on and GL_LESS none of its pixels passes: drawing it once is the same
            // picture. A crowd stacked on one spot costs one copy, not thousands.
            const size_t key = hashOf(copy);
            const auto [from, to] = batch.placed.equal_range(key);
            const bool again = std::any_of(from, to, [&](const auto& entry) {
                return std::memcmp(&batch.instances[entry.second], &copy, sizeof copy) == 0;
            });
            if (again)
                continue;
            batch.placed.emplace(key, batch.instances.size());
        }
        batch.instances.push_back(copy);
    }
}

void ScenePasses::drawBatch(const Batch& batch, const RenderState& state) {
    tracker.setCulling(batch.cull);
    tracker.setDepthFunc(GL_LESS);
    tracker.useProgram(batch.program);
    if (scene->getLights() != nullptr)
        scene->getLights()->uploadTo(*batch.program);
    tracker.setPassUniforms(state, unit::Material);
    const Model& model = *batch.model;
    if (drawWatcher != nullptr)
        drawWatcher->beforeDraw(batch.program->get());
    for (const Mesh& mesh : model.meshes) {
        tracker.setMaterial(*model.materials[mesh.materialIndex], unit::Material);
        tracker.bindVertexArray(mesh.vertexArray.get());
        mesh.drawInstances(batch.instances);
    }
    if (drawWatcher != nullptr)
        drawWatcher->afterDraw(batch.program->get(), true);
}

void ScenePasses::drawItems(Pass pass, const RenderState& state, const Frustum& frustum,
                            bool clipped) {
    for (const Item& item : items) {
        if (item.single != nullptr)
            drawObject(*item.single, state, frustum, clipped);
        else
            drawBatch(records[pass].batches[item.batch], state);
    }
}

void ScenePasses::drawPass(Pass pass, const RenderState& state, const Frustum& frustum,
                           bool clipped) {
    records[pass].ran = true;
    records[pass].state = state;
    orderForDrawing(pass == Main);
    // Opaque objects in any order (the depth test decides), the copies of a model together.
    collect(pass, 0, opaqueEnd, state, frustum, clipped, true);
    drawItems(pass, state, frustum, clipped);
    for (size_t i = opaqueEnd; i < mapEnd; ++i)
        drawObject(*drawOrder[i], state, frustum, clipped);
    // What blends keeps the list order: only neighbours share a draw.
    collect(pass, mapEnd, drawOrder.size(), state, frustum, clipped, false);
    drawItems(pass, state, frustum, clipped);
    // What follows the passes expects the defaults.
    tracker.setCulling(false);
    tracker.setDepthFunc(GL_LESS);
    tracker.bindVertexArray(0);
    tracker.activateUnit(0);
}

void ScenePasses::orderForDrawing(bool mainPass) {
    // Opaque objects (the water among them) first, then the level geometry, so that the
    // geometry's pixels they hide fail the depth test before they are shaded; what blends with
    // what lies behind it comes last. Where the geometry meets an object at exactly its depth,
    // it is drawn to win (drawObject), as it would if it came first.
    drawOrder.clear();
    const auto wanted = [&](const RenderObject& object) {
        // Only an overlay's holder has neither.
        if (object.model == nullptr && object.program == nullptr)
            return false;
        if (mainPass)
            return object.active || settings.drawInactive;
        return object.active && object.group != DrawGroup::Water;
    };
    const auto geometry = [](const RenderObject& object) {
        return object.group == DrawGroup::Geometry;
    };
    const auto opaque = [](const RenderObject& object) { return object.alpha >= 1.0f; };
    // A warm-up needs one object of each model and program: the driver's code follows the
    // program and the textures, which the model fixes.
    std::set<std::pair<const Model*, GLuint>> seen;
    const auto firstOfKind = [&](const RenderObject& object) {
        return !settings.warmUp || seen.insert({object.getModel(), object.getProgram()}).second;
    };
    scene->forEach([&](const RenderObject& object, Overlay*) {
        if (wanted(object) && !geometry(object) && opaque(object) && firstOfKind(object))
            drawOrder.push_back(&object);
    });
    opaqueEnd = drawOrder.size();
    scene->forEach([&](const RenderObject& object, Overlay*) {
        if (wanted(object) && geometry(object))
            drawOrder.push_back(&object);
    });
    mapEnd = drawOrder.size();
    scene->forEach([&](const RenderObject& object, Overlay*) {
        if (wanted(object) && !geometry(object) && !opaque(object) && firstOfKind(object))
            drawOrder.push_back(&object);
    });
}

void ScenePasses::renderWaterPass(Pass pass, const glm::mat4& viewProjection,
                                  const glm::vec4& clipPlane, const Frustum& frustum) {
    ++waterPassCount;
    drawPass(pass, passState(viewProjection, clipPlane), frustum, true);
}

void ScenePasses::renderMain(const Frustum& frustum) {
    const glm::mat4 viewProjection = camera->getProjectionMatrix() * camera->getViewMatrix();
    drawPass(Main, passState(viewProjection, glm::vec4(0.0f, 1.0f, 0.0f, MainPassClipDistance)),
             frustum, false);

    // Sparks last among the scene, so the walls they fly from do not paint over them.
    bool anyOverlay = false;
    scene->forEach(
        [&](const RenderObject&, Overlay* overlay) { anyOverlay |= overlay != nullptr; });
    if (!settings.overlays || !anyOverlay)
        return;
    glDepthMask(GL_FALSE);
    std::set<const void*> warmed;
    scene->forEach([&](const RenderObject&, Overlay* overlay) {
        if (overlay == nullptr)
            return;
        if (settings.warmUp) {
            if (warmed.insert(overlay->warmUpKind()).second)
                overlay->warmUp(viewProjection, camera->getPosition());
        } else
            overlay->draw(viewProjection, camera->getPosition());
    });
    glDepthMask(GL_TRUE);
}

} // namespace brindlemox::render
