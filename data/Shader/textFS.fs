#version 330 core

// The glyph bitmap's red channel is the coverage of the text colour.

uniform sampler2D text;
uniform vec3 textColor;

in vec2 texCoord;

out vec4 color;

void main() {
    color = vec4(textColor, texture(text, texCoord).r);
}
