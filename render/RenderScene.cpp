#include "render/RenderScene.h"

namespace brindlemox::render {

RenderScene::Handle RenderScene::add(const RenderObject& object, Overlay* overlay) {
    slots.push_back({object, overlay});
    ++count;
    return slots.size();
}

void RenderScene::update(Handle handle, const RenderObject& object) {
    if (handle == None || handle > slots.size() || !slots[handle - 1].object)
        return;
    *slots[handle - 1].object = object;
}

void RenderScene::remove(Handle handle) {
    if (handle == None || handle > slots.size() || !slots[handle - 1].object)
        return;
    slots[handle - 1].object.reset();
    slots[handle - 1].overlay = nullptr;
    --count;
}

const RenderObject* RenderScene::find(Handle handle) const {
    if (handle == None || handle > slots.size() || !slots[handle - 1].object)
        return nullptr;
    return &*slots[handle - 1].object;
}

const RenderObject* RenderScene::first(DrawGroup group) const {
    for (const Slot& slot : slots)
        if (slot.object && slot.object->group == group)
            return &*slot.object;
    return nullptr;
}

void SceneEntry::show(RenderScene& given, Overlay* overlay) {
    hide();
    scene = &given;
    handle = scene->add(object, overlay);
}

void SceneEntry::hide() {
    if (scene != nullptr)
        scene->remove(handle);
    scene = nullptr;
    handle = RenderScene::None;
}

void SceneEntry::changed() {
    if (scene != nullptr)
        scene->update(handle, object);
}

} // namespace brindlemox::render
