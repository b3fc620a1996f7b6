#include "options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using render::Options;
using render::UsageError;

Options parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "tivrandel-render");
    return render::parseOptions(static_cast<int>(arguments.size()), arguments.data(), "default.so");
}

TEST(Options, ValuesInEitherFormAndFilesAnywhere) {
    const Options options =
        parse({"--block=64", "in.wav", "--rate", "96000", "--double", "--param", "timepan=0:0,6:1",
               "--param=swap=1:1", "--format", "pcm24", "--plugin=x.so", "--save-state", "s.bin",
               "--load-state=l.bin", "out.wav"});
    EXPECT_EQ(options.blockSize, 64);
    EXPECT_EQ(options.input, "in.wav");
    EXPECT_EQ(options.output, "out.wav");
    EXPECT_EQ(options.sampleRate, 96000.0);
    EXPECT_TRUE(options.doublePrecision);
    ASSERT_EQ(options.automation.size(), 2u);
    EXPECT_EQ(options.automation[1].id, 3u);
    EXPECT_EQ(options.format, render::SampleFormat::Pcm24);
    EXPECT_EQ(options.plugin, "x.so");
    EXPECT_EQ(options.saveState, "s.bin");
    EXPECT_EQ(options.loadState, "l.bin");

    EXPECT_EQ(parse({"--", "--odd-name.wav"}).output, "--odd-name.wav");
    EXPECT_TRUE(parse({"out.wav"}).input.empty()) << "no input: the demo";
    EXPECT_TRUE(parse({"--help"}).help);
}

TEST(Options, RefusesCommandLinesThatCannotBeFollowed) {
    const std::vector<std::vector<const char*>> wrong = {
        {},
        {"a.wav", "b.wav", "c.wav"},
        {"--frobnicate", "out.wav"},
        {"out.wav", "--block"},
        {"--block", "0", "out.wav"},
        {"--block", "1.5", "out.wav"},
        {"--block", "many", "out.wav"},
        {"--rate", "0", "out.wav"},
        {"--length", "-1", "out.wav"},
        {"--format", "mp3", "out.wav"},
        {"--double=yes", "out.wav"},
        {"--param", "timepan=0:2", "out.wav"},
        {"--param", "timepan=0:1", "--param", "timepan=1:0", "out.wav"},
    };
    for (const auto& arguments : wrong) {
        std::string shown;
        for (const char* a : arguments)
            shown += std::string(a) + " ";
        EXPECT_THROW(parse(arguments), UsageError) << shown;
    }
}

} // namespace
