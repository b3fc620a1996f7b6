#pragma once

#include <cstring>

namespace kelvane::vst {

// Whole-string comparison of message ids; a null id matches nothing.
inline bool sameMessageId(const char* id, const char* expected) {
    return id != nullptr && expected != nullptr && std::strcmp(id, expected) == 0;
}

namespace messageId {

// Between the processor and the controller, through their connection point.
// Processor to controller: integer attribute "b0", 1 active, 0 inactive.
constexpr const char* processorActivated = "b0";
// To the controller: the processor's latency changed; the controller asks the host to restart.
constexpr const char* latencyChanged = "b1";
// Controller to processor on every tick of an open editor's timer; the processor ignores it.
constexpr const char* editorTick = "b2";
// Controller to processor: a value of a parameter that hosts do not automate, which the
// processor must know before the next block (its latency may follow it). Integer attribute
// "id", float attribute "value".
constexpr const char* parameterValue = "b3";
constexpr const char* parameterIdAttribute = "id";
constexpr const char* parameterValueAttribute = "value";

} // namespace messageId

} // namespace kelvane::vst
