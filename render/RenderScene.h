#pragma once

#include "render/RenderObject.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <optional>
#include <vector>

namespace brindlemox::render {

class LightSet;

// What an object draws after the scene of the main pass, depth-tested without writing depth
// (a wall's sparks, the physics shapes): effects that draw themselves.
class Overlay {
  public:
    virtual ~Overlay() = default;
    virtual void draw(const glm::mat4& viewProjection, const glm::vec3& eye) = 0;
    // Runs its programs once where nobody sees it, leaving what it shows as it was.
    virtual void warmUp(const glm::mat4& viewProjection, const glm::vec3& eye) = 0;
    // Overlays of one kind run the same code: the first of a kind warms up for all of them.
    virtual const void* warmUpKind() const { return this; }
};

// The objects a level shows, as plain data: added, updated and removed through handles, drawn
// in the order they were added (ScenePasses). The game never derives from a render type: its
// objects own a SceneEntry and hand their render object over when it changes.
class RenderScene {
  public:
    using Handle = size_t;
    static constexpr Handle None = 0;

    Handle add(const RenderObject& object, Overlay* overlay = nullptr);
    // The object as it is now (its transform, alpha, active flag...).
    void update(Handle handle, const RenderObject& object);
    void remove(Handle handle);
    // Null for a handle removed or never given.
    const RenderObject* find(Handle handle) const;
    // How many objects the scene holds.
    size_t size() const { return count; }

    // Each object in the order added, with its overlay (null for none).
    template <class F> void forEach(F&& visit) const {
        for (const Slot& slot : slots)
            if (slot.object)
                visit(*slot.object, slot.overlay);
    }
    // The first object of the group, or null.
    const RenderObject* first(DrawGroup group) const;

    // The lights every program is given on its first draw in this scene.
    void setLights(const LightSet* given) { lights = given; }
    const LightSet* getLights() const { return lights; }

  private:
    struct Slot {
        std::optional<RenderObject> object;
        Overlay* overlay = nullptr;
    };
    // Never reused: the order of the slots is the order of drawing.
    std::vector<Slot> slots;
    size_t count = 0;
    const LightSet* lights = nullptr;
};

// An owner's place in a scene: its own copy of its render object, edited freely and handed to
// the scene by changed(). Leaves the scene when destroyed, so the scene must outlive it.
class SceneEntry {
  public:
    SceneEntry() = default;
    explicit SceneEntry(RenderObject object) : object(std::move(object)) {}
    ~SceneEntry() { hide(); }
    SceneEntry(const SceneEntry&) = delete;
    SceneEntry& operator=(const SceneEntry&) = delete;

    // Joins the scene (leaving the one it was in), with what it draws after the scene.
    void show(RenderScene& scene, Overlay* overlay = nullptr);
    void hide();
    // Hands the edited object to the scene, if it is in one.
    void changed();
    bool isShown() const { return scene != nullptr; }

    RenderObject object;

  private:
    RenderScene* scene = nullptr;
    RenderScene::Handle handle = RenderScene::None;
};

} // namespace brindlemox::render
