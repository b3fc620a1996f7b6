#pragma once

namespace kelvane::vst {

// Narrows to float the way the hardware does, without the undefined behaviour of a
// double-to-float conversion out of range: beyond the largest float gives an infinity.
float narrowToFloat(double value);

} // namespace kelvane::vst
