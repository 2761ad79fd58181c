#pragma once

#include "platform/Controls.h"
#include "render/Frustum.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <memory>

namespace brindlemox::render {

// The first-person camera of a level. Angles come in as degrees and are kept in radians; the
// view direction comes from yaw and pitch alone.
class Camera {
  public:
    Camera();

    // Back to the given position, looking along +z, with a fresh frustum.
    void resetAt(const glm::vec3& newPosition);
    void setPosition(const glm::vec3& newPosition) { position = newPosition; }
    void setYaw(double degrees);
    // Clamped to +-MaxPitchDegrees.
    void setPitch(double degrees);
    static constexpr double MaxPitchDegrees = platform::Controls::MaxPitchDegrees;
    void updateVectors();
    // Width over height of the picture; the level keeps it equal to the framebuffer's.
    void setAspect(float widthOverHeight);
    // Vertical, in degrees; values that are not a usable angle are ignored.
    void setFieldOfView(float degrees);

    glm::vec3 getDirection() const;
    glm::vec3 getRight() const { return right; }
    glm::vec3 getUp() const { return up; }
    glm::vec3 getPosition() const { return position; }
    glm::mat4 getViewMatrix() const;
    glm::mat4 getProjectionMatrix() const;
    void updateFrustum();
    const Frustum& getFrustum() const { return *frustum; }
    void toggleSavedYaw();

    double getYaw() const { return yaw; }
    float getPitch() const { return pitch; }
    float getAspect() const { return aspect; }
    float getFieldOfView() const { return fieldOfView; }
    float getNearPlane() const { return nearPlane; }
    float getFarPlane() const { return farPlane; }

  private:
    float nearPlane = 0.1f;
    float farPlane = 230.0f;
    float aspect = 4.0f / 3.0f;
    float fieldOfView = 40.0f;
    std::unique_ptr<Frustum> frustum;
    // Before the first updateVectors the camera looks along +z with the world's up.
    glm::vec3 up{0.0f, 1.0f, 0.0f};
    glm::vec3 right{-1.0f, 0.0f, 0.0f};
    glm::vec3 position{0.0f};
    double yaw = 0.0;
    double savedYaw = 0.0;
    float pitch = 0.0f;
    bool yawSaved = false;
};

// The controls' view angles into the camera, then the movement keys along its new axes.
void applyMouseLook(platform::Controls& controls, Camera& camera);

} // namespace brindlemox::render
