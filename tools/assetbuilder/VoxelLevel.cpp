#include "VoxelLevel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace levels {

VoxelLevel::VoxelLevel(const std::vector<Box>& boxes) {
    if (boxes.empty())
        return; // all rock
    std::array<int, 3> lo{}, hi{};
    lo.fill(std::numeric_limits<int>::max());
    hi.fill(std::numeric_limits<int>::min());
    for (const Box& box : boxes)
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], box.min[a]);
            hi[a] = std::max(hi[a], box.max[a]);
        }
    // One solid cell of margin keeps every open cell enclosed.
    for (int a = 0; a < 3; ++a) {
        origin_[a] = lo[a] - 1;
        size_[a] = hi[a] - lo[a] + 2;
    }
    open_.assign(static_cast<size_t>(size_[0]) * size_[1] * size_[2], 0);
    for (const Box& box : boxes)
        for (int z = box.min[2]; z < box.max[2]; ++z)
            for (int y = box.min[1]; y < box.max[1]; ++y)
                for (int x = box.min[0]; x < box.max[0]; ++x)
                    open_[index(x, y, z)] = box.open ? 1 : 0;
}

int VoxelLevel::index(int x, int y, int z) const {
    return ((z - origin_[2]) * size_[1] + (y - origin_[1])) * size_[0] + (x - origin_[0]);
}

bool VoxelLevel::isOpen(int x, int y, int z) const {
    if (x < origin_[0] || y < origin_[1] || z < origin_[2] || x >= origin_[0] + size_[0] ||
        y >= origin_[1] + size_[1] || z >= origin_[2] + size_[2])
        return false;
    return open_[index(x, y, z)] != 0;
}

bool VoxelLevel::isOpenAt(const Vec3& p) const {
    return isOpen(static_cast<int>(std::floor(p[0])), static_cast<int>(std::floor(p[1])),
                  static_cast<int>(std::floor(p[2])));
}

std::vector<SurfaceQuad> VoxelLevel::surface(int maxSize, size_t maxQuads) const {
    std::vector<SurfaceQuad> quads;
    for (int axis = 0; axis < 3; ++axis) {
        const int ua = (axis + 1) % 3;
        const int va = (axis + 2) % 3;
        for (int side = -1; side <= 1; side += 2) {
            // side +1: open cell above the plane, solid below, so the normal points +axis.
            std::vector<std::uint8_t> mask(static_cast<size_t>(size_[ua]) * size_[va]);
            for (int layer = 0; layer <= size_[axis]; ++layer) {
                const int plane = origin_[axis] + layer;
                bool any = false;
                for (int j = 0; j < size_[va]; ++j)
                    for (int i = 0; i < size_[ua]; ++i) {
                        std::array<int, 3> above{}, below{};
                        above[axis] = plane;
                        below[axis] = plane - 1;
                        above[ua] = below[ua] = origin_[ua] + i;
                        above[va] = below[va] = origin_[va] + j;
                        const bool openAbove = isOpen(above[0], above[1], above[2]);
                        const bool openBelow = isOpen(below[0], below[1], below[2]);
                        const bool face =
                            side > 0 ? (openAbove && !openBelow) : (openBelow && !openAbove);
                        mask[j * size_[ua] + i] = face;
                        any = any || face;
                    }
                if (!any)
                    continue;
                for (int j = 0; j < size_[va]; ++j)
                    for (int i = 0; i < size_[ua]; ++i) {
                        if (!mask[j * size_[ua] + i])
                            continue;
                        int w = 1;
                        while (i + w < size_[ua] && w < maxSize && mask[j * size_[ua] + i + w])
                            ++w;
                        int h = 1;
                        for (; j + h < size_[va] && h < maxSize; ++h) {
                            bool row = true;
                            for (int k = 0; k < w && row; ++k)
                                row = mask[(j + h) * size_[ua] + i + k] != 0;
                            if (!row)
                                break;
                        }
                        for (int jj = 0; jj < h; ++jj)
                            for (int k = 0; k < w; ++k)
                                mask[(j + jj) * size_[ua] + i + k] = 0;
                        SurfaceQuad q;
                        q.axis = axis;
                        q.origin[axis] = static_cast<float>(plane);
                        q.origin[ua] = static_cast<float>(origin_[ua] + i);
                        q.origin[va] = static_cast<float>(origin_[va] + j);
                        q.u[ua] = static_cast<float>(w);
                        q.v[va] = static_cast<float>(h);
                        q.normal[axis] = static_cast<float>(side);
                        // u x v points along +axis; swap for faces looking down the axis.
                        if (side < 0)
                            std::swap(q.u, q.v);
                        quads.push_back(q);
                        if (quads.size() > maxQuads)
                            return quads;
                    }
            }
        }
    }
    return quads;
}

bool VoxelLevel::segmentClear(const Vec3& a, const Vec3& b) const {
    // Amanatides-Woo traversal of the cells the segment passes.
    std::array<int, 3> cell{}, step{};
    std::array<double, 3> tMax{}, tDelta{};
    const std::array<double, 3> d{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    for (int k = 0; k < 3; ++k) {
        cell[k] = static_cast<int>(std::floor(a[k]));
        if (d[k] > 0) {
            step[k] = 1;
            tDelta[k] = 1.0 / d[k];
            tMax[k] = (cell[k] + 1 - a[k]) / d[k];
        } else if (d[k] < 0) {
            step[k] = -1;
            tDelta[k] = -1.0 / d[k];
            tMax[k] = (a[k] - cell[k]) / -d[k];
        } else {
            step[k] = 0;
            tDelta[k] = tMax[k] = std::numeric_limits<double>::infinity();
        }
    }
    // The cell's place in the grid, stepped along with it; outside the grid is rock.
    const std::array<long, 3> stride{1, size_[0], static_cast<long>(size_[0]) * size_[1]};
    std::array<int, 3> inGrid{};
    for (int k = 0; k < 3; ++k) {
        inGrid[k] = cell[k] - origin_[k];
        if (inGrid[k] < 0 || inGrid[k] >= size_[k])
            return false;
    }
    long at = inGrid[0] * stride[0] + inGrid[1] * stride[1] + inGrid[2] * stride[2];
    while (true) {
        if (open_[static_cast<size_t>(at)] == 0)
            return false;
        int k = tMax[0] < tMax[1] ? (tMax[0] < tMax[2] ? 0 : 2) : (tMax[1] < tMax[2] ? 1 : 2);
        if (tMax[k] > 1.0)
            return true;
        inGrid[k] += step[k];
        if (inGrid[k] < 0 || inGrid[k] >= size_[k])
            return false;
        at += step[k] * stride[k];
        tMax[k] += tDelta[k];
    }
}

} // namespace levels
