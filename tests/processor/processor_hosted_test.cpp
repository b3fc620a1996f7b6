// What an adapter of another format may do beyond a VST3 host: values set outside blocks, which
// the next save holds and the next engine starts from, and blocks of either sample size.

#include "host/hostedprocessor.h"
#include "host/processdata.h"
#include "host/streams.h"

#include "framework/hostedprocessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using kelvane::vst::IHostedProcessor;
using testhost::HostedProcessor;
using testhost::ProcessDataBuilder;
using tivrandel::Parameters;

std::string savedBlob(HostedProcessor& processor) {
    MemoryStream stream;
    EXPECT_EQ(processor->getState(&stream), kResultOk);
    return testhost::bytesOf(stream);
}

IPtr<IHostedProcessor> hostedOf(HostedProcessor& processor) {
    return FUnknownPtr<IHostedProcessor>(static_cast<IAudioProcessor*>(processor.processor.get()));
}

// The blob of a processor that received the values as a VST3 host's block would hand them.
std::string blobAfterBlock(const double (&values)[4]) {
    HostedProcessor reference;
    EXPECT_EQ(reference.setup(), kResultOk);
    ProcessDataBuilder block(kSample32, 2, 0);
    for (int32 id = 0; id < 4; ++id) {
        block.changes().add(static_cast<ParamID>(id), 0, values[id]);
    }
    EXPECT_EQ(reference->process(block.data()), kResultOk);
    return savedBlob(reference);
}

TEST(ProcessorHosted, AValueSetOutsideBlocksIsInTheNextSaveAsABlocksValueWouldBe) {
    const double values[4] = {1.0, 0.1, 0.3, 1.0};
    const std::string expected = blobAfterBlock(values);

    // Before any setup, with no engine at all.
    HostedProcessor fresh;
    IPtr<IHostedProcessor> hosted = hostedOf(fresh);
    ASSERT_TRUE(hosted);
    for (int32 id = 0; id < 4; ++id) {
        EXPECT_EQ(hosted->setParameterValue(static_cast<ParamID>(id), values[id]), kResultOk);
    }
    EXPECT_EQ(savedBlob(fresh), expected);
    // And again after the save took them in.
    EXPECT_EQ(savedBlob(fresh), expected);

    EXPECT_EQ(hosted->setParameterValue(Parameters::count, 0.5), kInvalidArgument);
    EXPECT_EQ(hosted->setParameterValue(1, std::nan("")), kInvalidArgument);
    EXPECT_EQ(hosted->setParameterValue(1, std::numeric_limits<double>::infinity()),
              kInvalidArgument);
    EXPECT_EQ(savedBlob(fresh), expected);
}

TEST(ProcessorHosted, TheLaterOfABlockAndAValueSetOutsideWinsAndALoadSupersedesBoth) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(), kResultOk);
    IPtr<IHostedProcessor> hosted = hostedOf(processor);
    ASSERT_TRUE(hosted);

    ASSERT_EQ(hosted->setParameterValue(Parameters::LevelPan, 0.25), kResultOk);
    ProcessDataBuilder block(kSample32, 2, 16);
    block.changes().add(Parameters::LevelPan, 8, 0.75);
    ASSERT_EQ(processor->process(block.data()), kResultOk);
    EXPECT_NE(savedBlob(processor).find("\"levelPan\":0.75"), std::string::npos);

    ProcessDataBuilder later(kSample32, 2, 16);
    later.changes().add(Parameters::LevelPan, 0, 0.5);
    ASSERT_EQ(processor->process(later.data()), kResultOk);
    ASSERT_EQ(hosted->setParameterValue(Parameters::LevelPan, 0.125), kResultOk);
    EXPECT_NE(savedBlob(processor).find("\"levelPan\":0.125"), std::string::npos);

    // A load drops what came in before it.
    ASSERT_EQ(hosted->setParameterValue(Parameters::TimePan, 0.0), kResultOk);
    ASSERT_EQ(processor->setState(testhost::blobStream("{\"timePan\":0.625}")), kResultOk);
    const std::string loaded = savedBlob(processor);
    EXPECT_NE(loaded.find("\"timePan\":0.625"), std::string::npos) << loaded;
    EXPECT_NE(loaded.find("\"levelPan\":0.5"), std::string::npos) << loaded;
}

TEST(ProcessorHosted, TheNextEngineStartsWhereAValueSetWhileInactiveLeftIt) {
    // Full right from the first sample: the left ear is 38 samples late at 48 kHz at once.
    HostedProcessor processor;
    IPtr<IHostedProcessor> hosted = hostedOf(processor);
    ASSERT_TRUE(hosted);
    ASSERT_EQ(hosted->setParameterValue(Parameters::TimePan, 1.0), kResultOk);
    ASSERT_EQ(processor.setup(48000.0), kResultOk);
    ProcessDataBuilder block(kSample32, 2, 64);
    block.fillInput([](int32, int32 i) { return i == 0 ? 1.0 : 0.0; });
    block.withoutChanges();
    ASSERT_EQ(processor->process(block.data()), kResultOk);
    EXPECT_EQ(block.output(0, 38), 1.0);
    EXPECT_EQ(block.output(1, 0), 1.0);
}

TEST(ProcessorHosted, EitherSampleSizeOnlyWhenTheAdapterSaysSo) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(48000.0, kSample32), kResultOk);
    IPtr<IHostedProcessor> hosted = hostedOf(processor);
    ASSERT_TRUE(hosted);

    ProcessDataBuilder wide(kSample64, 2, 32);
    wide.fillInput([](int32 c, int32 i) { return c == 0 ? 0.25 * i : -0.5; });
    wide.fillOutput(7.0);
    EXPECT_EQ(processor->process(wide.data()), kResultFalse);
    EXPECT_EQ(wide.output(0, 0), 7.0);

    ASSERT_EQ(hosted->acceptEitherSampleSize(true), kResultOk);
    ASSERT_EQ(processor->process(wide.data()), kResultOk);
    ProcessDataBuilder narrow(kSample32, 2, 32);
    narrow.fillInput([](int32 c, int32 i) { return c == 0 ? 0.25 * (i + 32) : -0.5; });
    ASSERT_EQ(processor->process(narrow.data()), kResultOk);
    for (int32 i = 0; i < 32; ++i) {
        EXPECT_EQ(wide.output(0, i), 0.25 * i);
        EXPECT_EQ(narrow.output(0, i), 0.25 * (i + 32));
        EXPECT_EQ(narrow.output(1, i), -0.5);
    }
    // Still no width that is neither.
    ProcessDataBuilder odd(kSample32, 2, 32);
    ProcessData& data = odd.data();
    data.symbolicSampleSize = 2;
    EXPECT_EQ(processor->process(data), kResultFalse);

    ASSERT_EQ(hosted->acceptEitherSampleSize(false), kResultOk);
    EXPECT_EQ(processor->process(wide.data()), kResultFalse);
}

} // namespace
