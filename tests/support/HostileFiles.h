#pragma once

// Small files that cost a careless reader a lot: a font whose glyphs are far larger than the
// requested size, images larger than any texture, FBX files whose node graph loops or runs very
// deep, a shader with one enormous expression. Written from scratch, byte by byte, so the tests
// depend on nothing but the description of each format.

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace hostile {

namespace detail {

inline void put16(std::string& out, unsigned value) {
    out += static_cast<char>((value >> 8) & 0xff);
    out += static_cast<char>(value & 0xff);
}

inline void put32(std::string& out, uint32_t value) {
    put16(out, value >> 16);
    put16(out, value & 0xffff);
}

inline void putLittle(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xff);
}

inline uint32_t tableChecksum(const std::string& table) {
    uint32_t sum = 0;
    for (size_t i = 0; i < table.size(); i += 4) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4; ++k)
            word = (word << 8) | (i + k < table.size() ? static_cast<uint8_t>(table[i + k]) : 0);
        sum += word;
    }
    return sum;
}

} // namespace detail

// A TrueType font (a few hundred bytes) whose printable ASCII characters all map to one square
// glyph of squareUnits font units on a unitsPerEm em; squareUnits 0 gives glyphs without
// outlines. At pixel size p the square is squareUnits / unitsPerEm * p pixels wide.
inline std::string trueTypeFont(int unitsPerEm, int squareUnits) {
    using namespace detail;
    const int glyphCount = 2; // .notdef (empty) and the square
    std::string glyf;
    if (squareUnits > 0) {
        const int s = squareUnits;
        put16(glyf, 1); // one contour
        put16(glyf, 0);
        put16(glyf, 0);
        put16(glyf, s);
        put16(glyf, s);
        put16(glyf, 3); // last point of the contour
        put16(glyf, 0); // no instructions
        for (int i = 0; i < 4; ++i)
            glyf += '\x01'; // on the curve, both coordinates as 16-bit deltas
        for (int dx : {0, 0, s, 0})
            put16(glyf, static_cast<unsigned>(dx) & 0xffff);
        for (int dy : {0, s, 0, -s})
            put16(glyf, static_cast<unsigned>(dy) & 0xffff);
    }
    std::string loca;
    put16(loca, 0);
    put16(loca, 0);
    put16(loca, static_cast<unsigned>(glyf.size() / 2));

    std::string head;
    put32(head, 0x00010000);
    put32(head, 0x00010000);
    put32(head, 0);          // checksum adjustment, not checked by readers
    put32(head, 0x5F0F3CF5); // magic
    put16(head, 3);
    put16(head, static_cast<unsigned>(unitsPerEm));
    head += std::string(16, '\0'); // created, modified
    for (int v : {0, 0, squareUnits, squareUnits})
        put16(head, static_cast<unsigned>(v));
    put16(head, 0); // mac style
    put16(head, 8); // smallest readable size
    put16(head, 2); // direction hint
    put16(head, 0); // short loca offsets
    put16(head, 0);

    std::string hhea;
    put32(hhea, 0x00010000);
    put16(hhea, static_cast<unsigned>(unitsPerEm));      // ascender
    put16(hhea, 0);                                      // descender
    put16(hhea, 0);                                      // line gap
    put16(hhea, static_cast<unsigned>(squareUnits + 1)); // widest advance
    for (int i = 0; i < 3; ++i)
        put16(hhea, 0);
    put16(hhea, 1); // caret slope rise
    for (int i = 0; i < 6; ++i)
        put16(hhea, 0);
    put16(hhea, 0); // metric data format
    put16(hhea, glyphCount);

    std::string maxp;
    put32(maxp, 0x00010000);
    put16(maxp, glyphCount);
    put16(maxp, 4); // points
    put16(maxp, 1); // contours
    put16(maxp, 0);
    put16(maxp, 0);
    put16(maxp, 2); // zones
    for (int i = 0; i < 8; ++i)
        put16(maxp, 0);

    std::string hmtx;
    put16(hmtx, static_cast<unsigned>(unitsPerEm / 2));
    put16(hmtx, 0);
    put16(hmtx, static_cast<unsigned>(squareUnits + 1));
    put16(hmtx, 0);

    // Windows Unicode map, format 4: codes 33..126 through the glyph id array, all to glyph 1.
    std::string map;
    put16(map, 4);
    put16(map, 14 + 18 + 2 * 94);
    put16(map, 0);
    put16(map, 4); // two segments
    put16(map, 4);
    put16(map, 1);
    put16(map, 0);
    put16(map, 126);
    put16(map, 0xffff);
    put16(map, 0);
    put16(map, 33);
    put16(map, 0xffff);
    put16(map, 0);
    put16(map, 1);
    put16(map, 4); // from this entry to the glyph id array
    put16(map, 0);
    for (int c = 33; c <= 126; ++c)
        put16(map, 1);
    std::string cmap;
    put16(cmap, 0);
    put16(cmap, 1);
    put16(cmap, 3);
    put16(cmap, 1);
    put32(cmap, 12);
    cmap += map;

    const std::vector<std::pair<std::string, std::string*>> tables = {
        {"cmap", &cmap}, {"glyf", &glyf}, {"head", &head}, {"hhea", &hhea},
        {"hmtx", &hmtx}, {"loca", &loca}, {"maxp", &maxp}};
    std::string font;
    put32(font, 0x00010000);
    put16(font, static_cast<unsigned>(tables.size()));
    put16(font, 64); // search range for 7 tables
    put16(font, 2);
    put16(font, static_cast<unsigned>(tables.size() * 16 - 64));
    uint32_t offset = static_cast<uint32_t>(12 + 16 * tables.size());
    std::string body;
    for (const auto& [tag, table] : tables) {
        font += tag;
        put32(font, tableChecksum(*table));
        put32(font, offset);
        put32(font, static_cast<uint32_t>(table->size()));
        std::string padded = *table;
        padded.resize((padded.size() + 3) / 4 * 4, '\0');
        body += padded;
        offset += static_cast<uint32_t>(padded.size());
    }
    return font + body;
}

// Writes a black RGB PNG of width x height, compressing one row at a time, so even an image of
// billions of pixels costs this writer only a row of memory (and the file stays small).
inline bool writeBlackPng(const std::string& path, uint32_t width, uint32_t height) {
    using namespace detail;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    auto chunk = [&file](const char* type, const std::string& data) {
        std::string out;
        put32(out, static_cast<uint32_t>(data.size()));
        const std::string typed = std::string(type, 4) + data;
        out += typed;
        put32(out, static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(typed.data()),
                                               static_cast<uInt>(typed.size()))));
        file << out;
    };
    file << std::string("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    put32(header, width);
    put32(header, height);
    header +=
        std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace
    chunk("IHDR", header);

    z_stream zs{};
    if (deflateInit(&zs, Z_BEST_COMPRESSION) != Z_OK)
        return false;
    std::vector<unsigned char> row(1 + static_cast<size_t>(width) * 3, 0);
    std::string compressed;
    std::vector<unsigned char> out(1 << 16);
    for (uint32_t y = 0; y <= height; ++y) {
        const bool last = y == height;
        zs.next_in = last ? nullptr : row.data();
        zs.avail_in = last ? 0 : static_cast<uInt>(row.size());
        int status = Z_OK;
        do {
            zs.next_out = out.data();
            zs.avail_out = static_cast<uInt>(out.size());
            status = deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
            compressed.append(reinterpret_cast<char*>(out.data()), out.size() - zs.avail_out);
        } while (zs.avail_out == 0 || (last && status != Z_STREAM_END));
    }
    deflateEnd(&zs);
    chunk("IDAT", compressed);
    chunk("IEND", "");
    return static_cast<bool>(file);
}

// One record of a binary FBX file: a name, its properties already encoded, nested records.
struct FbxRecord {
    explicit FbxRecord(std::string recordName) : name(std::move(recordName)) {}

    std::string name;
    std::string properties;
    int propertyCount = 0;
    std::vector<FbxRecord> children;

    FbxRecord& integer(int32_t value) {
        properties += 'I';
        detail::putLittle(properties, static_cast<uint32_t>(value), 4);
        ++propertyCount;
        return *this;
    }
    FbxRecord& id(int64_t value) {
        properties += 'L';
        detail::putLittle(properties, static_cast<uint64_t>(value), 8);
        ++propertyCount;
        return *this;
    }
    FbxRecord& text(const std::string& value) {
        properties += 'S';
        detail::putLittle(properties, value.size(), 4);
        properties += value;
        ++propertyCount;
        return *this;
    }
    FbxRecord& add(FbxRecord child) {
        children.push_back(std::move(child));
        return *this;
    }
};

namespace detail {

inline void writeRecords(std::string& out, const std::vector<FbxRecord>& records, bool wide) {
    const int width = wide ? 8 : 4;
    for (const FbxRecord& record : records) {
        const size_t start = out.size();
        out += std::string(static_cast<size_t>(3 * width), '\0'); // filled in below
        out += static_cast<char>(record.name.size());
        out += record.name;
        out += record.properties;
        if (!record.children.empty()) {
            writeRecords(out, record.children, wide);
            out += std::string(static_cast<size_t>(3 * width + 1), '\0');
        }
        std::string header;
        putLittle(header, out.size(), width);
        putLittle(header, static_cast<uint64_t>(record.propertyCount), width);
        putLittle(header, record.properties.size(), width);
        out.replace(start, header.size(), header);
    }
}

} // namespace detail

// A binary FBX file of the given version (7500 and later use 64-bit record headers).
inline std::string binaryFbx(const std::vector<FbxRecord>& records, uint32_t version) {
    std::string out("Kaydara FBX Binary  \0\x1a\0", 23);
    detail::putLittle(out, version, 4);
    detail::writeRecords(out, records, version >= 7500);
    out += std::string(version >= 7500 ? 25 : 13, '\0');
    return out;
}

// A binary FBX scene of null models with the given ids and object-to-object connections
// (child, parent; parent 0 is the scene root).
inline std::string binaryFbxModels(const std::vector<int64_t>& models,
                                   const std::vector<std::pair<int64_t, int64_t>>& connections,
                                   uint32_t version) {
    FbxRecord header{"FBXHeaderExtension"};
    header.add(FbxRecord{"FBXHeaderVersion"}.integer(1003));
    header.add(FbxRecord{"FBXVersion"}.integer(static_cast<int32_t>(version)));
    FbxRecord objects{"Objects"};
    for (int64_t model : models)
        objects.add(FbxRecord{"Model"}
                        .id(model)
                        .text("Model::node" + std::to_string(model))
                        .text("Null")
                        .add(FbxRecord{"Version"}.integer(232)));
    FbxRecord links{"Connections"};
    for (const auto& [child, parent] : connections)
        links.add(FbxRecord{"C"}.text("OO").id(child).id(parent));
    return binaryFbx({header, objects, links}, version);
}

// The ASCII FBX text with extra lines: object records before the first model, connections after
// the opening of the connection list.
inline std::string withFbxLines(std::string text, const std::string& objects,
                                const std::string& connections) {
    const size_t model = text.find("\tModel: ");
    const size_t links = text.find("Connections:  {\n");
    if (model == std::string::npos || links == std::string::npos)
        return std::string();
    text.insert(links + 16, connections);
    text.insert(model, objects);
    return text;
}

// The id of the first model of an ASCII FBX text, as written in its record.
inline std::string firstFbxModel(const std::string& text) {
    const size_t model = text.find("\tModel: ");
    if (model == std::string::npos)
        return std::string();
    const size_t start = model + 8;
    return text.substr(start, text.find(',', start) - start);
}

} // namespace hostile
