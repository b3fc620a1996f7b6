#pragma once

#include <cstddef>
#include <string_view>

namespace kelvane::vst {

// The deepest nesting of arrays and objects that the plug-in accepts in any JSON text it
// parses. picojson parses by recursion, one level of the machine stack per level of nesting
// (and limits only arrays), so text from outside the module is measured first. The plug-in's
// own documents stay far below: a state blob is one object, the editor layout six levels.
constexpr std::size_t maxJsonNesting = 16;

// Whether the first JSON value in text nests arrays and objects no deeper than maxDepth. A
// linear scan that counts brackets outside strings; it does not check the syntax, which is the
// parser's job, and what follows the first value is not looked at, as the parser ignores it.
bool jsonNestingWithin(std::string_view text, std::size_t maxDepth = maxJsonNesting);

} // namespace kelvane::vst
