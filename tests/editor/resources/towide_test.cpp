#include "editor/resources/towide.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using kelvane::vst::toWide;

std::wstring units(std::initializer_list<unsigned> values) {
    std::wstring text;
    for (unsigned value : values) {
        text.push_back(static_cast<wchar_t>(value));
    }
    return text;
}

TEST(ToWide, GivesUtf16UnitsOnEveryPlatform) {
    EXPECT_EQ(toWide(""), std::wstring());
    EXPECT_EQ(toWide("Time pan"), L"Time pan");
    EXPECT_EQ(toWide("\xC3\xA9"), units({0x00E9}));
    // A NUL inside the text is a character like any other.
    EXPECT_EQ(toWide(std::string("a\0b", 3)), units({'a', 0, 'b'}));
    EXPECT_EQ(toWide("\xE2\x86\x94"), units({0x2194}));
    EXPECT_EQ(toWide("\xEF\xBF\xBF"), units({0xFFFF}));
    // Beyond the first plane: a surrogate pair, also where wchar_t has 32 bits.
    EXPECT_EQ(toWide("\xF0\x9F\x98\x80!"), units({0xD83D, 0xDE00, '!'}));
    EXPECT_EQ(toWide("\xF4\x8F\xBF\xBF"), units({0xDBFF, 0xDFFF}));
}

TEST(ToWide, RejectsEveryMalformedSequence) {
    const char* const malformed[] = {
        "\xFF",             // never a UTF-8 byte
        "\x80",             // continuation without a lead
        "a\xC3",            // truncated at the end
        "\xE2\x86",         // truncated three-byte form
        "\xF0\x9F\x98",     // truncated four-byte form
        "\xC3\x41",         // lead followed by a non-continuation
        "\xC0\x80",         // overlong NUL
        "\xE0\x80\xAF",     // overlong '/'
        "\xF0\x82\x82\xAC", // overlong euro sign
        "\xED\xA0\x80",     // high surrogate encoded as a character
        "\xED\xBF\xBF",     // low surrogate encoded as a character
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xF8\x88\x80\x80\x80",
    };
    for (const char* text : malformed) {
        SCOPED_TRACE(testing::PrintToString(std::string(text)));
        try {
            toWide(text);
            ADD_FAILURE() << "no exception";
        } catch (const std::range_error& error) {
            EXPECT_STREQ(error.what(), "bad conversion");
        }
    }
}

} // namespace
