#include "framework/jsonnesting.h"

namespace kelvane::vst {

bool jsonNestingWithin(std::string_view text, std::size_t maxDepth) {
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            break;
        case '[':
        case '{':
            if (++depth > maxDepth) {
                return false;
            }
            break;
        case ']':
        case '}':
            // The closing bracket of the first value ends what the parser will read.
            if (depth == 0 || --depth == 0) {
                return true;
            }
            break;
        default:
            break;
        }
    }
    return true;
}

} // namespace kelvane::vst
