#include "gameplay/Motion.h"

#include <cmath>

MovementAxis checkedAxis(int code) {
    return code >= movement_axis::X && code <= movement_axis::Z ? code : movement_axis::Y;
}

glm::vec3 alongAxis(MovementAxis axis, float distance) {
    switch (axis) {
    case movement_axis::X:
        return glm::vec3(distance, 0.0f, 0.0f);
    case movement_axis::Z:
        return glm::vec3(0.0f, 0.0f, distance);
    default:
        return glm::vec3(0.0f, distance, 0.0f);
    }
}

float Oscillation::advance(float deltaTime) {
    phase = static_cast<float>(static_cast<double>(phase) + static_cast<double>(deltaTime) * 0.5);
    // 360 is only a wrap point that keeps the float precise; the phase is used as radians.
    if (phase >= 360.0f)
        phase = 0.0f;
    step = static_cast<float>(std::sin(static_cast<double>(phase)) * deltaTime * 4.0);
    return step;
}

float Spin::advance(float deltaTime) {
    if (angle >= 360.0f)
        angle = 0.0f;
    angle += deltaTime * rate;
    return angle;
}
