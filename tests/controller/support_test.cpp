#include "controller/controllersupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace {

using Steinberg::Vst::String128;

std::u16string converted(const std::string& utf8) {
    String128 out;
    std::fill(std::begin(out), std::end(out), Steinberg::Vst::TChar(0x7777));
    kelvane::vst::copyUtf8(utf8, out);
    return std::u16string(reinterpret_cast<const char16_t*>(out));
}

TEST(ControllerText, Utf8BecomesUtf16CutTo127UnitsWithoutSplittingAPair) {
    EXPECT_EQ(converted("Time Pan"), u"Time Pan");
    EXPECT_EQ(converted("Pan \xC3\xA9\xE2\x82\xAC"), u"Pan \u00E9\u20AC");
    EXPECT_EQ(converted("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(converted(std::string(200, 'a')), std::u16string(127, u'a'));
    EXPECT_EQ(converted(std::string(126, 'a') + "\xF0\x9F\x98\x80"), std::u16string(126, u'a'));
    EXPECT_EQ(converted(std::string(125, 'a') + "\xF0\x9F\x98\x80"),
              std::u16string(125, u'a') + u"\U0001F600");
}

TEST(ControllerText, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(converted("a\xFF"
                        "b"),
              u"a\uFFFDb");
    EXPECT_EQ(converted("\xC0\x80"), u"\uFFFD\uFFFD");           // overlong zero
    EXPECT_EQ(converted("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // encoded surrogate
    EXPECT_EQ(converted("\xE2\x82"), u"\uFFFD\uFFFD");           // cut short
}

TEST(ControllerText, AsciiCopyStopsAt127Units) {
    String128 out;
    kelvane::vst::copyAscii(std::string(300, 'x'), out);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out)), std::u16string(127, u'x'));
}

} // namespace
