#include "gdiplus/linux/utf16.h"

#include <cwctype>

namespace kelvane::gdiplus {

namespace {

constexpr char32_t replacement = 0xFFFD;

bool isHigh(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

bool isLow(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

void appendUtf16(std::wstring& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out.push_back(wchar_t(0xD800 + (c >> 10)));
        out.push_back(wchar_t(0xDC00 + (c & 0x3FF)));
    } else {
        out.push_back(wchar_t(c));
    }
}

} // namespace

std::u32string decodeUtf16(const WCHAR* text, INT length) {
    std::u32string out;
    if (text == nullptr)
        return out;
    std::size_t n = 0;
    if (length < 0)
        while (text[n] != 0)
            ++n;
    else
        n = std::size_t(length);
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t u = char32_t(text[i]) & 0xFFFF;
        if (isHigh(u) && i + 1 < n && isLow(char32_t(text[i + 1]) & 0xFFFF)) {
            const char32_t low = char32_t(text[i + 1]) & 0xFFFF;
            out.push_back(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
            ++i;
        } else if (isHigh(u) || isLow(u)) {
            out.push_back(replacement);
        } else {
            out.push_back(u);
        }
    }
    return out;
}

std::string utf8FromUtf16(const WCHAR* text) {
    std::string out;
    for (char32_t c : decodeUtf16(text, -1)) {
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::wstring utf16FromUtf8(const std::string& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80    ? 0
                          : lead >= 0xF0 ? 3
                          : lead >= 0xE0 ? 2
                          : lead >= 0xC0 ? 1
                                         : -1;
        if (extra < 0 || i + std::size_t(extra) >= text.size()) {
            out.push_back(wchar_t(replacement));
            ++i;
            continue;
        }
        char32_t c = extra == 0 ? lead : char32_t(lead & (0x3F >> extra));
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + std::size_t(k)]);
            valid = valid && (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            out.push_back(wchar_t(replacement));
            ++i;
            continue;
        }
        appendUtf16(out, c);
        i += std::size_t(extra) + 1;
    }
    return out;
}

std::wstring utf16FromCodePoints(const std::u32string& text) {
    std::wstring out;
    for (char32_t c : text)
        appendUtf16(out, c);
    return out;
}

bool sameFamilyName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::towlower(std::wint_t(a[i])) != std::towlower(std::wint_t(b[i])))
            return false;
    return true;
}

} // namespace kelvane::gdiplus
