#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <cstddef>

namespace tivrandel {

// Kernels that read a signal between its samples: a Kaiser-windowed sinc of 16 taps, tabulated
// at `phases` evenly spaced fractions of a sample, each phase scaled to a DC gain of 1. A read at
// delay n + f (0 <= f < 1) from the current sample c is
//     y = sum over q of x[c - n - 8 + q] x k_q(f),   q = 0 .. 15,
// so its taps reach from n - 7 to n + 8 samples back: the smallest delay that needs no sample
// from the future is lookAhead. At f = 0 the kernel is exactly 1 at q = 8 and 0 elsewhere, a
// plain whole-sample read.
//
// Each phase's row holds its 16 taps and then their steps to the next phase, so that a kernel
// between two phases is row[q] + t x row[16 + q]. The table depends on nothing but these
// constants: one copy is built on first use and shared.
class SincTable {
public:
    static constexpr Steinberg::int32 taps = 16;
    static constexpr Steinberg::int32 phases = 1024;
    static constexpr double beta = 6.75;
    static constexpr Steinberg::int32 rowLength = 2 * taps;
    static constexpr Steinberg::int32 lookAhead = taps / 2 - 1;

    // The table; the first call builds it (never call that first one on the audio thread).
    static const SincTable& shared();

    // Row of phase p, 0 <= p < phases, 64-byte aligned.
    const float* row(Steinberg::int32 p) const noexcept { return rows + p * rowLength; }
    const float* data() const noexcept { return rows; }
    static constexpr std::size_t bytes() noexcept { return sizeof(SincTable); }

    // The exact kernel for fraction f, in double, for tests and measurements.
    static void exactKernel(double f, double (&kernel)[taps]) noexcept;

private:
    SincTable() noexcept;

    alignas(64) float rows[phases * rowLength];
};

} // namespace tivrandel
