#include "controller/controllersupport.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <locale>
#include <sstream>

namespace kelvane::vst {

namespace {

using Steinberg::Vst::TChar;

constexpr std::size_t maxUnits = 127;

// A String128 holds 128 units; a host text that is longer or unterminated is not read past it.
constexpr std::size_t maxTypedUnits = 128;

constexpr char32_t replacement = 0xFFFD;

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0u) == 0x80u;
}

// Decodes the code point at text[i] and advances i; malformed or overlong input gives U+FFFD
// and advances by one byte.
char32_t decodeUtf8(const std::string& text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t point = 0;
    char32_t minimum = 0;
    if (lead < 0x80u) {
        ++i;
        return lead;
    } else if ((lead & 0xE0u) == 0xC0u) {
        length = 2;
        point = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0u) == 0xE0u) {
        length = 3;
        point = lead & 0x0Fu;
        minimum = 0x800;
    } else if ((lead & 0xF8u) == 0xF0u) {
        length = 4;
        point = lead & 0x07u;
        minimum = 0x10000;
    } else {
        ++i;
        return replacement;
    }
    if (i + length > text.size()) {
        ++i;
        return replacement;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + k]);
        if (!isContinuation(byte)) {
            ++i;
            return replacement;
        }
        point = (point << 6) | (byte & 0x3Fu);
    }
    if (point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        ++i;
        return replacement;
    }
    i += length;
    return point;
}

} // namespace

bool sameMessageId(Steinberg::FIDString id, const char* expected) {
    return id != nullptr && expected != nullptr && std::strcmp(id, expected) == 0;
}

void copyUtf8(const std::string& text, Steinberg::Vst::String128 out) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t point = decodeUtf8(text, i);
        if (point < 0x10000) {
            if (units + 1 > maxUnits) {
                break;
            }
            out[units++] = static_cast<TChar>(point);
        } else {
            if (units + 2 > maxUnits) {
                break;
            }
            const char32_t offset = point - 0x10000;
            out[units++] = static_cast<TChar>(0xD800 + (offset >> 10));
            out[units++] = static_cast<TChar>(0xDC00 + (offset & 0x3FF));
        }
    }
    out[units] = 0;
}

void copyAscii(const std::string& text, Steinberg::Vst::String128 out) {
    std::size_t units = 0;
    for (; units < text.size() && units < maxUnits; ++units) {
        out[units] = static_cast<TChar>(static_cast<unsigned char>(text[units]));
    }
    out[units] = 0;
}

float narrowToFloat(double value) {
    if (value > static_cast<double>(FLT_MAX)) {
        return std::numeric_limits<float>::infinity();
    }
    if (value < -static_cast<double>(FLT_MAX)) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

bool parseTypedValue(const TChar* text, double& value) {
    if (text == nullptr) {
        return false;
    }
    std::string narrow;
    for (std::size_t i = 0; i < maxTypedUnits && text[i] != 0; ++i) {
        const TChar unit = text[i];
        // A character outside ASCII cannot belong to the number; it ends it like any other.
        narrow.push_back(unit == ',' ? '.' : (unit < 0x80 ? static_cast<char>(unit) : '?'));
    }
    std::istringstream stream(narrow);
    stream.imbue(std::locale::classic());
    double parsed = 0.0;
    stream >> parsed;
    if (stream.fail() || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace kelvane::vst
