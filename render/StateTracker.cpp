#include "render/StateTracker.h"

#include <glm/gtc/type_ptr.hpp>

namespace brindlemox::render {

void StateTracker::forget() {
    // Whatever draws outside the passes leaves these at their defaults.
    culling = 0;
    depthFunc = GL_LESS;
    current = nullptr;
    vertexArray = Unknown;
    activeUnit = 0;
    textures.fill(Unknown);
    // Uniform values stay known: each program remembers its own (ShaderProgram::set).
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

void StateTracker::activateUnit(int unit) {
    if (activeUnit == static_cast<GLuint>(unit))
        return;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    activeUnit = static_cast<GLuint>(unit);
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
    const Held& held = *current;
    const ShaderProgram& program = *held.program;
    program.set(held.celShading, GLint{state.celShading ? 1 : 0});
    program.set(held.levels, GLint{state.levels});
    program.set(held.plane, state.clipPlane);
    program.set(held.sampler, GLint{samplerUnit});
    program.set(held.eye, state.eye);
}

void StateTracker::setMaterial(const Material& material, int textureUnit) {
    bindTexture(textureUnit, material.texture != nullptr ? material.texture->getName() : 0);
    setMaterialColours(material);
}

void StateTracker::setMaterialColours(const Material& material) {
    const Held& held = *current;
    held.program->set(held.material.ambient, material.ambient);
    held.program->set(held.material.diffuse, material.diffuse);
    held.program->set(held.material.specular, material.specular);
}

void StateTracker::setPlacement(const glm::mat4& mvp, const glm::mat4& model, float alpha) {
    const Held& held = *current;
    held.program->set(held.mvp, mvp);
    held.program->set(held.model, model);
    held.program->set(held.alpha, alpha);
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
    current->program->set(located(name), GLint{value});
}

void StateTracker::setFloat(const std::string& name, float value) {
    current->program->set(located(name), value);
}

} // namespace brindlemox::render
