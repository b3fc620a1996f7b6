#pragma once

#include <atomic>
#include <cstdint>

namespace kelvane::vst {

// One float cell between threads. Writers store with a single atomic store (no
// read-modify-write), so the last store wins; the taking side empties the cell with an atomic
// exchange. The quiet NaN 0x7FC00000 marks the cell empty, so a NaN value itself is never
// reported.
class ValueMailbox {
public:
    static constexpr std::uint32_t emptyBits = 0x7FC00000u;

    void store(float value) noexcept;
    // True and the stored value if the cell held one; leaves the cell empty.
    bool take(float& value) noexcept;
    void clear() noexcept { cell.store(emptyBits); }

private:
    std::atomic<std::uint32_t> cell{emptyBits};
};

} // namespace kelvane::vst
