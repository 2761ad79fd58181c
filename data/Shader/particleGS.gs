#version 330 core

// Particle update: one record in, the records of the next generation out.
//
// Record kinds (the "type" field):
//   0  launcher as the game creates it: position = emitter, direction = emission axis.
//   2  running launcher: position is parked far above the level so the draw pass never shows
//      it (x keeps a clock for the random lookups), direction holds the emitter position and
//      age the emission time not yet spent. It lives forever.
//   1  shell: a spark flying from the emitter; it is retired when its age passes SHELL_LIFETIME.
//
// Emission is counted in time, not frames: the launcher emits EMISSION_RATE shells per second
// while "isSpawn" is 1, at most MAX_EMITTED per update. With SHELL_LIFETIME that keeps at most
// EMISSION_RATE * SHELL_LIFETIME + MAX_EMITTED (about 330) shells alive at any frame rate, well
// inside the pool of 4000 records. With deltaTime 0 nothing moves, ages or is emitted.
//
// Uniforms: "launchTime" is the least unspent emission time worth an emission round,
// "fireTime" the age a shell starts with, and "spreadTime" the shells' launch speed in world
// units per second.

layout(points) in;
layout(points, max_vertices = 30) out;

in float type0[];
in vec3 position0[];
in vec3 direction0[];
in float age0[];

out float typeVarying;
out vec3 positionVarying;
out vec3 directionVarying;
out float ageVarying;

uniform int isSpawn;
uniform float deltaTime;
uniform float launchTime;
uniform float fireTime;
uniform float spreadTime;
uniform int randomTextureSize;
uniform float directionParticles;
uniform sampler1D randomTexture;

const float LAUNCHER = 0.0;
const float SHELL = 1.0;
const float RUNNING_LAUNCHER = 2.0;
const float PARK_HEIGHT = 1.0e6;
const float EMISSION_RATE = 250.0;
const int MAX_EMITTED = 24;
const float SHELL_LIFETIME = 1.2;
const float GRAVITY = 2.5;
const float SPREAD = 0.6;

vec3 axisOf(float code) {
    int c = int(code + 0.5);
    if (c == 0)
        return vec3(0.0, 1.0, 0.0);
    if (c == 2)
        return vec3(1.0, 0.0, 0.0);
    if (c == 3)
        return vec3(0.0, 0.0, 1.0);
    return vec3(0.0, -1.0, 0.0);
}

// A vector in (-1, 1)^3, different for every clock value and shell index.
vec3 random(float clock, int index) {
    float size = float(max(randomTextureSize, 1));
    float t = fract(clock * 7.31 + float(index) * 0.618034);
    vec3 a = texture(randomTexture, (floor(t * size) + 0.5) / size).xyz;
    vec3 b = texture(randomTexture, fract(a.x + float(index) * 0.1377 + clock * 0.013)).xyz;
    return fract(a + b) * 2.0 - 1.0;
}

void emit(float type, vec3 position, vec3 direction, float age) {
    typeVarying = type;
    positionVarying = position;
    directionVarying = direction;
    ageVarying = age;
    EmitVertex();
    EndPrimitive();
}

void main() {
    float type = type0[0];

    if (type == SHELL) {
        float age = age0[0] + deltaTime;
        if (age < SHELL_LIFETIME) {
            vec3 velocity = direction0[0] - vec3(0.0, GRAVITY * deltaTime, 0.0);
            emit(SHELL, position0[0] + velocity * deltaTime, velocity, age);
        }
        return;
    }

    // Launchers: either the record the game created, or one already running.
    bool fresh = type == LAUNCHER;
    vec3 emitter = fresh ? position0[0] : direction0[0];
    float clock = fresh ? 0.0 : position0[0].x;
    float pending = fresh ? 0.0 : age0[0];

    clock = mod(clock + deltaTime, 1000.0);
    int count = 0;
    if (isSpawn == 1) {
        pending = min(pending + deltaTime, float(MAX_EMITTED) / EMISSION_RATE);
        if (pending >= launchTime) {
            count = min(int(pending * EMISSION_RATE), MAX_EMITTED);
            pending -= float(count) / EMISSION_RATE;
        }
    } else {
        pending = 0.0;
    }

    emit(RUNNING_LAUNCHER, vec3(clock, PARK_HEIGHT, 0.0), emitter, pending);

    vec3 axis = axisOf(directionParticles);
    for (int i = 0; i < count; ++i) {
        vec3 r = random(clock, i);
        vec3 direction = normalize(axis + r * SPREAD);
        float speed = spreadTime * (0.6 + 0.4 * abs(r.x));
        emit(SHELL, emitter + r * 0.3, direction * speed, fireTime);
    }
}
