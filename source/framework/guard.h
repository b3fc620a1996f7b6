#pragma once

#include "public.sdk/source/common/hostboundary.h"

namespace kelvane::vst {

// The one exception boundary of a host-facing operation: whatever escapes the body becomes the
// operation's failure answer, so that no exception ever crosses into the host. It is the one the
// SDK pieces keep for their own entry points; the framework builds on it.
using Steinberg::guarded;

} // namespace kelvane::vst
