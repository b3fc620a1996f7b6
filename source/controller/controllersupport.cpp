#include "controller/controllersupport.h"

#include "text/utf.h"

#include <cstddef>

namespace kelvane::vst {

namespace {

using Steinberg::Vst::TChar;

constexpr std::size_t maxUnits = 127;

} // namespace

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

} // namespace kelvane::vst
