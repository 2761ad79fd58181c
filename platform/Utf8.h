#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brindlemox::platform {

// UTF-8 text as code points: level titles are counted and drawn by character, not by byte.
namespace utf8 {

// Stands for a byte that starts no well-formed sequence.
constexpr char32_t Replacement = 0xfffd;

// The code point that starts at text[at], advancing at past it; Replacement (advancing one byte)
// when no well-formed sequence starts there: a stray or missing continuation byte, an overlong
// form, a surrogate or a value beyond U+10FFFF.
inline char32_t next(std::string_view text, size_t& at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    const size_t length = lead >= 0xc2 && lead < 0xe0   ? 2
                          : lead >= 0xe0 && lead < 0xf0 ? 3
                          : lead >= 0xf0 && lead < 0xf5 ? 4
                                                        : 0;
    char32_t code = length == 2 ? lead & 0x1f : length == 3 ? lead & 0x0f : lead & 0x07;
    bool whole = length > 0 && at + length <= text.size();
    for (size_t k = 1; whole && k < length; ++k) {
        whole = (byte(at + k) & 0xc0) == 0x80;
        code = (code << 6) | (byte(at + k) & 0x3f);
    }
    const char32_t smallest = length == 3 ? 0x800 : 0x10000;
    if (!whole || (length > 2 && code < smallest) || (code >= 0xd800 && code < 0xe000) ||
        code > 0x10ffff) {
        ++at;
        return Replacement;
    }
    at += length;
    return code;
}

// The code points of text, each byte that starts no well-formed sequence as Replacement.
inline std::u32string decode(std::string_view text) {
    std::u32string codes;
    codes.reserve(text.size());
    for (size_t at = 0; at < text.size();)
        codes += next(text, at);
    return codes;
}

// The code points of text; nothing when it is not well-formed UTF-8.
inline std::optional<std::u32string> decodeStrict(std::string_view text) {
    std::u32string codes;
    codes.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t from = at;
        const char32_t code = next(text, at);
        // A real U+FFFD in the text takes three bytes; a refused byte only one.
        if (code == Replacement && at - from == 1)
            return std::nullopt;
        codes += code;
    }
    return codes;
}

} // namespace utf8

} // namespace brindlemox::platform
