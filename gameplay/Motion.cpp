#include "gameplay/Motion.h"

#include <algorithm>
#include <cmath>

namespace brindlemox::gameplay {

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

namespace {

constexpr double TwoPi = 6.283185307179586;
// The phase grows by half the elapsed time, so one period of the glide lasts 4 pi seconds.
constexpr double Period = 2.0 * TwoPi;

// The phase brought back into [0, 2 pi) by whole periods, so its sine is unchanged.
float wrapped(double phase) {
    phase -= TwoPi * std::floor(phase / TwoPi);
    const float result = static_cast<float>(phase);
    return result < static_cast<float>(TwoPi) ? result : 0.0f;
}

} // namespace

float Oscillation::advance(float deltaTime) {
    step = 0.0f;
    // No time (or a broken clock reading) moves nothing.
    if (!(deltaTime > 0.0f) || !std::isfinite(deltaTime))
        return step;
    double remaining = static_cast<double>(deltaTime);
    int pieces = 1;
    if (deltaTime > LongFrame) {
        // Whole periods end where they began, at the same phase.
        remaining -= Period * std::floor(remaining / Period);
        pieces = std::max(1, static_cast<int>(std::ceil(remaining / MaxSubStep)));
    }
    const double dt = remaining / pieces;
    double travelled = 0.0;
    for (int i = 0; i < pieces; ++i) {
        phase = wrapped(static_cast<double>(phase) + dt * 0.5);
        travelled += std::sin(static_cast<double>(phase)) * dt * 4.0;
    }
    step = static_cast<float>(travelled);
    return step;
}

float Spin::advance(float deltaTime) {
    if (angle >= 360.0f)
        angle = 0.0f;
    angle += deltaTime * rate;
    return angle;
}

} // namespace brindlemox::gameplay
