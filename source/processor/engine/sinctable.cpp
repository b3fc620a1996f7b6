#include "processor/engine/sinctable.h"

#include <cmath>

namespace tivrandel {

namespace {

constexpr double pi = 3.14159265358979323846;

// The modified Bessel function of the first kind, order 0, from its power series: for the
// window's arguments (at most beta) forty terms are far more than double precision needs.
double besselI0(double x) noexcept {
    const double quarterSquare = 0.25 * x * x;
    double term = 1.0;
    double sum = 1.0;
    for (int k = 1; k < 40; ++k) {
        term *= quarterSquare / (static_cast<double>(k) * static_cast<double>(k));
        sum += term;
    }
    return sum;
}

// The windowed sinc at distance t from the read point; the window spans the 16 taps, +-8.
double windowedSinc(double t) noexcept {
    constexpr double half = SincTable::taps / 2;
    const double ratio = t / half;
    if (ratio <= -1.0 || ratio >= 1.0) {
        return 0.0;
    }
    // Exactly 0 at the other whole samples, so that a whole-sample read is exact.
    const double sinc = t == 0.0 ? 1.0 : (t == std::round(t) ? 0.0 : std::sin(pi * t) / (pi * t));
    return sinc * besselI0(SincTable::beta * std::sqrt(1.0 - ratio * ratio)) /
           besselI0(SincTable::beta);
}

} // namespace

void SincTable::exactKernel(double f, double (&kernel)[taps]) noexcept {
    double sum = 0.0;
    for (int q = 0; q < taps; ++q) {
        kernel[q] = windowedSinc(static_cast<double>(taps / 2 - q) - f);
        sum += kernel[q];
    }
    for (double& k : kernel) {
        k /= sum;
    }
}

SincTable::SincTable() noexcept : rows() {
    float next[taps];
    double kernel[taps];
    exactKernel(0.0, kernel);
    for (int q = 0; q < taps; ++q) {
        next[q] = static_cast<float>(kernel[q]);
    }
    for (int p = 0; p < phases; ++p) {
        float* const row = rows + p * rowLength;
        for (int q = 0; q < taps; ++q) {
            row[q] = next[q];
        }
        exactKernel(static_cast<double>(p + 1) / phases, kernel);
        for (int q = 0; q < taps; ++q) {
            next[q] = static_cast<float>(kernel[q]);
            row[taps + q] = next[q] - row[q];
        }
    }
}

const SincTable& SincTable::shared() {
    static const SincTable table;
    return table;
}

} // namespace tivrandel
