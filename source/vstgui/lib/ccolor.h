#pragma once

#include <cstdint>

namespace VSTGUI {

// An 8-bit-per-channel colour, not premultiplied.
struct CColor {
    constexpr CColor() = default;
    constexpr CColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255)
        : red(r), green(g), blue(b), alpha(a) {}

    bool operator==(const CColor& other) const {
        return red == other.red && green == other.green && blue == other.blue &&
               alpha == other.alpha;
    }
    bool operator!=(const CColor& other) const { return !(*this == other); }

    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;
};

constexpr CColor kTransparentCColor(255, 255, 255, 0);
constexpr CColor kBlackCColor(0, 0, 0, 255);
constexpr CColor kWhiteCColor(255, 255, 255, 255);
constexpr CColor kGreyCColor(127, 127, 127, 255);

} // namespace VSTGUI
