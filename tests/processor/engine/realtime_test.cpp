// Everything the audio thread calls must run without touching the heap or taking a lock.

#include "processor/engine/realtimeprocessor.h"

#include "enginefixture.h"

#include "platform/flushtozero.h"
#include "support/allocationcounter.h"

#include <gtest/gtest.h>

namespace {

TEST(RealtimeSafety, AudioThreadCallsDoNotAllocate) {
    using enginetest::Buffers;
    tivrandel::RealtimeProcessor engine(enginetest::config(48000, 2));
    testhost::ParameterChanges changes;
    for (Steinberg::Vst::ParamID id = 0; id < 4; ++id) {
        changes.add(id, 3, 0.9).add(id, 200, 0.1);
    }
    Buffers<float> f(2, 512);
    Buffers<double> d(2, 512);
    Buffers<float> mono(1, 64);
    Steinberg::Vst::ProcessData data;
    data.inputParameterChanges = &changes;

    testhost::AllocationCounter counter;
    for (int block = 0; block < 200; ++block) {
        engine.postState(tivrandel::ProcessorState{});
        engine.receiveParameterChanges(data);
        engine.process(f.inPtr.data(), f.outPtr.data(), 2, 512);
        engine.receiveParameterChanges(data);
        engine.process(d.inPtr.data(), d.outPtr.data(), 2, 512);
        engine.receiveParameterChanges(data);
        engine.process(mono.inPtr.data(), mono.outPtr.data(), 1, 64);
        float value = 0.0f;
        engine.takeLatestValue(block % 4, value);
    }
    Steinberg::Vst::ProcessData still;
    kelvane::platform::FlushToZeroScope ftz;
    for (int block = 0; block < 200; ++block) {
        engine.receiveParameterChanges(still);
        engine.process(f.inPtr.data(), f.outPtr.data(), 2, 512);
    }
    counter.stop();
    EXPECT_EQ(counter.total(), 0);
    EXPECT_GT(engine.steadyStateSamples(), 0u); // the bulk path ran too
}

// The fine delay: built on, switched off and on by points and by posted states while fades are
// under way, in 32 and 64 bits, in bulk and in place, and through other channel counts.
TEST(RealtimeSafety, TheFineDelayAndItsSwitchingDoNotAllocate) {
    using enginetest::Buffers;
    tivrandel::RealtimeProcessorConfig config = enginetest::config(96000, 2, 0.0f, 0.8f);
    config.state.values[tivrandel::Parameters::FineDelay] = 1.0f;
    tivrandel::RealtimeProcessor engine(config);
    tivrandel::RealtimeProcessor three(
        {96000, 3, {{0.0f, 0.8f, 0.5f, 0.0f, 1.0f}}}); // passed through, late
    Buffers<float> f(2, 700);
    Buffers<double> d(2, 700);
    Buffers<float> inPlace(2, 4096);
    inPlace.outPtr = inPlace.inPtr;
    Buffers<double> wide(3, 300);
    testhost::ParameterChanges toggles[2];
    for (int k = 0; k < 2; ++k) {
        toggles[k].add(tivrandel::Parameters::FineDelay, 5, k == 0 ? 0.0 : 1.0);
        toggles[k].add(tivrandel::Parameters::TimePan, 600, k == 0 ? 0.1 : 0.9);
    }
    tivrandel::ProcessorState fineOn{{0.0f, 0.3f, 0.5f, 1.0f, 1.0f}};
    Steinberg::Vst::ProcessData data;
    Steinberg::Vst::ProcessData still;
    kelvane::platform::FlushToZeroScope ftz;

    testhost::AllocationCounter counter;
    for (int block = 0; block < 100; ++block) {
        data.inputParameterChanges = block % 5 == 4 ? nullptr : &toggles[block % 2];
        if (block % 7 == 3) {
            engine.postState(fineOn);
        }
        engine.receiveParameterChanges(data);
        engine.process(f.inPtr.data(), f.outPtr.data(), 2, 700);
        engine.receiveParameterChanges(still);
        engine.process(d.inPtr.data(), d.outPtr.data(), 2, 700);
        engine.receiveParameterChanges(still);
        engine.process(inPlace.inPtr.data(), inPlace.outPtr.data(), 2, 4096);
        engine.receiveParameterChanges(data);
        engine.process(f.inPtr.data(), f.outPtr.data(), 1, 700);
        three.receiveParameterChanges(data);
        three.process(wide.inPtr.data(), wide.outPtr.data(), 3, 300);
    }
    counter.stop();
    EXPECT_EQ(counter.total(), 0);
    EXPECT_GT(engine.steadyStateSamples(), 0u); // the bulk path ran too
}

} // namespace
