#pragma once

#include <cstddef>
#include <functional>

namespace testhost {

// Runs body on a new thread whose stack holds only stackBytes, and waits for it. Hosts load
// states on threads with small stacks; a reader whose recursion follows its input overflows
// there. False when no such thread could be made.
bool runOnSmallStack(std::size_t stackBytes, const std::function<void()>& body);

} // namespace testhost
