#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace brindlemox::render {

// The smaller levels of textures as this driver made them with glGenerateMipmap, kept between
// runs: the driver builds its downsampling code at every start (tens of milliseconds), reading
// the levels back costs a file read. A level set is found by the driver's name and version, the
// image's size and a hash of its pixels, so what is loaded is exactly what the driver would make.
// The cache is optional: a missing, damaged or unwritable one only means the driver makes the
// levels again. Each entry carries a checksum over its pixels, so a damaged one is made again and
// replaced; the folder is the player's own, like their config, so an entry forged with a
// matching checksum is trusted.
namespace mipcache {

// "$XDG_CACHE_HOME/brindlemox/mipmaps", else "$HOME/.cache/brindlemox/mipmaps"; empty when
// neither variable is set.
std::filesystem::path directory();

// Hash of an image's RGB bytes, for the key.
std::uint64_t hashPixels(const unsigned char* rgb, std::size_t size);

// Fills levels 1 and up of the texture bound to GL_TEXTURE_2D (level 0 is width x height RGB)
// from the cache; false when the cache has no intact entry for it.
bool load(std::uint64_t pixelHash, int width, int height);
// Stores levels 1 and up of the bound texture, made by the driver, for the next run.
void store(std::uint64_t pixelHash, int width, int height);

} // namespace mipcache

} // namespace brindlemox::render
