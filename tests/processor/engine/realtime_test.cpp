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

} // namespace
