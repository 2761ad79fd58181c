#include "Models.h"
#include "VoxelLevel.h"

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace brindlemox::platform;

namespace assets {

namespace {

using levels::SurfaceQuad;
using levels::VoxelLevel;

glm::vec3 toGlm(const levels::Vec3& v) {
    return {v[0], v[1], v[2]};
}
levels::Vec3 toArray(const glm::vec3& v) {
    return {v.x, v.y, v.z};
}

// Light falls off with 1 / (1 + 0.35 d + 0.44 d^2) like the game's lights, but with distances
// counted in light units of a few world units so that the halls, which are far larger than the
// lights' reach in world units, still read.
constexpr float kWorldUnitsPerLightUnit = 3.5f;
constexpr float kAmbient = 0.25f;
constexpr float kExposure = 0.55f;
const glm::vec3 kLightColour(1.0f, 0.93f, 0.84f);

struct Chart {
    int x = 0, y = 0; // top-left of the chart including its border
    int w = 0, h = 0; // texels covering the quad, without the border
};
constexpr int kBorder = 2;
constexpr int kLightMappedQuadSide = 24;
constexpr int kOcclusionRays = 12;
constexpr float kOcclusionReach = 5.0f;

// Shelf packing into a fixed width; returns the height used. Every chart fits the width: a quad's
// side is at most 24 units and the density at most MaxLightMapDensity.
int packCharts(std::vector<Chart>& charts, int atlasWidth) {
    std::vector<size_t> order(charts.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return charts[a].h != charts[b].h ? charts[a].h > charts[b].h : a < b;
    });
    int x = 0, y = 0, shelf = 0;
    for (size_t i : order) {
        Chart& c = charts[i];
        const int w = c.w + 2 * kBorder, h = c.h + 2 * kBorder;
        if (x + w > atlasWidth) {
            x = 0;
            y += shelf;
            shelf = 0;
        }
        c.x = x;
        c.y = y;
        x += w;
        shelf = std::max(shelf, h);
    }
    return y + shelf;
}

float occlusion(const VoxelLevel& voxels, const glm::vec3& p, const glm::vec3& n) {
    // Fraction of short hemisphere rays that stay in open space: darkens corners and crevices.
    glm::vec3 t = std::fabs(n.x) > 0.5f ? glm::vec3(0, 1, 0) : glm::vec3(1, 0, 0);
    const glm::vec3 b1 = glm::normalize(glm::cross(n, t));
    const glm::vec3 b2 = glm::cross(n, b1);
    const int rays = kOcclusionRays;
    int open = 0;
    for (int i = 0; i < rays; ++i) {
        const float a = 6.2831853f * (i + 0.5f) / rays;
        const float elevation = (i % 3 + 0.5f) / 3.0f; // three rings
        const float s = std::sqrt(1.0f - elevation * elevation);
        const glm::vec3 d = n * elevation + (b1 * std::cos(a) + b2 * std::sin(a)) * s;
        if (voxels.segmentClear(toArray(p), toArray(p + d * kOcclusionReach)))
            ++open;
    }
    return static_cast<float>(open) / rays;
}

glm::vec3 irradiance(const VoxelLevel& voxels, const std::vector<levels::Light>& lights,
                     const glm::vec3& surfacePoint, const glm::vec3& n) {
    const glm::vec3 p = surfacePoint + n * 0.02f;
    // Four points around each light soften the shadow edges.
    static const glm::vec3 jitter[4] = {
        {0.5f, 0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}, {-0.5f, 0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}};
    float sum = 0.0f;
    for (const levels::Light& light : lights) {
        const glm::vec3 toLight = toGlm(light.position) - p;
        const float distance = glm::length(toLight);
        const float cosine = glm::dot(n, toLight / distance);
        if (cosine <= 0.0f)
            continue;
        const float d = distance / kWorldUnitsPerLightUnit;
        const float unshadowed = light.power * cosine / (1.0f + 0.35f * d + 0.44f * d * d);
        if (unshadowed < 1e-3f)
            continue;
        int visible = 0;
        for (const glm::vec3& j : jitter)
            if (voxels.segmentClear(toArray(p), toArray(toGlm(light.position) + j)))
                ++visible;
        sum += unshadowed * visible / 4.0f;
    }
    const float ao = occlusion(voxels, p, n);
    const float e = (kAmbient + sum) * (0.55f + 0.45f * ao);
    return kLightColour * (1.0f - std::exp(-e * kExposure));
}

} // namespace

Result<LevelBuild> makeLevel(const levels::LevelDescription& level) {
    const auto failure = [&level](int line, const std::string& why) {
        return fail(level.source + ":" + std::to_string(line) + ": " + why);
    };
    const VoxelLevel voxels(level.boxes);
    const std::vector<SurfaceQuad> quads =
        voxels.surface(level.lightMapped ? kLightMappedQuadSide : 32, levels::MaxTriangles / 2);
    if (quads.size() * 2 > levels::MaxTriangles)
        return failure(level.modelLine, "model: the level's surface needs more than " +
                                            std::to_string(levels::MaxTriangles) +
                                            " triangles; expected at most that many");

    LevelBuild build;
    build.model.materials.push_back({level.name,
                                     level.texturePath,
                                     {0.35f, 0.35f, 0.35f},
                                     {1.0f, 1.0f, 1.0f},
                                     {0.25f, 0.25f, 0.25f}});
    build.model.meshes.emplace_back();
    MeshData& mesh = build.model.meshes[0];

    std::vector<Chart> charts(quads.size());
    int atlasWidth = 0, atlasHeight = 0;
    if (level.lightMapped) {
        const int density = level.lightMapDensity;
        for (size_t i = 0; i < quads.size(); ++i) {
            charts[i].w = static_cast<int>(std::lround(glm::length(toGlm(quads[i].u)) * density));
            charts[i].h = static_cast<int>(std::lround(glm::length(toGlm(quads[i].v)) * density));
        }
        atlasWidth = levels::LightMapWidth;
        atlasHeight = packCharts(charts, atlasWidth);
        const std::string size = std::to_string(atlasWidth) + " x " + std::to_string(atlasHeight);
        if (atlasHeight > levels::MaxLightMapRows)
            return failure(level.lightMapLine, "lightmap: the light map would take " + size +
                                                   " texels; expected at most " +
                                                   std::to_string(atlasWidth) + " x " +
                                                   std::to_string(levels::MaxLightMapRows) +
                                                   " (a lower density or less surface)");
        // What baking costs: each texel casts its occlusion rays and four rays to each light in
        // front of it (a ray stops at the first rock: baking costs at most about this).
        double rays = 0.0;
        for (size_t i = 0; i < quads.size(); ++i) {
            const glm::vec3 centre =
                toGlm(quads[i].origin) + (toGlm(quads[i].u) + toGlm(quads[i].v)) * 0.5f;
            const glm::vec3 n = toGlm(quads[i].normal);
            double length = kOcclusionRays * kOcclusionReach;
            for (const levels::Light& light : level.lights)
                if (glm::dot(n, toGlm(light.position) - centre) > 0.0f)
                    length += 4.0 * glm::length(toGlm(light.position) - centre);
            rays += length * charts[i].w * charts[i].h;
        }
        if (rays > levels::MaxLightMapRays)
            return failure(level.lightMapLine,
                           "lightmap: baking " + size + " texels by " +
                               std::to_string(level.lights.size()) + " lights casts rays of " +
                               std::to_string(std::llround(rays)) + " units; expected at most " +
                               std::to_string(levels::MaxLightMapRays) +
                               " (fewer lights, a lower density or less surface)");
        build.lightMap = Image(atlasWidth, atlasHeight);
    }

    for (size_t i = 0; i < quads.size(); ++i) {
        const SurfaceQuad& q = quads[i];
        const glm::vec3 o = toGlm(q.origin), u = toGlm(q.u), v = toGlm(q.v), n = toGlm(q.normal);
        const glm::vec3 corners[4] = {o, o + u, o + u + v, o + v};
        glm::vec2 tex[4];
        for (int k = 0; k < 4; ++k) {
            const glm::vec3& p = corners[k];
            const glm::vec2 planar = q.axis == 0   ? glm::vec2(p.z, p.y)
                                     : q.axis == 1 ? glm::vec2(p.x, p.z)
                                                   : glm::vec2(p.x, p.y);
            tex[k] = planar / level.tileSize;
        }
        mesh.addQuad(corners, n, tex);
        if (!level.lightMapped)
            continue;
        // The game flips v on import and uploads image rows top first, so a texel row r is
        // reached with v = 1 - r / height in the file.
        const Chart& c = charts[i];
        const float fu[4] = {0, 1, 1, 0}, fv[4] = {0, 0, 1, 1};
        for (int k = 0; k < 4; ++k) {
            const float px = c.x + kBorder + fu[k] * c.w;
            const float py = c.y + kBorder + fv[k] * c.h;
            mesh.uv1.push_back({px / atlasWidth, 1.0f - py / atlasHeight});
        }
        for (int ty = 0; ty < c.h; ++ty)
            for (int tx = 0; tx < c.w; ++tx) {
                const glm::vec3 p = o + u * ((tx + 0.5f) / c.w) + v * ((ty + 0.5f) / c.h);
                build.lightMap.at(c.x + kBorder + tx, c.y + kBorder + ty) =
                    irradiance(voxels, level.lights, p, n);
            }
        // Border texels repeat the chart's edge so filtering never reaches a neighbour.
        for (int ty = -kBorder; ty < c.h + kBorder; ++ty)
            for (int tx = -kBorder; tx < c.w + kBorder; ++tx) {
                if (tx >= 0 && ty >= 0 && tx < c.w && ty < c.h)
                    continue;
                const int sx = std::clamp(tx, 0, c.w - 1), sy = std::clamp(ty, 0, c.h - 1);
                build.lightMap.at(c.x + kBorder + tx, c.y + kBorder + ty) =
                    build.lightMap.at(c.x + kBorder + sx, c.y + kBorder + sy);
            }
    }
    return build;
}

} // namespace assets
