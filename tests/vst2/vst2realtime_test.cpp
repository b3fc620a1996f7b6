// The effect's audio entries must not allocate. This binary replaces the global allocation
// functions with counting ones (and malloc too, where no sanitizer owns it), so it is a binary
// of its own.

#include "vst2/vst2host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VST2_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VST2_TEST_SANITIZED 1
#endif
#endif

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void note() noexcept {
    if (counting.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
}

void* allocate(std::size_t size) {
    note();
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
    note();
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    note();
    return std::malloc(size == 0 ? 1 : size);
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

#if !defined(VST2_TEST_SANITIZED) && defined(__GLIBC__)
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t size) noexcept {
    note();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept {
    note();
    return __libc_calloc(count, size);
}
void* realloc(void* memory, std::size_t size) noexcept {
    note();
    return __libc_realloc(memory, size);
}
void free(void* memory) noexcept {
    __libc_free(memory);
}
}
#endif

namespace {

using namespace vst2host;

template <typename Body>
long allocationsIn(Body&& body) {
    allocations = 0;
    counting = true;
    body();
    counting = false;
    return allocations.load();
}

TEST(Vst2Realtime, CountingIsLive) {
    EXPECT_GE(allocationsIn([] { delete new int(1); }), 1);
}

TEST(Vst2Realtime, AudioEntriesAllocateNothing) {
    RecordingFactory factory;
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    AEffect* raw = effect.operator->();
    raw->dispatcher(raw, effSetProcessPrecision, 0, kVstProcessPrecision64, nullptr, 0.0f);
    // Blocks three times the announced size go through in pieces.
    effect.start(48000.0f, 256);

    auto in32 = noise<float>(768, 1);
    auto out32 = in32;
    auto in64 = noise<double>(768, 2);
    auto out64 = in64;
    float* inputs32[2] = {in32[0].data(), in32[1].data()};
    float* outputs32[2] = {out32[0].data(), out32[1].data()};
    double* inputs64[2] = {in64[0].data(), in64[1].data()};
    double* outputs64[2] = {out64[0].data(), out64[1].data()};

    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(allocationsIn([&] {
                      for (int index = 0; index < raw->numParams; ++index) {
                          raw->setParameter(raw, index, 0.25f * static_cast<float>(round));
                          (void)raw->getParameter(raw, index);
                      }
                      raw->processReplacing(raw, inputs32, outputs32, 768);
                      raw->processReplacing(raw, inputs32, inputs32, 100); // in place
                      raw->processDoubleReplacing(raw, inputs64, outputs64, 768);
                      raw->process(raw, inputs32, outputs32, 768);
                  }),
                  0)
            << "round " << round;
    }

    raw->dispatcher(raw, effMainsChanged, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(allocationsIn([&] { raw->processReplacing(raw, inputs32, outputs32, 768); }), 0)
        << "suspended";
}

} // namespace
