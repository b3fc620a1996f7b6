// Blocks as careless hosts pass them: another sample size than the one set up, no input or
// fewer input channels than outputs, a refused setup; and a mono source to a stereo output.

#include "host/hostedprocessor.h"
#include "host/processdata.h"
#include "host/streams.h"

#include "pluginterfaces/vst/vstspeaker.h"

#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using testhost::HostedProcessor;
using testhost::ProcessDataBuilder;
using tivrandel::Parameters;

std::string savedState(HostedProcessor& processor) {
    Steinberg::MemoryStream stream;
    EXPECT_EQ(processor->getState(&stream), kResultOk);
    std::string text;
    EXPECT_TRUE(testhost::blobText(stream, text));
    return text;
}

TEST(ProcessorBlocks, ABlockInAnotherSampleSizeIsRefusedUnread) {
    const std::pair<int32, int32> cases[] = {
        {kSample32, kSample64}, {kSample32, 2}, {kSample64, kSample32}, {kSample64, -1}};
    for (const auto& [setUp, passed] : cases) {
        SCOPED_TRACE(std::to_string(setUp) + " set up, " + std::to_string(passed) + " passed");
        HostedProcessor processor;
        ASSERT_EQ(processor.setup(48000.0, setUp), kResultOk);
        // The buffers are those of the width set up; the block claims another.
        ProcessDataBuilder block(setUp, 2, 64);
        block.fillInput([](int32, int32) { return 0.5; });
        block.fillOutput(7.0);
        block.changes().add(Parameters::LevelPan, 0, 0.875);
        ProcessData& data = block.data();
        data.symbolicSampleSize = passed;
        EXPECT_EQ(processor->process(data), kResultFalse);
        EXPECT_EQ(block.output(0, 0), 7.0);
        EXPECT_EQ(block.output(1, 63), 7.0);
        EXPECT_EQ(savedState(processor).find("0.875"), std::string::npos) << "changes read";

        // The width that was set up still goes through.
        ProcessDataBuilder good(setUp, 2, 64);
        good.fillInput([](int32, int32) { return 0.5; });
        EXPECT_EQ(processor->process(good.data()), kResultOk);
        EXPECT_EQ(good.output(1, 63), 0.5);
    }
}

TEST(ProcessorBlocks, ARefusedSetupChangesNothing) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(48000.0, kSample64), kResultOk);
    ASSERT_EQ(processor->getTailSamples(), 240000u);

    EXPECT_EQ(processor.setup(96000.0, 2), kResultFalse); // unsupported sample size
    EXPECT_EQ(processor.setup(std::numeric_limits<double>::infinity(), kSample32), kResultFalse);
    SpeakerArrangement empty = SpeakerArr::kEmpty;
    ASSERT_EQ(processor->setBusArrangements(&empty, 1, &empty, 1), kResultTrue);
    EXPECT_EQ(processor.setup(96000.0, kSample32), kResultFalse); // no output channel
    EXPECT_EQ(processor->getTailSamples(), 240000u);

    // Still 64-bit blocks at 48 kHz, not the 32-bit size of the refused setups.
    ProcessDataBuilder wide(kSample64, 2, 16);
    EXPECT_EQ(processor->process(wide.data()), kResultOk);
    ProcessDataBuilder narrow(kSample32, 2, 16);
    EXPECT_EQ(processor->process(narrow.data()), kResultFalse);
}

TEST(ProcessorBlocks, OutputsThatNoInputReachesAreSilentAndFlagged) {
    for (int32 size : {kSample32, kSample64}) {
        SCOPED_TRACE(size == kSample32 ? "32-bit" : "64-bit");
        HostedProcessor processor;
        ASSERT_EQ(processor.setup(48000.0, size), kResultOk);

        // No input bus at all, and an input bus without channels.
        for (bool noBus : {true, false}) {
            ProcessDataBuilder block(size, 2, 64);
            block.fillOutput(7.0);
            ProcessData& data = block.data();
            if (noBus) {
                data.numInputs = 0;
                data.inputs = nullptr;
            } else {
                data.inputs[0].numChannels = 0;
            }
            data.outputs[0].silenceFlags = 0;
            ASSERT_EQ(processor->process(data), kResultOk);
            EXPECT_EQ(data.outputs[0].silenceFlags, 3u);
            for (int32 c = 0; c < 2; ++c) {
                for (int32 i = 0; i < 64; ++i) {
                    ASSERT_EQ(block.output(c, i), 0.0) << c << " " << i;
                }
            }
        }

        // A pass-through bus with fewer input channels than outputs: the rest are silent.
        SpeakerArrangement surround = SpeakerArr::k51;
        ASSERT_EQ(processor->setBusArrangements(&surround, 1, &surround, 1), kResultTrue);
        ASSERT_EQ(processor.setup(48000.0, size), kResultOk);
        ProcessDataBuilder block(size, 6, 32);
        block.fillInput([](int32 c, int32 i) { return 0.25 * c + 0.001 * i; });
        block.fillOutput(7.0);
        ProcessData& data = block.data();
        data.inputs[0].numChannels = 4;
        data.outputs[0].silenceFlags = ~uint64(0);
        ASSERT_EQ(processor->process(data), kResultOk);
        EXPECT_EQ(data.outputs[0].silenceFlags, 0x30u);
        for (int32 i = 0; i < 32; ++i) {
            EXPECT_EQ(block.output(3, i), double(float(0.75 + 0.001 * i)));
            EXPECT_EQ(block.output(4, i), 0.0);
            EXPECT_EQ(block.output(5, i), 0.0);
        }

        // More output channels than the bus has is refused, untouched.
        ProcessDataBuilder wide(size, 7, 32);
        wide.fillOutput(7.0);
        ProcessData& wideData = wide.data();
        wideData.inputs[0].numChannels = 1;
        EXPECT_EQ(processor->process(wideData), kResultFalse);
        EXPECT_EQ(wide.output(6, 0), 7.0);
    }
}

TEST(ProcessorBlocks, MonoInStereoOutIsNegotiable) {
    HostedProcessor processor;
    SpeakerArrangement mono = SpeakerArr::kMono;
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    SpeakerArrangement surround = SpeakerArr::k51;
    EXPECT_EQ(processor->setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(&mono, 1, &surround, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(&mono, 1, &stereo, 1), kResultTrue);

    const std::pair<BusDirection, SpeakerArrangement> expected[] = {{kInput, SpeakerArr::kMono},
                                                                    {kOutput, SpeakerArr::kStereo}};
    for (const auto& [direction, arrangement] : expected) {
        SpeakerArrangement found = 0;
        ASSERT_EQ(processor->getBusArrangement(direction, 0, found), kResultTrue);
        EXPECT_EQ(found, arrangement);
        BusInfo info{};
        ASSERT_EQ(processor->getBusInfo(kAudio, direction, 0, info), kResultOk);
        EXPECT_EQ(info.channelCount, SpeakerArr::getChannelCount(arrangement));
    }
    EXPECT_EQ(processor.setup(), kResultOk);

    // Back to mono on both sides: a pass-through again.
    ASSERT_EQ(processor->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
    ASSERT_EQ(processor.setup(), kResultOk);
    ProcessDataBuilder block(kSample32, 1, 16);
    block.fillInput([](int32, int32 i) { return 0.01 * i; });
    ASSERT_EQ(processor->process(block.data()), kResultOk);
    EXPECT_EQ(block.output(0, 15), double(float(0.15)));
}

// One block of a mono source: the mono buffer, two output buffers, and where the host puts the
// mono buffer among the outputs (-1: apart).
template <typename Sample>
struct MonoBlock {
    MonoBlock(const std::vector<Sample>& source, int32 aliasedOutput)
        : mono(source), out(2, std::vector<Sample>(source.size(), Sample(7))),
          aliased(aliasedOutput) {
        monoPointer = mono.data();
        for (int32 c = 0; c < 2; ++c) {
            outPointers[c] = c == aliased ? mono.data() : out[size_t(c)].data();
        }
    }

    ProcessData& data(testhost::ParameterChanges& changes) {
        inBus = AudioBusBuffers{};
        outBus = AudioBusBuffers{};
        inBus.numChannels = 1;
        outBus.numChannels = 2;
        if constexpr (sizeof(Sample) == sizeof(double)) {
            inBus.channelBuffers64 = &monoPointer;
            outBus.channelBuffers64 = outPointers;
        } else {
            inBus.channelBuffers32 = &monoPointer;
            outBus.channelBuffers32 = outPointers;
        }
        processData = ProcessData{};
        processData.symbolicSampleSize = sizeof(Sample) == sizeof(double) ? kSample64 : kSample32;
        processData.numSamples = int32(mono.size());
        processData.numInputs = 1;
        processData.numOutputs = 1;
        processData.inputs = &inBus;
        processData.outputs = &outBus;
        processData.inputParameterChanges = &changes;
        return processData;
    }

    std::vector<Sample> output(int32 channel) const {
        return channel == aliased ? mono : out[size_t(channel)];
    }

    std::vector<Sample> mono;
    std::vector<std::vector<Sample>> out;
    int32 aliased;
    Sample* monoPointer = nullptr;
    Sample* outPointers[2] = {};
    AudioBusBuffers inBus{}, outBus{};
    ProcessData processData;
};

template <typename Sample>
void expectMonoMatchesDuplicatedStereo(int32 aliased) {
    const int32 size = sizeof(Sample) == sizeof(double) ? kSample64 : kSample32;
    HostedProcessor monoSource;
    SpeakerArrangement mono = SpeakerArr::kMono;
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    ASSERT_EQ(monoSource->setBusArrangements(&mono, 1, &stereo, 1), kResultTrue);
    ASSERT_EQ(monoSource.setup(48000.0, size), kResultOk);
    HostedProcessor duplicated;
    ASSERT_EQ(duplicated.setup(48000.0, size), kResultOk);

    std::mt19937 generator(7);
    std::uniform_real_distribution<double> distribution(-1.0, 1.0);
    // Short automated blocks (the ramped path), then long unchanging ones (the steady path,
    // with either delay and swap on and off).
    const int32 lengths[] = {64, 300, 4000, 4000, 1000, 5000, 5000, 17};
    for (int32 b = 0; b < int32(std::size(lengths)); ++b) {
        SCOPED_TRACE("block " + std::to_string(b));
        std::vector<Sample> source(size_t(lengths[b]));
        for (Sample& sample : source) {
            sample = Sample(distribution(generator));
        }
        const auto automate = [b](testhost::ParameterChanges& changes) {
            if (b < 2) {
                changes.add(Parameters::TimePan, 0, 0.2).add(Parameters::TimePan, 50, 0.95);
                changes.add(Parameters::LevelPan, 10, 0.3);
            } else if (b == 4) {
                changes.add(Parameters::TimePan, 0, 0.05).add(Parameters::SwapChannels, 0, 1.0);
            } else if (b == 7) {
                changes.add(Parameters::Bypass, 3, 1.0);
            }
        };

        testhost::ParameterChanges changes;
        automate(changes);
        MonoBlock<Sample> block(source, aliased);
        ASSERT_EQ(monoSource->process(block.data(changes)), kResultOk);

        ProcessDataBuilder reference(size, 2, lengths[b]);
        reference.fillInput([&](int32, int32 i) { return double(source[size_t(i)]); });
        automate(reference.changes());
        ASSERT_EQ(duplicated->process(reference.data()), kResultOk);
        for (int32 c = 0; c < 2; ++c) {
            const std::vector<Sample> got = block.output(c);
            for (int32 i = 0; i < lengths[b]; ++i) {
                ASSERT_EQ(got[size_t(i)], Sample(reference.output(c, i)))
                    << "channel " << c << " sample " << i;
            }
        }
        EXPECT_EQ(block.outBus.silenceFlags, 0u);
    }
}

TEST(ProcessorBlocks, AMonoSourceGivesWhatTheSameSignalOnBothChannelsGives) {
    for (int32 aliased : {-1, 0, 1}) {
        SCOPED_TRACE("mono buffer is output " + std::to_string(aliased));
        expectMonoMatchesDuplicatedStereo<float>(aliased);
        expectMonoMatchesDuplicatedStereo<double>(aliased);
    }
}

} // namespace
