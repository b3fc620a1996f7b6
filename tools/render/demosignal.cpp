#include "demosignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace render {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double beatSeconds = 0.5;
constexpr double notes[] = {220.0, 261.63, 293.66, 329.63, 392.0, 440.0};

// White noise in [-1, 1) from a fixed seed.
class Noise {
public:
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t state = 0x2545F491u;
};

} // namespace

std::vector<double> demoSignal(double sampleRate, double seconds) {
    const auto frames = static_cast<std::size_t>(std::max(0.0, std::floor(sampleRate * seconds)));
    std::vector<double> signal(frames, 0.0);
    Noise noise;
    double lowpassed = 0.0;
    const double lowpass = 1.0 - std::exp(-2.0 * pi * 2500.0 / sampleRate);

    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const auto beat = static_cast<std::size_t>(t / beatSeconds);
        const double sinceBeat = t - static_cast<double>(beat) * beatSeconds;
        const double white = noise.next();
        lowpassed += lowpass * (white - lowpassed);

        // Click: an impulse with a few milliseconds of decaying noise behind it.
        double sample = (sinceBeat * sampleRate < 1.0 ? 0.8 : 0.0) +
                        0.5 * white * std::exp(-sinceBeat / 0.0007);

        // Plucked tone with two overtones.
        const double f = notes[beat % (sizeof notes / sizeof notes[0])];
        const double pluck = std::exp(-sinceBeat / 0.18);
        sample += 0.25 * pluck *
                  (std::sin(2.0 * pi * f * sinceBeat) + 0.3 * std::sin(4.0 * pi * f * sinceBeat) +
                   0.15 * std::sin(6.0 * pi * f * sinceBeat));

        // Noise burst on the off-beat: 2 ms attack, then a 20 ms decay.
        const double sinceBurst = sinceBeat - beatSeconds / 2.0;
        if (sinceBurst >= 0.0) {
            const double envelope =
                std::min(1.0, sinceBurst / 0.002) * std::exp(-sinceBurst / 0.02);
            sample += 0.6 * envelope * lowpassed;
        }
        signal[i] = sample;
    }

    double peak = 0.0;
    for (double s : signal)
        peak = std::max(peak, std::abs(s));
    const auto fade = static_cast<std::size_t>(0.005 * sampleRate);
    for (std::size_t i = 0; i < frames; ++i) {
        double gain = peak > 0.0 ? 0.7 / peak : 0.0;
        if (i < fade)
            gain *= static_cast<double>(i) / static_cast<double>(fade);
        if (frames - 1 - i < fade)
            gain *= static_cast<double>(frames - 1 - i) / static_cast<double>(fade);
        signal[i] *= gain;
    }
    return signal;
}

} // namespace render
