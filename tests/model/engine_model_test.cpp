// The real engine against the reference model: the same seeded programs of automation, posted
// states and audio go into both, and every output sample must match bit for bit. The first
// tests pin the model itself to hand-computed results, so that a fault shared by both is less
// likely to pass unnoticed.

#include "model/referenceengine.h"

#include "host/parameterchanges.h"
#include "platform/flushtozero.h"
#include "processor/engine/realtimeprocessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Steinberg::int32;

std::uint32_t bitsOf(float x) {
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

std::uint64_t bitsOf(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

model::State makeState(float bypass, float timePan, float levelPan, float swap) {
    model::State s;
    s.values[0] = bypass;
    s.values[1] = timePan;
    s.values[2] = levelPan;
    s.values[3] = swap;
    return s;
}

model::Buffers32 ramp32(size_t channels, size_t n, float scale) {
    model::Buffers32 in(channels, std::vector<float>(n));
    for (size_t c = 0; c < channels; ++c) {
        for (size_t i = 0; i < n; ++i) {
            in[c][i] = scale * static_cast<float>(i + 1) + static_cast<float>(c) * 1000.0f;
        }
    }
    return in;
}

// ---------------------------------------------------------------------------------------------
// The model against hand-computed results.

TEST(ReferenceModel, FullTimePanDelaysTheAwayChannelByWholeSamples) {
    struct Case {
        int32 rate;
        float timePan;
        size_t delayedChannel;
        size_t delay;
    };
    for (const Case& c :
         {Case{48000, 1.0f, 0, 38}, Case{44100, 1.0f, 0, 35}, Case{48000, 0.0f, 1, 38},
          Case{44100, 0.0f, 1, 35}, Case{48000, 0.5f, 0, 0}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, time pan " << c.timePan);
        model::ReferenceEngine engine(c.rate, 2, makeState(0.0f, c.timePan, 0.5f, 0.0f));
        const model::Buffers32 in = ramp32(2, 200, 0.25f);
        engine.receiveParameterChanges(nullptr);
        const model::Buffers32 out = engine.process(in);
        for (size_t i = 0; i < 200; ++i) {
            const size_t other = 1 - c.delayedChannel;
            ASSERT_EQ(out[other][i], in[other][i]) << i;
            const float expected = i < c.delay ? 0.0f : in[c.delayedChannel][i - c.delay];
            ASSERT_EQ(out[c.delayedChannel][i], expected) << i;
        }
    }
}

TEST(ReferenceModel, CapacitiesFollowTheSampleRate) {
    const std::pair<int32, int32> cases[] = {{44100, 38}, {48000, 42}, {96000, 84}, {192000, 168},
                                             {1136, 0},   {1137, 1},   {0, 0},      {-48000, 0}};
    for (const auto& [rate, capacity] : cases) {
        EXPECT_EQ(model::ReferenceEngine(rate, 2, {}).capacity(), capacity) << rate;
    }
    EXPECT_EQ(model::ReferenceEngine(48000, 2, {}).coefficient(),
              static_cast<float>(100.0 / 48000.0));
    EXPECT_EQ(model::ReferenceEngine(0, 2, {}).coefficient(), 1.0f);
    EXPECT_EQ(model::ReferenceEngine(60, 2, {}).coefficient(), 1.0f);
}

TEST(ReferenceModel, CapacityTwoLineReturnsTheSamplesTwoPushesLate) {
    model::DelayLine line(2);
    EXPECT_EQ(line.delay(), 2);
    std::vector<float> got;
    for (float x : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}) {
        got.push_back(line.push(x));
    }
    EXPECT_EQ(got, (std::vector<float>{0.0f, 0.0f, 1.0f, 2.0f, 3.0f}));
    line.setDelay(0);
    EXPECT_EQ(line.push(6.0f), 6.0f);
    line.setDelay(1);
    EXPECT_EQ(line.push(7.0f), 6.0f);

    model::DelayLine wire(0);
    EXPECT_EQ(wire.push(8.0f), 8.0f);
}

TEST(ReferenceModel, RampsAreMeasuredFromTheLastPoint) {
    const std::vector<model::Point> earlier = {{10, 0.2, true}};
    const std::vector<model::Point> at63 = {{63, 0.9, true}};

    // After a block with points: from the end of that block, 64 samples to go.
    model::Ramp ramp;
    ramp.resetTo(0.5, {});
    ramp.beginBlock(earlier);
    for (int i = 0; i < 128; ++i) {
        ramp.advance();
    }
    EXPECT_EQ(ramp.value(), 0.2);
    ramp.beginBlock(at63);
    EXPECT_EQ(ramp.increment(), (0.9 - 0.2) / 64.0);
    for (int i = 0; i < 63; ++i) {
        ramp.advance();
    }
    EXPECT_NE(ramp.value(), 0.9);
    ramp.advance();
    EXPECT_EQ(ramp.value(), 0.9);
    for (int i = 64; i < 128; ++i) {
        ramp.advance();
    }
    EXPECT_EQ(ramp.value(), 0.9);

    // After a block without points that followed one with points: 63 + 129 samples.
    model::Ramp still;
    still.resetTo(0.5, {});
    still.beginBlock(earlier);
    for (int i = 0; i < 128; ++i) {
        still.advance();
    }
    still.beginBlock({});
    for (int i = 0; i < 128; ++i) {
        still.advance();
    }
    still.beginBlock(at63);
    EXPECT_EQ(still.increment(), (0.9 - 0.2) / (63.0 + 129.0));
    for (int i = 0; i < 64; ++i) {
        still.advance();
    }
    EXPECT_EQ(still.value(), 0.9);

    // Only the first of two points at one offset counts; unreadable and stale points are
    // skipped; a point at offset 0 is in force at sample 0.
    model::Ramp first;
    first.resetTo(0.0, {});
    first.beginBlock({{0, 0.3, false}, {0, 0.7, true}, {0, 0.1, true}, {-1, 0.9, true}});
    first.advance();
    EXPECT_EQ(first.value(), 0.7);
    first.advance();
    EXPECT_EQ(first.value(), 0.7);
}

TEST(ReferenceModel, SwitchesLevelPanAndBypassFollowTheirRules) {
    // A float just below 0.5 rounds to off: the +0.5 is added in double, not in float.
    const float belowHalf = std::nextafter(0.5f, 0.0f);
    EXPECT_EQ(model::ReferenceEngine(48000, 2, makeState(belowHalf, 0.5f, 0.5f, 0.0f)).bypassMix(),
              0.0f);
    EXPECT_EQ(model::ReferenceEngine(48000, 2, makeState(0.5f, 0.5f, 0.5f, 0.0f)).bypassMix(),
              1.0f);
    EXPECT_EQ(model::clamp01(std::numeric_limits<float>::quiet_NaN()), 1.0f);

    // Level pan right: left silent, right times sqrt(2).
    model::ReferenceEngine right(48000, 2, makeState(0.0f, 0.5f, 1.0f, 0.0f));
    right.receiveParameterChanges(nullptr);
    const model::Buffers32 in = ramp32(2, 4, 0.5f);
    const model::Buffers32 out = right.process(in);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(out[0][i], 0.0f);
        EXPECT_EQ(out[1][i], static_cast<float>(std::sqrt(2.0)) * in[1][i]);
    }

    // Swap with bypass fully on gives the unswapped input; switching bypass on fades.
    model::ReferenceEngine bypassed(48000, 2, makeState(1.0f, 0.5f, 0.5f, 1.0f));
    bypassed.receiveParameterChanges(nullptr);
    EXPECT_EQ(bypassed.process(in), in);
    model::ReferenceEngine fading(48000, 2, {});
    model::Changes on = {{0, {{0, 1.0, true}}}};
    fading.receiveParameterChanges(&on);
    fading.process(ramp32(2, 1, 1.0f));
    EXPECT_EQ(fading.bypassMix(), fading.coefficient());
}

TEST(ReferenceModel, ZeroSampleCallsFillMailboxesAndTakePostedStates) {
    model::ReferenceEngine engine(48000, 2, {});
    float value = 0.0f;
    EXPECT_FALSE(engine.takeLatestValue(1, value));

    engine.postState(makeState(0.0f, 0.1f, 0.2f, 0.3f));
    engine.postState(makeState(0.0f, 0.4f, 0.6f, 0.0f));
    model::Changes changes = {{1, {{5, 0.9, true}, {9, 0.25, true}}},
                              {2, {{0, 0.3, true}, {1, 0.35, false}}},
                              {7, {{0, 0.5, true}}}};
    engine.receiveParameterChanges(&changes);
    EXPECT_EQ(engine.ramp(1).value(), static_cast<double>(0.4f));
    EXPECT_EQ(engine.ramp(2).value(), static_cast<double>(0.6f));
    ASSERT_TRUE(engine.takeLatestValue(1, value));
    EXPECT_EQ(value, 0.25f);
    EXPECT_FALSE(engine.takeLatestValue(1, value));
    EXPECT_FALSE(engine.takeLatestValue(2, value)); // last point unreadable

    // The points of the zero-sample call never reach the ramps.
    engine.receiveParameterChanges(nullptr);
    engine.process(ramp32(2, 20, 1.0f));
    EXPECT_EQ(engine.ramp(1).value(), static_cast<double>(0.4f));
}

TEST(ReferenceModel, OtherChannelCountsPassThroughRoundedToFloat) {
    model::ReferenceEngine mono(48000, 1, makeState(0.0f, 1.0f, 1.0f, 1.0f));
    mono.receiveParameterChanges(nullptr);
    const model::Buffers64 in = {{0.1, -1.0 / 3.0, 1e-300}};
    const model::Buffers64 out = mono.process(in);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(out[0][i], static_cast<double>(static_cast<float>(in[0][i])));
    }
}

// ---------------------------------------------------------------------------------------------
// Engine and model side by side.

class SideBySide {
public:
    SideBySide(int32 sampleRate, int32 channels, const model::State& state, std::uint32_t seed)
        : rate(sampleRate), configured(channels), rng(seed), ref(sampleRate, channels, state) {
        tivrandel::RealtimeProcessorConfig config{sampleRate, channels, {}};
        for (int k = 0; k < 4; ++k) {
            config.state.values[k] = state.values[k];
        }
        engine = std::make_unique<tivrandel::RealtimeProcessor>(config);
        EXPECT_EQ(engine->numChannels(), channels);
    }

    std::mt19937& random() { return rng; }
    int32 channels() const { return configured; }
    void useSse2Kernels() { engine->setWideKernels(false); }
    bool ok() const { return !failed; }

    // One host call's parameter changes; nullptr means the host passed none.
    void receive(const model::Changes* changes) {
        // The engine reads the queues until the block's last sample, as it may from a host's.
        hostChanges = std::make_unique<testhost::ParameterChanges>();
        if (changes != nullptr) {
            for (const model::Queue& q : *changes) {
                testhost::ParamValueQueue& hostQueue = hostChanges->queue(q.id);
                for (size_t k = 0; k < q.points.size(); ++k) {
                    hostQueue.add(q.points[k].offset, q.points[k].value);
                    if (!q.points[k].readable) {
                        hostQueue.failPoint(static_cast<int32>(k));
                    }
                }
            }
        }
        Steinberg::Vst::ProcessData data;
        data.inputParameterChanges = changes != nullptr ? hostChanges.get() : nullptr;
        kelvane::platform::FlushToZeroScope ftz;
        engine->receiveParameterChanges(data);
        ref.receiveParameterChanges(changes);
        describe(changes);
    }

    void post(const model::State& state) {
        tivrandel::ProcessorState s;
        for (int k = 0; k < 4; ++k) {
            s.values[k] = state.values[k];
        }
        engine->postState(s);
        ref.postState(state);
        history << "post ";
    }

    void compareMailboxes() {
        for (int32 id = 0; id < 4 && !failed; ++id) {
            float got = -7.0f;
            float want = -7.0f;
            const bool gotAny = engine->takeLatestValue(id, got);
            const bool wantAny = ref.takeLatestValue(id, want);
            if (gotAny != wantAny || (gotAny && bitsOf(got) != bitsOf(want))) {
                fail(std::ostringstream() << "mailbox " << id << ": engine " << gotAny << " " << got
                                          << ", model " << wantAny << " " << want);
            }
        }
        history << "take ";
    }

    // Processes one block of fresh input through both and compares every sample.
    template <typename Sample>
    void run(int32 channels, int32 n, bool inPlace) {
        if (failed) {
            return;
        }
        std::vector<std::vector<Sample>> in(static_cast<size_t>(channels));
        for (auto& channel : in) {
            fill(channel, static_cast<size_t>(n));
        }
        std::vector<std::vector<Sample>> work = in;
        std::vector<std::vector<Sample>> out(
            static_cast<size_t>(channels),
            std::vector<Sample>(static_cast<size_t>(n), static_cast<Sample>(-9)));
        std::vector<Sample*> inPtrs;
        std::vector<Sample*> outPtrs;
        for (int32 c = 0; c < channels; ++c) {
            inPtrs.push_back(work[static_cast<size_t>(c)].data());
            outPtrs.push_back(inPlace ? work[static_cast<size_t>(c)].data()
                                      : out[static_cast<size_t>(c)].data());
        }
        std::vector<std::vector<Sample>> want;
        {
            kelvane::platform::FlushToZeroScope ftz;
            engine->process(inPtrs.data(), outPtrs.data(), channels, n);
            want = ref.process(in, static_cast<size_t>(n));
        }
        history << (sizeof(Sample) == 4 ? "f" : "d") << channels << "x" << n
                << (inPlace ? "i " : " ");
        const auto& got = inPlace ? work : out;
        for (size_t c = 0; c < in.size() && !failed; ++c) {
            for (size_t i = 0; i < in[c].size(); ++i) {
                if (bitsOf(got[c][i]) != bitsOf(want[c][i])) {
                    fail(std::ostringstream()
                         << std::setprecision(17) << "channel " << c << " sample " << i
                         << ": engine " << got[c][i] << ", model " << want[c][i] << " (input "
                         << in[c][i] << ")");
                    break;
                }
                if (!inPlace && bitsOf(work[c][i]) != bitsOf(in[c][i])) {
                    fail(std::ostringstream()
                         << "input overwritten at channel " << c << " sample " << i);
                    break;
                }
            }
        }
        samples += n;
    }

    // A run of blocks without changes, of the given total length in samples.
    template <typename Sample>
    void still(int32 total, bool passNull, int32 channels = 0) {
        std::uniform_int_distribution<int32> size(1, 1024);
        while (total > 0 && !failed) {
            const int32 n = std::min(total, size(rng));
            const model::Changes none;
            receive(passNull ? nullptr : &none);
            run<Sample>(channels != 0 ? channels : configured, n, false);
            total -= n;
        }
    }

    long long processed() const { return samples; }
    // Samples the engine took on its bulk path for settled parameters.
    std::uint64_t bulkSamples() const { return engine->steadyStateSamples(); }

private:
    // Reports the first disagreement only, with the calls that led to it.
    void fail(const std::ostream& what) {
        failed = true;
        ADD_FAILURE() << static_cast<const std::ostringstream&>(what).str() << "\n  at rate "
                      << rate << ", " << configured << " channels, " << samples
                      << " samples into the program; recent calls (f/d: 32/64-bit, channels x "
                         "samples, i: in place, q<id>[offset:value, !: unreadable]):\n  "
                      << recent();
    }

    std::string recent() const {
        const std::string all = history.str();
        return all.size() > 1500 ? "..." + all.substr(all.size() - 1500) : all;
    }

    void describe(const model::Changes* changes) {
        history << "| ";
        if (changes == nullptr) {
            history << "null ";
            return;
        }
        for (const model::Queue& q : *changes) {
            history << "q" << q.id << "[";
            for (const model::Point& p : q.points) {
                history << p.offset << ":" << p.value << (p.readable ? "" : "!") << " ";
            }
            history << "] ";
        }
    }

    // Mostly noise, with exact zeros of both signs, denormals and values whose products
    // underflow or that round differently in float, so that any shortcut shows.
    void fill(std::vector<float>& channel, size_t n) {
        channel.resize(n);
        std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
        std::uniform_int_distribution<int> pick(0, 99);
        std::uniform_int_distribution<int> tenth(0, 9);
        const bool silent = pick(rng) < 5;
        for (float& x : channel) {
            const int p = pick(rng);
            if (silent) {
                x = p < 50 ? 0.0f : -0.0f;
            } else if (p < 94) {
                x = noise(rng);
            } else {
                static const float special[] = {0.0f,    -0.0f, 1e-40f, -1e-40f, 1e-30f,
                                                -3e-38f, 1e30f, -1.0f,  1.0f,    1e-45f};
                x = special[static_cast<size_t>(tenth(rng))];
            }
        }
    }

    void fill(std::vector<double>& channel, size_t n) {
        channel.resize(n);
        std::uniform_real_distribution<double> noise(-1.0, 1.0);
        std::uniform_int_distribution<int> pick(0, 99);
        std::uniform_int_distribution<int> tenth(0, 9);
        for (double& x : channel) {
            const int p = pick(rng);
            if (p < 94) {
                x = noise(rng);
            } else {
                static const double special[] = {0.0,    -0.0, 1e-300, -1e-41, 1e-30,
                                                 -3e-38, 1e30, -1.0,   1.0,    0.1};
                x = special[static_cast<size_t>(tenth(rng))];
            }
        }
    }

    int32 rate;
    int32 configured;
    std::mt19937 rng;
    std::unique_ptr<tivrandel::RealtimeProcessor> engine;
    std::unique_ptr<testhost::ParameterChanges> hostChanges;
    model::ReferenceEngine ref;
    bool failed = false;
    long long samples = 0;
    std::ostringstream history;
};

// Parameter values a host might send, in range and out, with the switch thresholds and NaN.
double randomValue(std::mt19937& rng) {
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int p = pick(rng);
    if (p < 60) {
        return unit(rng);
    }
    static const double special[] = {0.0,
                                     1.0,
                                     0.5,
                                     static_cast<double>(std::nextafter(0.5f, 0.0f)),
                                     0.5 - 1.0 / (1 << 30),
                                     0.25,
                                     0.75,
                                     -0.5,
                                     1.5,
                                     -1e-300,
                                     1e300,
                                     std::numeric_limits<double>::quiet_NaN(),
                                     -std::numeric_limits<double>::quiet_NaN(),
                                     std::numeric_limits<double>::infinity(),
                                     0.9999999,
                                     1e-9};
    return special[static_cast<size_t>(p) % (sizeof special / sizeof special[0])];
}

float randomStateValue(std::mt19937& rng) {
    return static_cast<float>(randomValue(rng));
}

model::State randomState(std::mt19937& rng) {
    model::State s;
    for (float& v : s.values) {
        v = randomStateValue(rng);
    }
    return s;
}

// One block's automation: a few queues with a few points each, offsets sorted or not, with
// duplicates, beyond the block, and the odd unreadable point or foreign id. (Id 4, the fine
// delay, is no foreign id: the model describes the whole-sample path, which it leaves alone.)
model::Changes randomChanges(std::mt19937& rng, int32 n) {
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int32> inBlock(0, std::max(n - 1, 0));
    model::Changes changes;
    const int queues = pick(rng) % 5;
    for (int q = 0; q < queues; ++q) {
        model::Queue queue;
        const int idPick = pick(rng);
        queue.id = idPick < 90   ? static_cast<std::uint32_t>(idPick % 4)
                   : idPick < 95 ? 5u + static_cast<std::uint32_t>(idPick % 3)
                                 : 0xFFFFFFFFu;
        const int points = pick(rng) < 5 ? 0 : 1 + pick(rng) % 5;
        const int style = pick(rng);
        for (int k = 0; k < points; ++k) {
            model::Point point;
            const int o = pick(rng);
            if (o < 8) {
                static const int32 far[] = {16777216, 1 << 30};
                point.offset = o < 6 ? n + pick(rng) * 7 : far[o % 2]; // beyond the block
            } else if (o < 10) {
                point.offset = -1 - pick(rng) % 3;
            } else if (o < 20 && !queue.points.empty()) {
                point.offset = queue.points.back().offset; // duplicate
            } else {
                point.offset = inBlock(rng);
            }
            point.value = randomValue(rng);
            point.readable = pick(rng) >= 12;
            queue.points.push_back(point);
        }
        if (style < 70) {
            std::sort(
                queue.points.begin(), queue.points.end(),
                [](const model::Point& a, const model::Point& b) { return a.offset < b.offset; });
        }
        changes.push_back(queue);
    }
    return changes;
}

struct ProgramShape {
    int32 fixedBlock = 0; // 0: varying
    int sampleSize = 0;   // 32, 64, or 0 for mixed
    int32 samples = 60000;
};

// A random program: blocks with and without automation, zero-sample calls, posted states,
// mailbox checks and still stretches, until the given number of samples has gone through.
void runProgram(SideBySide& s, const ProgramShape& shape) {
    std::mt19937& rng = s.random();
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int32> varying(1, 1500);
    const bool sixtyFour = shape.sampleSize == 64 || (shape.sampleSize == 0 && pick(rng) < 50);
    while (s.processed() < shape.samples && s.ok()) {
        const int event = pick(rng);
        int32 n = shape.fixedBlock != 0 ? shape.fixedBlock
                  : pick(rng) < 30      ? 1 + pick(rng) % 16
                                        : varying(rng);
        const bool useDouble = shape.sampleSize == 0 ? pick(rng) < 50 : sixtyFour;
        int32 channels = s.channels();
        if (pick(rng) < 20) {
            channels = 1 + pick(rng) % s.channels();
        } else if (pick(rng) < 2) {
            channels = 0; // a host whose bus has no channels still sends blocks
        }
        const bool inPlace = pick(rng) < 30;
        if (event < 45) {
            const model::Changes changes = randomChanges(rng, n);
            s.receive(&changes);
        } else if (event < 70) {
            const model::Changes none;
            s.receive(pick(rng) < 50 ? nullptr : &none);
        } else if (event < 76) {
            const model::Changes changes = randomChanges(rng, n);
            s.receive(&changes); // a zero-sample call: the host flushes parameters
            continue;
        } else if (event < 84) {
            s.post(randomState(rng));
            if (pick(rng) < 25) {
                s.post(randomState(rng));
            }
            continue;
        } else if (event < 92) {
            s.compareMailboxes();
            continue;
        } else {
            const int32 length = s.channels() > 2 ? 4000 : 12000;
            if (useDouble) {
                s.still<double>(length, pick(rng) < 50, channels);
            } else {
                s.still<float>(length, pick(rng) < 50, channels);
            }
            continue;
        }
        if (useDouble) {
            s.run<double>(channels, n, inPlace);
        } else {
            s.run<float>(channels, n, inPlace);
        }
    }
    s.compareMailboxes();
}

TEST(EngineMatchesModel, StereoProgramsAtManySampleRates) {
    const int32 rates[] = {44100, 48000, 96000, 192000, 22050,  8000, 1000, 1136, 1137,
                           11025, 44099, 12345, 176400, 384000, 100,  60,   0,    -48000};
    std::uint32_t seed = 1;
    for (int32 rate : rates) {
        for (int sampleSize : {32, 64, 0}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, seed " << seed);
            std::mt19937 stateRng(seed);
            const model::State state = seed % 2 == 0 ? model::State{} : randomState(stateRng);
            SideBySide s(rate, 2, state, seed++);
            ProgramShape shape;
            shape.sampleSize = sampleSize;
            shape.samples = 40000;
            runProgram(s, shape);
        }
    }
}

TEST(EngineMatchesModel, FixedBlockSizes) {
    std::uint32_t seed = 100;
    for (int32 block : {1, 7, 32, 128, 1024}) {
        for (int32 rate : {48000, 44100}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, blocks of " << block);
            SideBySide s(rate, 2, {}, seed++);
            ProgramShape shape;
            shape.fixedBlock = block;
            shape.samples = block == 1 ? 8000 : 50000;
            runProgram(s, shape);
        }
    }
}

// Where the machine has AVX the tests above ran its kernels; the SSE2 ones must agree as well.
TEST(EngineMatchesModel, Sse2Kernels) {
    std::uint32_t seed = 200;
    for (int32 rate : {48000, 44100, 192000, 1137}) {
        SCOPED_TRACE(testing::Message() << rate << " Hz, seed " << seed);
        SideBySide s(rate, 2, {}, seed++);
        s.useSse2Kernels();
        ProgramShape shape;
        shape.samples = 40000;
        runProgram(s, shape);
    }
}

// Time pans at which |timePan| x 0.0008 x rate lands within a few ulps of a whole number of
// samples, where the order of the products and the truncation decide the delay.
TEST(EngineMatchesModel, DelaysAtWholeSampleBoundaries) {
    std::uint32_t seed = 400;
    for (int32 rate : {44100, 48000, 96000, 192000, 22050, 44099, 176400}) {
        const float full = 0.0008f * static_cast<float>(rate);
        for (int k = 1; static_cast<float>(k) <= full; ++k) {
            float pan = static_cast<float>(k) / full;
            for (int step = 0; step < 3; ++step) {
                pan = std::nextafter(pan, 0.0f);
            }
            for (int step = 0; step < 7; ++step, pan = std::nextafter(pan, 2.0f)) {
                if (pan > 1.0f) {
                    break;
                }
                for (float sign : {1.0f, -1.0f}) {
                    // Built with the pan in force, so the smoother starts on it.
                    const float value = (sign * pan + 1.0f) * 0.5f;
                    SCOPED_TRACE(testing::Message() << rate << " Hz, time pan value " << value);
                    SideBySide s(rate, 2, makeState(0.0f, value, 0.5f, 0.0f), seed++);
                    s.receive(nullptr);
                    s.run<float>(2, 48, false);
                    ASSERT_TRUE(s.ok());
                }
            }
        }
    }
}

TEST(EngineMatchesModel, OtherChannelCounts) {
    // Engines configured for 1, 3 and 6 channels; blocks may carry fewer channels than that,
    // so a 3- or 6-channel engine also sees stereo calls and a stereo engine mono calls.
    std::uint32_t seed = 200;
    for (int32 channels : {1, 3, 6, 2}) {
        for (int32 rate : {48000, 96000, 1000}) {
            SCOPED_TRACE(testing::Message() << channels << " channels at " << rate << " Hz");
            std::mt19937 stateRng(seed);
            SideBySide s(rate, channels, randomState(stateRng), seed++);
            ProgramShape shape;
            shape.samples = 20000;
            runProgram(s, shape);
        }
    }
}

// Every kind of change, then seconds without any, then a change after the stretch: the engine's
// bulk path for settled parameters must give the same samples as the per-sample arithmetic.
TEST(EngineMatchesModel, LongStillStretchesAfterEveryKindOfChange) {
    using model::Changes;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Kind {
        const char* name;
        Changes changes;
        bool post = false;
        model::State state = {};
    };
    const Kind kinds[] = {
        {"bypass on", {{0, {{10, 1.0, true}}}}},
        {"bypass off", {{0, {{0, 0.0, true}}}}},
        {"time pan right", {{1, {{5, 1.0, true}}}}},
        {"time pan left", {{1, {{100, 0.0, true}}}}},
        {"time pan centre", {{1, {{3, 0.5, true}}}}},
        {"time pan slight", {{1, {{3, 0.5004, true}}}}},
        {"level pan", {{2, {{50, 0.9, true}, {300, 0.2, true}}}}},
        {"swap", {{3, {{7, 1.0, true}}}}},
        {"all at once",
         {{0, {{0, 0.0, true}}},
          {1, {{20, 0.8, true}}},
          {2, {{40, 0.1, true}}},
          {3, {{60, 0.6, true}}}}},
        {"point beyond the block", {{1, {{5000, 0.0, true}}}, {2, {{3000, 1.0, true}}}}},
        {"NaN and out of range",
         {{1, {{10, nan, true}}}, {2, {{12, 1.7, true}}}, {0, {{0, -0.3, true}}}}},
        {"unreadable last point", {{2, {{10, 0.3, true}, {20, 0.9, false}}}}},
        {"posted state", {}, true, makeState(0.0f, 0.9f, 0.35f, 1.0f)},
        {"posted bypass", {}, true, makeState(1.0f, 0.1f, 0.7f, 0.0f)},
    };
    std::uint32_t seed = 300;
    for (int32 rate : {48000, 192000}) {
        for (const Kind& kind : kinds) {
            SCOPED_TRACE(testing::Message() << kind.name << " at " << rate << " Hz");
            SideBySide s(rate, 2, makeState(0.0f, 0.3f, 0.6f, 0.0f), seed++);
            const bool sixtyFour = seed % 2 == 0;
            auto block = [&](int32 n) {
                if (sixtyFour) {
                    s.run<double>(2, n, false);
                } else {
                    s.run<float>(2, n, false);
                }
            };
            const Changes none;
            s.receive(&none);
            block(2000);
            if (kind.post) {
                s.post(kind.state);
                s.receive(&kind.changes);
            } else if (seed % 3 == 0) {
                s.receive(&kind.changes); // as a zero-sample call, then a plain block
                s.receive(nullptr);
            } else {
                s.receive(&kind.changes);
            }
            block(512);
            // Three seconds at 48 kHz, 1.25 s at 192 kHz: a pan smoothed toward the centre
            // decays geometrically and only settles once it underflows, 0.9 s at 192 kHz.
            const int32 stretch = rate == 48000 ? 144000 : 240000;
            const std::uint64_t bulkBefore = s.bulkSamples();
            if (sixtyFour) {
                s.still<double>(stretch, seed % 2 == 1);
            } else {
                s.still<float>(stretch, seed % 2 == 1);
            }
            // A good part of the stretch must have gone through the bulk path, or it was not
            // tested.
            EXPECT_GT(s.bulkSamples() - bulkBefore, static_cast<std::uint64_t>(stretch / 4));
            s.compareMailboxes();
            // A point so far ahead that the ramp moves by a few ulps per block: not flat.
            const Changes creep = {{2, {{1 << 30, 1.0, true}}}};
            s.receive(&creep);
            block(1024);
            const Changes after = {{1, {{30, 0.1, true}}}, {2, {{64, 0.5, true}}}};
            s.receive(&after);
            block(700);
            const Changes flip = {{0, {{0, 1.0, true}}}, {3, {{1, 1.0, true}}}};
            s.receive(&flip);
            block(64);
            if (sixtyFour) {
                s.still<double>(rate / 4, false);
            } else {
                s.still<float>(rate / 4, false);
            }
            s.compareMailboxes();
            ASSERT_TRUE(s.ok());
        }
    }
}

} // namespace
