#include "render/FbxCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

namespace brindlemox::render {

namespace fbxcheck {

namespace {

const char BinarySignature[] = "Kaydara FBX Binary  ";
constexpr size_t BinaryHeaderBytes = 27;

// The models of a file and its object-to-object links (child, parent); parent 0 is the root.
struct Graph {
    std::vector<int64_t> models;
    std::vector<std::pair<int64_t, int64_t>> links;
};

std::string nestedTooDeep() {
    return "blocks nested more than " + std::to_string(MaxNesting) + " deep";
}

// Kahn's walk from the parentless models down: what is never reached lies on a loop. Depth and
// the number of copies the importer would make are counted on the way.
std::string hierarchyProblem(const Graph& graph) {
    std::unordered_map<int64_t, size_t> index;
    index.emplace(0, 0);
    for (int64_t id : graph.models)
        index.emplace(id, index.size());
    const size_t count = index.size();
    std::vector<std::vector<size_t>> children(count);
    std::vector<size_t> parents(count, 0);
    for (const auto& [child, parent] : graph.links) {
        const auto c = index.find(child);
        const auto p = index.find(parent);
        // Only models under models (or under the root) form the hierarchy the importer walks.
        if (c == index.end() || c->second == 0 || p == index.end())
            continue;
        children[p->second].push_back(c->second);
        ++parents[c->second];
    }
    std::vector<long> depth(count, 0);
    std::vector<long> copies(count, 0); // paths from the root, capped past the limit
    copies[0] = 1;
    std::vector<size_t> ready;
    for (size_t i = 0; i < count; ++i)
        if (parents[i] == 0)
            ready.push_back(i);
    size_t visited = 0;
    long expanded = 0;
    while (!ready.empty()) {
        const size_t node = ready.back();
        ready.pop_back();
        ++visited;
        if (copies[node] > 0 && depth[node] > MaxHierarchyDepth)
            return "the node hierarchy is more than " + std::to_string(MaxHierarchyDepth) +
                   " models deep";
        expanded = std::min(expanded + copies[node], MaxExpandedModels + 1);
        if (expanded > MaxExpandedModels)
            return "the node hierarchy expands to more than " + std::to_string(MaxExpandedModels) +
                   " models";
        for (size_t child : children[node]) {
            if (copies[node] > 0)
                depth[child] = std::max(depth[child], depth[node] + 1);
            copies[child] = std::min(copies[child] + copies[node], MaxExpandedModels + 1);
            if (--parents[child] == 0)
                ready.push_back(child);
        }
    }
    if (visited < count)
        return "a model is its own ancestor in the node hierarchy";
    return std::string();
}

// ASCII: one record per line, "Key: values {" opening a block and "}" closing it; ";" starts a
// comment and strings are in double quotes.
std::string asciiProblem(const std::string& text) {
    Graph graph;
    int depth = 0;
    std::string topBlock; // the name of the open top-level block
    std::string lastTopKey;
    size_t i = 0;
    while (i < text.size()) {
        const size_t lineEnd = std::min(text.find('\n', i), text.size());
        // The record's key and values, read before its braces change the depth.
        size_t k = i;
        while (k < lineEnd && (text[k] == ' ' || text[k] == '\t' || text[k] == '\r'))
            ++k;
        // Searched within the line only: a file of colon-less lines stays linear.
        const void* found = k < lineEnd ? std::memchr(text.data() + k, ':', lineEnd - k) : nullptr;
        const size_t colon =
            found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - text.data())
                             : lineEnd;
        if (colon < lineEnd && text[k] != ';' && text[k] != '"') {
            const std::string key = text.substr(k, colon - k);
            if (depth == 0)
                lastTopKey = key;
            const char* values = text.c_str() + colon + 1;
            if (depth == 1 && topBlock == "Objects" && key == "Model") {
                char* end = nullptr;
                const long long id = std::strtoll(values, &end, 10);
                if (end != values)
                    graph.models.push_back(id);
            } else if (depth == 1 && topBlock == "Connections" && key == "C") {
                const char* p = values;
                while (*p == ' ' || *p == '\t')
                    ++p;
                if (std::strncmp(p, "\"OO\"", 4) == 0) {
                    p += 4;
                    while (*p == ' ' || *p == '\t' || *p == ',')
                        ++p;
                    char* end = nullptr;
                    const long long child = std::strtoll(p, &end, 10);
                    p = end;
                    while (*p == ' ' || *p == '\t' || *p == ',')
                        ++p;
                    const long long parent = std::strtoll(p, &end, 10);
                    if (end != p)
                        graph.links.emplace_back(child, parent);
                }
            }
        }
        bool quoted = false;
        for (size_t c = i; c < lineEnd; ++c) {
            const char ch = text[c];
            if (ch == '"')
                quoted = !quoted;
            else if (quoted)
                continue;
            else if (ch == ';')
                break;
            else if (ch == '{') {
                if (depth == 0)
                    topBlock = lastTopKey;
                if (++depth > MaxNesting)
                    return nestedTooDeep();
            } else if (ch == '}' && depth > 0) {
                --depth;
            }
        }
        i = lineEnd + 1;
    }
    return hierarchyProblem(graph);
}

uint64_t little(const std::string& bytes, size_t at, size_t width) {
    uint64_t value = 0;
    for (size_t b = 0; b < width; ++b)
        value |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[at + b])) << (8 * b);
    return value;
}

// The properties of one binary record: each a type code and its data.
struct Property {
    char type = 0;
    size_t at = 0; // where the data starts
    size_t length = 0;
};

bool readProperties(const std::string& bytes, size_t from, size_t to,
                    std::vector<Property>& properties) {
    size_t at = from;
    while (at < to) {
        Property p;
        p.type = bytes[at++];
        size_t fixed = 0;
        switch (p.type) {
        case 'C':
            fixed = 1;
            break;
        case 'Y':
            fixed = 2;
            break;
        case 'I':
        case 'F':
            fixed = 4;
            break;
        case 'L':
        case 'D':
            fixed = 8;
            break;
        case 'S':
        case 'R':
            if (to - at < 4)
                return false;
            p.length = little(bytes, at, 4);
            at += 4;
            break;
        case 'f':
        case 'd':
        case 'l':
        case 'i':
        case 'b':
            if (to - at < 12)
                return false;
            p.length = little(bytes, at + 8, 4); // stored (possibly compressed) size
            at += 12;
            break;
        default:
            return false;
        }
        if (fixed != 0)
            p.length = fixed;
        if (p.length > to - at)
            return false;
        p.at = at;
        at += p.length;
        properties.push_back(p);
    }
    return true;
}

// Binary: records of (end offset, property count, property bytes, name, properties, nested
// records ended by a null record), with 64-bit header fields from version 7500 on. Walked
// without recursion, keeping the end of every open record.
std::string binaryProblem(const std::string& bytes) {
    const std::string malformed = "not a well-formed binary FBX file";
    const uint32_t version = static_cast<uint32_t>(little(bytes, 23, 4));
    const size_t width = version >= 7500 ? 8 : 4;
    const size_t header = 3 * width + 1;
    Graph graph;
    struct Open {
        size_t childrenEnd;
        std::string name;
    };
    std::vector<Open> open;
    size_t at = BinaryHeaderBytes;
    for (;;) {
        const size_t regionEnd = open.empty() ? bytes.size() : open.back().childrenEnd;
        if (at + header > regionEnd) {
            if (open.empty())
                break; // what follows the last record is a footer
            if (at != regionEnd)
                return malformed;
            at = regionEnd + header; // the null record closing the children
            open.pop_back();
            continue;
        }
        const uint64_t end = little(bytes, at, width);
        const uint64_t propertyBytes = little(bytes, at + 2 * width, width);
        const size_t nameLength = static_cast<uint8_t>(bytes[at + 3 * width]);
        if (end == 0) {
            // A null record ends the current list.
            if (open.empty())
                break;
            if (at != regionEnd)
                return malformed;
            at = regionEnd + header;
            open.pop_back();
            continue;
        }
        const size_t propertiesStart = at + header + nameLength;
        if (end > regionEnd || end <= at || propertiesStart > end ||
            propertyBytes > end - propertiesStart)
            return malformed;
        const std::string name = bytes.substr(at + header, nameLength);
        const size_t propertiesEnd = propertiesStart + static_cast<size_t>(propertyBytes);
        const std::string parent = open.size() == 1 ? open.back().name : std::string();
        if ((parent == "Objects" && name == "Model") || (parent == "Connections" && name == "C")) {
            std::vector<Property> properties;
            if (!readProperties(bytes, propertiesStart, propertiesEnd, properties))
                return malformed;
            if (name == "Model" && !properties.empty() && properties[0].type == 'L') {
                graph.models.push_back(static_cast<int64_t>(little(bytes, properties[0].at, 8)));
            } else if (name == "C" && properties.size() >= 3 && properties[0].type == 'S' &&
                       bytes.compare(properties[0].at, properties[0].length, "OO") == 0 &&
                       properties[1].type == 'L' && properties[2].type == 'L') {
                graph.links.emplace_back(static_cast<int64_t>(little(bytes, properties[1].at, 8)),
                                         static_cast<int64_t>(little(bytes, properties[2].at, 8)));
            }
        }
        if (propertiesEnd < end) {
            if (end - propertiesEnd < header)
                return malformed;
            if (static_cast<int>(open.size()) + 1 > MaxNesting)
                return nestedTooDeep();
            open.push_back({static_cast<size_t>(end) - header, name});
            at = propertiesEnd;
        } else {
            at = static_cast<size_t>(end);
        }
    }
    return hierarchyProblem(graph);
}

bool isBinary(const std::string& bytes) {
    return bytes.size() >= BinaryHeaderBytes &&
           bytes.compare(0, sizeof BinarySignature - 1, BinarySignature) == 0;
}

} // namespace

bool looksLikeFbx(const std::string& bytes) {
    if (isBinary(bytes))
        return true;
    const std::string start = bytes.substr(0, 1024);
    return start.find("FBXHeaderExtension") != std::string::npos ||
           start.find("; FBX ") != std::string::npos;
}

std::string problem(const std::string& bytes) {
    return isBinary(bytes) ? binaryProblem(bytes) : asciiProblem(bytes);
}

} // namespace fbxcheck

} // namespace brindlemox::render
