#pragma once

#include <string>
#include <string_view>

namespace brindlemox::platform {

// Text from outside the game (paths, file contents) as it is echoed to a terminal: control
// characters (C0, DEL, C1) and bytes that are not UTF-8 are shown as \xNN, so a name cannot
// colour the terminal, move its cursor or set its title. Other UTF-8 text is kept as it is.
inline std::string printable(std::string_view text) {
    static const char* Hex = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    const auto escape = [&shown](unsigned char c) {
        shown += "\\x";
        shown += Hex[c >> 4];
        shown += Hex[c & 15];
    };
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f) {
            shown += static_cast<char>(c);
            ++i;
            continue;
        }
        // A whole UTF-8 sequence outside the control ranges is kept.
        const size_t length = c >= 0xc2 && c < 0xe0   ? 2
                              : c >= 0xe0 && c < 0xf0 ? 3
                              : c >= 0xf0 && c < 0xf5 ? 4
                                                      : 0;
        bool whole = length > 0 && i + length <= text.size();
        for (size_t k = 1; whole && k < length; ++k)
            whole = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
        const bool c1 = length == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0;
        if (whole && !c1) {
            shown.append(text.substr(i, length));
            i += length;
        } else {
            escape(c);
            ++i;
        }
    }
    return shown;
}

} // namespace brindlemox::platform
