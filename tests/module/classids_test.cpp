#include "module/classids.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

using Steinberg::FUID;

std::string bytesOf(const FUID& id) {
    std::string text;
    char byte[4];
    for (Steinberg::int8 b : id.toTUID()) {
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(b));
        text += byte;
    }
    return text;
}

std::string stringOf(const FUID& id) {
    char text[33] = {};
    id.toString(text);
    return text;
}

// The first word as the digest holds it: its bytes d0..d3, least significant first.
std::uint32_t word(std::uint8_t d0, std::uint8_t d1, std::uint8_t d2, std::uint8_t d3) {
    return std::uint32_t{d0} | std::uint32_t{d1} << 8 | std::uint32_t{d2} << 16 |
           std::uint32_t{d3} << 24;
}

// SHA-256("abc") begins ba7816bf 8f01cfea 414140de 5dae2223. Splitting "abc" as name "a", text
// "b", suffix "c" also pins the order of concatenation (name, text, suffix).
TEST(ClassIds, WordsAndLayoutMatchHandComputation) {
    const kelvane::vst::ClassIdWords words = kelvane::vst::classIdWords("a", "c", "b");
    EXPECT_EQ(words, (kelvane::vst::ClassIdWords{0xbf1678ba, 0xeacf018f, 0xde404141, 0x2322ae5d}));

    const FUID id = kelvane::vst::deriveClassId("a", "c", "b");
    // What a host shows and stores, the same on every platform.
    EXPECT_EQ(stringOf(id), "BF1678BAEACF018FDE4041412322AE5D");
#if SMTG_OS_WINDOWS
    EXPECT_EQ(bytesOf(id), "ba7816bfcfea8f01de4041412322ae5d");
#else
    EXPECT_EQ(bytesOf(id), "bf1678baeacf018fde4041412322ae5d");
#endif
    FUID read;
    ASSERT_TRUE(read.fromString("BF1678BAEACF018FDE4041412322AE5D"));
    EXPECT_EQ(read, id);
}

TEST(ClassIds, Vst2IdTakesBytesAsSigned) {
    using kelvane::vst::vst2UniqueIdOf;
    EXPECT_EQ(vst2UniqueIdOf(word(0x01, 0x02, 0x03, 0x04)), 0x04030201);
    // d0..d2 at or above 0x80 borrow from the byte above: not the plain 0x1290FF80.
    EXPECT_EQ(vst2UniqueIdOf(word(0x80, 0xFF, 0x90, 0x12)), 294649472);
    EXPECT_EQ(vst2UniqueIdOf(word(0xFF, 0xFF, 0xFF, 0xFF)), -16843009);
    EXPECT_EQ(vst2UniqueIdOf(word(0x00, 0x00, 0x00, 0x80)), INT32_MIN);
    // Below -2^31 before wrapping: two's complement gives 0x7F7F7F80.
    EXPECT_EQ(vst2UniqueIdOf(word(0x80, 0x80, 0x80, 0x80)), 0x7F7F7F80);
}

TEST(ClassIds, ProductIdsFollowFromNamesAndText) {
    EXPECT_EQ(std::string(tivrandel::controllerName),
              std::string(tivrandel::processorName) + "Controller");
    EXPECT_EQ(tivrandel::processorName, "Tivrandel64");

    const FUID processor = tivrandel::processorClassId();
    const FUID controller = tivrandel::controllerClassId();
    EXPECT_EQ(processor, tivrandel::processorClassId());
    EXPECT_NE(processor, controller);

    const std::string text = "kelvane.tivrandel.classid.v1";
    EXPECT_EQ(processor, kelvane::vst::deriveClassId("Tivrandel64", "", text));
    EXPECT_EQ(controller, kelvane::vst::deriveClassId("Tivrandel64Controller", "", text));
    EXPECT_EQ(tivrandel::vst2UniqueId(), kelvane::vst::vst2UniqueIdOf(kelvane::vst::classIdWords(
                                             "Tivrandel64", "vst2", text)[0]));

    char processorText[33] = {};
    char controllerText[33] = {};
    processor.toString(processorText);
    controller.toString(controllerText);
    std::printf("processor class id:  %s\ncontroller class id: %s\nVST2 unique id: 0x%08X (%d)\n",
                processorText, controllerText, static_cast<unsigned>(tivrandel::vst2UniqueId()),
                tivrandel::vst2UniqueId());
}

} // namespace
