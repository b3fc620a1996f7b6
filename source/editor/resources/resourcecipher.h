#pragma once

#include <array>
#include <cstdint>

namespace kelvane::vst::resourcecipher {

// The module keeps its resources in coded form so that they do not show as plain files inside
// it. The code is a byte substitution that cmake/EmbedResourceFile.cmake produces with plain
// string replacements over the hex digits of a file: each nibble goes through codedNibble and
// the two nibbles of a byte trade places. Both sides must stay in step; the store's tests
// compare every embedded entry with its file.
inline constexpr char codedNibble[17] = "d63294c71bfe80a5";

constexpr unsigned hexValue(char digit) {
    return digit <= '9' ? static_cast<unsigned>(digit - '0')
                        : static_cast<unsigned>(digit - 'a' + 10);
}

constexpr std::uint8_t encode(std::uint8_t plain) {
    return static_cast<std::uint8_t>(hexValue(codedNibble[plain & 0x0Fu]) << 4 |
                                     hexValue(codedNibble[plain >> 4]));
}

inline constexpr std::array<std::uint8_t, 256> decodeTable = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned plain = 0; plain < 256; ++plain) {
        table[encode(static_cast<std::uint8_t>(plain))] = static_cast<std::uint8_t>(plain);
    }
    return table;
}();

constexpr std::uint8_t decode(std::uint8_t coded) {
    return decodeTable[coded];
}

} // namespace kelvane::vst::resourcecipher
