#pragma once

#include <string>

namespace kelvane::vst {

// UTF-8 to the UTF-16 that GDI+ takes, on every platform: characters beyond U+FFFF become
// surrogate pairs (wchar_t holds UTF-16 units on Linux too). Invalid UTF-8 (stray or missing
// continuation bytes, overlong forms, encoded surrogates, values above U+10FFFF) throws
// std::range_error("bad conversion").
std::wstring toWide(const std::string& utf8);

} // namespace kelvane::vst
