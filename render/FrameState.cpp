#include "render/FrameState.h"

namespace brindlemox::render {

namespace framestate {

void setWireframe(bool wireframe) {
    glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
}

void endLevelFrame() {
    glDisable(GL_DEPTH_TEST);
}

OnePixel::OnePixel() {
    glGetIntegerv(GL_SCISSOR_BOX, box);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
}

OnePixel::~OnePixel() {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    glScissor(box[0], box[1], box[2], box[3]);
}

FilledFaces::FilledFaces() {
    glGetIntegerv(GL_POLYGON_MODE, mode);
    if (mode[0] != GL_FILL)
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

FilledFaces::~FilledFaces() {
    if (mode[0] != GL_FILL)
        glPolygonMode(GL_FRONT_AND_BACK, static_cast<GLenum>(mode[0]));
}

} // namespace framestate

} // namespace brindlemox::render
