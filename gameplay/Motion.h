#pragma once

#include <glm/vec3.hpp>

namespace brindlemox::gameplay {

// World axis an enemy glides along: 0 = x, 1 = y, 2 = z.
using MovementAxis = int;
namespace movement_axis {
constexpr MovementAxis X = 0;
constexpr MovementAxis Y = 1;
constexpr MovementAxis Z = 2;
} // namespace movement_axis

// The axis to use for a code from level content. Codes outside 0..2 become y, which is how the
// satellite has always read them, so an enemy and its satellite never drift apart.
MovementAxis checkedAxis(int code);
// distance along x for axis 0, along z for axis 2, along y for anything else.
glm::vec3 alongAxis(MovementAxis axis, float distance);

// The enemy's glide: speed 4 sin(0.5 t) along its axis, so it swings between its start and 16
// units along the axis every 4 pi seconds.
struct Oscillation {
    // Frames up to this long move in one piece by the per-frame rule. Longer ones (the first
    // frame, a stall, a stopped process) are cut into pieces of at most MaxSubStep.
    static constexpr float LongFrame = 1.0f;
    static constexpr float MaxSubStep = 1.0f / 60.0f;

    float phase = 0.0f; // radians; kept below 2 pi by dropping whole periods
    float step = 0.0f;  // this frame's displacement

    // Advances one frame and returns the frame's displacement: the phase grows by deltaTime / 2,
    // then the enemy moves by sin(phase) * deltaTime * 4. A long frame first drops its whole
    // periods (which end where they began), so a stall never throws the enemy off its path.
    float advance(float deltaTime);
};

// The satellite's accelerating spin: every frame the Z angle grows by the accumulated angle, which
// itself grows by rate degrees per second and starts over once it has reached 360.
struct Spin {
    float rate = 0.0f;  // degrees per second of growth of angle
    float angle = 0.0f; // degrees

    // Advances one frame and returns the degrees to add to the Z angle this frame.
    float advance(float deltaTime);
};

} // namespace brindlemox::gameplay
