#include "levels/Level.h"

#include <GL/glew.h>

Level::Level(GLFWwindow* window, const Config* config)
    : window(window), config(config), camera(std::make_unique<Camera>()),
      controls(std::make_unique<Controls>(window, config)) {}

void Level::update() {
    controls->updateTime();
}

void Level::applyPolygonMode() {
    glPolygonMode(GL_FRONT_AND_BACK, controls->isWireframe() ? GL_LINE : GL_FILL);
}

void Level::stepPhysics() {
    controls->applyMouseLook(*camera);
    camera->setPosition(camera->getPosition() + controls->getMovement());
    camera->updateFrustum();
}
