#include "editor/properties/alignmentproperty.h"

#include <stdexcept>
#include <string>

namespace kelvane::vst {

namespace {

const char* const centerWord = "center";
const char* const nearWord = "near";
const char* const farWord = "far";
const char* const unknownPrefix = "unknown alignment: ";

} // namespace

void AlignmentProperty::load(const picojson::value& value) {
    const std::string& word = value.get<std::string>();
    if (word == centerWord) {
        assign(Gdiplus::StringAlignmentCenter);
    } else if (word == nearWord) {
        assign(Gdiplus::StringAlignmentNear);
    } else if (word == farWord) {
        assign(Gdiplus::StringAlignmentFar);
    } else {
        throw std::logic_error(unknownPrefix + word);
    }
}

double alignmentFactor(Gdiplus::StringAlignment alignment) {
    switch (alignment) {
    case Gdiplus::StringAlignmentCenter:
        return -0.5;
    case Gdiplus::StringAlignmentFar:
        return -1.0;
    default:
        return 0.0;
    }
}

} // namespace kelvane::vst
