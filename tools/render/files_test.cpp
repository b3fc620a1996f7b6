// The renderer's files: outputs that are complete or absent, and WAV samples as written.
#include "outputfile.h"
#include "wavfile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <system_error>

namespace {

using render::OutputFile;

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class RenderFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/renderfilesXXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // The names in the folder, in no particular order, hidden ones included.
    int entries() const {
        int count = 0;
        for (const char* pattern : {"/*", "/.[!.]*"}) {
            const std::string command = "ls -d " + folder + pattern + " 2>/dev/null | wc -l";
            if (FILE* pipe = ::popen(command.c_str(), "r")) {
                int n = 0;
                if (std::fscanf(pipe, "%d", &n) == 1)
                    count += n;
                ::pclose(pipe);
            }
        }
        return count;
    }

    std::string folder;
};

TEST_F(RenderFiles, TheTargetIsReplacedOnlyByACommit) {
    const std::string target = folder + "/out.wav";
    put(target, "old");
    {
        OutputFile output(target);
        ASSERT_EQ(::write(output.descriptor(), "partial", 7), 7);
        EXPECT_EQ(contents(target), "old");
        EXPECT_EQ(entries(), 2); // the target and the temporary file beside it
    }
    EXPECT_EQ(contents(target), "old") << "an output that was not committed replaced the target";
    EXPECT_EQ(entries(), 1) << "the temporary file was left behind";

    ::chmod(target.c_str(), 0640);
    render::writeWholeFile(target, "new");
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(entries(), 1);
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << "the replaced file's permissions are kept";
}

TEST_F(RenderFiles, ALinkedTargetIsReplacedBehindItsLink) {
    const std::string real = folder + "/real.wav";
    const std::string link = folder + "/link.wav";
    put(real, "old");
    ASSERT_EQ(::symlink("real.wav", link.c_str()), 0);
    EXPECT_TRUE(render::sameFile(link, real));
    EXPECT_FALSE(render::sameFile(link, folder + "/missing.wav"));
    render::writeWholeFile(link, "new");
    EXPECT_EQ(contents(real), "new");
    struct stat status {};
    ASSERT_EQ(::lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
}

TEST_F(RenderFiles, FailuresSayWhy) {
    try {
        OutputFile output(folder + "/missing/out.wav");
        ADD_FAILURE() << "a file in a missing folder was made";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "cannot write " + folder + "/missing/out.wav: No such file or directory");
    }
    // Devices are written in place: nothing is renamed over /dev/null.
    OutputFile null("/dev/null");
    EXPECT_GE(null.descriptor(), 0);
    null.commit();
    struct stat status {};
    ASSERT_EQ(::stat("/dev/null", &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
}

TEST_F(RenderFiles, Pcm24WritesNonFiniteSamplesAsSilenceAndClipsTheRest) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double left[] = {nan, inf, -inf, 0.5, 2.0, -3.0};
    const double right[] = {0.25, nan, 0.0, -0.5, nan, 1.0};
    for (const auto format : {render::SampleFormat::Pcm24, render::SampleFormat::Float32}) {
        const std::string path = folder + "/samples.wav";
        {
            OutputFile output(path);
            render::WavWriter writer(output.descriptor(), path, 48000, format, 6);
            writer.write(left, right, 6);
            writer.finish();
            output.commit();
        }
        const render::StereoAudio audio = render::readSoundFile(path);
        ASSERT_EQ(audio.frames(), 6u);
        EXPECT_EQ(audio.sampleRate, 48000.0);
        if (format == render::SampleFormat::Pcm24) {
            EXPECT_EQ(audio.left[0], 0.0);
            EXPECT_EQ(audio.left[1], 0.0);
            EXPECT_EQ(audio.left[2], 0.0);
            EXPECT_EQ(audio.right[1], 0.0);
            EXPECT_EQ(audio.right[4], 0.0);
            EXPECT_NEAR(audio.left[3], 0.5, 1e-6);
            EXPECT_NEAR(audio.left[4], 1.0, 1e-6);
            EXPECT_EQ(audio.left[5], -1.0);
        } else {
            EXPECT_TRUE(std::isnan(audio.left[0]));
            EXPECT_EQ(audio.left[4], 2.0);
        }
    }
}

} // namespace
