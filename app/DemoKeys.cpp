#include "app/DemoKeys.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

namespace brindlemox::app {

namespace demo {

const KeyName PolledKeys[PolledKeyCount] = {
    {GLFW_KEY_W, "W"},         {GLFW_KEY_S, "S"},           {GLFW_KEY_D, "D"}, {GLFW_KEY_A, "A"},
    {GLFW_KEY_SPACE, "Space"}, {GLFW_KEY_ESCAPE, "Escape"}, {GLFW_KEY_E, "E"}, {GLFW_KEY_Q, "Q"}};
const KeyName ToggleKeys[ToggleKeyCount] = {{GLFW_KEY_F2, "F2"},
                                            {GLFW_KEY_F3, "F3"},
                                            {GLFW_KEY_F4, "F4"},
                                            {GLFW_KEY_F6, "F6"},
                                            {GLFW_KEY_F8, "F8"}};

} // namespace demo

} // namespace brindlemox::app
