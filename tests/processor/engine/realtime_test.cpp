// Everything the audio thread calls must run without touching the heap. This binary replaces
// the global allocation functions to count calls made while a block is being processed.

#include "processor/engine/realtimeprocessor.h"

#include "enginefixture.h"

#include "platform/flushtozero.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
thread_local bool counting = false;
thread_local int allocations = 0;
} // namespace

void* operator new(std::size_t size) {
    if (counting) {
        ++allocations;
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

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

    counting = true;
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
    counting = false;
    EXPECT_EQ(allocations, 0);
    EXPECT_GT(engine.steadyStateSamples(), 0u); // the bulk path ran too
}

} // namespace
