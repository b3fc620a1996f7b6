#include "controller/controllersupport.h"

#include "text/utf.h"

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

} // namespace

bool sameMessageId(Steinberg::FIDString id, const char* expected) {
    return id != nullptr && expected != nullptr && std::strcmp(id, expected) == 0;
}

void copyUtf8(const std::string& text, Steinberg::Vst::String128 out) {
    out[kelvane::text::utf8ToUtf16(text.data(), text.size(), out, maxUnits)] = 0;
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
