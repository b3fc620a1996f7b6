#include "editor/resources/towide.h"

#include "text/utf.h"

#include <stdexcept>

namespace kelvane::vst {

std::wstring toWide(const std::string& utf8) {
    std::wstring wide;
    wide.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t point = text::decodeUtf8(utf8.data(), utf8.size(), i, text::invalidUtf8);
        if (point == text::invalidUtf8) {
            throw std::range_error("bad conversion");
        }
        wchar_t units[2] = {};
        wide.append(units, text::encodeUtf16(point, units));
    }
    return wide;
}

} // namespace kelvane::vst
