#include "demosignal.h"

#include <algorithm>
#include <cmath>

namespace render {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double beatSeconds = 0.5;
constexpr double notes[] = {220.0, 261.63, 293.66, 329.63, 392.0, 440.0};

} // namespace

DemoSignal::Source::Source(double rate)
    : sampleRate(rate), lowpass(1.0 - std::exp(-2.0 * pi * 2500.0 / rate)) {}

double DemoSignal::Source::next() {
    const double t = static_cast<double>(index++) / sampleRate;
    const auto beat = static_cast<std::size_t>(t / beatSeconds);
    const double sinceBeat = t - static_cast<double>(beat) * beatSeconds;
    // White noise in [-1, 1) from a fixed seed.
    noise ^= noise << 13;
    noise ^= noise >> 17;
    noise ^= noise << 5;
    const double white = static_cast<double>(noise) / 2147483648.0 - 1.0;
    lowpassed += lowpass * (white - lowpassed);

    // Click: an impulse with a few milliseconds of decaying noise behind it.
    double sample =
        (sinceBeat * sampleRate < 1.0 ? 0.8 : 0.0) + 0.5 * white * std::exp(-sinceBeat / 0.0007);

    // Plucked tone with two overtones.
    const double f = notes[beat % (sizeof notes / sizeof notes[0])];
    const double pluck = std::exp(-sinceBeat / 0.18);
    sample += 0.25 * pluck *
              (std::sin(2.0 * pi * f * sinceBeat) + 0.3 * std::sin(4.0 * pi * f * sinceBeat) +
               0.15 * std::sin(6.0 * pi * f * sinceBeat));

    // Noise burst on the off-beat: 2 ms attack, then a 20 ms decay.
    const double sinceBurst = sinceBeat - beatSeconds / 2.0;
    if (sinceBurst >= 0.0) {
        const double envelope = std::min(1.0, sinceBurst / 0.002) * std::exp(-sinceBurst / 0.02);
        sample += 0.6 * envelope * lowpassed;
    }
    return sample;
}

DemoSignal::DemoSignal(double sampleRate, double seconds)
    : total(static_cast<std::size_t>(std::max(0.0, std::floor(sampleRate * seconds)))),
      fade(static_cast<std::size_t>(0.005 * sampleRate)), gain(0.0), source(sampleRate) {
    Source first(sampleRate);
    double peak = 0.0;
    for (std::size_t i = 0; i < total; ++i)
        peak = std::max(peak, std::abs(first.next()));
    gain = peak > 0.0 ? 0.7 / peak : 0.0;
}

std::size_t DemoSignal::read(double* samples, std::size_t n) {
    const std::size_t count = std::min(n, total - position);
    for (std::size_t k = 0; k < count; ++k, ++position) {
        double g = gain;
        if (position < fade)
            g *= static_cast<double>(position) / static_cast<double>(fade);
        if (total - 1 - position < fade)
            g *= static_cast<double>(total - 1 - position) / static_cast<double>(fade);
        samples[k] = source.next() * g;
    }
    return count;
}

std::vector<double> demoSignal(double sampleRate, double seconds) {
    DemoSignal signal(sampleRate, seconds);
    std::vector<double> samples(signal.frames());
    signal.read(samples.data(), samples.size());
    return samples;
}

} // namespace render
