#pragma once

#include "render/Model.h"
#include "render/ShaderLoader.h"
#include "render/ShaderProgram.h"
#include "render/Texture.h"

#include <future>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class Model;

class PerlinNoise;
class RandomTexture;
class GlyphSet;

// The shader files of one program, in the order they are attached, and the transform-feedback
// varyings declared before the link (none for drawing programs).
struct ProgramFiles {
    std::vector<std::pair<std::string, int>> stages; // path, ShaderStage
    std::vector<std::string> feedbackVaryings;

    std::string key() const;
};

// Hands out the game's shared resources: each distinct program (by its stage files), image (by
// path), model (by path), noise texture (by size and seed), random texture (by size) and HUD
// glyph set (by pixel size) is built once, on its first request, and then shared by everyone who
// asks, as a shared owner. The cache itself only remembers what is alive: a resource is freed
// with its last user. What loading prints (progress lines, failures) is printed once per distinct
// load. One cache serves one GL context; the game keeps one for both levels.
class ResourceCache {
  public:
    ResourceCache();
    ~ResourceCache();
    ResourceCache(const ResourceCache&) = delete;
    ResourceCache& operator=(const ResourceCache&) = delete;

    ProgramRef program(const ProgramFiles& files);
    // A vertex and a fragment stage, as the shader loader's loadShaders builds them.
    ProgramRef program(const std::string& vertexPath, const std::string& fragmentPath);
    std::shared_ptr<const Texture> texture(const std::string& path);
    std::shared_ptr<const Model> model(const std::string& path);
    // What a level will ask for first: model files (with the images their materials name),
    // other images and noise textures (size, seed).
    struct ReadAhead {
        std::vector<std::string> models;
        std::vector<std::string> images;
        std::vector<std::pair<unsigned, unsigned>> noises;
    };
    // Starts reading and decoding them on a worker thread (nothing is printed, no GL object is
    // made), so that it happens while the window and its context are made. The next request for
    // a model, an image or a noise waits for the worker, and whatever was read ahead then only
    // needs its GL objects; what loading prints is printed then, as without reading ahead.
    void readAhead(ReadAhead what);
    // Things read ahead that nobody has asked for yet.
    size_t readAheadUnused();
    std::shared_ptr<const PerlinNoise> noise(unsigned size, unsigned seed);
    std::shared_ptr<const RandomTexture> randomTexture(unsigned size);
    // "Fonts/hud.ttf" at a pixel size.
    std::shared_ptr<const GlyphSet> glyphs(int pixelSize);

    // How many of each were built so far (shader stages: files compiled).
    struct Counts {
        int programs = 0;
        int shaderStages = 0;
        int textures = 0;
        int models = 0;
        int noises = 0;
        int randomTextures = 0;
        int glyphSets = 0;
    };
    const Counts& built() const { return counts; }

  private:
    template <class T> using Table = std::map<std::string, std::weak_ptr<const T>>;
    // The live resource under key, or a new one from make (counted in count).
    template <class T, class Make>
    std::shared_ptr<const T> find(Table<T>& table, const std::string& key, int& count, Make make);

    Table<ShaderProgram> programs;
    Table<Texture> textures;
    Table<Model> models;
    Table<PerlinNoise> noises;
    Table<RandomTexture> randomTextures;
    Table<GlyphSet> glyphSets;
    struct ReadAheadResult {
        std::map<std::string, ModelData> models;
        std::map<std::string, Texture::Image> images;
        std::map<std::string, std::vector<float>> noises; // by noiseKey
    };
    static std::string noiseKey(unsigned size, unsigned seed);
    // Waits for the worker, if one is reading, and keeps what it read in readAheadDone.
    void collectReadAhead();
    std::future<ReadAheadResult> readingAhead;
    ReadAheadResult readAheadDone;
    Counts counts;
    bool reportedNoOutlines = false;
};

// The cache to load through: the one given, or a private one for a single object (tests, tools).
class CacheOrOwn {
  public:
    explicit CacheOrOwn(ResourceCache* given);
    ResourceCache& operator*() { return *cache; }
    ResourceCache* operator->() { return cache; }

  private:
    std::unique_ptr<ResourceCache> own;
    ResourceCache* cache;
};
