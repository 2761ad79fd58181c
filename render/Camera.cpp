#include "render/Camera.h"

#include "platform/Controls.h"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/trigonometric.hpp>

#include <algorithm>
#include <cmath>

namespace brindlemox::render {

using namespace platform;

namespace {
constexpr double Pi = 3.141592653589793;
}

Camera::Camera() : frustum(std::make_unique<Frustum>()) {}

void Camera::resetAt(const glm::vec3& newPosition) {
    position = newPosition;
    yaw = 0.0;
    pitch = 0.0f;
    yawSaved = false;
    frustum = std::make_unique<Frustum>();
}

void Camera::setYaw(double degrees) {
    yaw = degrees * Pi / 180.0;
}

void Camera::setPitch(double degrees) {
    pitch = static_cast<float>(degrees * Pi / 180.0);
    const float limit = static_cast<float>(MaxPitchDegrees) * static_cast<float>(Pi) / 180.0f;
    pitch = std::clamp(pitch, -limit, limit);
}

void Camera::setAspect(float widthOverHeight) {
    if (widthOverHeight > 0.0f && std::isfinite(widthOverHeight))
        aspect = widthOverHeight;
}

void Camera::setFieldOfView(float degrees) {
    if (degrees > 0.0f && degrees < 180.0f)
        fieldOfView = degrees;
}

glm::vec3 Camera::getDirection() const {
    double p = pitch;
    return glm::vec3(static_cast<float>(std::cos(p) * std::sin(yaw)),
                     static_cast<float>(std::sin(p)),
                     static_cast<float>(std::cos(p) * std::cos(yaw)));
}

void Camera::updateVectors() {
    glm::vec3 d = getDirection();
    const double quarterTurn = static_cast<double>(90.0f * static_cast<float>(Pi) / 180.0f);
    right = glm::vec3(static_cast<float>(std::sin(yaw - quarterTurn)), 0.0f,
                      static_cast<float>(std::cos(yaw - quarterTurn)));
    up = glm::cross(right, d);
}

glm::mat4 Camera::getViewMatrix() const {
    return glm::lookAt(position, position + getDirection(), up);
}

glm::mat4 Camera::getProjectionMatrix() const {
    return glm::perspective(glm::radians(fieldOfView), aspect, nearPlane, farPlane);
}

void Camera::updateFrustum() {
    frustum->build(fieldOfView, aspect, nearPlane, farPlane, getDirection(), up, position);
}

void Camera::toggleSavedYaw() {
    yawSaved = !yawSaved;
    if (yawSaved)
        savedYaw = yaw;
    else
        yaw = savedYaw;
}

void applyMouseLook(Controls& controls, Camera& camera) {
    camera.setYaw(controls.getYawDegrees());
    camera.setPitch(controls.getPitchDegrees());
    camera.updateVectors();
    controls.readMovementKeys(camera.getDirection(), camera.getRight());
}

} // namespace brindlemox::render
