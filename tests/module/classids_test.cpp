#include "module/classids.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
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

FUID fromBytes(std::initializer_list<std::uint8_t> first) {
    std::uint8_t raw[16] = {};
    std::size_t i = 0;
    for (std::uint8_t b : first)
        raw[i++] = b;
    Steinberg::TUID tuid;
    std::memcpy(tuid, raw, sizeof tuid);
    return FUID::fromTUID(tuid);
}

// SHA-256("abc") begins ba7816bf 8f01cfea 414140de 5dae2223; the id's bytes are d0..d3, d6 d7
// d4 d5, d11..d8, d15..d12 of it. Splitting "abc" as name "a", text "b", suffix "c" also pins
// the order of concatenation (name, text, suffix).
TEST(ClassIds, ByteOrderMatchesHandComputation) {
    const FUID id = kelvane::vst::deriveClassId("a", "c", "b");
    EXPECT_EQ(bytesOf(id), "ba7816bfcfea8f01de4041412322ae5d");
}

TEST(ClassIds, Vst2IdTakesBytesAsSigned) {
    using kelvane::vst::vst2UniqueIdOf;
    EXPECT_EQ(vst2UniqueIdOf(fromBytes({0x01, 0x02, 0x03, 0x04})), 0x04030201);
    // b0..b2 at or above 0x80 borrow from the byte above: not the plain 0x1290FF80.
    EXPECT_EQ(vst2UniqueIdOf(fromBytes({0x80, 0xFF, 0x90, 0x12})), 294649472);
    EXPECT_EQ(vst2UniqueIdOf(fromBytes({0xFF, 0xFF, 0xFF, 0xFF})), -16843009);
    EXPECT_EQ(vst2UniqueIdOf(fromBytes({0x00, 0x00, 0x00, 0x80})), INT32_MIN);
    // Below -2^31 before wrapping: two's complement gives 0x7F7F7F80.
    EXPECT_EQ(vst2UniqueIdOf(fromBytes({0x80, 0x80, 0x80, 0x80})), 0x7F7F7F80);
    // Only the first four bytes count.
    EXPECT_EQ(vst2UniqueIdOf(fromBytes({1, 2, 3, 4, 0xAA, 0xBB})), 0x04030201);
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
    const FUID vst2Key = kelvane::vst::deriveClassId("Tivrandel64", "vst2", text);
    EXPECT_NE(vst2Key, processor);
    EXPECT_EQ(tivrandel::vst2UniqueId(), kelvane::vst::vst2UniqueIdOf(vst2Key));

    char processorText[33] = {};
    char controllerText[33] = {};
    processor.toString(processorText);
    controller.toString(controllerText);
    std::printf("processor class id:  %s\ncontroller class id: %s\nVST2 unique id: 0x%08X (%d)\n",
                processorText, controllerText, static_cast<unsigned>(tivrandel::vst2UniqueId()),
                tivrandel::vst2UniqueId());
}

} // namespace
