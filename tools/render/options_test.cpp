#include "options.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
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

TEST(Options, AFilesSampleRateIsHeldToTheRangeOfRate) {
    std::string rateMessage;
    try {
        parse({"--rate", "999", "out.wav"});
    } catch (const UsageError& e) {
        rateMessage = e.what();
    }
    ASSERT_FALSE(rateMessage.empty());
    for (const long long rate : {999LL, 768001LL, 2000000000LL, 4000000000LL}) {
        try {
            render::checkFileSampleRate("in.wav", rate);
            ADD_FAILURE() << rate << " Hz was taken";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(rateMessage), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(std::to_string(rate)), std::string::npos);
        }
    }
    EXPECT_NO_THROW(render::checkFileSampleRate("in.wav", 1000));
    EXPECT_NO_THROW(render::checkFileSampleRate("in.wav", 768000));
    // A tiny rate is a number, refused for its range.
    try {
        parse({"--rate", "1e-320", "out.wav"});
        ADD_FAILURE() << "1e-320 Hz was taken";
    } catch (const UsageError& e) {
        EXPECT_EQ(std::string(e.what()), rateMessage);
    }
}

} // namespace
