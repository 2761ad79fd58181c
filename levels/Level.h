#pragma once

#include "app/Camera.h"
#include "app/Config.h"
#include "app/Controls.h"
#include "levels/LevelInterface.h"

#include <memory>

struct GLFWwindow;

// Base of every level: owns the controls and camera of the level and runs its frames.
class Level : public LevelInterface {
  public:
    Level(GLFWwindow* window, const Config* config);

    bool isFinished() override { return false; }
    bool isLost() override { return lost; }
    void update() override;
    void render() override {}
    glm::mat4 getViewMatrix() override { return camera->getViewMatrix(); }
    void applyPolygonMode() override;
    void restartAfterLoss() override { lost = false; }
    void stepPhysics() override;

  protected:
    bool lost = false;
    GLFWwindow* window = nullptr;
    const Config* config = nullptr;
    std::unique_ptr<Camera> camera;
    std::unique_ptr<Controls> controls;
};
