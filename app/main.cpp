#include "app/Game.h"

#include <GLFW/glfw3.h>

// The game takes no arguments; it reads everything relative to the working directory.
int main() {
    {
        Game game;
        game.run();
    }
    glfwTerminate();
    return 0;
}
