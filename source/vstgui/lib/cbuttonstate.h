#pragma once

#include <cstdint>

namespace VSTGUI {

// Mouse buttons and modifier keys, as bits.
enum CButton : std::int32_t {
    kLButton = 1 << 0,
    kMButton = 1 << 1,
    kRButton = 1 << 3,
    kShift = 1 << 4,
    kControl = 1 << 5,
    kAlt = 1 << 6,
    kApple = 1 << 7,
    kButton4 = 1 << 8,
    kButton5 = 1 << 9,
    kDoubleClick = 1 << 10,
    kMouseWheelInverted = 1 << 11,
};

// The modifier that makes a drag or a wheel turn finer, and the one that resets a control.
constexpr std::int32_t kZoomModifier = kShift;
constexpr std::int32_t kDefaultValueModifier = kControl;

struct CButtonState {
    constexpr CButtonState(std::int32_t initial = 0) : state(initial) {}

    std::int32_t getButtonState() const {
        return state & (kLButton | kMButton | kRButton | kButton4 | kButton5);
    }
    std::int32_t getModifierState() const { return state & (kShift | kControl | kAlt | kApple); }
    bool isLeftButton() const { return (state & kLButton) != 0; }
    bool isRightButton() const { return (state & kRButton) != 0; }
    bool isDoubleClick() const { return (state & kDoubleClick) != 0; }

    std::int32_t operator()() const { return state; }
    CButtonState& operator=(std::int32_t newState) {
        state = newState;
        return *this;
    }
    CButtonState& operator|=(std::int32_t bits) {
        state |= bits;
        return *this;
    }
    CButtonState& operator&=(std::int32_t bits) {
        state &= bits;
        return *this;
    }
    std::int32_t operator&(std::int32_t bits) const { return state & bits; }
    std::int32_t operator|(std::int32_t bits) const { return state | bits; }
    bool operator==(const CButtonState& other) const { return state == other.state; }
    bool operator!=(const CButtonState& other) const { return state != other.state; }

private:
    std::int32_t state;
};

} // namespace VSTGUI
