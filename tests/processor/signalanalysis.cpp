#include "signalanalysis.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace analysis {

namespace {

constexpr double pi = 3.14159265358979323846;

// A second-order high-pass section (bilinear transform, cutoff prewarped) in transposed
// direct form II.
struct Section {
    double b0, b1, b2, a1, a2;
    double z1 = 0.0;
    double z2 = 0.0;

    Section(double rate, double cutoff, double q) {
        const double w = 2.0 * pi * cutoff / rate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double c = std::cos(w);
        const double a0 = 1.0 + alpha;
        b0 = (1.0 + c) / 2.0 / a0;
        b1 = -(1.0 + c) / a0;
        b2 = b0;
        a1 = -2.0 * c / a0;
        a2 = (1.0 - alpha) / a0;
    }
    double operator()(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

void butterworthPass(std::vector<double>& x, double rate, double cutoff) {
    constexpr int order = 8;
    for (int k = 0; k < order / 2; ++k) {
        // The Butterworth poles' pairs, each one section.
        Section section(rate, cutoff, 1.0 / (2.0 * std::cos(pi * (2 * k + 1) / (2.0 * order))));
        for (double& v : x) {
            v = section(v);
        }
    }
}

} // namespace

std::vector<double> highPass(const std::vector<double>& x, double rate, double cutoff) {
    std::vector<double> y = x;
    butterworthPass(y, rate, cutoff);
    std::reverse(y.begin(), y.end());
    butterworthPass(y, rate, cutoff);
    std::reverse(y.begin(), y.end());
    return y;
}

double peakDbfs(const std::vector<double>& x, std::size_t from, std::size_t to) {
    double peak = 0.0;
    for (std::size_t i = from; i < to && i < x.size(); ++i) {
        peak = std::max(peak, std::abs(x[i]));
    }
    return 20.0 * std::log10(std::max(peak, 1e-30));
}

std::complex<double> tone(const std::vector<double>& x, std::size_t from, std::size_t count,
                          double hz, double rate) {
    std::complex<double> sum = 0.0;
    const double w = 2.0 * pi * hz / rate;
    for (std::size_t i = 0; i < count; ++i) {
        sum += x[from + i] * std::polar(1.0, -w * static_cast<double>(i));
    }
    return 2.0 * sum / static_cast<double>(count);
}

void fft(std::vector<std::complex<double>>& data) {
    const std::size_t n = data.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(data[i], data[j]);
        }
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * pi / static_cast<double>(length));
        for (std::size_t start = 0; start < n; start += length) {
            std::complex<double> twiddle = 1.0;
            for (std::size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> a = data[start + k];
                const std::complex<double> b = data[start + k + length / 2] * twiddle;
                data[start + k] = a + b;
                data[start + k + length / 2] = a - b;
                twiddle *= step;
            }
        }
    }
}

double bandCentre(int i) {
    return 1000.0 * std::pow(10.0, i / 10.0);
}

std::vector<double> bandPowers(const std::vector<double>& x, std::size_t from, std::size_t count,
                               double rate, int first, int last) {
    std::vector<std::complex<double>> spectrum(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double hann =
            0.5 - 0.5 * std::cos(2.0 * pi * static_cast<double>(i) / static_cast<double>(count));
        spectrum[i] = x[from + i] * hann;
    }
    fft(spectrum);
    std::vector<double> powers;
    for (int band = first; band <= last; ++band) {
        const double low = bandCentre(band) * std::pow(2.0, -1.0 / 6.0);
        const double high = bandCentre(band) * std::pow(2.0, 1.0 / 6.0);
        double power = 0.0;
        for (std::size_t k = 1; k < count / 2; ++k) {
            const double hz = static_cast<double>(k) * rate / static_cast<double>(count);
            if (hz >= low && hz < high) {
                power += std::norm(spectrum[k]);
            }
        }
        powers.push_back(power);
    }
    return powers;
}

} // namespace analysis
