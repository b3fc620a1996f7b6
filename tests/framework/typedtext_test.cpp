#include "framework/typedtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using kelvane::vst::TypedText;

bool split(std::u16string text, TypedText& typed) {
    return kelvane::vst::splitTypedText(reinterpret_cast<Steinberg::Vst::TChar*>(&text[0]), typed);
}

TEST(TypedText, SplitsIntoWordNumberWordAndRest) {
    struct Case {
        std::u16string text;
        std::string before;
        bool hasNumber;
        bool signWritten;
        double number;
        std::string after;
        bool rest;
    };
    const Case cases[] = {
        {u"0.25", "", true, false, 0.25, "", false},
        {u"  -50.0 L ", "", true, true, -50.0, "L", false},
        {u"+30R", "", true, true, 30.0, "R", false},
        {u"l 50", "l", true, false, 50.0, "", false},
        {u"L-50,5", "L", true, true, -50.5, "", false},
        {u"\u00A0C\t", "C", false, false, 0.0, "", false},
        {u"On", "On", false, false, 0.0, "", false},
        {u"0.5 dB", "", true, false, 0.5, "dB", false},
        {u"1,000.5", "", true, false, 1.0, "", true},
        {u"50 L x", "", true, false, 50.0, "L", true},
        {u"5%", "", true, false, 5.0, "", true},
        {u"2\u0661", "", true, false, 2.0, "", true}, // foreign text after the number
        {u".5", "", true, false, 0.5, "", false},
        {u"5.", "", true, false, 5.0, "", false},
        {u"-0", "", true, true, 0.0, "", false},
        {u"1e308", "", true, false, 1e308, "", false},
        {u"25E-2", "", true, false, 0.25, "", false},
        {u"5e", "", true, false, 5.0, "e", false}, // no digits: no exponent
        {u"1e-400", "", true, false, 0.0, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        TypedText typed;
        ASSERT_TRUE(split(c.text, typed));
        EXPECT_EQ(typed.before, c.before);
        EXPECT_EQ(typed.hasNumber, c.hasNumber);
        EXPECT_EQ(typed.signWritten, c.signWritten);
        EXPECT_EQ(typed.number, c.number);
        EXPECT_EQ(typed.after, c.after);
        EXPECT_EQ(typed.rest, c.rest);
    }
    TypedText negativeZero;
    ASSERT_TRUE(split(u"-0,0 L", negativeZero));
    EXPECT_TRUE(std::signbit(negativeZero.number));
}

TEST(TypedText, RefusesWhatHoldsNoValue) {
    for (const std::u16string text : {u"", u"   ", u"+", u"-.", u"- 5", u"abc def", u"L-",
                                      u"\u00E9 5", u"\xD800", u"1e999", u"-1e400"}) {
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        TypedText typed;
        typed.before = "kept";
        EXPECT_FALSE(split(text, typed));
        EXPECT_EQ(typed.before, "kept");
    }
    TypedText typed;
    EXPECT_FALSE(kelvane::vst::splitTypedText(nullptr, typed));
    // Never a number: a lone word, which no parameter reads.
    ASSERT_TRUE(split(u"inf", typed));
    EXPECT_FALSE(typed.hasNumber);
    EXPECT_EQ(typed.before, "inf");
}

TEST(TypedText, ReadsNoFurtherThanAString128) {
    std::u16string text(200, u'7');
    text[0] = u'0';
    text[1] = u'.';
    text[128] = u'x'; // past the first 128 units: never seen
    TypedText typed;
    ASSERT_TRUE(split(text, typed));
    EXPECT_FALSE(typed.rest);
    EXPECT_NEAR(typed.number, 0.7777777, 1e-6);
}

TEST(TypedText, WordsCompareWholeAndInAnyCase) {
    EXPECT_TRUE(kelvane::vst::sameWord("oFF", "Off"));
    EXPECT_TRUE(kelvane::vst::sameWord("", ""));
    EXPECT_FALSE(kelvane::vst::sameWord("Of", "Off"));
    EXPECT_FALSE(kelvane::vst::sameWord("Offf", "Off"));
}

} // namespace
