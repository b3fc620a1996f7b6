#pragma once

namespace kelvane::platform {

// The SSE control register's flush-to-zero bit (MXCSR bit 15). Reading and writing it is a
// register access, not a system call, so it is safe on the audio thread.
bool flushToZeroEnabled() noexcept;
void setFlushToZero(bool enabled) noexcept;

// Switches flush-to-zero on for its lifetime and puts back the caller's setting afterwards,
// leaving every other bit of the register as it finds it.
class FlushToZeroScope {
public:
    FlushToZeroScope() noexcept : saved(flushToZeroEnabled()) { setFlushToZero(true); }
    ~FlushToZeroScope() { setFlushToZero(saved); }
    FlushToZeroScope(const FlushToZeroScope&) = delete;
    FlushToZeroScope& operator=(const FlushToZeroScope&) = delete;

private:
    bool saved;
};

} // namespace kelvane::platform
