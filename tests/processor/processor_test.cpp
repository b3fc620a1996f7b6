#include "host/hostedprocessor.h"
#include "host/processdata.h"
#include "host/streams.h"

#include "platform/flushtozero.h"

#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using testhost::HostedProcessor;
using testhost::ProcessDataBuilder;
using tivrandel::Parameters;

// Index of the first sample of the channel that is 1, or -1.
int32 impulseAt(const ProcessDataBuilder& block, int32 channel) {
    for (int32 i = 0; i < block.numSamples(); ++i) {
        if (block.output(channel, i) == 1.0) {
            return i;
        }
    }
    return -1;
}

// A stereo block with a unit impulse at sample 0 on both channels.
ProcessDataBuilder impulseBlock(int32 sampleSize = kSample32, int32 samples = 128) {
    ProcessDataBuilder block(sampleSize, 2, samples);
    block.fillInput([](int32, int32 i) { return i == 0 ? 1.0 : 0.0; });
    return block;
}

TEST(ProcessorBuses, OneStereoMainBusEachWayAndNoEventBuses) {
    HostedProcessor processor;
    EXPECT_EQ(processor->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(processor->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(processor->getBusCount(kEvent, kInput), 0);
    EXPECT_EQ(processor->getBusCount(kEvent, kOutput), 0);
    for (BusDirection direction : {kInput, kOutput}) {
        BusInfo info{};
        ASSERT_EQ(processor->getBusInfo(kAudio, direction, 0, info), kResultOk);
        EXPECT_EQ(info.busType, kMain);
        EXPECT_EQ(info.channelCount, 2);
        EXPECT_EQ(info.flags, uint32(BusInfo::kDefaultActive));
        SpeakerArrangement arrangement = 0;
        ASSERT_EQ(processor->getBusArrangement(direction, 0, arrangement), kResultTrue);
        EXPECT_EQ(arrangement, SpeakerArr::kStereo);
    }
}

TEST(ProcessorBuses, SecondInitializeIsRefusedAndAddsNoBus) {
    HostedProcessor processor;
    EXPECT_EQ(processor->initialize(&processor.host), kResultFalse);
    EXPECT_EQ(processor->getBusCount(kAudio, kInput), 1);
}

TEST(ProcessorBuses, ArrangementsMustBeOneEqualPair) {
    HostedProcessor processor;
    SpeakerArrangement mono = SpeakerArr::kMono;
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    SpeakerArrangement pair[2] = {SpeakerArr::kMono, SpeakerArr::kMono};
    EXPECT_EQ(processor->setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(pair, 2, &mono, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(&mono, 1, nullptr, 0), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(nullptr, 1, nullptr, 1), kResultFalse);
    SpeakerArrangement arrangement = 0;
    processor->getBusArrangement(kOutput, 0, arrangement);
    EXPECT_EQ(arrangement, SpeakerArr::kStereo);

    EXPECT_EQ(processor->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
    processor->getBusArrangement(kInput, 0, arrangement);
    EXPECT_EQ(arrangement, SpeakerArr::kMono);
    SpeakerArrangement surround = SpeakerArr::k51;
    EXPECT_EQ(processor->setBusArrangements(&surround, 1, &surround, 1), kResultTrue);
    processor->getBusArrangement(kOutput, 0, arrangement);
    EXPECT_EQ(arrangement, SpeakerArr::k51);
}

TEST(ProcessorSetup, SampleSizesAndRates) {
    HostedProcessor processor;
    EXPECT_EQ(processor->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(processor->canProcessSampleSize(kSample64), kResultTrue);
    EXPECT_EQ(processor->canProcessSampleSize(2), kResultFalse);
    EXPECT_EQ(processor.setup(48000.0, 2), kResultFalse);
    EXPECT_EQ(processor.setup(48000.0, kSample64), kResultOk);

    // Rates whose conversion to int32 would be undefined are refused and change nothing.
    for (double rate :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 0.5,
          0.0, -44100.0, 2147483648.0, 1e300}) {
        EXPECT_EQ(processor.setup(rate), kResultFalse) << rate;
    }
    EXPECT_EQ(processor->getTailSamples(), 240000u);
    EXPECT_EQ(processor.setup(1.0), kResultOk);
    EXPECT_EQ(processor.setup(2147483647.9), kResultOk);
    EXPECT_EQ(processor->getTailSamples(), kInfiniteTail - 1);
}

TEST(ProcessorSetup, RefusedWithoutBuses) {
    IPtr<tivrandel::Processor> processor = owned(new tivrandel::Processor);
    ProcessSetup setup{kRealtime, kSample32, 1024, 48000.0};
    EXPECT_EQ(processor->setupProcessing(setup), kResultFalse);
    ProcessDataBuilder block(kSample32, 2, 16);
    EXPECT_EQ(processor->process(block.data()), kResultFalse);
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    EXPECT_EQ(processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultFalse);
}

TEST(ProcessorSetup, TailIsFiveSecondsAndLatencyZero) {
    HostedProcessor processor;
    EXPECT_EQ(processor->getTailSamples(), 220500u); // stored default rate
    EXPECT_EQ(processor->getLatencySamples(), 0u);
    const std::pair<double, uint32> cases[] = {
        {44100.0, 220500u}, {48000.0, 240000u}, {96000.0, 480000u}, {44099.9, 220499u}};
    for (const auto& [rate, tail] : cases) {
        ASSERT_EQ(processor.setup(rate), kResultOk);
        EXPECT_EQ(processor->getTailSamples(), tail) << rate;
        EXPECT_EQ(processor->getLatencySamples(), 0u);
    }
}

// The fine delay makes the output 7 samples late while it is on, whichever way its value came:
// the host learns it from the latency, and is asked to restart when a load changes it.
TEST(ProcessorSetup, LatencyIsTheFineDelaysWhileItIsOn) {
    HostedProcessor processor;
    ASSERT_EQ(processor->setState(testhost::blobStream("{\"fineDelay\":1}")), kResultOk);
    EXPECT_EQ(processor->getLatencySamples(), 7u); // at the stored default rate
    const std::vector<std::string> ids = processor.peer.ids();
    EXPECT_NE(std::find(ids.begin(), ids.end(), "b1"), ids.end());
    for (double rate : {44100.0, 48000.0, 96000.0, 192000.0}) {
        ASSERT_EQ(processor.setup(rate), kResultOk);
        EXPECT_EQ(processor->getLatencySamples(), 7u) << rate;
    }
    // Where the time pan delays nothing, the fine delay stays off.
    ASSERT_EQ(processor.setup(1000.0), kResultOk);
    EXPECT_EQ(processor->getLatencySamples(), 0u);

    ASSERT_EQ(processor.setup(48000.0), kResultOk);
    ProcessDataBuilder off(kSample32, 2, 16);
    off.changes().add(Parameters::FineDelay, 3, 0.49);
    ASSERT_EQ(processor->process(off.data()), kResultOk);
    EXPECT_EQ(processor->getLatencySamples(), 0u);
    ProcessDataBuilder on(kSample32, 2, 16);
    on.changes().add(Parameters::FineDelay, 0, 0.5);
    ASSERT_EQ(processor->process(on.data()), kResultOk);
    EXPECT_EQ(processor->getLatencySamples(), 7u);
    ASSERT_EQ(processor->setState(testhost::blobStream("{\"timePan\":0.2}")), kResultOk);
    EXPECT_EQ(processor->getLatencySamples(), 0u);
}

TEST(ProcessorProcess, RefusedBeforeSetup) {
    HostedProcessor processor;
    ProcessDataBuilder block(kSample32, 2, 64);
    EXPECT_EQ(processor->process(block.data()), kResultFalse);
}

TEST(ProcessorProcess, ChannelCountsAgainstTheEngine) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(), kResultOk);

    ProcessDataBuilder three(kSample32, 3, 64);
    three.fillInput([](int32, int32) { return 0.25; });
    three.fillOutput(7.0);
    EXPECT_EQ(processor->process(three.data()), kResultFalse);
    EXPECT_EQ(three.output(0, 0), 7.0); // left as the host passed it

    // Mono in and out of a stereo-built engine: passed through unchanged.
    for (int32 size : {kSample32, kSample64}) {
        ASSERT_EQ(processor.setup(48000.0, size), kResultOk);
        ProcessDataBuilder mono(size, 1, 64);
        mono.fillInput([](int32, int32 i) { return 0.1 * i; });
        ASSERT_EQ(processor->process(mono.data()), kResultOk);
        for (int32 i = 0; i < 64; ++i) {
            EXPECT_EQ(mono.output(0, i), double(float(0.1 * i)));
        }
    }
}

TEST(ProcessorProcess, MalformedBuffersAreNeverTouched) {
    HostedProcessor processor;
    for (int32 size : {kSample32, kSample64}) {
        ASSERT_EQ(processor.setup(48000.0, size), kResultOk);
        ProcessDataBuilder block(size, 2, 64);
        block.fillOutput(7.0);

        ProcessData& missingBuses = block.data();
        missingBuses.inputs = nullptr;
        EXPECT_EQ(processor->process(missingBuses), kResultFalse);
        ProcessData& missingOutputs = block.data();
        missingOutputs.outputs = nullptr;
        EXPECT_EQ(processor->process(missingOutputs), kResultFalse);

        ProcessData& nullArray = block.data();
        nullArray.inputs[0].channelBuffers32 = nullptr; // shares its storage with the 64-bit one
        EXPECT_EQ(processor->process(nullArray), kResultFalse);
        ProcessData& nullOutArray = block.data();
        nullOutArray.outputs[0].channelBuffers32 = nullptr;
        EXPECT_EQ(processor->process(nullOutArray), kResultFalse);

        ProcessData& nullChannel = block.data();
        if (size == kSample32) {
            nullChannel.outputs[0].channelBuffers32[1] = nullptr;
        } else {
            nullChannel.inputs[0].channelBuffers64[1] = nullptr;
        }
        EXPECT_EQ(processor->process(nullChannel), kResultFalse);

        ProcessData& negative = block.data();
        negative.inputs[0].numChannels = -1;
        EXPECT_EQ(processor->process(negative), kResultFalse);

        ProcessData& narrowOutput = block.data();
        narrowOutput.outputs[0].numChannels = 1;
        EXPECT_EQ(processor->process(narrowOutput), kResultFalse);

        EXPECT_EQ(block.output(0, 0), 7.0);
        EXPECT_EQ(block.output(1, 63), 7.0);
    }
}

TEST(ProcessorProcess, ZeroSampleCallTakesInTheChanges) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(), kResultOk);
    ProcessDataBuilder block(kSample32, 2, 0);
    block.changes().add(Parameters::TimePan, 0, 0.125);
    EXPECT_EQ(processor->process(block.data()), kResultOk);

    ProcessDataBuilder noBuses(kSample32, 0, 16);
    noBuses.changes().add(Parameters::LevelPan, 0, 0.75);
    ProcessData& data = noBuses.data();
    data.numInputs = 0;
    data.numOutputs = 0;
    EXPECT_EQ(processor->process(data), kResultOk);

    Steinberg::MemoryStream stream;
    ASSERT_EQ(processor->getState(&stream), kResultOk);
    std::string text;
    ASSERT_TRUE(testhost::blobText(stream, text));
    EXPECT_NE(text.find("\"timePan\":0.125"), std::string::npos) << text;
    EXPECT_NE(text.find("\"levelPan\":0.75"), std::string::npos) << text;
}

TEST(ProcessorProcess, TimePanDelaysTheAwayChannelInBothWidths) {
    for (int32 size : {kSample32, kSample64}) {
        HostedProcessor processor;
        ASSERT_EQ(processor.setup(48000.0, size), kResultOk);
        ProcessDataBuilder centre = impulseBlock(size);
        ASSERT_EQ(processor->process(centre.data()), kResultOk);
        EXPECT_EQ(impulseAt(centre, 0), 0);
        EXPECT_EQ(impulseAt(centre, 1), 0);

        // Jump the ramp to full right and let the smoother settle over one second.
        ProcessDataBuilder settle(size, 2, 48000);
        settle.changes().add(Parameters::TimePan, 0, 1.0);
        ASSERT_EQ(processor->process(settle.data()), kResultOk);
        ProcessDataBuilder right = impulseBlock(size);
        ASSERT_EQ(processor->process(right.data()), kResultOk);
        EXPECT_EQ(impulseAt(right, 0), 38);
        EXPECT_EQ(impulseAt(right, 1), 0);
    }
}

TEST(ProcessorSetup, ZeroChannelOutputIsRefusedAndTheOldEngineKept) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(48000.0), kResultOk);
    SpeakerArrangement empty = SpeakerArr::kEmpty;
    ASSERT_EQ(processor->setBusArrangements(&empty, 1, &empty, 1), kResultTrue);
    EXPECT_EQ(processor.setup(44100.0), kResultFalse);

    // Still the stereo engine built for 48 kHz: full right time pan delays by 38, not 35.
    ProcessDataBuilder settle(kSample32, 2, 48000);
    settle.changes().add(Parameters::TimePan, 0, 1.0);
    ASSERT_EQ(processor->process(settle.data()), kResultOk);
    ProcessDataBuilder block = impulseBlock();
    ASSERT_EQ(processor->process(block.data()), kResultOk);
    EXPECT_EQ(impulseAt(block, 0), 38);
}

TEST(ProcessorSetup, AutomationSurvivesASecondSetup) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(48000.0), kResultOk);
    ProcessDataBuilder automated(kSample32, 2, 64);
    automated.changes().add(Parameters::TimePan, 0, 0.0);
    ASSERT_EQ(processor->process(automated.data()), kResultOk);

    // The new engine starts at the automated value, with no glide: right delayed at once.
    ASSERT_EQ(processor.setup(44100.0), kResultOk);
    ProcessDataBuilder block = impulseBlock();
    ASSERT_EQ(processor->process(block.data()), kResultOk);
    EXPECT_EQ(impulseAt(block, 0), 0);
    EXPECT_EQ(impulseAt(block, 1), 35);
}

TEST(ProcessorMessages, ActivationIsReportedWithB0) {
    HostedProcessor processor;
    EXPECT_EQ(processor->setActive(true), kResultOk);
    EXPECT_EQ(processor->setActive(false), kResultOk);
    ASSERT_EQ(processor.peer.ids(), (std::vector<std::string>{"b0", "b0"}));
    int64 value = -1;
    ASSERT_TRUE(processor.peer.intAttribute(0, "b0", value));
    EXPECT_EQ(value, 1);
    ASSERT_TRUE(processor.peer.intAttribute(1, "b0", value));
    EXPECT_EQ(value, 0);

    HostedProcessor unconnected(false);
    EXPECT_EQ(unconnected->setActive(true), kResultOk);
    EXPECT_EQ(unconnected->setActive(false), kResultOk);
    EXPECT_TRUE(unconnected.peer.messages.empty());

    // No host application: no message can be made, and that is no failure either.
    IPtr<tivrandel::Processor> bare = owned(new tivrandel::Processor);
    FUnknown* noHost = &processor.peer;
    ASSERT_EQ(bare->initialize(noHost), kResultOk);
    EXPECT_EQ(bare->setActive(true), kResultOk);
    bare->terminate();
}

TEST(ProcessorMessages, NotifyAnswers) {
    HostedProcessor processor;
    EXPECT_EQ(processor->notify(nullptr), kInvalidArgument);

    IPtr<IMessage> tick = owned(allocateMessage(&processor.host));
    ASSERT_TRUE(tick);
    tick->setMessageID("b2");
    EXPECT_EQ(processor->notify(tick), kResultFalse);

    IPtr<IMessage> text = owned(allocateMessage(&processor.host));
    text->setMessageID("TextMessage");
    text->getAttributes()->setString("Text", STR16("hello"));
    EXPECT_EQ(processor->notify(text), kResultOk);
    IPtr<IMessage> noText = owned(allocateMessage(&processor.host));
    noText->setMessageID("TextMessage");
    EXPECT_EQ(processor->notify(noText), kResultFalse);
}

// A message whose attribute list is missing, which the SDK's text handling would dereference.
class BareMessage : public IMessage {
public:
    BareMessage() { FUNKNOWN_CTOR }
    virtual ~BareMessage() { FUNKNOWN_DTOR }
    const char* PLUGIN_API getMessageID() override { return "TextMessage"; }
    void PLUGIN_API setMessageID(const char*) override {}
    IAttributeList* PLUGIN_API getAttributes() override { return nullptr; }
    DECLARE_FUNKNOWN_METHODS
};
IMPLEMENT_FUNKNOWN_METHODS(BareMessage, IMessage, IMessage::iid)

TEST(ProcessorMessages, TextMessageWithoutAttributesIsRefused) {
    HostedProcessor processor;
    BareMessage message;
    EXPECT_EQ(processor->notify(&message), kResultFalse);
}

TEST(ProcessorProcess, FlushToZeroIsOnDuringProcessAndTheCallersSettingRestored) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(), kResultOk);
    const bool original = kelvane::platform::flushToZeroEnabled();
    for (bool callerSetting : {false, true}) {
        kelvane::platform::setFlushToZero(callerSetting);
        ProcessDataBuilder block(kSample32, 2, 16);
        // At unit gain a denormal input comes out unchanged only if results are not flushed.
        block.fillInput(
            [](int32, int32) { return double(std::numeric_limits<float>::denorm_min()); });
        ASSERT_EQ(processor->process(block.data()), kResultOk);
        EXPECT_EQ(kelvane::platform::flushToZeroEnabled(), callerSetting);
        EXPECT_EQ(block.output(0, 15), 0.0);

        // Also on the refused and the empty paths.
        ProcessDataBuilder three(kSample32, 3, 16);
        EXPECT_EQ(processor->process(three.data()), kResultFalse);
        EXPECT_EQ(kelvane::platform::flushToZeroEnabled(), callerSetting);
    }
    kelvane::platform::setFlushToZero(original);
}

TEST(ProcessorProcess, InPlaceBuffersAreProcessed) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(48000.0), kResultOk);
    ProcessDataBuilder settle(kSample32, 2, 48000, true);
    settle.changes().add(Parameters::TimePan, 0, 0.0);
    ASSERT_EQ(processor->process(settle.data()), kResultOk);
    ProcessDataBuilder block(kSample32, 2, 128, true);
    block.fillInput([](int32, int32 i) { return i == 0 ? 1.0 : 0.0; });
    ASSERT_EQ(processor->process(block.data()), kResultOk);
    EXPECT_EQ(impulseAt(block, 0), 0);
    EXPECT_EQ(impulseAt(block, 1), 38);
}

} // namespace
