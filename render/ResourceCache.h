#pragma once

#include "render/ShaderLoader.h"
#include "render/ShaderProgram.h"
#include "render/Texture.h"

#include <any>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace brindlemox::render {

// The shader files of one program, in the order they are attached, and the transform-feedback
// varyings declared before the link (none for drawing programs).
struct ProgramFiles {
    std::vector<std::pair<std::string, int>> stages; // path, ShaderStage
    std::vector<std::string> feedbackVaryings;

    std::string key() const;
};

// Hands out the game's shared resources: each distinct program (by its stage files), image (by
// path) and resource of another kind (by its kind and key: models, glyph atlases, the effects'
// noise and random textures) is built once, on its first request, and then shared by everyone who
// asks, as a shared owner. The cache builds programs and images itself; a resource of another kind
// is made by the maker its requester gives (shared), so the cache stores and shares without
// knowing how a model or a glyph atlas is made. The cache itself only remembers what is alive: a
// resource is freed with its last user. What loading prints (progress lines, failures) is printed
// once per distinct load. One cache serves one GL context; the game keeps one for both levels.
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
    // What a read-ahead job read: its value, and the images it names (read after it).
    struct Read {
        std::any value;
        std::vector<std::string> images;
    };
    // Reading for a later request, on the start-up reader: read runs there (no GL, prints
    // nothing), and its value waits under key until takeReadAhead.
    struct ReadJob {
        std::string key;
        std::function<Read()> read;
    };
    // What a level will ask for first: files of other kinds (model files, with the images their
    // materials name; generated textures' texels), other images.
    struct ReadAhead {
        std::vector<ReadJob> reads;
        std::vector<std::string> images;
        // Reading for the layers above (the sounds), done last. Dropped unrun when no thread
        // can be had: each job's owner then reads for itself.
        std::vector<std::function<void()>> jobs;
    };
    // Starts reading and decoding them on a worker thread (nothing is printed, no GL object is
    // made), so that it happens while the window and its context are made. The next request for
    // an image or for what a job read waits for the worker, and whatever was read ahead then only
    // needs its GL objects; what loading prints is printed then, as without reading ahead.
    void readAhead(ReadAhead what);
    // Things read ahead that nobody has asked for yet.
    size_t readAheadUnused();
    // What the job under key read, if it did and nobody took it yet.
    template <class T> std::optional<T> takeReadAhead(const std::string& key) {
        collectReadAhead();
        auto read = readAheadDone.values.find(key);
        if (read == readAheadDone.values.end())
            return std::nullopt;
        std::any value = std::move(read->second);
        readAheadDone.values.erase(read);
        if (T* typed = std::any_cast<T>(&value))
            return std::move(*typed);
        return std::nullopt;
    }

    // A resource of a kind the cache does not build itself, made by make on its first request.
    // kind names the maker (counted apart in built()), key the parameters that make it distinct.
    template <class T>
    std::shared_ptr<const T> shared(const std::string& kind, const std::string& key,
                                    const std::function<std::shared_ptr<const T>()>& make) {
        const std::string tableKey = kind + "/" + key;
        auto found = sharedTable.find(tableKey);
        if (found != sharedTable.end())
            if (std::shared_ptr<const void> alive = found->second.lock())
                return std::static_pointer_cast<const T>(alive);
        std::shared_ptr<const T> made = make();
        sharedTable[tableKey] = made;
        ++counts.made[kind];
        return made;
    }

    // True the first time it is asked about what: for a line said once for the game, not once
    // per resource.
    bool firstTime(const std::string& what) { return saidOnce.insert(what).second; }

    // How many of each were built so far (shader stages: files compiled).
    struct Counts {
        int programs = 0;
        int shaderStages = 0;
        int textures = 0;
        std::map<std::string, int> made; // resources of other kinds, by kind
        int of(const std::string& kind) const {
            auto found = made.find(kind);
            return found != made.end() ? found->second : 0;
        }
    };
    const Counts& built() const { return counts; }

  private:
    template <class T> using Table = std::map<std::string, std::weak_ptr<const T>>;
    // The live resource under key, or a new one from make (counted in count).
    template <class T, class Make>
    std::shared_ptr<const T> find(Table<T>& table, const std::string& key, int& count, Make make);

    Table<ShaderProgram> programs;
    Table<Texture> textures;
    std::map<std::string, std::weak_ptr<const void>> sharedTable;
    struct ReadAheadResult {
        std::map<std::string, std::any> values; // by ReadJob key
        std::map<std::string, Texture::Image> images;
    };
    // Waits for the worker, if one is reading, and keeps what it read in readAheadDone.
    void collectReadAhead();
    std::future<ReadAheadResult> readingAhead;
    ReadAheadResult readAheadDone;
    Counts counts;
    std::set<std::string> saidOnce;
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

} // namespace brindlemox::render
