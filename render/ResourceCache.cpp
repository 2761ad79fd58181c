#include "render/ResourceCache.h"

#include "render/Semantics.h"
#include "render/ShaderLoader.h"
#include "render/Texture.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace brindlemox::render {

std::shared_ptr<const ShaderProgram> ShaderProgram::adopt(GLuint program) {
    auto shared = std::make_shared<ShaderProgram>();
    shared->name.reset(program);
    if (program != 0 && glIsProgram(program) == GL_TRUE) {
        GLint status = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &status);
        shared->linked = status == GL_TRUE;
        shared->instanced = shared->linked && glGetAttribLocation(program, "mvp") ==
                                                  static_cast<GLint>(attrib::InstanceMvp);
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
    return find(textures, path, counts.textures, [&] {
        collectReadAhead();
        auto read = readAheadDone.images.find(path);
        if (read == readAheadDone.images.end())
            return std::make_shared<const Texture>(path);
        Texture::Image image = std::move(read->second);
        readAheadDone.images.erase(read);
        return std::make_shared<const Texture>(path, std::move(image));
    });
}

void ResourceCache::readAhead(ReadAhead what) {
    collectReadAhead(); // one worker at a time
    try {
        readingAhead = std::async(std::launch::async, [what = std::move(what)] {
            ReadAheadResult result;
            // Any side the pixel bound allows: the driver's limit is checked at the upload.
            const long long anySide = Texture::MaxPixels;
            const auto readImage = [&result, anySide](const std::string& path) {
                if (result.images.count(path) == 0)
                    result.images[path] = Texture::read(path, anySide);
            };
            for (const ReadJob& job : what.reads) {
                Read read = job.read();
                result.values[job.key] = std::move(read.value);
                for (const std::string& path : read.images)
                    readImage(path);
            }
            for (const std::string& path : what.images)
                readImage(path);
            for (const std::function<void()>& job : what.jobs)
                job();
            return result;
        });
    } catch (const std::system_error&) {
        // No thread to spare: everything is read when it is asked for.
    }
}

void ResourceCache::collectReadAhead() {
    if (!readingAhead.valid())
        return;
    ReadAheadResult result = readingAhead.get();
    readAheadDone.values.merge(result.values);
    readAheadDone.images.merge(result.images);
}

size_t ResourceCache::readAheadUnused() {
    collectReadAhead();
    return readAheadDone.values.size() + readAheadDone.images.size();
}

CacheOrOwn::CacheOrOwn(ResourceCache* given)
    : own(given != nullptr ? nullptr : std::make_unique<ResourceCache>()),
      cache(given != nullptr ? given : own.get()) {}

} // namespace brindlemox::render
