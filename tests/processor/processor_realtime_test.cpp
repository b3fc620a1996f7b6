// The audio path must not allocate or lock: process() runs through every path while the
// allocation functions and mutex locks are counted.

#include "host/hostedprocessor.h"
#include "host/processdata.h"
#include "host/streams.h"

#include "support/allocationcounter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using testhost::HostedProcessor;
using testhost::ProcessDataBuilder;
using tivrandel::Parameters;

// Allocations and locks made by process() on an already built ProcessData.
long allocationsIn(tivrandel::Processor& processor, ProcessData& data, tresult expected) {
    testhost::AllocationCounter counter;
    const tresult result = processor.process(data);
    counter.stop();
    EXPECT_EQ(result, expected);
    return counter.total();
}

TEST(ProcessorRealtime, CountingIsLive) {
    testhost::AllocationCounter counter;
    // Volatile, so that the compiler cannot elide the pairs.
    int* volatile object = new int(3);
    void* volatile memory = std::malloc(8);
    std::mutex mutex;
    mutex.lock();
    mutex.unlock();
    counter.stop();
    delete object;
    std::free(memory);
    EXPECT_GE(counter.allocations(), testhost::AllocationCounter::countsMalloc() ? 2 : 1);
    if (testhost::AllocationCounter::countsLocks()) {
        EXPECT_EQ(counter.locks(), 1);
    }
}

TEST(ProcessorRealtime, ProcessAllocatesNothingOnAnyPath) {
    for (int32 size : {kSample32, kSample64}) {
        HostedProcessor processor;
        ASSERT_EQ(processor.setup(48000.0, size), kResultOk);
        SCOPED_TRACE(size == kSample32 ? "32-bit" : "64-bit");

        ProcessDataBuilder first(size, 2, 512);
        first.fillInput([](int32 c, int32 i) { return 0.5 * c - 0.001 * i; });
        EXPECT_EQ(allocationsIn(*processor, first.data(), kResultOk), 0) << "first block";

        ProcessDataBuilder automated(size, 2, 512);
        automated.fillInput([](int32, int32 i) { return (i % 7) * 0.1; });
        for (ParamID id = 0; id < ParamID(Parameters::count); ++id) {
            automated.changes().add(id, 0, 0.2).add(id, 100, 0.9).add(id, 511, 0.6);
        }
        automated.changes().add(17, 3, 0.5); // an id the processor does not know
        EXPECT_EQ(allocationsIn(*processor, automated.data(), kResultOk), 0) << "automation";

        ASSERT_EQ(processor->setState(testhost::blobStream(
                      "{\"timePan\":0.1,\"levelPan\":0.9,\"swapChannels\":1,\"bypass\":0}")),
                  kResultOk);
        ProcessDataBuilder posted(size, 2, 512);
        EXPECT_EQ(allocationsIn(*processor, posted.data(), kResultOk), 0) << "posted state";

        // Long unchanging blocks: the engine's settled path.
        ProcessDataBuilder steady(size, 2, 8192);
        steady.withoutChanges();
        ProcessData& steadyData = steady.data();
        for (int block = 0; block < 4; ++block) {
            EXPECT_EQ(allocationsIn(*processor, steadyData, kResultOk), 0) << "steady";
        }

        ProcessDataBuilder mono(size, 1, 256, true);
        mono.changes().add(Parameters::Bypass, 10, 1.0);
        EXPECT_EQ(allocationsIn(*processor, mono.data(), kResultOk), 0) << "pass-through";

        ProcessDataBuilder empty(size, 2, 0);
        empty.changes().add(Parameters::LevelPan, 0, 0.3);
        EXPECT_EQ(allocationsIn(*processor, empty.data(), kResultOk), 0) << "no samples";

        ProcessDataBuilder three(size, 3, 64);
        EXPECT_EQ(allocationsIn(*processor, three.data(), kResultFalse), 0) << "refused";
    }
}

// The fine delay on from the start, switched off by a load and on again by a block, with the
// fades that follow and the bulk runs after them.
TEST(ProcessorRealtime, TheFineDelayAllocatesNothing) {
    for (int32 size : {kSample32, kSample64}) {
        HostedProcessor processor;
        ASSERT_EQ(processor->setState(testhost::blobStream("{\"fineDelay\":1,\"timePan\":0.8}")),
                  kResultOk);
        ASSERT_EQ(processor.setup(48000.0, size), kResultOk);
        SCOPED_TRACE(size == kSample32 ? "32-bit" : "64-bit");
        ProcessDataBuilder block(size, 2, 2048, true);
        block.fillInput([](int32 c, int32 i) { return 0.3 * c - 0.0001 * i; });
        block.withoutChanges();
        EXPECT_EQ(allocationsIn(*processor, block.data(), kResultOk), 0) << "on";
        ASSERT_EQ(processor->setState(testhost::blobStream("{\"timePan\":0.3}")), kResultOk);
        EXPECT_EQ(allocationsIn(*processor, block.data(), kResultOk), 0) << "switched off";
        ProcessDataBuilder on(size, 2, 2048);
        on.changes().add(Parameters::FineDelay, 100, 1.0).add(Parameters::TimePan, 1000, 0.9);
        EXPECT_EQ(allocationsIn(*processor, on.data(), kResultOk), 0) << "switched on";
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(allocationsIn(*processor, block.data(), kResultOk), 0) << "steady";
        }
    }
}

TEST(ProcessorRealtime, MonoEngineAllocatesNothing) {
    HostedProcessor processor;
    SpeakerArrangement mono = SpeakerArr::kMono;
    ASSERT_EQ(processor->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
    ASSERT_EQ(processor.setup(44100.0), kResultOk);
    ProcessDataBuilder block(kSample32, 1, 1024);
    block.changes().add(Parameters::TimePan, 512, 1.0);
    EXPECT_EQ(allocationsIn(*processor, block.data(), kResultOk), 0);
}

TEST(ProcessorRealtime, MonoSourceAndSilencedOutputsAllocateNothing) {
    HostedProcessor processor;
    SpeakerArrangement mono = SpeakerArr::kMono;
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    ASSERT_EQ(processor->setBusArrangements(&mono, 1, &stereo, 1), kResultTrue);
    ASSERT_EQ(processor.setup(48000.0), kResultOk);
    // A stereo block whose input bus carries only its first channel, in place.
    ProcessDataBuilder block(kSample32, 2, 1024, true);
    block.changes().add(Parameters::TimePan, 100, 1.0);
    ProcessData& data = block.data();
    data.inputs[0].numChannels = 1;
    EXPECT_EQ(allocationsIn(*processor, data, kResultOk), 0) << "mono source";
    ProcessData& noInput = block.data();
    noInput.numInputs = 0;
    EXPECT_EQ(allocationsIn(*processor, noInput, kResultOk), 0) << "no input";
}

// An engine that cannot be allocated leaves the previous one in place, whichever allocation of
// its construction fails.
TEST(ProcessorRealtime, FailedEngineAllocationKeepsThePreviousEngine) {
    HostedProcessor processor;
    ASSERT_EQ(processor.setup(48000.0), kResultOk);
    ProcessDataBuilder automated(kSample32, 2, 16);
    automated.changes().add(Parameters::TimePan, 0, 1.0);
    ASSERT_EQ(processor->process(automated.data()), kResultOk);

    tresult result = kResultFalse;
    long failing = 1;
    for (; failing < 64 && result != kResultOk; ++failing) {
        testhost::AllocationCounter::failAllocation(failing);
        result = processor.setup(44100.0);
        const bool failed = !testhost::AllocationCounter::failurePending();
        testhost::AllocationCounter::failAllocation(0);
        if (!failed) {
            break;
        }
        EXPECT_EQ(result, kResultFalse) << "allocation " << failing;
        EXPECT_EQ(processor->getTailSamples(), 240000u) << "allocation " << failing;
        // The 48 kHz engine is still in place and still holds the automated time pan.
        ProcessDataBuilder settle(kSample32, 2, 48000);
        ASSERT_EQ(processor->process(settle.data()), kResultOk);
        ProcessDataBuilder block(kSample32, 2, 64);
        block.fillInput([](int32, int32 i) { return i == 0 ? 1.0 : 0.0; });
        ASSERT_EQ(processor->process(block.data()), kResultOk);
        EXPECT_EQ(block.output(0, 38), 1.0) << "allocation " << failing;
    }
    EXPECT_GT(failing, 1);
    EXPECT_EQ(result, kResultOk);

    // The same for the state: an allocation failure is a refusal, not a crash.
    MemoryStream stream;
    testhost::AllocationCounter::failAllocation(1);
    EXPECT_EQ(processor->getState(&stream), kResultFalse);
    testhost::AllocationCounter::failAllocation(0);
}

} // namespace
