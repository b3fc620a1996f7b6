#pragma once

// Stereo audio in and out of sound files through libsndfile, block by block.

#include <cstdint>
#include <string>
#include <vector>

struct sf_private_tag;

namespace render {

// Reads any file libsndfile reads; a mono file is duplicated to both channels. Throws
// std::runtime_error for an unreadable file or any other channel count.
class SoundReader {
public:
    explicit SoundReader(const std::string& path);
    ~SoundReader();
    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;

    // As the header says.
    int sampleRate() const { return rate; }
    std::int64_t frames() const { return total; }

    // The next frames, at most n; 0 at the end.
    std::size_t read(double* left, double* right, std::size_t n);

private:
    std::string path;
    sf_private_tag* file = nullptr;
    int channels = 0;
    int rate = 0;
    std::int64_t total = 0;
    std::vector<double> interleaved;
};

struct StereoAudio {
    double sampleRate = 0.0;
    std::vector<double> left, right;
    std::size_t frames() const { return left.size(); }
};

// A whole file at once, for small files (the lag check).
StereoAudio readSoundFile(const std::string& path);

enum class SampleFormat { Float32, Pcm24 };

// Writes a stereo WAV file of the given sample format to an open file descriptor, which it
// leaves open; name is what messages call it. PCM samples are clipped to full scale, and
// samples that are not finite are written as 0. A file expected to outgrow WAV's 4 GB is
// written as RF64 (WAV with 64-bit sizes). Throws std::runtime_error when the file cannot
// be written, with libsndfile's reason.
class WavWriter {
public:
    WavWriter(int descriptor, const std::string& name, int sampleRate, SampleFormat format,
              std::int64_t expectedFrames);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void write(const double* left, const double* right, std::size_t n);
    // Completes the header; nothing may be written afterwards.
    void finish();

private:
    std::string name;
    sf_private_tag* file = nullptr;
    bool pcm;
    std::vector<double> interleaved;
};

} // namespace render
