#version 330 core

// Physics debug lines in one colour that stands out against the red levels.

out vec4 color;

void main() {
    color = vec4(0.2, 1.0, 0.4, 1.0);
}
