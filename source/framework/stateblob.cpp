#include "framework/stateblob.h"

#include "framework/jsonnesting.h"

#include <algorithm>
#include <cmath>

namespace kelvane::vst {

namespace {

using Steinberg::int32;
using Steinberg::kResultOk;

// The text is read in steps of this size so that a length prefix promising more bytes than
// the stream holds costs no more memory than the stream actually delivers.
constexpr std::uint32_t readStep = 4096;

bool readExactly(Steinberg::IBStream* stream, void* buffer, int32 size) {
    int32 got = 0;
    return stream->read(buffer, size, &got) == kResultOk && got == size;
}

bool writeExactly(Steinberg::IBStream* stream, const void* buffer, int32 size) {
    int32 written = 0;
    return stream->write(const_cast<void*>(buffer), size, &written) == kResultOk && written == size;
}

} // namespace

bool readStateText(Steinberg::IBStream* stream, std::string& text) {
    if (stream == nullptr) {
        return false;
    }
    unsigned char prefix[4] = {};
    if (!readExactly(stream, prefix, 4)) {
        return false;
    }
    const std::uint32_t length = std::uint32_t(prefix[0]) | std::uint32_t(prefix[1]) << 8 |
                                 std::uint32_t(prefix[2]) << 16 | std::uint32_t(prefix[3]) << 24;
    if (length > maxStateTextLength) {
        return false;
    }
    std::string result;
    while (result.size() < length) {
        const std::size_t done = result.size();
        const std::uint32_t step = std::min<std::uint32_t>(readStep, length - std::uint32_t(done));
        result.resize(done + step);
        if (!readExactly(stream, &result[done], int32(step))) {
            return false;
        }
    }
    text = std::move(result);
    return true;
}

bool readStateObject(Steinberg::IBStream* stream, picojson::object& object) {
    std::string text;
    if (!readStateText(stream, text)) {
        return false;
    }
    // This product writes one flat object; deep nesting is refused before the recursive
    // parser could exhaust the stack.
    if (!jsonNestingWithin(text)) {
        return false;
    }
    picojson::value document;
    std::string error;
    // Text after the first complete value is ignored.
    picojson::parse(document, text.begin(), text.end(), &error);
    if (!error.empty() || !document.is<picojson::object>()) {
        return false;
    }
    object = std::move(document.get<picojson::object>());
    return true;
}

bool writeStateText(Steinberg::IBStream* stream, const std::string& text) {
    if (stream == nullptr || text.size() > maxStateTextLength) {
        return false;
    }
    const auto length = std::uint32_t(text.size());
    const unsigned char prefix[4] = {
        static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
        static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
    return writeExactly(stream, prefix, 4) && writeExactly(stream, text.data(), int32(length));
}

std::string serializeState(const picojson::object& object) {
    return picojson::value(object).serialize(false);
}

double stateNumber(const picojson::object& object, const std::string& key, double fallback) {
    const auto member = object.find(key);
    if (member == object.end() || !member->second.is<double>()) {
        return fallback;
    }
    return member->second.get<double>();
}

double storableNumber(double value) {
    if (std::isnan(value)) {
        return 1.0;
    }
    if (std::isinf(value)) {
        return value > 0.0 ? 1.0 : 0.0;
    }
    return value;
}

} // namespace kelvane::vst
