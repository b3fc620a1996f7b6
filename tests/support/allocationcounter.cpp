#include "support/allocationcounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TESTHOST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define TESTHOST_SANITIZED 1
#endif
#endif

#if !defined(TESTHOST_SANITIZED) && defined(__GLIBC__)
#define TESTHOST_COUNTS_C 1
#endif

namespace {

std::atomic<bool> counting{false};
std::atomic<long> countedAllocations{0};
std::atomic<long> countedLocks{0};
std::atomic<std::size_t> largestAllocation{0};
// Counts down on every operator new; the call that takes it from 1 to 0 throws.
std::atomic<long> failCountdown{0};

void noteAllocation(std::size_t size) noexcept {
    if (counting.load(std::memory_order_relaxed)) {
        countedAllocations.fetch_add(1, std::memory_order_relaxed);
        std::size_t seen = largestAllocation.load(std::memory_order_relaxed);
        while (seen < size && !largestAllocation.compare_exchange_weak(seen, size)) {
        }
    }
}

void* allocate(std::size_t size) {
    noteAllocation(size);
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

void* allocateOrNull(std::size_t size) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}

} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size);
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

#ifdef TESTHOST_COUNTS_C
// glibc's own entry points behind a counting front end, so that C allocations and locks are
// caught too. A sanitizer's runtime owns these in its builds; there only operator new counts.
#include <dlfcn.h>
#include <pthread.h>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t size) noexcept {
    noteAllocation(size);
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept {
    noteAllocation(count * size);
    return __libc_calloc(count, size);
}
void* realloc(void* memory, std::size_t size) noexcept {
    noteAllocation(size);
    return __libc_realloc(memory, size);
}
void free(void* memory) noexcept {
    __libc_free(memory);
}
}

namespace {
using MutexLock = int (*)(pthread_mutex_t*);
// Looked up before main, while nothing counts.
const MutexLock realMutexLock = reinterpret_cast<MutexLock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
} // namespace

extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex) noexcept {
    if (counting.load(std::memory_order_relaxed)) {
        countedLocks.fetch_add(1, std::memory_order_relaxed);
    }
    return realMutexLock(mutex);
}
#endif

namespace testhost {

AllocationCounter::AllocationCounter() {
    countedAllocations = 0;
    countedLocks = 0;
    largestAllocation = 0;
    counting = true;
}

AllocationCounter::~AllocationCounter() {
    stop();
}

void AllocationCounter::stop() {
    counting = false;
}

long AllocationCounter::allocations() const {
    return countedAllocations.load();
}

long AllocationCounter::locks() const {
    return countedLocks.load();
}

std::size_t AllocationCounter::largest() {
    return largestAllocation.load();
}

bool AllocationCounter::countsMalloc() {
#ifdef TESTHOST_COUNTS_C
    return true;
#else
    return false;
#endif
}

bool AllocationCounter::countsLocks() {
    return countsMalloc();
}

void AllocationCounter::failAllocation(long nth) {
    failCountdown = nth;
}

bool AllocationCounter::failurePending() {
    return failCountdown.load() > 0;
}

} // namespace testhost
