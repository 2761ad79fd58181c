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
    // The line saying the last volume value could not be used as given, for the game to print
    // (the reader itself prints nothing); empty when it was usable.
    std::string volumeComplaint;

    // Updates the fields named in the file and leaves the rest; a missing file changes nothing,
    // and so does anything but a regular file of at most 64 KiB. Nothing is ever reported; a
    // volume it cannot use as given is noted in volumeComplaint.
    void read(const std::string& path);
    // The same for text already in memory (what read does with the file's contents). A UTF-8
    // byte order mark at the start is skipped.
    void parse(const std::string& text);
};

// A decimal integer the way the game reads numbers: leading white space, an optional sign, digits
// up to the first other character; no digits give 0. Values beyond the int range saturate.
int parseConfigInt(const std::string& value);

// The line that says a config volume value was replaced by used.
std::string volumeLine(const std::string& value, int used);
