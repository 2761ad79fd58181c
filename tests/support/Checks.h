#pragma once

// Small helpers every kind of test uses: what a call reports, vectors compared within a
// tolerance, and degrees.

#include <glm/vec3.hpp>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

namespace checks {

// What action reports (platform/Report.h: standard error).
inline std::string captureReports(const std::function<void()>& action) {
    std::fflush(stderr);
    ::testing::internal::CaptureStderr();
    action();
    std::fflush(stderr);
    return ::testing::internal::GetCapturedStderr();
}

inline void expectNear(const glm::vec3& actual, const glm::vec3& expected,
                       float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Radians in one degree, as the camera converts them.
constexpr float Degree = 3.14159265f / 180.0f;

} // namespace checks
