#include "render/ResourceCache.h"

#include "effects/PerlinNoise.h"
#include "effects/RandomTexture.h"
#include "render/Model.h"
#include "render/ShaderLoader.h"
#include "render/TextRenderer.h"
#include "render/Texture.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

std::shared_ptr<const ShaderProgram> ShaderProgram::adopt(GLuint program) {
    auto shared = std::make_shared<ShaderProgram>();
    shared->name.reset(program);
    if (program != 0 && glIsProgram(program) == GL_TRUE) {
        GLint status = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &status);
        shared->linked = status == GL_TRUE;
    }
    return shared;
}

std::string ProgramFiles::key() const {
    std::string key;
    for (const auto& [path, stage] : stages)
        key += std::to_string(stage) + ":" + path + "\n";
    for (const std::string& varying : feedbackVaryings)
        key += "varying:" + varying + "\n";
    return key;
}

ResourceCache::ResourceCache() = default;
ResourceCache::~ResourceCache() = default;

template <class T, class Make>
std::shared_ptr<const T> ResourceCache::find(Table<T>& table, const std::string& key, int& count,
                                             Make make) {
    auto found = table.find(key);
    if (found != table.end())
        if (std::shared_ptr<const T> alive = found->second.lock())
            return alive;
    std::shared_ptr<const T> made = make();
    table[key] = made;
    ++count;
    return made;
}

ProgramRef ResourceCache::program(const ProgramFiles& files) {
    return find(programs, files.key(), counts.programs, [&] {
        ShaderLoader loader;
        loader.createProgram();
        for (const auto& [path, stage] : files.stages) {
            loader.addShader(path, stage);
            ++counts.shaderStages;
        }
        if (!files.feedbackVaryings.empty()) {
            std::vector<const GLchar*> names;
            for (const std::string& varying : files.feedbackVaryings)
                names.push_back(varying.c_str());
            glTransformFeedbackVaryings(loader.getProgram(), static_cast<GLsizei>(names.size()),
                                        names.data(), GL_INTERLEAVED_ATTRIBS);
        }
        loader.linkProgram();
        return ShaderProgram::adopt(loader.getProgram());
    });
}

ProgramRef ResourceCache::program(const std::string& vertexPath, const std::string& fragmentPath) {
    return program(ProgramFiles{{{vertexPath, VertexStage}, {fragmentPath, FragmentStage}}, {}});
}

std::shared_ptr<const Texture> ResourceCache::texture(const std::string& path) {
    return find(textures, path, counts.textures,
                [&] { return std::make_shared<const Texture>(path); });
}

std::shared_ptr<const Model> ResourceCache::model(const std::string& path) {
    return find(models, path, counts.models, [&] {
        for (ModelBatch& batch : modelBatches) {
            if (std::find(batch.paths.begin(), batch.paths.end(), path) == batch.paths.end())
                continue;
            if (batch.reading.valid())
                batch.read = batch.reading.get();
            auto read = batch.read.find(path);
            if (read == batch.read.end())
                break; // asked for once already, and since freed: read it again
            ModelData data = std::move(read->second);
            batch.read.erase(read);
            return std::shared_ptr<const Model>(buildModel(path, std::move(data), this));
        }
        return std::shared_ptr<const Model>(loadModel(path, this));
    });
}

void ResourceCache::prefetchModels(const std::vector<std::string>& paths) {
    // One worker, reading the files in turn: more would only take the processor from the
    // thread making the context.
    ModelBatch batch;
    batch.paths = paths;
    try {
        batch.reading = std::async(std::launch::async, [paths] {
            std::map<std::string, ModelData> read;
            for (const std::string& path : paths)
                read.emplace(path, readModel(path));
            return read;
        });
    } catch (const std::system_error&) {
        return; // no thread to spare: the models are read when they are asked for
    }
    modelBatches.push_back(std::move(batch));
}

size_t ResourceCache::modelsPrefetchedUnused() const {
    size_t unused = 0;
    for (const ModelBatch& batch : modelBatches)
        unused += batch.reading.valid() ? batch.paths.size() : batch.read.size();
    return unused;
}

std::shared_ptr<const PerlinNoise> ResourceCache::noise(unsigned size, unsigned seed) {
    return find(noises, std::to_string(size) + "/" + std::to_string(seed), counts.noises,
                [&] { return std::make_shared<const PerlinNoise>(size, seed); });
}

std::shared_ptr<const RandomTexture> ResourceCache::randomTexture(unsigned size) {
    return find(randomTextures, std::to_string(size), counts.randomTextures,
                [&] { return std::make_shared<const RandomTexture>(size); });
}

std::shared_ptr<const GlyphSet> ResourceCache::glyphs(int pixelSize) {
    return find(glyphSets, std::to_string(pixelSize), counts.glyphSets, [&] {
        auto set = std::make_shared<const GlyphSet>(GlyphSet::FontPath, pixelSize);
        // Said once for the game, not once per size.
        if (set->lacksOutlines() && !reportedNoOutlines) {
            GlyphSet::reportNoOutlines();
            reportedNoOutlines = true;
        }
        return set;
    });
}

CacheOrOwn::CacheOrOwn(ResourceCache* given)
    : own(given != nullptr ? nullptr : std::make_unique<ResourceCache>()),
      cache(given != nullptr ? given : own.get()) {}
