#pragma once

// Stereo audio in and out of sound files through libsndfile.

#include <string>
#include <vector>

namespace render {

struct StereoAudio {
    double sampleRate = 0.0;
    std::vector<double> left, right;
    std::size_t frames() const { return left.size(); }
};

// Any file libsndfile reads; a mono file is duplicated to both channels. Throws
// std::runtime_error for an unreadable file or any other channel count.
StereoAudio readSoundFile(const std::string& path);

enum class SampleFormat { Float32, Pcm24 };

// A WAV file of the given sample format. Throws std::runtime_error when it cannot be written.
void writeWav(const std::string& path, const StereoAudio& audio, SampleFormat format);

} // namespace render
