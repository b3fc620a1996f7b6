#include "wrappers/vst2/vst2wrapper.h"

#include "public.sdk/source/common/hostboundary.h"

#include <algorithm>

// Everything that runs on the audio thread: no allocation, lock, system call or exception
// below the entries.

namespace Steinberg {
namespace Vst {

using Steinberg::guarded;

void Vst2Wrapper::processEntry(AEffect* effect, float** inputs, float** outputs, int frames) {
    guarded(0, [&] {
        if (Vst2Wrapper* wrapper = from(effect)) {
            wrapper->processAccumulating(inputs, outputs, frames);
        }
        return 0;
    });
}

void Vst2Wrapper::processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                        int frames) {
    guarded(0, [&] {
        if (Vst2Wrapper* wrapper = from(effect)) {
            wrapper->process(inputs, outputs, frames);
        }
        return 0;
    });
}

void Vst2Wrapper::processDoubleReplacingEntry(AEffect* effect, double** inputs, double** outputs,
                                              int frames) {
    guarded(0, [&] {
        if (Vst2Wrapper* wrapper = from(effect)) {
            wrapper->process(inputs, outputs, frames);
        }
        return 0;
    });
}

void Vst2Wrapper::collectChanges() noexcept {
    changes->clear();
    for (int32 i = 0; i < mailbox->size(); ++i) {
        ParamValue value = 0.0;
        if (mailbox->takeForProcessor(i, value)) {
            changes->addPoint(pair->idAt(i), 0, value);
        }
    }
}

void Vst2Wrapper::keepNewerValues() noexcept {
    const int32 count = changes->getParameterCount();
    for (int32 q = 0; q < count; ++q) {
        const ParamID id = changes->getParameterData(q)->getParameterId();
        const int32 index = pair->indexOf(id);
        if (mailbox->pendingForProcessor(index)) {
            pair->setProcessorValue(id, mailbox->latest(index));
        }
    }
    // The block's changes belong at its start only.
    changes->clear();
}

template <typename Sample>
void Vst2Wrapper::silence(Sample** outputs, int32 offset, int32 frames) noexcept {
    for (int32 c = 0; c < 2; ++c) {
        std::fill_n(outputs[c] + offset, frames, Sample(0));
    }
}

namespace {

template <typename Sample>
bool usable(Sample** channels) {
    return channels && channels[0] && channels[1];
}

} // namespace

template <typename Sample>
bool Vst2Wrapper::processPiece(Sample** inputs, Sample** outputs, int32 offset,
                               int32 frames) noexcept {
    Sample* const pieceInputs[2] = {inputs[0] + offset, inputs[1] + offset};
    return pair->process(pieceInputs, outputs, frames, changes.get());
}

template <typename Sample>
void Vst2Wrapper::process(Sample** inputs, Sample** outputs, int32 frames) noexcept {
    if (frames <= 0 || !usable(outputs)) {
        return;
    }
    // Suspended, the host's values wait for the next block that the processor takes.
    if (!usable(inputs) || !processing.load(std::memory_order_acquire)) {
        silence(outputs, 0, frames);
        return;
    }
    collectChanges();
    int32 length = 0;
    for (int32 offset = 0; offset < frames; offset += length) {
        length = std::min(processBlockSize, frames - offset);
        Sample* pieceOutputs[2] = {outputs[0] + offset, outputs[1] + offset};
        if (!processPiece(inputs, pieceOutputs, offset, length)) {
            silence(outputs, offset, length);
        }
        keepNewerValues();
    }
}

void Vst2Wrapper::processAccumulating(float** inputs, float** outputs, int32 frames) noexcept {
    if (frames <= 0 || !usable(outputs) || !usable(inputs) ||
        !processing.load(std::memory_order_acquire)) {
        return;
    }
    collectChanges();
    float* sums[2] = {scratch.data(), scratch.data() + processBlockSize};
    int32 length = 0;
    for (int32 offset = 0; offset < frames; offset += length) {
        length = std::min(processBlockSize, frames - offset);
        if (processPiece(inputs, sums, offset, length)) {
            for (int32 c = 0; c < 2; ++c) {
                for (int32 i = 0; i < length; ++i) {
                    outputs[c][offset + i] += sums[c][i];
                }
            }
        }
        keepNewerValues();
    }
}

} // namespace Vst
} // namespace Steinberg
