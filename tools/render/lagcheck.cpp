// tivrandel-render-check: measures by how many samples the left channel of a stereo file lags
// the right one (the lag with the highest normalized correlation), and compares it with the
// expected lag; or, given a reference, by how many samples each channel of the file lags the
// same channel of the reference.
//
//   tivrandel-render-check FILE EXPECTED_LAG [FROM_SECONDS]
//   tivrandel-render-check --against REFERENCE FILE EXPECTED_LAG [FROM_SECONDS]
// TIVRANDEL_MIN_CORRELATION lowers the correlation the lag must reach (0.999): a delay of a
// fraction of a sample correlates less at the nearest whole one.

#include "wavfile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr long maxLag = 100;

struct Lag {
    long samples = 0;
    double correlation = -2.0;
};

// The lag of `late` behind `early` with the highest normalized correlation, over [first, last).
Lag bestLag(const std::vector<double>& late, const std::vector<double>& early, long first,
            long last) {
    Lag best;
    for (long lag = -maxLag; lag <= maxLag; ++lag) {
        double product = 0.0, a = 0.0, b = 0.0;
        for (long t = first; t < last; ++t) {
            const double l = late[static_cast<std::size_t>(t)];
            const double e = early[static_cast<std::size_t>(t - lag)];
            product += l * e;
            a += l * l;
            b += e * e;
        }
        const double correlation = a > 0.0 && b > 0.0 ? product / std::sqrt(a * b) : 0.0;
        if (correlation > best.correlation) {
            best = {lag, correlation};
        }
    }
    return best;
}

bool expect(const char* what, const Lag& lag, long expected) {
    std::printf("%s by %ld samples (correlation %.6f)\n", what, lag.samples, lag.correlation);
    const char* setting = std::getenv("TIVRANDEL_MIN_CORRELATION");
    const double least = setting != nullptr ? std::strtod(setting, nullptr) : 0.999;
    if (lag.samples != expected || lag.correlation < least) {
        std::fprintf(stderr, "expected a lag of %ld samples with correlation above %g\n", expected,
                     least);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const bool against = argc > 1 && std::strcmp(argv[1], "--against") == 0;
    const int first = against ? 3 : 1;
    if (argc < first + 2 || argc > first + 3) {
        std::fputs("usage: tivrandel-render-check FILE EXPECTED_LAG [FROM_SECONDS]\n"
                   "       tivrandel-render-check --against REFERENCE FILE EXPECTED_LAG "
                   "[FROM_SECONDS]\n",
                   stderr);
        return 2;
    }
    try {
        const render::StereoAudio audio = render::readSoundFile(argv[first]);
        const long expected = std::strtol(argv[first + 1], nullptr, 10);
        const double from = argc == first + 3 ? std::strtod(argv[first + 2], nullptr) : 0.0;
        long frames = static_cast<long>(audio.frames());
        render::StereoAudio reference;
        if (against) {
            reference = render::readSoundFile(argv[2]);
            frames = std::min(frames, static_cast<long>(reference.frames()));
        }
        const auto start = static_cast<long>(from * audio.sampleRate) + maxLag;
        const long last = frames - maxLag;
        if (start >= last) {
            std::fprintf(stderr, "%s is too short to measure\n", argv[first]);
            return 1;
        }
        if (!against) {
            return expect("left lags right", bestLag(audio.left, audio.right, start, last),
                          expected)
                       ? 0
                       : 1;
        }
        const bool left = expect("left lags the reference's left",
                                 bestLag(audio.left, reference.left, start, last), expected);
        const bool right = expect("right lags the reference's right",
                                  bestLag(audio.right, reference.right, start, last), expected);
        return left && right ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tivrandel-render-check: %s\n", e.what());
        return 1;
    }
}
