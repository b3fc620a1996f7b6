#include "host/hostedprocessor.h"
#include "host/processdata.h"
#include "host/streams.h"

#include <gtest/gtest.h>
#include <picojson.h>

#include <clocale>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using testhost::blobBytes;
using testhost::blobStream;
using testhost::FailingStream;
using testhost::HostedProcessor;
using testhost::ProcessDataBuilder;
using testhost::streamOf;
using tivrandel::Parameters;

const char* const defaultText = "{\"bypass\":0,\"levelPan\":0.5,\"swapChannels\":0,\"timePan\":0.5,"
                                "\"version\":1,\"writer\":\"Tivrandel processor\"}";

std::string savedText(tivrandel::Processor& processor) {
    MemoryStream stream;
    EXPECT_EQ(processor.getState(&stream), kResultOk);
    std::string text;
    EXPECT_TRUE(testhost::blobText(stream, text));
    return text;
}

// The four saved values of the parameters that every state holds, read back as the floats they
// were widened from.
std::vector<float> savedValues(tivrandel::Processor& processor) {
    picojson::value document;
    const std::string error = picojson::parse(document, savedText(processor));
    EXPECT_TRUE(error.empty()) << error;
    std::vector<float> values;
    for (ParamID id = 0; id < Parameters::FineDelay; ++id) {
        values.push_back(float(document.get(Parameters::describe(id).stateKey).get<double>()));
    }
    return values;
}

tresult load(tivrandel::Processor& processor, const std::string& text) {
    return processor.setState(blobStream(text));
}

// Settles the engine's smoothers, then sends an impulse and answers where it first comes out on
// the left and on the right.
std::pair<int32, int32> impulseDelays(tivrandel::Processor& processor) {
    ProcessDataBuilder settle(kSample32, 2, 48000);
    processor.process(settle.data());
    ProcessDataBuilder block(kSample32, 2, 128);
    block.fillInput([](int32, int32 i) { return i == 0 ? 1.0 : 0.0; });
    processor.process(block.data());
    std::pair<int32, int32> at{-1, -1};
    for (int32 i = block.numSamples() - 1; i >= 0; --i) {
        if (block.output(0, i) != 0.0) {
            at.first = i;
        }
        if (block.output(1, i) != 0.0) {
            at.second = i;
        }
    }
    return at;
}

TEST(ProcessorState, DefaultBlobIsCompactSortedAndLengthPrefixed) {
    HostedProcessor processor;
    MemoryStream stream;
    ASSERT_EQ(processor->getState(&stream), kResultOk);
    EXPECT_EQ(testhost::bytesOf(stream), blobBytes(defaultText));

    ASSERT_EQ(processor.setup(), kResultOk);
    EXPECT_EQ(savedText(*processor), defaultText);
}

TEST(ProcessorState, TheFineDelayIsSavedOnlyWhileOnAndABlobWithoutItLoadsAsOff) {
    HostedProcessor processor;
    ASSERT_EQ(load(*processor, "{\"fineDelay\":1}"), kResultOk);
    EXPECT_EQ(savedText(*processor),
              "{\"bypass\":0,\"fineDelay\":1,\"levelPan\":0.5,\"swapChannels\":0,"
              "\"timePan\":0.5,\"version\":1,\"writer\":\"Tivrandel processor\"}");
    ASSERT_EQ(load(*processor, "{\"fineDelay\":0.25}"), kResultOk);
    EXPECT_EQ(savedText(*processor), defaultText);
    ASSERT_EQ(load(*processor, "{\"fineDelay\":1}"), kResultOk);
    ASSERT_EQ(load(*processor, "{\"timePan\":0.5}"), kResultOk);
    EXPECT_EQ(savedText(*processor), defaultText);
}

TEST(ProcessorState, MissingAndMistypedMembersTakeTheirDefaults) {
    HostedProcessor processor;
    ASSERT_EQ(load(*processor, "{\"bypass\":1,\"timePan\":1,\"levelPan\":1,\"swapChannels\":1}"),
              kResultOk);
    ASSERT_EQ(load(*processor, "{\"timePan\":0.25}"), kResultOk);
    EXPECT_EQ(savedValues(*processor), (std::vector<float>{0.0f, 0.25f, 0.5f, 0.0f}));

    ASSERT_EQ(load(*processor, "{\"bypass\":\"1\",\"timePan\":\"0.7\",\"levelPan\":[0.1],"
                               "\"swapChannels\":null,\"version\":\"x\",\"other\":3}"),
              kResultOk);
    EXPECT_EQ(savedText(*processor), defaultText);

    // Text after the first complete value is ignored; values beyond [0, 1] are kept.
    ASSERT_EQ(load(*processor, "{\"levelPan\":1.7,\"bypass\":-2} and more"), kResultOk);
    EXPECT_EQ(savedValues(*processor), (std::vector<float>{-2.0f, 0.5f, 1.7f, 0.0f}));
}

TEST(ProcessorState, BadBlobsAreRefusedLeavingStateAndEngineAlone) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(48000.0), kResultOk);
    ASSERT_EQ(load(*processor, "{\"timePan\":0.0,\"levelPan\":0.25}"), kResultOk);
    // Automation after the load, not yet taken into the state: a refused load must neither
    // discard it nor post the state to the engine.
    ProcessDataBuilder automated(kSample32, 2, 16);
    automated.changes().add(Parameters::TimePan, 0, 1.0);
    ASSERT_EQ(processor->process(automated.data()), kResultOk);

    const std::string refused[] = {
        blobBytes("[0.5,0.5]"),
        blobBytes("0.5"),
        blobBytes("\"text\""),
        blobBytes(""),
        blobBytes("{\"timePan\":0.5"),
        blobBytes("{\"timePan\":1e999}"),
        blobBytes("{\"timePan\":-1e999}"),
        blobBytes(40, "{\"timePan\":0.5}"),
        blobBytes((1u << 20) + 1, "{\"timePan\":0.5}"),
        blobBytes(0xFFFFFFFFu, "{\"timePan\":0.5}"),
        std::string("\x05\x00\x00", 3),
        std::string(),
    };
    for (const std::string& bytes : refused) {
        EXPECT_EQ(processor->setState(streamOf(bytes)), kResultFalse) << bytes.substr(4);
    }
    EXPECT_EQ(processor->setState(nullptr), kResultFalse);
    const std::string good = blobBytes("{\"timePan\":0.5}");
    for (auto mode : {FailingStream::Mode::Fail, FailingStream::Mode::Short}) {
        for (int32 limit : {0, 3, 4, 10}) {
            FailingStream stream(good, limit, mode);
            EXPECT_EQ(processor->setState(&stream), kResultFalse) << limit;
        }
    }

    EXPECT_EQ(savedValues(*processor), (std::vector<float>{0.0f, 1.0f, 0.25f, 0.0f}));
    EXPECT_EQ(impulseDelays(*processor), std::make_pair(38, 0));
}

TEST(ProcessorState, FailedWritesAreReported) {
    HostedProcessor processor;
    EXPECT_EQ(processor->getState(nullptr), kResultFalse);
    const auto length = int32(std::strlen(defaultText));
    for (auto mode : {FailingStream::Mode::Fail, FailingStream::Mode::Short}) {
        for (int32 limit : {0, 2, 4, 4 + length - 1}) {
            FailingStream stream("", limit, mode);
            EXPECT_EQ(processor->getState(&stream), kResultFalse) << limit;
        }
        FailingStream enough("", 4 + length, mode);
        EXPECT_EQ(processor->getState(&enough), kResultOk);
        EXPECT_EQ(enough.bytes, blobBytes(defaultText));
    }
}

TEST(ProcessorState, FloatsRoundTripBitForBitInSeventeenDigits) {
    HostedProcessor processor;
    ASSERT_EQ(load(*processor, "{\"timePan\":0.30000001192092896}"), kResultOk);
    EXPECT_NE(savedText(*processor).find("\"timePan\":0.30000001192092896"), std::string::npos);

    std::mt19937 random(7);
    std::uniform_int_distribution<std::uint32_t> bits;
    std::vector<float> values = {std::numeric_limits<float>::denorm_min(),
                                 std::numeric_limits<float>::max(), -0.0f, 0.1f};
    while (values.size() < 400) {
        std::uint32_t word = bits(random);
        float value = 0.0f;
        std::memcpy(&value, &word, sizeof value);
        if (std::isfinite(value)) {
            values.push_back(value);
        }
    }
    for (size_t first = 0; first + 4 <= values.size(); first += 4) {
        // Write the four through the processor once, then load and save the text again.
        picojson::object object;
        for (ParamID id = 0; id < 4; ++id) {
            object[Parameters::describe(id).stateKey] = picojson::value(double(values[first + id]));
        }
        ASSERT_EQ(load(*processor, picojson::value(object).serialize()), kResultOk);
        const std::string text = savedText(*processor);
        const std::vector<float> saved = savedValues(*processor);
        for (ParamID id = 0; id < 4; ++id) {
            EXPECT_EQ(std::memcmp(&saved[id], &values[first + id], sizeof(float)), 0)
                << values[first + id];
        }
        ASSERT_EQ(load(*processor, text), kResultOk);
        EXPECT_EQ(savedText(*processor), text);
    }
}

TEST(ProcessorState, DecimalPointIndependentOfTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    }
    HostedProcessor processor;
    const tresult loaded = load(*processor, "{\"timePan\":0.25,\"levelPan\":0.30000001192092896}");
    const std::string text = savedText(*processor);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(loaded, kResultOk);
    EXPECT_EQ(text, "{\"bypass\":0,\"levelPan\":0.30000001192092896,\"swapChannels\":0,"
                    "\"timePan\":0.25,\"version\":1,\"writer\":\"Tivrandel processor\"}");
}

TEST(ProcessorState, NonFiniteValuesAreSavedAsWhatTheEngineUses) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(), kResultOk);
    ProcessDataBuilder block(kSample32, 2, 0);
    block.changes().add(Parameters::TimePan, 0, std::numeric_limits<double>::infinity());
    block.changes().add(Parameters::LevelPan, 0, -std::numeric_limits<double>::infinity());
    block.changes().add(Parameters::Bypass, 0, 1e300); // beyond float: infinity
    ASSERT_EQ(processor->process(block.data()), kResultOk);
    EXPECT_EQ(savedValues(*processor), (std::vector<float>{1.0f, 1.0f, 0.0f, 0.0f}));

    // A number that fits a double but not a float loads as infinity and saves as 1.
    ASSERT_EQ(load(*processor, "{\"timePan\":1e300,\"levelPan\":-1e300}"), kResultOk);
    EXPECT_EQ(savedValues(*processor), (std::vector<float>{0.0f, 1.0f, 0.0f, 0.0f}));
}

TEST(ProcessorState, AutomationIsSavedWithoutANewSetup) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(), kResultOk);
    ProcessDataBuilder block(kSample32, 2, 64);
    block.changes().add(Parameters::TimePan, 10, 0.5).add(Parameters::TimePan, 40, 0.875);
    ASSERT_EQ(processor->process(block.data()), kResultOk);
    EXPECT_EQ(savedValues(*processor), (std::vector<float>{0.0f, 0.875f, 0.5f, 0.0f}));
}

TEST(ProcessorState, LoadedStateBeatsEarlierAutomationAndAppliesAtTheNextBlock) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(48000.0), kResultOk);
    ProcessDataBuilder automated(kSample32, 2, 64);
    automated.changes().add(Parameters::TimePan, 0, 0.0).add(Parameters::LevelPan, 0, 0.0);
    ASSERT_EQ(processor->process(automated.data()), kResultOk);

    ASSERT_EQ(load(*processor, "{\"timePan\":1.0}"), kResultOk);
    EXPECT_EQ(savedValues(*processor), (std::vector<float>{0.0f, 1.0f, 0.5f, 0.0f}));
    EXPECT_EQ(impulseDelays(*processor), std::make_pair(38, 0));
}

TEST(ProcessorState, StateLoadedBeforeSetupBuildsTheEngine) {
    HostedProcessor processor;
    ASSERT_EQ(load(*processor, "{\"timePan\":0.0}"), kResultOk);
    ASSERT_EQ(processor.setup(44100.0), kResultOk);
    ProcessDataBuilder block(kSample32, 2, 64);
    block.fillInput([](int32, int32 i) { return i == 0 ? 1.0 : 0.0; });
    ASSERT_EQ(processor->process(block.data()), kResultOk);
    EXPECT_EQ(block.output(0, 0), 1.0);
    EXPECT_EQ(block.output(1, 35), 1.0);
}

} // namespace
