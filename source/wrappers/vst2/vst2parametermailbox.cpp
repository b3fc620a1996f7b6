#include "wrappers/vst2/vst2parametermailbox.h"

namespace kelvane::wrappers::vst2 {

using Steinberg::int32;
using Steinberg::Vst::ParamValue;

ParameterMailbox::ParameterMailbox(int32 parameterCount)
    : slots(new Slot[parameterCount > 0 ? static_cast<size_t>(parameterCount) : 0u]),
      count(parameterCount > 0 ? parameterCount : 0) {}

void ParameterMailbox::post(int32 index, ParamValue value, bool forController) {
    if (!valid(index)) {
        return;
    }
    Slot& slot = slots[static_cast<size_t>(index)];
    slot.value.store(value, std::memory_order_relaxed);
    // The release stores publish the value to whoever sees the flag set.
    slot.toProcessor.store(true, std::memory_order_release);
    if (forController) {
        slot.toController.store(true, std::memory_order_release);
    }
}

void ParameterMailbox::setLatest(int32 index, ParamValue value) {
    if (valid(index)) {
        slots[static_cast<size_t>(index)].value.store(value, std::memory_order_relaxed);
    }
}

ParamValue ParameterMailbox::latest(int32 index) const {
    return valid(index) ? slots[static_cast<size_t>(index)].value.load(std::memory_order_relaxed)
                        : 0.0;
}

bool ParameterMailbox::take(std::atomic<bool>& flag, const Slot& slot, ParamValue& value) {
    if (!flag.exchange(false, std::memory_order_acquire)) {
        return false;
    }
    value = slot.value.load(std::memory_order_relaxed);
    return true;
}

bool ParameterMailbox::takeForProcessor(int32 index, ParamValue& value) {
    if (!valid(index)) {
        return false;
    }
    Slot& slot = slots[static_cast<size_t>(index)];
    return take(slot.toProcessor, slot, value);
}

bool ParameterMailbox::takeForController(int32 index, ParamValue& value) {
    if (!valid(index)) {
        return false;
    }
    Slot& slot = slots[static_cast<size_t>(index)];
    return take(slot.toController, slot, value);
}

bool ParameterMailbox::pendingForProcessor(int32 index) const {
    return valid(index) &&
           slots[static_cast<size_t>(index)].toProcessor.load(std::memory_order_acquire);
}

void ParameterMailbox::discardForProcessor() {
    for (int32 i = 0; i < count; ++i) {
        slots[static_cast<size_t>(i)].toProcessor.store(false, std::memory_order_relaxed);
    }
}

} // namespace kelvane::wrappers::vst2
