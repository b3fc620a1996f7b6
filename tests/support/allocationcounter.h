#pragma once

// Counts what the code under test does with the heap and with locks while a scope is open.
// Linking this library replaces the global allocation functions of the test binary (and, where
// no sanitizer owns them, malloc and friends and pthread_mutex_lock), so a binary that links it
// is a binary of its own. Linux only: a static Windows C++ runtime brings its own.

#include <cstddef>

namespace testhost {

class AllocationCounter {
public:
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    // Counting stops; the figures stay readable.
    void stop();

    long allocations() const;
    long locks() const;
    // The largest single request among the counted allocations, in bytes.
    static std::size_t largest();
    long total() const { return allocations() + locks(); }

    // Whether C allocations and mutex locks are seen too, or only operator new.
    static bool countsMalloc();
    static bool countsLocks();

    // The nth operator new from now on throws std::bad_alloc (0: none); pending until it has.
    static void failAllocation(long nth);
    static bool failurePending();
};

} // namespace testhost
