#version 330 core

// The glyph bitmap's red channel is the coverage of the text colour. With an outline colour of
// non-zero alpha, a ring of that colour is drawn around the coverage (the quads carry a margin
// outside the bitmap for it), so the line reads over any background.
// The bitmaps are layers of one atlas, each at its layer's corner with a copy of its last column
// and row beside it; the layer's sides are powers of two, so the scaling below is exact and a
// glyph filters as a texture of its own would.

uniform sampler2DArray text;
uniform vec2 layerSize;      // texels of one atlas layer
uniform vec3 textColor;
uniform vec4 outlineColor;  // alpha 0: no outline
uniform float outlineTexels; // outline width in glyph texels

in vec2 texCoord;      // the glyph's own: 0..1 over its bitmap
flat in vec3 bitmap;   // its size in texels and its atlas layer

out vec4 color;

float coverage(vec2 uv) {
    bool inside = all(greaterThanEqual(uv, vec2(0.0))) && all(lessThanEqual(uv, vec2(1.0)));
    return inside ? texture(text, vec3(uv * (bitmap.xy / layerSize), bitmap.z)).r : 0.0;
}

void main() {
    float fill = coverage(texCoord);
    if (outlineColor.a <= 0.0) {
        color = vec4(textColor, fill);
        return;
    }
    vec2 texel = outlineTexels / bitmap.xy;
    float ring = 0.0;
    // Inside a stroke (full coverage) the ring cannot show, and once ring * 1.5 reaches 1 the
    // clamp below keeps it at 1: the rest of the samples could not change the colour.
    for (int i = 0; i < 16 && fill < 1.0 && ring * 1.5 < 1.0; ++i) {
        float angle = float(i) * 0.3926991; // 2 pi / 16
        vec2 direction = vec2(cos(angle), sin(angle));
        ring = max(ring, coverage(texCoord + direction * texel));
        ring = max(ring, coverage(texCoord + direction * texel * 0.5));
    }
    ring = clamp(ring * 1.5, 0.0, 1.0) * outlineColor.a;
    float alpha = fill + ring * (1.0 - fill);
    vec3 rgb = (textColor * fill + outlineColor.rgb * ring * (1.0 - fill)) / max(alpha, 1e-4);
    color = vec4(rgb, alpha);
}
