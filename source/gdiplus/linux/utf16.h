#pragma once

// Text arrives as UTF-16 code units in WCHAR (wchar_t here, as on Windows); fontconfig and
// file names speak UTF-8.

#include "gdiplus/linux/gdiplustypes.h"

#include <string>

namespace kelvane::gdiplus {

// Code points of the first `length` units (a negative length: up to the terminating zero);
// surrogate pairs combine, lone surrogates become U+FFFD.
std::u32string decodeUtf16(const WCHAR* text, INT length);
std::string utf8FromUtf16(const WCHAR* text);
std::wstring utf16FromUtf8(const std::string& text);
std::wstring utf16FromCodePoints(const std::u32string& text);
// Family names compare as GDI+ compares them: ignoring case, not blanks.
bool sameFamilyName(const std::wstring& a, const std::wstring& b);

} // namespace kelvane::gdiplus
