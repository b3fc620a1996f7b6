#include "processor/engine/stateexchange.h"

namespace tivrandel {

namespace {

constexpr std::uint32_t none = StateExchange::stateCount;

struct Transition {
    std::uint32_t next;
    int buffer;
};

// Indexed by State; {none, -1} where the event cannot happen.
constexpr Transition writerBegins[StateExchange::stateCount] = {
    {StateExchange::Writing0, 0},         // Idle
    {none, -1},                           // Writing0
    {StateExchange::Ready0Writing1, 1},   // Ready0
    {none, -1},                           // Ready0Writing1
    {StateExchange::Writing0, 0},         // Ready1: buffer 1 dropped
    {StateExchange::Reading0Writing1, 1}, // Reading0
    {none, -1},                           // Reading0Writing1
    {StateExchange::Reading0Writing1, 1}, // Reading0Ready1: buffer 1 written again
    {none, -1},                           // Writing1
    {StateExchange::Reading1Writing0, 0}, // Reading1
    {none, -1},                           // Reading1Writing0
    {StateExchange::Reading1Writing0, 0}, // Reading1Ready0: buffer 0 written again
};

constexpr std::uint32_t writerEnds[StateExchange::stateCount] = {
    none,                          // Idle
    StateExchange::Ready0,         // Writing0
    none,                          // Ready0
    StateExchange::Ready1,         // Ready0Writing1: buffer 0 dropped
    none,                          // Ready1
    none,                          // Reading0
    StateExchange::Reading0Ready1, // Reading0Writing1
    none,                          // Reading0Ready1
    StateExchange::Ready1,         // Writing1
    none,                          // Reading1
    StateExchange::Reading1Ready0, // Reading1Writing0
    none,                          // Reading1Ready0
};

constexpr Transition readerBegins[StateExchange::stateCount] = {
    {none, -1},                           // Idle
    {none, -1},                           // Writing0
    {StateExchange::Reading0, 0},         // Ready0
    {StateExchange::Reading0Writing1, 0}, // Ready0Writing1
    {StateExchange::Reading1, 1},         // Ready1
    {none, -1},                           // Reading0
    {none, -1},                           // Reading0Writing1
    {none, -1},                           // Reading0Ready1
    {none, -1},                           // Writing1
    {none, -1},                           // Reading1
    {none, -1},                           // Reading1Writing0
    {none, -1},                           // Reading1Ready0
};

constexpr std::uint32_t readerEnds[StateExchange::stateCount] = {
    none,                    // Idle
    none,                    // Writing0
    none,                    // Ready0
    none,                    // Ready0Writing1
    none,                    // Ready1
    StateExchange::Idle,     // Reading0
    StateExchange::Writing1, // Reading0Writing1
    StateExchange::Ready1,   // Reading0Ready1
    none,                    // Writing1
    StateExchange::Idle,     // Reading1
    StateExchange::Writing0, // Reading1Writing0
    StateExchange::Ready0,   // Reading1Ready0
};

// One compare-and-exchange loop: the other side may change the word between load and exchange.
int exchangeBegin(std::atomic<std::uint32_t>& word,
                  const Transition (&table)[StateExchange::stateCount]) noexcept {
    std::uint32_t current = word.load();
    for (;;) {
        if (current >= StateExchange::stateCount || table[current].next == none) {
            return -1;
        }
        if (word.compare_exchange_weak(current, table[current].next)) {
            return table[current].buffer;
        }
    }
}

bool exchangeEnd(std::atomic<std::uint32_t>& word,
                 const std::uint32_t (&table)[StateExchange::stateCount]) noexcept {
    std::uint32_t current = word.load();
    for (;;) {
        if (current >= StateExchange::stateCount || table[current] == none) {
            return false;
        }
        if (word.compare_exchange_weak(current, table[current])) {
            return true;
        }
    }
}

} // namespace

int StateExchange::beginWrite() noexcept {
    return exchangeBegin(word, writerBegins);
}

bool StateExchange::endWrite() noexcept {
    return exchangeEnd(word, writerEnds);
}

int StateExchange::beginRead() noexcept {
    return exchangeBegin(word, readerBegins);
}

bool StateExchange::endRead() noexcept {
    return exchangeEnd(word, readerEnds);
}

void StateExchange::post(const ProcessorState& state) noexcept {
    const int index = beginWrite();
    if (index < 0) {
        return; // only reachable if two threads post at once, which the one-writer rule forbids
    }
    buffers[index] = state;
    endWrite();
}

bool StateExchange::take(ProcessorState& state) noexcept {
    const int index = beginRead();
    if (index < 0) {
        return false;
    }
    state = buffers[index];
    endRead();
    return true;
}

} // namespace tivrandel
