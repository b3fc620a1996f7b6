#include "wavfile.h"

#include <sndfile.h>

#include <cmath>
#include <memory>
#include <stdexcept>

namespace render {

namespace {

struct CloseFile {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using File = std::unique_ptr<SNDFILE, CloseFile>;

} // namespace

StereoAudio readSoundFile(const std::string& path) {
    SF_INFO info{};
    File file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file)
        throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    if (info.channels != 1 && info.channels != 2)
        throw std::runtime_error(path + " has " + std::to_string(info.channels) +
                                 " channels; only mono and stereo files can be rendered");
    if (info.samplerate <= 0)
        throw std::runtime_error(path + " has no valid sample rate");

    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<double> interleaved(static_cast<std::size_t>(info.frames) * channels);
    const sf_count_t read = sf_readf_double(file.get(), interleaved.data(), info.frames);
    if (read < 0)
        throw std::runtime_error("cannot read " + path + ": " + sf_strerror(file.get()));

    StereoAudio audio;
    audio.sampleRate = info.samplerate;
    const auto frames = static_cast<std::size_t>(read);
    audio.left.resize(frames);
    audio.right.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        audio.left[i] = interleaved[i * channels];
        audio.right[i] = interleaved[i * channels + channels - 1];
    }
    return audio;
}

void writeWav(const std::string& path, const StereoAudio& audio, SampleFormat format) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(audio.sampleRate));
    info.channels = 2;
    info.format =
        SF_FORMAT_WAV | (format == SampleFormat::Pcm24 ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT);
    File file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file)
        throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    // Integer output clips instead of wrapping around.
    sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    std::vector<double> interleaved(audio.frames() * 2);
    for (std::size_t i = 0; i < audio.frames(); ++i) {
        interleaved[2 * i] = audio.left[i];
        interleaved[2 * i + 1] = audio.right[i];
    }
    const auto frames = static_cast<sf_count_t>(audio.frames());
    if (sf_writef_double(file.get(), interleaved.data(), frames) != frames)
        throw std::runtime_error("cannot write " + path + ": " + sf_strerror(file.get()));
    if (sf_close(file.release()) != 0)
        throw std::runtime_error("cannot finish " + path);
}

} // namespace render
