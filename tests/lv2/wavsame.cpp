// Whether two sound files hold the same samples, bit for bit, whatever their headers say
// besides (libsndfile's peak chunk carries the time of writing).
//   tivrandel-wav-same A B [LAG]
// With LAG, A is taken to lag B by that many frames (a latency that A's host did not take out):
// A from frame LAG on is compared with B's first frames, as many as are left of A.
// Exit status 0 when they do, 1 when they do not (the first difference is printed), 2 when a
// file cannot be read.

#include <sndfile.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

namespace {

bool read(const char* path, SF_INFO& info, std::vector<float>& samples) {
    info = SF_INFO{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (!file) {
        std::cerr << path << ": " << sf_strerror(nullptr) << "\n";
        return false;
    }
    samples.assign(static_cast<std::size_t>(info.frames * info.channels), 0.0f);
    const sf_count_t got = sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    return got == info.frames;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: tivrandel-wav-same A B [LAG]\n";
        return 2;
    }
    const long lag = argc == 4 ? std::strtol(argv[3], nullptr, 10) : 0;
    SF_INFO a{}, b{};
    std::vector<float> left, right;
    if (!read(argv[1], a, left) || !read(argv[2], b, right)) {
        return 2;
    }
    if (a.channels != b.channels || a.samplerate != b.samplerate || a.frames != b.frames ||
        lag < 0 || lag >= a.frames) {
        std::cout << "different shapes: " << a.channels << " channels, " << a.samplerate << " Hz, "
                  << a.frames << " frames against " << b.channels << ", " << b.samplerate << ", "
                  << b.frames << "\n";
        return 1;
    }
    const std::size_t skipped =
        static_cast<std::size_t>(lag) * static_cast<std::size_t>(a.channels);
    for (std::size_t i = 0; i + skipped < left.size(); ++i) {
        if (std::memcmp(&left[i + skipped], &right[i], sizeof(float)) != 0) {
            std::cout << "frame " << i / a.channels << ", channel " << i % a.channels << ": "
                      << left[i + skipped] << " against " << right[i] << "\n";
            return 1;
        }
    }
    std::cout << "the same " << a.frames - lag << " frames of " << a.channels << " channels";
    if (lag > 0) {
        std::cout << ", " << lag << " later";
    }
    std::cout << "\n";
    return 0;
}
