// Whether a bypass switched on inside a stereo file fades rather than clicks.
//   tivrandel-lv2-fadecheck FILE LAG
// The file holds one source on both channels, the left one delayed by LAG samples while the
// plug-in processes (full right time pan) and undelayed once it is bypassed; the right channel
// is the source throughout. So left = m * right + (1 - m) * right delayed, with m the bypass
// mix, which is estimated over each millisecond. A click is m jumping; a fade takes it from 0 to
// 1 over milliseconds. Exit status 0 for a fade, 1 otherwise, 2 when the file cannot be read.

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: tivrandel-lv2-fadecheck FILE LAG\n", stderr);
        return 2;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(argv[1], SFM_READ, &info);
    if (!file || info.channels != 2) {
        std::fprintf(stderr, "%s: not a readable stereo file\n", argv[1]);
        return 2;
    }
    std::vector<float> frames(static_cast<std::size_t>(info.frames) * 2);
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    const long lag = std::strtol(argv[2], nullptr, 10);
    const long window = info.samplerate / 1000;
    std::vector<double> mix;
    for (long start = lag; start + window <= info.frames; start += window) {
        double num = 0.0, den = 0.0;
        for (long t = start; t < start + window; ++t) {
            const double left = frames[std::size_t(2 * t)];
            const double right = frames[std::size_t(2 * t + 1)];
            const double delayed = frames[std::size_t(2 * (t - lag) + 1)];
            num += (left - delayed) * (right - delayed);
            den += (right - delayed) * (right - delayed);
        }
        mix.push_back(den > 0.0 ? num / den : 0.0);
    }
    if (mix.size() < 40) {
        std::fprintf(stderr, "%s is too short\n", argv[1]);
        return 1;
    }
    double largestStep = 0.0;
    std::size_t rise = 0, top = 0;
    for (std::size_t i = 0; i < mix.size(); ++i) {
        if (i > 0) {
            largestStep = std::fmax(largestStep, std::fabs(mix[i] - mix[i - 1]));
        }
        if (rise == 0 && mix[i] > 0.1) {
            rise = i;
        }
        if (top == 0 && mix[i] > 0.9) {
            top = i;
        }
    }
    const double first = mix.front(), last = mix.back();
    std::printf("bypass mix %.4f at the start, %.4f at the end, 10%% to 90%% in %zu ms, at most "
                "%.3f a millisecond\n",
                first, last, top - rise, largestStep);
    const bool fades = std::fabs(first) < 0.01 && std::fabs(last - 1.0) < 0.01 && rise > 0 &&
                       top >= rise + 5 && largestStep < 0.2;
    if (!fades) {
        std::puts("that is no click-free bypass");
    }
    return fades ? 0 : 1;
}
