#include "public.sdk/source/vst/vst2wrapper/vst2text.h"

#include "text/utf.h"

#include <cstring>

namespace Steinberg {
namespace Vst {
namespace Vst2Text {

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0u) == 0x80u;
}

// Appends the UTF-8 form of codePoint if it fits within maxLength; false when it does not.
bool append(char* dst, size_t& length, size_t maxLength, uint32 codePoint) {
    unsigned char bytes[4];
    size_t count = 0;
    if (codePoint < 0x80u) {
        bytes[count++] = static_cast<unsigned char>(codePoint);
    } else if (codePoint < 0x800u) {
        bytes[count++] = static_cast<unsigned char>(0xC0u | (codePoint >> 6));
        bytes[count++] = static_cast<unsigned char>(0x80u | (codePoint & 0x3Fu));
    } else if (codePoint < 0x10000u) {
        bytes[count++] = static_cast<unsigned char>(0xE0u | (codePoint >> 12));
        bytes[count++] = static_cast<unsigned char>(0x80u | ((codePoint >> 6) & 0x3Fu));
        bytes[count++] = static_cast<unsigned char>(0x80u | (codePoint & 0x3Fu));
    } else {
        bytes[count++] = static_cast<unsigned char>(0xF0u | (codePoint >> 18));
        bytes[count++] = static_cast<unsigned char>(0x80u | ((codePoint >> 12) & 0x3Fu));
        bytes[count++] = static_cast<unsigned char>(0x80u | ((codePoint >> 6) & 0x3Fu));
        bytes[count++] = static_cast<unsigned char>(0x80u | (codePoint & 0x3Fu));
    }
    if (length + count > maxLength) {
        return false;
    }
    std::memcpy(dst + length, bytes, count);
    length += count;
    return true;
}

} // namespace

void copyUtf8(const char* src, char* dst, size_t maxLength) {
    if (!dst) {
        return;
    }
    size_t length = 0;
    if (src) {
        while (length <= maxLength && src[length] != 0) {
            ++length;
        }
        if (length > maxLength) {
            // Cut in front of the character that would not fit whole.
            length = maxLength;
            while (length > 0 && isContinuation(static_cast<unsigned char>(src[length]))) {
                --length;
            }
        }
        std::memcpy(dst, src, length);
    }
    dst[length] = 0;
}

void copyUtf16(const char16* src, char* dst, size_t maxLength) {
    if (!dst) {
        return;
    }
    size_t length = 0;
    for (size_t i = 0; src && src[i] != 0; ++i) {
        uint32 unit = static_cast<uint16>(src[i]);
        uint32 codePoint = unit;
        if (unit >= 0xD800u && unit < 0xDC00u) {
            const uint32 next = static_cast<uint16>(src[i + 1]);
            if (next >= 0xDC00u && next < 0xE000u) {
                codePoint = 0x10000u + ((unit - 0xD800u) << 10) + (next - 0xDC00u);
                ++i;
            } else {
                codePoint = '?';
            }
        } else if (unit >= 0xDC00u && unit < 0xE000u) {
            codePoint = '?';
        }
        if (!append(dst, length, maxLength, codePoint)) {
            break;
        }
    }
    dst[length] = 0;
}

void toUtf16(const char* src, char16* dst, size_t capacity) {
    if (!dst || capacity == 0) {
        return;
    }
    const char* text = src ? src : "";
    dst[kelvane::text::utf8ToUtf16(text, std::strlen(text), dst, capacity - 1, '?')] = 0;
}

int32 versionNumber(const char* text) {
    if (!text || *text < '0' || *text > '9') {
        return 0;
    }
    static constexpr int32 weights[4] = {1000, 100, 10, 1};
    int32 result = 0;
    const char* p = text;
    for (int part = 0; part < 4; ++part) {
        int32 value = 0;
        bool digits = false;
        while (*p >= '0' && *p <= '9') {
            digits = true;
            if (value < 100000) {
                value = value * 10 + (*p - '0');
            }
            ++p;
        }
        if (!digits) {
            break;
        }
        if (part > 0 && value > 9) {
            value = 9;
        }
        result += value * weights[part];
        if (*p != '.') {
            break;
        }
        ++p;
    }
    return result;
}

} // namespace Vst2Text
} // namespace Vst
} // namespace Steinberg
