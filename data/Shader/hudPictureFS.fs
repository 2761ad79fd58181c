#version 330 core

// The colour the first HUD fragment gave this pixel, unblended; alpha below zero where none did.

uniform sampler2D picture;

out vec4 color;

void main() {
    vec4 stored = texelFetch(picture, ivec2(gl_FragCoord.xy), 0);
    if (stored.a < 0.0)
        discard;
    color = stored;
}
