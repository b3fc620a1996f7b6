// A VST 2 host may call setParameter and getParameter from any thread while the audio thread
// processes and the user-interface thread runs the dispatcher. Run under ThreadSanitizer, this
// shows that the three meet only through the wrapper's lock-free channels.

#include "vst2/vst2host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace vst2host;

TEST(Vst2Concurrency, ParametersMoveWhileAudioAndDispatcherRun) {
    RecordingFactory factory;
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    effect.start(48000.0f, 128);
    AEffect* raw = effect.operator->();

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::thread audio([&] {
        auto input = noise<float>(128, 1);
        auto output = input;
        float* in[2] = {input[0].data(), input[1].data()};
        float* out[2] = {output[0].data(), output[1].data()};
        while (!stop.load()) {
            raw->processReplacing(raw, in, out, 128);
            blocks.fetch_add(1);
        }
    });
    while (blocks.load() == 0) {
        std::this_thread::yield();
    }
    std::thread automation([&] {
        for (int i = 0; i < 5000; ++i) {
            raw->setParameter(raw, i % raw->numParams, static_cast<float>(i % 100) / 100.0f);
            (void)raw->getParameter(raw, (i + 1) % raw->numParams);
        }
    });
    char display[64];
    for (int i = 0; i < 2000; ++i) {
        raw->dispatcher(raw, effEditIdle, 0, 0, nullptr, 0.0f);
        raw->dispatcher(raw, effGetParamDisplay, i % raw->numParams, 0, display, 0.0f);
    }
    automation.join();
    stop.store(true);
    audio.join();
    EXPECT_GT(blocks.load(), 1);

    // Afterwards a value still arrives as on a quiet effect.
    raw->setParameter(raw, 1, 0.125f);
    raw->dispatcher(raw, effEditIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(raw->getParameter(raw, 1), 0.125f);
}

// Values set from any thread become the processor's at once while blocks run and the host saves
// on its own thread; once the threads are quiet, a value set anywhere is in the next chunk.
TEST(Vst2Concurrency, ChunksAreSavedWhileValuesAreSetAndAudioRuns) {
    RecordingFactory factory;
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    effect.start(48000.0f, 128);
    AEffect* raw = effect.operator->();

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::thread audio([&] {
        auto input = noise<double>(128, 2);
        auto output = input;
        double* in[2] = {input[0].data(), input[1].data()};
        double* out[2] = {output[0].data(), output[1].data()};
        while (!stop.load()) {
            raw->processDoubleReplacing(raw, in, out, 128);
            blocks.fetch_add(1);
        }
    });
    while (blocks.load() == 0) {
        std::this_thread::yield();
    }
    std::thread automation([&] {
        for (int i = 0; i < 5000; ++i) {
            raw->setParameter(raw, i % raw->numParams, static_cast<float>(i % 100) / 100.0f);
        }
    });
    for (int i = 0; i < 500; ++i) {
        EXPECT_FALSE(effect.chunk().empty());
        raw->dispatcher(raw, effEditIdle, 0, 0, nullptr, 0.0f);
    }
    automation.join();
    stop.store(true);
    audio.join();

    Values expected;
    for (int index = 0; index < raw->numParams; ++index) {
        expected.emplace_back(index, index % 2 == 0 ? 0.875f : 0.125f);
    }
    std::thread([&] {
        for (const auto& value : expected) {
            raw->setParameter(raw, static_cast<int>(value.first), static_cast<float>(value.second));
        }
    }).join();
    EXPECT_EQ(effect.chunk(), vst3State(expected));
}

} // namespace
