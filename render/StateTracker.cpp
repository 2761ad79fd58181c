#include "render/StateTracker.h"

#include <glm/gtc/type_ptr.hpp>

namespace brindlemox::render {

void StateTracker::forget() {
    culling = -1;
    depthFunc = 0;
    current = nullptr;
    vertexArray = Unknown;
    activeUnit = Unknown;
    textures.fill(Unknown);
    // The locations stay right; the values may have been written by someone else.
    for (Held& held : programs)
        held.passKnown = held.materialKnown = false;
}

void StateTracker::useProgram(const ProgramRef& program) {
    if (current != nullptr && current->program == program)
        return;
    glUseProgram(program->get());
    for (Held& held : programs)
        if (held.program == program) {
            current = &held;
            return;
        }
    Held held;
    held.program = program;
    const GLuint name = program->get();
    held.celShading = glGetUniformLocation(name, "isCelShading");
    held.levels = glGetUniformLocation(name, "levels");
    held.plane = glGetUniformLocation(name, "plane");
    held.sampler = glGetUniformLocation(name, "textureSampler");
    held.eye = glGetUniformLocation(name, "cameraPos");
    held.mvp = glGetUniformLocation(name, "mvp");
    held.model = glGetUniformLocation(name, "modelMat");
    held.alpha = glGetUniformLocation(name, "alpha");
    held.material = MaterialLocations::lookUp(name);
    programs.push_back(std::move(held));
    // Pointers into the list are taken again after it grows.
    current = &programs.back();
}

void StateTracker::bindVertexArray(GLuint name) {
    if (vertexArray == name)
        return;
    glBindVertexArray(name);
    vertexArray = name;
}

void StateTracker::bindTexture(int unit, GLuint name) {
    const bool tracked = unit >= 0 && unit < TrackedUnits;
    if (tracked && textures[static_cast<size_t>(unit)] == name)
        return;
    if (activeUnit != static_cast<GLuint>(unit)) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        activeUnit = static_cast<GLuint>(unit);
    }
    glBindTexture(GL_TEXTURE_2D, name);
    if (tracked)
        textures[static_cast<size_t>(unit)] = name;
}

void StateTracker::setCulling(bool on) {
    if (culling == (on ? 1 : 0))
        return;
    if (on)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    culling = on ? 1 : 0;
}

void StateTracker::setDepthFunc(GLenum func) {
    if (depthFunc == func)
        return;
    glDepthFunc(func);
    depthFunc = func;
}

void StateTracker::setPassUniforms(const RenderState& state, int samplerUnit) {
    Held& held = *current;
    if (held.passKnown && held.celShadingValue == state.celShading &&
        held.levelsValue == state.levels && held.planeValue == state.clipPlane &&
        held.samplerValue == samplerUnit && held.eyeValue == state.eye)
        return;
    glUniform1i(held.celShading, state.celShading ? 1 : 0);
    glUniform1i(held.levels, state.levels);
    glUniform4f(held.plane, state.clipPlane.x, state.clipPlane.y, state.clipPlane.z,
                state.clipPlane.w);
    glUniform1i(held.sampler, samplerUnit);
    if (held.eye != -1)
        glUniform3f(held.eye, state.eye.x, state.eye.y, state.eye.z);
    held.eyeValue = state.eye;
    held.celShadingValue = state.celShading;
    held.levelsValue = state.levels;
    held.planeValue = state.clipPlane;
    held.samplerValue = samplerUnit;
    held.passKnown = true;
}

void StateTracker::setMaterial(const Material& material, int textureUnit) {
    bindTexture(textureUnit, material.texture != nullptr ? material.texture->getName() : 0);
    setMaterialColours(material);
}

void StateTracker::setMaterialColours(const Material& material) {
    Held& held = *current;
    if (held.materialKnown && held.ambient == material.ambient &&
        held.diffuse == material.diffuse && held.specular == material.specular)
        return;
    glUniform3f(held.material.ambient, material.ambient.r, material.ambient.g, material.ambient.b);
    glUniform3f(held.material.diffuse, material.diffuse.r, material.diffuse.g, material.diffuse.b);
    glUniform3f(held.material.specular, material.specular.r, material.specular.g,
                material.specular.b);
    held.ambient = material.ambient;
    held.diffuse = material.diffuse;
    held.specular = material.specular;
    held.materialKnown = true;
}

void StateTracker::setPlacement(const glm::mat4& mvp, const glm::mat4& model, float alpha) {
    const Held& held = *current;
    glUniformMatrix4fv(held.mvp, 1, GL_FALSE, glm::value_ptr(mvp));
    glUniformMatrix4fv(held.model, 1, GL_FALSE, glm::value_ptr(model));
    glUniform1f(held.alpha, alpha);
}

GLint StateTracker::located(const std::string& name) {
    Held& held = *current;
    for (const auto& [known, location] : held.named)
        if (known == name)
            return location;
    const GLint location = glGetUniformLocation(held.program->get(), name.c_str());
    held.named.emplace_back(name, location);
    return location;
}

void StateTracker::setInt(const std::string& name, int value) {
    glUniform1i(located(name), value);
}

void StateTracker::setFloat(const std::string& name, float value) {
    glUniform1f(located(name), value);
}

} // namespace brindlemox::render
