// setState and getState on the host's main thread against process on the audio thread. At 100 Hz
// the smoothing coefficient is exactly 1 and the delay lines are plain wires, so every output
// sample shows the state the block started from without any glide: a torn state would show.

#include "host/hostedprocessor.h"
#include "host/processdata.h"
#include "host/streams.h"

#include <gtest/gtest.h>
#include <picojson.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using testhost::HostedProcessor;
using testhost::ProcessDataBuilder;
using tivrandel::Parameters;

constexpr int posts = 4000;

// Posted state k: even k pans left without swap, odd k pans right with swap; time pan (which
// has no audible effect here) carries k itself.
float levelPanOf(int k) {
    return k % 2 == 0 ? 0.25f : 0.75f;
}
float swapOf(int k) {
    return k % 2 == 0 ? 0.0f : 1.0f;
}
float timePanOf(int k) {
    return float(k) / float(posts);
}

std::string stateText(int k) {
    picojson::object object;
    object["bypass"] = picojson::value(0.0);
    object["timePan"] = picojson::value(double(timePanOf(k)));
    object["levelPan"] = picojson::value(double(levelPanOf(k)));
    object["swapChannels"] = picojson::value(double(swapOf(k)));
    return picojson::value(object).serialize();
}

// The left and right outputs for input (1, 2) under a level pan and swap, as the engine
// computes them in single precision.
std::pair<float, float> expectedOutput(float levelPan, float swap) {
    const float p = levelPan * 2.0f - 1.0f;
    const auto gain0 = float(std::sqrt(double(std::max(1.0f - p, 0.0f))));
    const auto gain1 = float(std::sqrt(double(std::max(1.0f + p, 0.0f))));
    return swap >= 0.5f ? std::make_pair(gain0 * 2.0f, gain1 * 1.0f)
                        : std::make_pair(gain0 * 1.0f, gain1 * 2.0f);
}

TEST(ProcessorConcurrency, StatesArriveWholeWhileAudioRuns) {
    ASSERT_EQ(Parameters::describe(0).stateKey, std::string("bypass"));
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(100.0), kResultOk);

    const auto initial = expectedOutput(0.5f, 0.0f);
    const auto even = expectedOutput(levelPanOf(0), swapOf(0));
    const auto odd = expectedOutput(levelPanOf(1), swapOf(1));

    std::atomic<bool> done{false};
    std::atomic<long> blocks{0};
    std::atomic<long> torn{0};
    std::thread audio([&] {
        ProcessDataBuilder block(kSample32, 2, 32);
        block.fillInput([](int32 c, int32) { return c == 0 ? 1.0 : 2.0; });
        // Bypass automation on every block keeps the value cells busy without changing the mix.
        block.changes().add(Parameters::Bypass, 0, 0.0);
        ProcessData& data = block.data();
        while (!done.load()) {
            if (processor->process(data) != kResultOk) {
                ++torn;
            }
            for (int32 i = 0; i < block.numSamples(); ++i) {
                const auto out =
                    std::make_pair(float(block.output(0, i)), float(block.output(1, i)));
                if (out != initial && out != even && out != odd) {
                    ++torn;
                }
            }
            ++blocks;
        }
    });

    long mismatches = 0;
    for (int k = 0; k < posts; ++k) {
        if (processor->setState(testhost::blobStream(stateText(k))) != kResultOk) {
            ++mismatches;
        }
        MemoryStream stream;
        std::string text;
        if (processor->getState(&stream) != kResultOk || !testhost::blobText(stream, text)) {
            ++mismatches;
            continue;
        }
        picojson::value saved;
        picojson::parse(saved, text);
        // The saved state is the one just loaded; the audio thread's bypass automation (0) may
        // have come in between and carries the same value.
        if (saved.get("timePan").get<double>() != double(timePanOf(k)) ||
            saved.get("levelPan").get<double>() != double(levelPanOf(k)) ||
            saved.get("swapChannels").get<double>() != double(swapOf(k)) ||
            saved.get("bypass").get<double>() != 0.0) {
            ++mismatches;
        }
        if (k % 64 == 0) {
            std::this_thread::yield();
        }
    }
    // Let the audio thread take the last post.
    const long seen = blocks.load();
    while (blocks.load() < seen + 4) {
        std::this_thread::yield();
    }
    done = true;
    audio.join();

    RecordProperty("blocks", int(blocks.load()));
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(blocks.load(), 4);

    // The last post is the one in force.
    ProcessDataBuilder last(kSample32, 2, 8);
    last.fillInput([](int32 c, int32) { return c == 0 ? 1.0 : 2.0; });
    ASSERT_EQ(processor->process(last.data()), kResultOk);
    EXPECT_EQ(std::make_pair(float(last.output(0, 7)), float(last.output(1, 7))),
              expectedOutput(levelPanOf(posts - 1), swapOf(posts - 1)));
}

// Some hosts autosave from a worker thread while the user loads a preset on the
// user-interface thread, with audio running: every save is one of the loaded states, whole.
TEST(ProcessorConcurrency, SavesOnAWorkerThreadSeeWholeLoads) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(100.0), kResultOk);

    std::atomic<bool> done{false};
    std::thread audio([&] {
        ProcessDataBuilder block(kSample32, 2, 32);
        block.changes().add(Parameters::Bypass, 0, 0.0);
        while (!done.load()) {
            processor->process(block.data());
        }
    });
    std::atomic<long> torn{0};
    std::atomic<long> saves{0};
    std::thread autosave([&] {
        while (!done.load()) {
            MemoryStream stream;
            std::string text;
            if (processor->getState(&stream) != kResultOk || !testhost::blobText(stream, text)) {
                ++torn;
                continue;
            }
            picojson::value saved;
            picojson::parse(saved, text);
            const double levelPan = saved.get("levelPan").get<double>();
            const double swap = saved.get("swapChannels").get<double>();
            const bool initial = levelPan == 0.5 && swap == 0.0;
            const bool even = levelPan == double(levelPanOf(0)) && swap == double(swapOf(0));
            const bool odd = levelPan == double(levelPanOf(1)) && swap == double(swapOf(1));
            if (!initial && !even && !odd) {
                ++torn;
            }
            ++saves;
        }
    });

    long refused = 0;
    for (int k = 0; k < posts; ++k) {
        if (processor->setState(testhost::blobStream(stateText(k))) != kResultOk) {
            ++refused;
        }
    }
    while (saves.load() < 100) {
        std::this_thread::yield();
    }
    done = true;
    autosave.join();
    audio.join();
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(torn.load(), 0);
}

} // namespace
