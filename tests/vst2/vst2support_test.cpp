#include "wrappers/common/pointchanges.h"
#include "wrappers/vst2/vst2parametermailbox.h"

#include "public.sdk/source/vst/vst2wrapper/vst2text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using kelvane::wrappers::PointChanges;
using kelvane::wrappers::vst2::ParameterMailbox;

std::string utf8(const char* src, size_t maxLength) {
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    Vst2Text::copyUtf8(src, buffer, maxLength);
    EXPECT_EQ(buffer[maxLength + 1], 'x') << "wrote past the terminator";
    return buffer;
}

std::string fromUtf16(const char16_t* src, size_t maxLength) {
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    Vst2Text::copyUtf16(reinterpret_cast<const char16*>(src), buffer, maxLength);
    EXPECT_EQ(buffer[maxLength + 1], 'x') << "wrote past the terminator";
    return buffer;
}

TEST(Vst2Text, CopiesCutWholeCharactersAndTerminate) {
    EXPECT_EQ(utf8("Bypass", 8), "Bypass");
    EXPECT_EQ(utf8("Swap Channels", 8), "Swap Cha");
    EXPECT_EQ(utf8(nullptr, 8), "");
    // "Größe": the cut falls inside the two bytes of the second character.
    EXPECT_EQ(utf8("Gr\xc3\xb6\xc3\x9f"
                   "e",
                   3),
              "Gr");
    EXPECT_EQ(utf8("Gr\xc3\xb6\xc3\x9f"
                   "e",
                   4),
              "Gr\xc3\xb6");

    EXPECT_EQ(fromUtf16(u"Time Pan", 8), "Time Pan");
    EXPECT_EQ(fromUtf16(u"Level Pan", 8), "Level Pa");
    EXPECT_EQ(fromUtf16(u"\u00b0C", 8), "\xc2\xb0"
                                        "C");
    EXPECT_EQ(fromUtf16(u"a\u00b0", 2), "a");
    EXPECT_EQ(fromUtf16(u"\U0001F600!", 8), "\xf0\x9f\x98\x80!");
    EXPECT_EQ(fromUtf16(u"\U0001F600!", 3), "");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(fromUtf16(lone, 8), "a?b");
}

TEST(Vst2Text, Utf8BecomesUtf16WithinTheCapacity) {
    char16 wide[8];
    Vst2Text::toUtf16("-0.5 \xc2\xb0", wide, 8);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide)), u"-0.5 \u00b0");
    Vst2Text::toUtf16("abcdefghij", wide, 4);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide)), u"abc");
    Vst2Text::toUtf16("a\x80z\xc3", wide, 8);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide)), u"a?z?");
}

TEST(Vst2Text, VersionTextsBecomeVendorVersions) {
    EXPECT_EQ(Vst2Text::versionNumber("1.0.7"), 1070);
    EXPECT_EQ(Vst2Text::versionNumber("1.0.7.3"), 1073);
    EXPECT_EQ(Vst2Text::versionNumber("2"), 2000);
    EXPECT_EQ(Vst2Text::versionNumber("3.12.0"), 3900);
    EXPECT_EQ(Vst2Text::versionNumber("1.2 beta"), 1200);
    EXPECT_EQ(Vst2Text::versionNumber("v1"), 0);
    EXPECT_EQ(Vst2Text::versionNumber(""), 0);
    EXPECT_EQ(Vst2Text::versionNumber(nullptr), 0);
}

// The wrapper's block changes: one point per parameter, at the block's start.
TEST(Vst2ParameterChanges, HoldOnePointAtTheBlockStartPerParameter) {
    PointChanges changes(2, 1);
    EXPECT_EQ(changes.getParameterCount(), 0);
    EXPECT_TRUE(changes.addPoint(7, 0, 0.25));
    EXPECT_TRUE(changes.addPoint(3, 0, 0.5));
    EXPECT_TRUE(changes.addPoint(7, 0, 0.75)); // the same queue, latest value
    EXPECT_FALSE(changes.addPoint(9, 0, 1.0)) << "full";
    ASSERT_EQ(changes.getParameterCount(), 2);

    IParamValueQueue* queue = changes.getParameterData(0);
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(queue->getParameterId(), 7u);
    ASSERT_EQ(queue->getPointCount(), 1);
    int32 offset = -1;
    ParamValue value = 0.0;
    ASSERT_EQ(queue->getPoint(0, offset, value), kResultOk);
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(value, 0.75);
    EXPECT_EQ(queue->getPoint(1, offset, value), kResultFalse);
    EXPECT_EQ(changes.getParameterData(2), nullptr);
    EXPECT_EQ(changes.getParameterData(-1), nullptr);

    changes.clear();
    EXPECT_EQ(changes.getParameterCount(), 0);
    EXPECT_EQ(changes.getParameterData(0), nullptr);
    int32 index = -1;
    IParamValueQueue* fresh = changes.addParameterData(9, index);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(fresh->getPointCount(), 0) << "a reused queue starts empty";

    PointChanges none(0, 1);
    EXPECT_FALSE(none.addPoint(0, 0, 0.0));
}

TEST(Vst2ParameterMailbox, TheLastValueOfAWriterIsNeverLost) {
    ParameterMailbox mailbox(1);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 1; i <= 20000; ++i) {
            mailbox.post(0, static_cast<double>(i), true);
        }
        done.store(true);
    });
    ParamValue taken = 0.0;
    ParamValue value = 0.0;
    while (!done.load()) {
        if (mailbox.takeForProcessor(0, value)) {
            EXPECT_GE(value, taken) << "values arrive in order";
            taken = value;
        }
    }
    writer.join();
    if (mailbox.takeForProcessor(0, value)) {
        taken = value;
    }
    EXPECT_EQ(taken, 20000.0);
}

} // namespace
