#pragma once

namespace brindlemox::render {

// Vertex attribute locations and texture units shared by the C++ side and the GLSL sources in
// data/Shader. Each shader declares its inputs with layout(location = N) using these numbers.

namespace attrib {
// Model vertices (40-byte interleaved Vertex).
constexpr unsigned Position = 0;
constexpr unsigned TexCoord = 1;      // first texture set in .xy
constexpr unsigned LightMapCoord = 2; // second texture set in .xy; (-99999, -99999) when absent
constexpr unsigned Normal = 3;
// Placement of each drawn copy (entity program): mvp and model matrix as four columns each, and
// alpha, read per instance from the mesh's instance buffer; a single draw reads the one copy placed
// there.
constexpr unsigned InstanceMvp = 4;
constexpr unsigned InstanceModel = 8;
constexpr unsigned InstanceAlpha = 12;
// Particle records (32 bytes): type, position, direction, age.
constexpr unsigned ParticleType = 0;
constexpr unsigned ParticlePosition = 1;
constexpr unsigned ParticleDirection = 2;
constexpr unsigned ParticleAge = 3;
// Billboards and debug lines read location 0 only.
constexpr unsigned BillboardPosition = 0;
constexpr unsigned DebugPosition = 0;
// HUD glyph quads.
constexpr unsigned TextVertex = 0; // xy position, zw the glyph's texture coordinate
constexpr unsigned TextGlyph = 1;  // xy the glyph's bitmap size, z its atlas layer
} // namespace attrib

namespace unit {
constexpr int Material = 0;       // model material textures, wall noise, the HUD glyph atlas
constexpr int SecondTexture = 1;  // the map's Map::SecondImage
constexpr int Reflection = 0;     // water
constexpr int Refraction = 1;     // water
constexpr int Dudv = 2;           // water
constexpr int WaterNormalMap = 3; // water
constexpr int RandomTexture = 0;  // particle update pass
constexpr int Sprite = 0;         // particle draw pass
} // namespace unit

} // namespace brindlemox::render
