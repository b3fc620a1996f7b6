#include "processor/engine/realtimeprocessor.h"
#include "processor/engine/stateexchange.h"
#include "framework/valuemailbox.h"

#include "enginefixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using tivrandel::ProcessorState;

// Post n carries n in every value, in a different form each, so a torn copy shows.
ProcessorState numbered(int n) {
    const float x = static_cast<float>(n);
    return ProcessorState{{x, x * 2.0f, -x, x + 0.5f}};
}

int numberOf(const ProcessorState& s) {
    const float x = s.values[0];
    EXPECT_EQ(s.values[1], x * 2.0f);
    EXPECT_EQ(s.values[2], -x);
    EXPECT_EQ(s.values[3], x + 0.5f);
    return static_cast<int>(x);
}

TEST(StateExchangeConcurrency, TakenStatesAreWholeNewerAndTheLastWins) {
    constexpr int posts = 100000;
    tivrandel::StateExchange exchange;
    std::thread writer([&] {
        for (int n = 1; n <= posts; ++n) {
            exchange.post(numbered(n));
        }
    });
    int last = 0;
    int taken = 0;
    while (last < posts) {
        ProcessorState s;
        if (exchange.take(s)) {
            const int n = numberOf(s);
            ASSERT_GT(n, last); // never read twice, never an older one after a newer
            last = n;
            ++taken;
        }
    }
    writer.join();
    ProcessorState s;
    EXPECT_FALSE(exchange.take(s));
    EXPECT_GT(taken, 0);
}

TEST(ValueMailboxConcurrency, TakesSeeStoredValuesOnceInOrder) {
    constexpr int stores = 100000;
    kelvane::vst::ValueMailbox box;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        for (int n = 1; n <= stores; ++n) {
            box.store(static_cast<float>(n));
        }
        done = true;
    });
    float last = 0.0f;
    for (;;) {
        const bool finished = done.load();
        float v = 0.0f;
        if (box.take(v)) {
            ASSERT_GT(v, last);
            last = v;
        }
        if (finished && !box.take(v)) {
            break;
        }
    }
    audio.join();
    EXPECT_EQ(last, static_cast<float>(stores));
}

// The engine as the processor uses it: the audio thread runs blocks while another thread
// posts states and empties the value cells.
TEST(RealtimeProcessorConcurrency, BlocksRunWhileStatesArePostedAndValuesTaken) {
    tivrandel::RealtimeProcessor engine(enginetest::config(48000, 2));
    std::atomic<bool> done{false};
    std::thread host([&] {
        int n = 0;
        while (!done.load()) {
            ProcessorState s{
                {0.0f, static_cast<float>(n % 10) * 0.1f, 0.5f, static_cast<float>(n % 2)}};
            engine.postState(s);
            float v = 0.0f;
            for (int id = 0; id < 4; ++id) {
                if (engine.takeLatestValue(id, v)) {
                    EXPECT_GE(v, 0.0f);
                    EXPECT_LE(v, 1.0f);
                }
            }
            ++n;
        }
    });
    enginetest::Buffers<float> b(2, 64);
    for (int block = 0; block < 3000; ++block) {
        testhost::ParameterChanges changes;
        changes.add(static_cast<Steinberg::Vst::ParamID>(block % 4), 5, (block % 7) / 7.0);
        enginetest::runBlock(engine, &changes, b);
    }
    done = true;
    host.join();
}

} // namespace
