// The audio path must not allocate or lock. This binary replaces the global allocation functions
// with counting ones (and, where no sanitizer owns malloc and the mutex functions, malloc and
// pthread_mutex_lock too) and runs process() through every path while counting.

#include "host/hostedprocessor.h"
#include "host/processdata.h"
#include "host/streams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TIVRANDEL_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define TIVRANDEL_SANITIZED 1
#endif
#endif

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
std::atomic<long> locks{0};
// Counts down on every operator new; the call that takes it from 1 to 0 throws.
std::atomic<long> failCountdown{0};

void noteAllocation() noexcept {
    if (counting.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
}

void* allocate(std::size_t size) {
    noteAllocation();
    long left = failCountdown.load(std::memory_order_relaxed);
    while (left > 0 && !failCountdown.compare_exchange_weak(left, left - 1)) {
    }
    if (left == 1) {
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

#if !defined(TIVRANDEL_SANITIZED) && defined(__GLIBC__)
// glibc's own entry points; replacing malloc with a counting front end catches C allocations
// too. A sanitizer's runtime owns malloc in those builds, so there only operator new counts.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t size) noexcept {
    noteAllocation();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept {
    noteAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* memory, std::size_t size) noexcept {
    noteAllocation();
    return __libc_realloc(memory, size);
}
void free(void* memory) noexcept {
    __libc_free(memory);
}
}

#include <dlfcn.h>
#include <pthread.h>

namespace {
using MutexLock = int (*)(pthread_mutex_t*);
// Looked up before main, while nothing counts.
const MutexLock realMutexLock = reinterpret_cast<MutexLock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
} // namespace

extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex) noexcept {
    if (counting.load(std::memory_order_relaxed)) {
        locks.fetch_add(1, std::memory_order_relaxed);
    }
    return realMutexLock(mutex);
}
#define TIVRANDEL_COUNTS_LOCKS 1
#endif

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using testhost::HostedProcessor;
using testhost::ProcessDataBuilder;
using tivrandel::Parameters;

// Allocations and locks made by process() on an already built ProcessData.
long allocationsIn(tivrandel::Processor& processor, ProcessData& data, tresult expected) {
    allocations = 0;
    locks = 0;
    counting = true;
    const tresult result = processor.process(data);
    counting = false;
    EXPECT_EQ(result, expected);
    return allocations.load() + locks.load();
}

TEST(ProcessorRealtime, CountingIsLive) {
    allocations = 0;
    counting = true;
    // Volatile, so that the compiler cannot elide the pairs.
    locks = 0;
    int* volatile object = new int(3);
    void* volatile memory = std::malloc(8);
    std::mutex mutex;
    mutex.lock();
    mutex.unlock();
    counting = false;
    delete object;
    std::free(memory);
#ifdef TIVRANDEL_SANITIZED
    EXPECT_GE(allocations.load(), 1);
#else
    EXPECT_GE(allocations.load(), 2);
#endif
#ifdef TIVRANDEL_COUNTS_LOCKS
    EXPECT_EQ(locks.load(), 1);
#endif
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

TEST(ProcessorRealtime, MonoEngineAllocatesNothing) {
    HostedProcessor processor;
    SpeakerArrangement mono = SpeakerArr::kMono;
    ASSERT_EQ(processor->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
    ASSERT_EQ(processor.setup(44100.0), kResultOk);
    ProcessDataBuilder block(kSample32, 1, 1024);
    block.changes().add(Parameters::TimePan, 512, 1.0);
    EXPECT_EQ(allocationsIn(*processor, block.data(), kResultOk), 0);
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
        failCountdown = failing;
        result = processor.setup(44100.0);
        const bool failed = failCountdown.load() == 0;
        failCountdown = 0;
        if (!failed) {
            break;
        }
        EXPECT_EQ(result, kResultFalse) << "allocation " << failing;
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
    failCountdown = 1;
    EXPECT_EQ(processor->getState(&stream), kResultFalse);
    failCountdown = 0;
}

} // namespace
