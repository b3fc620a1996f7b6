#pragma once

#include "pluginterfaces/vst/vsttypes.h"

#include <atomic>
#include <memory>

namespace Steinberg {
namespace Vst {

// The latest normalized value of every VST 2 parameter index, and which of the two VST 3 sides
// still has to be told about it. VST 2 hosts call setParameter from any thread, the audio
// thread included, so everything here is lock-free and allocates only at construction.
//
// The processor side is taken on the audio thread at the start of a block; the controller side
// is taken on the thread that runs the controller (the dispatcher's).
class Vst2ParameterMailbox {
public:
    explicit Vst2ParameterMailbox(int32 parameterCount);

    int32 size() const { return count; }

    // A value for both sides (from the host) or only for the processor (from the controller,
    // which has it already). Indices outside the range are ignored.
    void post(int32 index, ParamValue value, bool forController);
    // Only the latest value changes: both sides already have it.
    void setLatest(int32 index, ParamValue value);
    // 0 for an index outside the range.
    ParamValue latest(int32 index) const;

    // The value the processor has not yet been given, if any; a value posted while this runs is
    // either taken now or left for the next call, never lost.
    bool takeForProcessor(int32 index, ParamValue& value);
    bool takeForController(int32 index, ParamValue& value);
    // Forgets what the processor has not been given (a loaded state supersedes it).
    void discardForProcessor();

private:
    struct Slot {
        std::atomic<ParamValue> value{0.0};
        std::atomic<bool> toProcessor{false};
        std::atomic<bool> toController{false};
    };
    static_assert(std::atomic<ParamValue>::is_always_lock_free, "needs lock-free doubles");
    static_assert(std::atomic<bool>::is_always_lock_free, "needs lock-free flags");

    bool valid(int32 index) const { return index >= 0 && index < count; }
    static bool take(std::atomic<bool>& flag, const Slot& slot, ParamValue& value);

    std::unique_ptr<Slot[]> slots;
    int32 count;
};

} // namespace Vst
} // namespace Steinberg
