#include "render/Frustum.h"

#include <glm/geometric.hpp>

#include <cmath>

namespace brindlemox::render {

Plane Plane::fromPoints(const glm::vec3& p1, const glm::vec3& p2, const glm::vec3& p3) {
    Plane plane;
    glm::vec3 a = p1 - p2;
    glm::vec3 b = p3 - p2;
    plane.normal = glm::normalize(glm::cross(b, a));
    plane.point = p2;
    plane.d = -glm::dot(plane.normal, p2);
    return plane;
}

void Frustum::build(float fovDegrees, float aspect, float nearDistance, float farDistance,
                    const glm::vec3& direction, const glm::vec3& up, const glm::vec3& position) {
    const double pi = 3.141592653589793;
    eye = position;
    float t = static_cast<float>(std::tan(static_cast<double>(fovDegrees) * pi / 360.0));
    float nh = nearDistance * t;
    float nw = nh * aspect;
    float fh = farDistance * t;
    float fw = fh * aspect;

    glm::vec3 z = -direction;
    glm::vec3 x = glm::normalize(glm::cross(z, up));
    glm::vec3 y = glm::cross(z, x);

    glm::vec3 nc = position - z * nearDistance;
    glm::vec3 fc = position - z * farDistance;

    glm::vec3 ntl = nc + y * nh - x * nw;
    glm::vec3 ntr = nc + y * nh + x * nw;
    glm::vec3 nbl = nc - y * nh - x * nw;
    glm::vec3 nbr = nc - y * nh + x * nw;
    glm::vec3 ftl = fc + y * fh - x * fw;
    glm::vec3 ftr = fc + y * fh + x * fw;
    glm::vec3 fbl = fc - y * fh - x * fw;
    glm::vec3 fbr = fc - y * fh + x * fw;

    planes[0] = Plane::fromPoints(ntr, ntl, ftl);
    planes[1] = Plane::fromPoints(nbl, nbr, fbr);
    planes[2] = Plane::fromPoints(ntl, nbl, fbl);
    planes[3] = Plane::fromPoints(nbr, ntr, fbr);
    planes[4] = Plane::fromPoints(ntl, ntr, nbr);
    planes[5] = Plane::fromPoints(ftr, ftl, fbl);
    built = true;
}

Frustum Frustum::everything(const glm::vec3& eye) {
    Frustum all;
    // No normal: every point lies at distance 1 inside every plane.
    for (Plane& plane : all.planes)
        plane.d = 1.0f;
    all.eye = eye;
    all.built = true;
    return all;
}

bool Frustum::sphereVisible(const glm::vec3& centre, float radius) const {
    for (const Plane& plane : planes)
        if (plane.distance(centre) < -radius)
            return false;
    return true;
}

bool Frustum::pointsVisible(const std::vector<glm::vec3>& points) const {
    for (const Plane& plane : planes) {
        bool anyInside = false;
        bool anyOutside = false;
        for (const glm::vec3& p : points) {
            if (plane.distance(p) > 0.0f)
                anyInside = true;
            else
                anyOutside = true;
            if (anyInside && anyOutside)
                break;
        }
        if (!anyInside)
            return false;
    }
    return true;
}

} // namespace brindlemox::render
