#include "processor/engine/stateexchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tivrandel::ProcessorState;
using tivrandel::StateExchange;
using S = StateExchange::State;

enum Event { WriterBegins, WriterEnds, ReaderTries, ReaderEnds };

// Drives the exchange one event at a time; answers the buffer of a begin, 1/0 for an end's
// success.
int apply(StateExchange& exchange, Event event) {
    switch (event) {
    case WriterBegins:
        return exchange.beginWrite();
    case WriterEnds:
        return exchange.endWrite() ? 1 : 0;
    case ReaderTries:
        return exchange.beginRead();
    case ReaderEnds:
        return exchange.endRead() ? 1 : 0;
    }
    return -2;
}

struct Row {
    S state;
    std::vector<Event> path; // from Idle
    // Next state per event (stateCount: no entry) and the buffer a begin picks.
    S writerBegins;
    int writeBuffer;
    S writerEnds;
    S readerTries;
    int readBuffer;
    S readerEnds;
};

constexpr S none = StateExchange::stateCount;

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        {S::Idle, {}, S::Writing0, 0, none, none, -1, none},
        {S::Writing0, {WriterBegins}, none, -1, S::Ready0, none, -1, none},
        {S::Ready0, {WriterBegins, WriterEnds}, S::Ready0Writing1, 1, none, S::Reading0, 0, none},
        {S::Ready0Writing1,
         {WriterBegins, WriterEnds, WriterBegins},
         none,
         -1,
         S::Ready1,
         S::Reading0Writing1,
         0,
         none},
        {S::Ready1,
         {WriterBegins, WriterEnds, WriterBegins, WriterEnds},
         S::Writing0,
         0,
         none,
         S::Reading1,
         1,
         none},
        {S::Reading0,
         {WriterBegins, WriterEnds, ReaderTries},
         S::Reading0Writing1,
         1,
         none,
         none,
         -1,
         S::Idle},
        {S::Reading0Writing1,
         {WriterBegins, WriterEnds, ReaderTries, WriterBegins},
         none,
         -1,
         S::Reading0Ready1,
         none,
         -1,
         S::Writing1},
        {S::Reading0Ready1,
         {WriterBegins, WriterEnds, ReaderTries, WriterBegins, WriterEnds},
         S::Reading0Writing1,
         1,
         none,
         none,
         -1,
         S::Ready1},
        {S::Writing1,
         {WriterBegins, WriterEnds, ReaderTries, WriterBegins, ReaderEnds},
         none,
         -1,
         S::Ready1,
         none,
         -1,
         none},
        {S::Reading1,
         {WriterBegins, WriterEnds, WriterBegins, WriterEnds, ReaderTries},
         S::Reading1Writing0,
         0,
         none,
         none,
         -1,
         S::Idle},
        {S::Reading1Writing0,
         {WriterBegins, WriterEnds, WriterBegins, WriterEnds, ReaderTries, WriterBegins},
         none,
         -1,
         S::Reading1Ready0,
         none,
         -1,
         S::Writing0},
        {S::Reading1Ready0,
         {WriterBegins, WriterEnds, WriterBegins, WriterEnds, ReaderTries, WriterBegins,
          WriterEnds},
         S::Reading1Writing0,
         0,
         none,
         none,
         -1,
         S::Ready0},
    };
    return table;
}

void reach(StateExchange& exchange, const Row& row) {
    for (Event event : row.path) {
        ASSERT_GE(apply(exchange, event), 0);
    }
    ASSERT_EQ(exchange.state(), row.state);
}

TEST(StateExchange, EveryTransitionOfTheTable) {
    ASSERT_EQ(rows().size(), static_cast<std::size_t>(StateExchange::stateCount));
    for (const Row& row : rows()) {
        SCOPED_TRACE("state " + std::to_string(row.state));
        const struct {
            Event event;
            S next;
            bool isBegin;
            int buffer;
        } cases[] = {{WriterBegins, row.writerBegins, true, row.writeBuffer},
                     {WriterEnds, row.writerEnds, false, 0},
                     {ReaderTries, row.readerTries, true, row.readBuffer},
                     {ReaderEnds, row.readerEnds, false, 0}};
        for (const auto& c : cases) {
            SCOPED_TRACE("event " + std::to_string(c.event));
            StateExchange exchange;
            reach(exchange, row);
            const int answer = apply(exchange, c.event);
            if (c.next == none) {
                EXPECT_EQ(answer, c.isBegin ? -1 : 0);
                EXPECT_EQ(exchange.state(), row.state); // unchanged
            } else {
                EXPECT_EQ(answer, c.isBegin ? c.buffer : 1);
                EXPECT_EQ(exchange.state(), c.next);
            }
        }
    }
}

ProcessorState stateOf(float base) {
    ProcessorState s;
    for (int k = 0; k < 4; ++k) {
        s.values[k] = base + 0.125f * static_cast<float>(k);
    }
    return s;
}

void expectState(const ProcessorState& s, float base) {
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(s.values[k], base + 0.125f * static_cast<float>(k));
    }
}

TEST(StateExchange, LatestPostWinsAndNothingIsReadTwice) {
    StateExchange exchange;
    ProcessorState taken;
    EXPECT_FALSE(exchange.take(taken));
    exchange.post(stateOf(1.0f));
    exchange.post(stateOf(2.0f));
    exchange.post(stateOf(3.0f));
    ASSERT_TRUE(exchange.take(taken));
    expectState(taken, 3.0f);
    EXPECT_FALSE(exchange.take(taken));
    EXPECT_EQ(exchange.state(), S::Idle);
}

TEST(StateExchange, PostsDuringAReadWaitForTheNextTake) {
    StateExchange exchange;
    exchange.post(stateOf(1.0f));
    const int reading = exchange.beginRead();
    ASSERT_EQ(reading, 0);
    exchange.post(stateOf(2.0f)); // goes to the other buffer
    exchange.post(stateOf(3.0f)); // and again there, never into the buffer being read
    expectState(exchange.buffer(reading), 1.0f);
    ASSERT_TRUE(exchange.endRead());
    ProcessorState taken;
    ASSERT_TRUE(exchange.take(taken));
    expectState(taken, 3.0f);
    EXPECT_FALSE(exchange.take(taken));
}

} // namespace
