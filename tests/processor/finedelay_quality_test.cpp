// The fine delay as a listener meets it, measured on the processor's output at the usual rates:
// no clicks while the time pan sweeps, the time difference at rest where the whole-sample path
// can only round, an even level on both ears, and a centre that is truly central. Each figure is
// printed for the record. The whole-sample path is measured alongside, where it shows what the
// measurement is there to catch.

#include "signalanalysis.h"

#include "host/hostedprocessor.h"
#include "host/processdata.h"
#include "host/streams.h"

#include "processor/engine/realtimeprocessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using tivrandel::Parameters;

constexpr double pi = 3.14159265358979323846;
constexpr double fullScaleSeconds = 0.0008;
const double rates[] = {44100.0, 48000.0, 96000.0, 192000.0};

struct Stereo {
    std::vector<double> left;
    std::vector<double> right;
};

// The time pan's normalized value for a pan position in [-1, 1].
double panValue(double position) {
    return 0.5 * (position + 1.0);
}

// Renders input through the processor as a host would: the state set first (fine delay on or
// off, the time pan at its start), then blocks of 512, each with the points that automate(start,
// length, changes) adds.
using Automation = std::function<void(std::size_t, int32, testhost::ParameterChanges&)>;

Stereo render(double rate, bool fine, double startPan, const Stereo& input,
              const Automation& automate = {}, int32 sampleSize = kSample32) {
    testhost::HostedProcessor processor;
    std::ostringstream state;
    state.precision(17);
    state << "{\"" << Parameters::describe(Parameters::TimePan).stateKey << "\":" << startPan
          << ",\"" << Parameters::describe(Parameters::FineDelay).stateKey
          << "\":" << (fine ? 1 : 0) << "}";
    EXPECT_EQ(processor->setState(testhost::blobStream(state.str())), kResultOk);
    EXPECT_EQ(processor.setup(rate, sampleSize), kResultOk);

    constexpr int32 block = 512;
    testhost::ProcessDataBuilder data(sampleSize, 2, block);
    Stereo out;
    const std::size_t total = input.left.size();
    for (std::size_t start = 0; start < total; start += block) {
        const auto n = static_cast<int32>(std::min<std::size_t>(block, total - start));
        data.changes().clear();
        if (automate) {
            automate(start, n, data.changes());
        }
        for (int32 i = 0; i < n; ++i) {
            data.setInput(0, i, input.left[start + static_cast<std::size_t>(i)]);
            data.setInput(1, i, input.right[start + static_cast<std::size_t>(i)]);
        }
        ProcessData& call = data.data();
        call.numSamples = n;
        EXPECT_EQ(processor->process(call), kResultOk);
        for (int32 i = 0; i < n; ++i) {
            out.left.push_back(data.output(0, i));
            out.right.push_back(data.output(1, i));
        }
    }
    return out;
}

// The time pan's automation as one point at the end of each block, on the curve panAt(sample).
Automation timePanCurve(std::function<double(std::size_t)> panAt) {
    return [panAt](std::size_t start, int32 n, testhost::ParameterChanges& changes) {
        changes.add(Parameters::TimePan, n - 1, panAt(start + static_cast<std::size_t>(n) - 1));
    };
}

Stereo same(const std::vector<double>& x) {
    return {x, x};
}

// A 1 kHz tone at -6 dBFS, faded in and out over 50 ms so that its ends stay below 3 kHz.
std::vector<double> fadedTone(double rate, double seconds) {
    const auto n = static_cast<std::size_t>(seconds * rate);
    const auto fade = static_cast<std::size_t>(0.05 * rate);
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        double gain = 1.0;
        const std::size_t edge = std::min(i, n - 1 - i);
        if (edge < fade) {
            gain = 0.5 - 0.5 * std::cos(pi * static_cast<double>(edge) / static_cast<double>(fade));
        }
        x[i] = 0.5 * gain * std::sin(2.0 * pi * 1000.0 * static_cast<double>(i) / rate);
    }
    return x;
}

// The loudest content above 3 kHz on either ear while the time pan sweeps from full left to full
// right in `seconds`, after and before 0.3 s at rest.
double sweepResidue(double rate, bool fine, double seconds) {
    constexpr double rest = 0.3;
    const Stereo input = same(fadedTone(rate, rest + seconds + rest));
    const Stereo out = render(rate, fine, 0.0, input, timePanCurve([&](std::size_t i) {
                                  const double t = static_cast<double>(i) / rate;
                                  return std::clamp((t - rest) / seconds, 0.0, 1.0);
                              }));
    const auto skip = static_cast<std::size_t>(0.15 * rate);
    const std::size_t end = out.left.size() - skip;
    return std::max(analysis::peakDbfs(analysis::highPass(out.left, rate, 3000.0), skip, end),
                    analysis::peakDbfs(analysis::highPass(out.right, rate, 3000.0), skip, end));
}

TEST(FineDelayQuality, ASweptTimePanLeavesNothingAboveThreeKilohertz) {
    for (double rate : rates) {
        const double fine8 = sweepResidue(rate, true, 8.0);
        const double fine1 = sweepResidue(rate, true, 1.0);
        const double whole8 = sweepResidue(rate, false, 8.0);
        const double whole1 = sweepResidue(rate, false, 1.0);
        std::printf("%6.0f Hz, 1 kHz at -6 dBFS swept, peak above 3 kHz: fine %.1f dBFS (8 s), "
                    "%.1f dBFS (1 s); whole samples %.1f dBFS (8 s), %.1f dBFS (1 s)\n",
                    rate, fine8, fine1, whole8, whole1);
        EXPECT_LT(fine8, -95.0) << rate;
        EXPECT_LT(fine1, -85.0) << rate;
        // The whole-sample path clicks at every step of its delay.
        EXPECT_GT(whole8, -45.0) << rate;
        EXPECT_GT(whole1, -45.0) << rate;
    }
}

// Switching the fine delay on and then off again, the time pan at rest away from the centre: the
// engine cross-fades, so the latency it adds and takes away again leaves nothing above 3 kHz. A
// switch without the fade, the two paths' outputs spliced, clicks.
TEST(FineDelayQuality, SwitchingMakesNoClick) {
    for (double rate : rates) {
        const Stereo input = same(fadedTone(rate, 1.5));
        const auto on = static_cast<std::size_t>(0.5 * rate);
        const auto off = static_cast<std::size_t>(1.0 * rate);
        const double pan = panValue(0.37);
        const Stereo out = render(rate, false, pan, input,
                                  [&](std::size_t start, int32 n, testhost::ParameterChanges& c) {
                                      const std::size_t end = start + static_cast<std::size_t>(n);
                                      if (on >= start && on < end) {
                                          c.add(Parameters::FineDelay, int32(on - start), 1.0);
                                      }
                                      if (off >= start && off < end) {
                                          c.add(Parameters::FineDelay, int32(off - start), 0.0);
                                      }
                                  });
        const Stereo whole = render(rate, false, pan, input);
        const Stereo fine = render(rate, true, pan, input);
        Stereo spliced = whole;
        std::copy(fine.left.begin() + long(on), fine.left.begin() + long(off),
                  spliced.left.begin() + long(on));
        std::copy(fine.right.begin() + long(on), fine.right.begin() + long(off),
                  spliced.right.begin() + long(on));
        const auto skip = static_cast<std::size_t>(0.15 * rate);
        const std::size_t end = out.left.size() - skip;
        const auto residue = [&](const Stereo& x) {
            return std::max(
                analysis::peakDbfs(analysis::highPass(x.left, rate, 3000.0), skip, end),
                analysis::peakDbfs(analysis::highPass(x.right, rate, 3000.0), skip, end));
        };
        const double faded = residue(out);
        const double instant = residue(spliced);
        std::printf("%6.0f Hz, 1 kHz at -6 dBFS, fine delay switched on and off: peak above 3 kHz "
                    "%.1f dBFS (%.1f dBFS switched without a fade)\n",
                    rate, faded, instant);
        EXPECT_LT(faded, -95.0) << rate;
        EXPECT_GT(instant, -40.0) << rate;
    }
}

// The interaural time difference read from the phases of 250, 500 and 750 Hz tones at rest, at
// delays between whole samples (in samples at each rate; negative pans delay the right ear).
TEST(FineDelayQuality, TheTimeDifferenceAtRestIsThePansOwn) {
    const double tones[] = {250.0, 500.0, 750.0};
    for (double rate : rates) {
        const double fullScale = fullScaleSeconds * rate;
        const double delays[] = {0.3, -5.5, 12.25, -(fullScale - 0.6)};
        double worst[2] = {0.0, 0.0};
        for (bool fine : {true, false}) {
            for (double samples : delays) {
                const double position = samples / fullScale;
                const auto lead = static_cast<std::size_t>(0.25 * rate);
                const auto window = static_cast<std::size_t>(rate); // one second: whole periods
                std::vector<double> x(lead + window);
                for (std::size_t i = 0; i < x.size(); ++i) {
                    const double t = static_cast<double>(i) / rate;
                    for (double hz : tones) {
                        x[i] += 0.25 * std::sin(2.0 * pi * hz * t + hz / 1000.0);
                    }
                }
                const Stereo out = render(rate, fine, panValue(position), same(x));
                // Positive pan delays the left ear. The lowest tone's phase tells the lag
                // without ambiguity (0.8 ms is less than half its period); the others' are read
                // in the period nearest to it.
                double first = 0.0;
                for (double hz : tones) {
                    const std::complex<double> left =
                        analysis::tone(out.left, lead, window, hz, rate);
                    const std::complex<double> right =
                        analysis::tone(out.right, lead, window, hz, rate);
                    double lag = std::arg(right * std::conj(left)) / (2.0 * pi * hz);
                    if (hz == tones[0]) {
                        first = lag;
                    }
                    lag += std::round((first - lag) * hz) / hz;
                    const double error = std::abs(lag - position * fullScaleSeconds);
                    worst[fine ? 0 : 1] = std::max(worst[fine ? 0 : 1], error);
                    if (fine) {
                        EXPECT_LT(error, 1e-6) << rate << " Hz, " << samples << " samples, " << hz;
                    }
                }
            }
        }
        std::printf("%6.0f Hz, time difference at rest off by at most %.4f us (fine), %.2f us "
                    "(whole samples)\n",
                    rate, worst[0] * 1e6, worst[1] * 1e6);
        EXPECT_GT(worst[1], 1e-6) << "the whole-sample path rounds " << rate;
    }
}

// Noise on both ears at a pan of 5.5 samples: the delayed ear's level against the other's in
// third-octave bands from 100 Hz to 16 kHz.
TEST(FineDelayQuality, TheDelayedEarKeepsItsLevelInEveryBand) {
    constexpr int firstBand = -10; // 100 Hz
    constexpr int lastBand = 12;   // 16 kHz
    for (double rate : rates) {
        double worst[2] = {0.0, 0.0};
        for (bool fine : {true, false}) {
            const std::size_t window = std::size_t(1) << 18;
            const auto lead = static_cast<std::size_t>(0.1 * rate);
            std::mt19937 generator(7);
            std::normal_distribution<double> gauss(0.0, 0.2);
            std::vector<double> x(lead + window);
            for (double& v : x) {
                v = gauss(generator);
            }
            const Stereo out =
                render(rate, fine, panValue(5.5 / (fullScaleSeconds * rate)), same(x));
            const std::vector<double> delayed =
                analysis::bandPowers(out.left, lead, window, rate, firstBand, lastBand);
            const std::vector<double> other =
                analysis::bandPowers(out.right, lead, window, rate, firstBand, lastBand);
            for (std::size_t band = 0; band < delayed.size(); ++band) {
                const double db = 10.0 * std::log10(delayed[band] / other[band]);
                worst[fine ? 0 : 1] = std::max(worst[fine ? 0 : 1], std::abs(db));
                if (fine) {
                    EXPECT_LT(std::abs(db), 0.1)
                        << rate << " Hz, band " << analysis::bandCentre(firstBand + int(band));
                }
            }
        }
        std::printf("%6.0f Hz, noise at 5.5 samples, third-octave bands 100 Hz to 16 kHz: delayed "
                    "ear within %.4f dB (fine), %.4f dB (whole samples)\n",
                    rate, worst[0], worst[1]);
    }
}

// At the centre both ears are the input, B samples late, bit for bit alike.
TEST(FineDelayQuality, TheCentreGivesIdenticalEars) {
    for (double rate : rates) {
        const auto late =
            static_cast<std::size_t>(tivrandel::RealtimeProcessor::fineLatency(int32(rate)));
        std::printf("%6.0f Hz, latency of the fine delay: %zu samples (%.1f us)\n", rate, late,
                    1e6 * static_cast<double>(late) / rate);
        std::mt19937 generator(11);
        std::uniform_real_distribution<double> uniform(-1.0, 1.0);
        std::vector<double> x(3000);
        for (double& v : x) {
            v = uniform(generator);
        }
        for (int32 size : {kSample32, kSample64}) {
            const Stereo out = render(rate, true, 0.5, same(x), {}, size);
            EXPECT_EQ(out.left, out.right) << rate;
            for (std::size_t i = 0; i < x.size(); ++i) {
                const double expected = i < late ? 0.0 : double(float(x[i - late]));
                ASSERT_EQ(out.left[i], expected) << rate << " " << i;
            }
        }
    }
}

} // namespace
