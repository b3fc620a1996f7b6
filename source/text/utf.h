#pragma once

// UTF-8 to UTF-16 for the texts the plug-in hands to hosts and to GDI+. Header-only, so that the
// SDK stand-ins can use it without linking the product library.

#include <cstddef>

namespace kelvane::text {

// No character decodes to this value: pass it as the replacement to tell malformed input apart.
inline constexpr char32_t invalidUtf8 = 0xFFFFFFFFu;

// Decodes the sequence at text[i] (i < length) and advances i past it. Malformed input (a stray
// continuation byte, a truncated or overlong sequence, an encoded surrogate, a value above
// U+10FFFF) gives replacement and consumes one byte, so decoding always moves on.
inline char32_t decodeUtf8(const char* text, std::size_t length, std::size_t& i,
                           char32_t replacement = 0xFFFD) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80u) {
        ++i;
        return lead;
    } else if ((lead & 0xE0u) == 0xC0u) {
        extra = 1;
        value = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0u) == 0xE0u) {
        extra = 2;
        value = lead & 0x0Fu;
        minimum = 0x800;
    } else if ((lead & 0xF8u) == 0xF0u) {
        extra = 3;
        value = lead & 0x07u;
        minimum = 0x10000;
    } else {
        ++i;
        return replacement;
    }
    if (i + extra >= length) {
        ++i;
        return replacement;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0u) != 0x80u) {
            ++i;
            return replacement;
        }
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++i;
        return replacement;
    }
    i += extra + 1;
    return value;
}

// Writes point (at most U+10FFFF) at out as one UTF-16 unit or as a surrogate pair, and returns
// the number of units written.
template <typename Unit>
std::size_t encodeUtf16(char32_t point, Unit* out) {
    if (point < 0x10000) {
        out[0] = static_cast<Unit>(point);
        return 1;
    }
    const char32_t offset = point - 0x10000;
    out[0] = static_cast<Unit>(0xD800 + (offset >> 10));
    out[1] = static_cast<Unit>(0xDC00 + (offset & 0x3FF));
    return 2;
}

// Converts length bytes of UTF-8 into at most maxUnits UTF-16 units at out, never splitting a
// surrogate pair, and returns the number of units written; the caller terminates the text.
// Unit is the platform's 16-bit character type (char16_t, or wchar_t on Windows).
template <typename Unit>
std::size_t utf8ToUtf16(const char* text, std::size_t length, Unit* out, std::size_t maxUnits,
                        char32_t replacement = 0xFFFD) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < length;) {
        const char32_t point = decodeUtf8(text, length, i, replacement);
        if (units + (point < 0x10000 ? 1 : 2) > maxUnits) {
            break;
        }
        units += encodeUtf16(point, out + units);
    }
    return units;
}

} // namespace kelvane::text
