#pragma once

#include "pluginterfaces/vst/vsttypes.h"

#include <atomic>
#include <memory>

namespace kelvane::wrappers::vst2 {

// The latest normalized value of every VST 2 parameter index, and which of the two VST 3 sides
// still has to be told about it. VST 2 hosts call setParameter from any thread, the audio
// thread included, so everything here is lock-free and allocates only at construction.
//
// The processor side is taken on the audio thread at the start of a block; the controller side
// is taken on the thread that runs the controller (the dispatcher's).
class ParameterMailbox {
public:
    explicit ParameterMailbox(Steinberg::int32 parameterCount);

    Steinberg::int32 size() const { return count; }

    // A value for both sides (from the host) or only for the processor (from the controller,
    // which has it already). Indices outside the range are ignored.
    void post(Steinberg::int32 index, Steinberg::Vst::ParamValue value, bool forController);
    // Only the latest value changes: both sides already have it.
    void setLatest(Steinberg::int32 index, Steinberg::Vst::ParamValue value);
    // 0 for an index outside the range.
    Steinberg::Vst::ParamValue latest(Steinberg::int32 index) const;

    // The value the processor has not yet been given, if any; a value posted while this runs is
    // either taken now or left for the next call, never lost.
    bool takeForProcessor(Steinberg::int32 index, Steinberg::Vst::ParamValue& value);
    bool takeForController(Steinberg::int32 index, Steinberg::Vst::ParamValue& value);
    // Whether a value waits for the processor (without taking it).
    bool pendingForProcessor(Steinberg::int32 index) const;
    // Forgets what the processor has not been given (a loaded state supersedes it).
    void discardForProcessor();

private:
    struct Slot {
        std::atomic<Steinberg::Vst::ParamValue> value{0.0};
        std::atomic<bool> toProcessor{false};
        std::atomic<bool> toController{false};
    };
    static_assert(std::atomic<Steinberg::Vst::ParamValue>::is_always_lock_free,
                  "needs lock-free doubles");
    static_assert(std::atomic<bool>::is_always_lock_free, "needs lock-free flags");

    bool valid(Steinberg::int32 index) const { return index >= 0 && index < count; }
    static bool take(std::atomic<bool>& flag, const Slot& slot, Steinberg::Vst::ParamValue& value);

    std::unique_ptr<Slot[]> slots;
    Steinberg::int32 count;
};

} // namespace kelvane::wrappers::vst2
