#include "app/Controls.h"

#include "app/Camera.h"
#include "app/Config.h"
#include "app/Platform.h"

#include <GLFW/glfw3.h>

namespace {

// One copy for the whole program.
struct SharedInput {
    double yaw = 90.0;
    double pitch = 0.0;
    float horizontalSensitivity = 0.0f;
    float verticalSensitivity = 0.0f;
    float deltaTime = 0.0f;
    double lastTime = 0.0;
    float centreX = 0.0f;
    float centreY = 0.0f;
    bool fpsShown = false;
    bool wireframe = false;
    bool celShading = false;
    bool drawingInactive = true;
};

SharedInput& shared() {
    static SharedInput state;
    return state;
}

} // namespace

Controls::Controls(GLFWwindow* window, const Config* config) : window(window) {
    SharedInput& s = shared();
    s.horizontalSensitivity = config->horizontalSensivity;
    s.verticalSensitivity = config->horizontalSensivity;
    int centreX = 0;
    int centreY = 0;
    if (GLFWmonitor* monitor = glfwGetPrimaryMonitor()) {
        if (const GLFWvidmode* mode = glfwGetVideoMode(monitor)) {
            centreX = mode->width / 2;
            centreY = mode->height / 2;
            s.centreX = static_cast<float>(mode->width) / 2.0f;
            s.centreY = static_cast<float>(mode->height) / 2.0f;
        }
    }
    if (window != nullptr) {
        glfwSetCursorPos(window, centreX, centreY);
        glfwSetCursorPosCallback(window, &Controls::onCursorMoved);
        glfwSetKeyCallback(window, &Controls::onKey);
    }
}

void Controls::updateTime() {
    SharedInput& s = shared();
    double now = platform().now();
    s.deltaTime = static_cast<float>(now - s.lastTime);
    s.lastTime = now;
}

float Controls::getDeltaTime() const {
    return shared().deltaTime;
}

void Controls::onCursorMoved(GLFWwindow* window, double x, double y) {
    SharedInput& s = shared();
    // A fixed angle per pixel: the same hand movement turns the view equally at any frame rate.
    s.yaw += (static_cast<double>(s.centreX) - x) * s.horizontalSensitivity * DegreesPerPixel;
    s.pitch += (static_cast<double>(s.centreY) - y) * s.verticalSensitivity * DegreesPerPixel;
    if (window != nullptr)
        glfwSetCursorPos(window, s.centreX, s.centreY);
}

void Controls::onKey(GLFWwindow* /*window*/, int key, int /*scancode*/, int action, int /*mods*/) {
    if (action != GLFW_PRESS)
        return;
    SharedInput& s = shared();
    switch (key) {
    case GLFW_KEY_F2:
        s.fpsShown = !s.fpsShown;
        break;
    case GLFW_KEY_F3:
        s.wireframe = !s.wireframe;
        break;
    case GLFW_KEY_F4:
        s.celShading = !s.celShading;
        break;
    case GLFW_KEY_F8:
        s.drawingInactive = !s.drawingInactive;
        break;
    default:
        break;
    }
}

void Controls::applyMouseLook(Camera& camera) {
    camera.setYaw(shared().yaw);
    camera.setPitch(shared().pitch);
    camera.updateVectors();
    readMovementKeys(camera);
}

void Controls::readMovementKeys(const Camera& camera) {
    const glm::vec3 d = camera.getDirection();
    const glm::vec3 r = camera.getRight();
    const float distance = shared().deltaTime * moveSpeed;
    movement = glm::vec3(0.0f);
    Platform& keys = platform();
    if (keys.isKeyHeld(GLFW_KEY_W))
        movement = d * distance;
    if (keys.isKeyHeld(GLFW_KEY_S))
        movement = -d * distance;
    if (keys.isKeyHeld(GLFW_KEY_D))
        movement = r * distance;
    if (keys.isKeyHeld(GLFW_KEY_A))
        movement = -r * distance;
}

void Controls::resetView() {
    shared().yaw = 90.0;
    shared().pitch = 0.0;
}

bool Controls::isAttackHeld() const {
    return platform().isKeyHeld(GLFW_KEY_SPACE);
}

bool Controls::isFpsShown() const {
    return shared().fpsShown;
}
bool Controls::isWireframe() const {
    return shared().wireframe;
}
bool Controls::isCelShading() const {
    return shared().celShading;
}
bool Controls::isDrawingInactive() const {
    return shared().drawingInactive;
}

double Controls::getYawDegrees() {
    return shared().yaw;
}
double Controls::getPitchDegrees() {
    return shared().pitch;
}

void Controls::setView(double yawDegrees, double pitchDegrees) {
    shared().yaw = yawDegrees;
    shared().pitch = pitchDegrees;
}

void Controls::setScreenCentre(float cx, float cy) {
    shared().centreX = cx;
    shared().centreY = cy;
}

void Controls::resetSharedState() {
    shared() = SharedInput{};
}
