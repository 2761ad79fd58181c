#pragma once

#include <string>

// The settings read from Config/config.txt: one "key=value" per line. Shared read-only by
// pointer once the game has started.
struct Config {
    int width = 1024;
    int height = 860;
    int refreshRate = 60;
    int brightness = 50;
    // Cel-shading bands; four reads well with the HUD colours when F4 is on.
    int levels = 4;
    bool fullscreen = false;
    float horizontalSensivity = 50.0f;
    // Sound volume, 0 (silent) to 100.
    int volume = 80;

    // Updates the fields named in the file and leaves the rest; a missing file changes nothing,
    // and so does anything but a regular file of at most 64 KiB. Only a volume it cannot use is
    // reported, in one line (see volumeFrom).
    void read(const std::string& path);
    // The same for text already in memory (what read does with the file's contents). A UTF-8
    // byte order mark at the start is skipped.
    void parse(const std::string& text);
};

// A decimal integer the way the game reads numbers: leading white space, an optional sign, digits
// up to the first other character; no digits give 0. Values beyond the int range saturate.
int parseConfigInt(const std::string& value);

// The volume a config value gives: a whole number from 0 to 100 as it is; a number outside the
// range clamped, anything else the default, each with volumeLine saying so on standard output.
int volumeFrom(const std::string& value, int fallback);
std::string volumeLine(const std::string& value, int used);
