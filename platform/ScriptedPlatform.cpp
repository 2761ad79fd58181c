#include "platform/ScriptedPlatform.h"

namespace brindlemox::platform {

ScriptedPlatform::ScriptedPlatform() {
    previous = installPlatform(this);
}

ScriptedPlatform::~ScriptedPlatform() {
    installPlatform(previous);
}

bool ScriptedPlatform::isKeyHeld(int key) {
    if (tapped.erase(key) > 0)
        return true;
    return held.count(key) > 0;
}

} // namespace brindlemox::platform
