#include "LevelDescription.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace levels {

namespace {

std::runtime_error parseError(const std::string& path, int line, const std::string& what) {
    return std::runtime_error(path + ":" + std::to_string(line) + ": " + what);
}

Vec3 readVec3(std::istringstream& in) {
    Vec3 v{};
    in >> v[0] >> v[1] >> v[2];
    return v;
}

} // namespace

LevelDescription readLevel(const std::string& path) {
    std::ifstream file(path);
    if (!file)
        throw std::runtime_error("cannot open level description " + path);
    LevelDescription level;
    std::string text;
    int lineNumber = 0;
    while (std::getline(file, text)) {
        ++lineNumber;
        const auto hash = text.find('#');
        if (hash != std::string::npos)
            text.erase(hash);
        std::istringstream in(text);
        std::string keyword;
        if (!(in >> keyword))
            continue;
        if (keyword == "name") {
            in >> level.name;
        } else if (keyword == "model") {
            in >> level.modelPath >> level.format;
        } else if (keyword == "texture") {
            in >> level.texturePath;
        } else if (keyword == "lightmap") {
            level.lightMapped = true;
            in >> level.lightMapDensity;
        } else if (keyword == "tile") {
            in >> level.tileSize;
        } else if (keyword == "open" || keyword == "solid") {
            Box box;
            box.open = keyword == "open";
            in >> box.min[0] >> box.min[1] >> box.min[2] >> box.max[0] >> box.max[1] >> box.max[2];
            for (int a = 0; a < 3; ++a)
                if (box.min[a] >= box.max[a])
                    throw parseError(path, lineNumber, "empty box");
            level.boxes.push_back(box);
        } else if (keyword == "spawn") {
            level.spawn = readVec3(in);
        } else if (keyword == "light") {
            Light light;
            light.position = readVec3(in);
            in >> light.power;
            level.lights.push_back(light);
        } else if (keyword == "enemy") {
            Enemy enemy;
            enemy.position = readVec3(in);
            std::string axis;
            in >> axis;
            enemy.axis = axis == "x" ? 0 : axis == "y" ? 1 : axis == "z" ? 2 : -1;
            if (enemy.axis < 0)
                throw parseError(path, lineNumber, "axis must be x, y or z");
            level.enemies.push_back(enemy);
        } else if (keyword == "wall" || keyword == "slab" || keyword == "water") {
            Placement placement;
            placement.position = readVec3(in);
            if (keyword != "water")
                placement.angles = readVec3(in);
            in >> placement.scale;
            auto& list = keyword == "wall"   ? level.walls
                         : keyword == "slab" ? level.slabs
                                             : level.waters;
            list.push_back(placement);
        } else if (keyword == "route") {
            Route route;
            in >> route.wall;
            Vec3 point;
            while (in >> point[0] >> point[1] >> point[2])
                route.points.push_back(point);
            if (route.points.size() < 2)
                throw parseError(path, lineNumber, "a route needs at least two points");
            level.routes.push_back(route);
            continue;
        } else {
            throw parseError(path, lineNumber, "unknown keyword '" + keyword + "'");
        }
        if (in.fail())
            throw parseError(path, lineNumber, "missing or malformed values");
    }
    if (level.modelPath.empty() || level.texturePath.empty())
        throw std::runtime_error(path + ": model and texture lines are required");
    return level;
}

} // namespace levels
