#include "wavfile.h"

#include <sndfile.h>

#include <cmath>
#include <stdexcept>

namespace render {

namespace {

constexpr std::size_t readBlock = 4096;

} // namespace

SoundReader::SoundReader(const std::string& soundPath) : path(soundPath) {
    SF_INFO info{};
    file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    channels = info.channels;
    rate = info.samplerate;
    total = info.frames;
    if (channels != 1 && channels != 2) {
        sf_close(file);
        throw std::runtime_error(path + " has " + std::to_string(channels) +
                                 " channels; only mono and stereo files can be rendered");
    }
}

SoundReader::~SoundReader() {
    sf_close(file);
}

std::size_t SoundReader::read(double* left, double* right, std::size_t n) {
    const auto width = static_cast<std::size_t>(channels);
    interleaved.resize(n * width);
    const sf_count_t got = sf_readf_double(file, interleaved.data(), static_cast<sf_count_t>(n));
    if (got < 0 || sf_error(file) != SF_ERR_NO_ERROR)
        throw std::runtime_error("cannot read " + path + ": " + sf_strerror(file));
    const auto frames = static_cast<std::size_t>(got);
    for (std::size_t i = 0; i < frames; ++i) {
        left[i] = interleaved[i * width];
        right[i] = interleaved[i * width + width - 1];
    }
    return frames;
}

StereoAudio readSoundFile(const std::string& path) {
    SoundReader reader(path);
    StereoAudio audio;
    audio.sampleRate = reader.sampleRate();
    for (std::size_t done = 0;; done = audio.left.size()) {
        audio.left.resize(done + readBlock);
        audio.right.resize(done + readBlock);
        const std::size_t got = reader.read(&audio.left[done], &audio.right[done], readBlock);
        audio.left.resize(done + got);
        audio.right.resize(done + got);
        if (got == 0)
            return audio;
    }
}

WavWriter::WavWriter(int descriptor, const std::string& fileName, int sampleRate,
                     SampleFormat format, std::int64_t expectedFrames)
    : name(fileName), pcm(format == SampleFormat::Pcm24) {
    // WAV's sizes are 32-bit; leave room for the header.
    const double bytes = static_cast<double>(expectedFrames) * 2.0 * (pcm ? 3.0 : 4.0);
    const bool large = bytes > 4294967295.0 - 65536.0;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format =
        (large ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | (pcm ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT);
    file = sf_open_fd(descriptor, SFM_WRITE, &info, SF_FALSE);
    if (file == nullptr)
        throw std::runtime_error("cannot write " + name + ": " + sf_strerror(nullptr));
    // Integer output clips instead of wrapping around.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

WavWriter::~WavWriter() {
    if (file != nullptr)
        sf_close(file);
}

void WavWriter::write(const double* left, const double* right, std::size_t n) {
    interleaved.resize(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        interleaved[2 * i] = left[i];
        interleaved[2 * i + 1] = right[i];
    }
    // libsndfile's clipping turns NaN into full negative scale.
    if (pcm)
        for (double& sample : interleaved)
            if (!std::isfinite(sample))
                sample = 0.0;
    const auto frames = static_cast<sf_count_t>(n);
    if (sf_writef_double(file, interleaved.data(), frames) != frames)
        throw std::runtime_error("cannot write " + name + ": " + sf_strerror(file));
}

void WavWriter::finish() {
    SNDFILE* closing = file;
    file = nullptr;
    if (const int error = sf_close(closing); error != 0)
        throw std::runtime_error("cannot write " + name + ": " + sf_error_number(error));
}

} // namespace render
