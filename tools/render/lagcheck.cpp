// tivrandel-render-check: measures by how many samples the left channel of a stereo file lags
// the right one (the lag with the highest normalized correlation), and compares it with the
// expected lag.
//
//   tivrandel-render-check FILE EXPECTED_LAG [FROM_SECONDS]

#include "wavfile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fputs("usage: tivrandel-render-check FILE EXPECTED_LAG [FROM_SECONDS]\n", stderr);
        return 2;
    }
    try {
        const render::StereoAudio audio = render::readSoundFile(argv[1]);
        const long expected = std::strtol(argv[2], nullptr, 10);
        const double from = argc == 4 ? std::strtod(argv[3], nullptr) : 0.0;
        constexpr long maxLag = 100;
        const auto first = static_cast<long>(from * audio.sampleRate) + maxLag;
        const auto last = static_cast<long>(audio.frames()) - maxLag;
        if (first >= last) {
            std::fprintf(stderr, "%s is too short to measure\n", argv[1]);
            return 1;
        }

        long best = 0;
        double bestCorrelation = -2.0;
        for (long lag = -maxLag; lag <= maxLag; ++lag) {
            double product = 0.0, left = 0.0, right = 0.0;
            for (long t = first; t < last; ++t) {
                const double l = audio.left[static_cast<std::size_t>(t)];
                const double r = audio.right[static_cast<std::size_t>(t - lag)];
                product += l * r;
                left += l * l;
                right += r * r;
            }
            const double correlation =
                left > 0.0 && right > 0.0 ? product / std::sqrt(left * right) : 0.0;
            if (correlation > bestCorrelation) {
                bestCorrelation = correlation;
                best = lag;
            }
        }
        std::printf("left lags right by %ld samples (correlation %.6f)\n", best, bestCorrelation);
        if (best != expected || bestCorrelation < 0.999) {
            std::fprintf(stderr, "expected a lag of %ld samples with correlation above 0.999\n",
                         expected);
            return 1;
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tivrandel-render-check: %s\n", e.what());
        return 1;
    }
}
