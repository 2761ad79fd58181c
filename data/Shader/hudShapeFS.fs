#version 330 core

in vec4 shade;

out vec4 color;

void main() {
    color = shade;
}
