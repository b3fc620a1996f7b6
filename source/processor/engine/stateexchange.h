#pragma once

#include "processor/processorstate.h"

#include <atomic>
#include <cstdint>

namespace tivrandel {

// Carries a ProcessorState from one writer thread to the audio thread without locks and without
// either side waiting: two buffers and a state word that says which buffer is being written, which
// holds an unread state and which is being read. The writer never writes the buffer being read.
class StateExchange {
public:
    enum State : std::uint32_t {
        Idle,             // nothing posted
        Writing0,         // writing buffer 0, nothing to read
        Ready0,           // buffer 0 holds an unread state
        Ready0Writing1,   // buffer 0 unread, writing buffer 1
        Ready1,           // buffer 1 holds an unread state
        Reading0,         // reading buffer 0
        Reading0Writing1, // reading buffer 0, writing buffer 1
        Reading0Ready1,   // reading buffer 0, buffer 1 unread
        Writing1,         // writing buffer 1, nothing to read
        Reading1,         // reading buffer 1
        Reading1Writing0, // reading buffer 1, writing buffer 0
        Reading1Ready0,   // reading buffer 1, buffer 0 unread
        stateCount
    };

    // Writer side. The newest post replaces an unread one.
    void post(const ProcessorState& state) noexcept;
    // Reader side: true and the most recently completed post, if one is unread.
    bool take(ProcessorState& state) noexcept;

    // The two halves of each side, exposed so that every transition can be driven step by step.
    // A begin answers the buffer to copy (0 or 1), or -1 if the state word is in a state that
    // cannot meet that event (nothing to read, or a second writer/reader at work); an end answers
    // false in such a state and changes nothing.
    int beginWrite() noexcept;
    bool endWrite() noexcept;
    int beginRead() noexcept;
    bool endRead() noexcept;

    State state() const noexcept { return static_cast<State>(word.load()); }
    ProcessorState& buffer(int index) noexcept { return buffers[index]; }

private:
    std::atomic<std::uint32_t> word{Idle};
    ProcessorState buffers[2];
};

} // namespace tivrandel
