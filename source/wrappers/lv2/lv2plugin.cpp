#include "wrappers/lv2/lv2plugin.h"

#include "wrappers/lv2/lv2features.h"

#include "public.sdk/source/common/hostboundary.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>

#include <algorithm>
#include <cstring>

namespace kelvane::lv2 {

using Steinberg::guarded;
using Steinberg::int32;
using Steinberg::Vst::ParamValue;

namespace {

// A block never grows past this, whatever the host announces: the processor's buffers of the
// other formats are as large.
constexpr std::int32_t largestBlock = 1 << 16;

} // namespace

std::int32_t maxBlockOption(const LV2_Feature* const* features) {
    for (const char* key : {LV2_BUF_SIZE__maxBlockLength, LV2_BUF_SIZE__nominalBlockLength}) {
        if (const void* option = findOption(features, key, LV2_ATOM__Int, sizeof(std::int32_t))) {
            std::int32_t value = 0;
            std::memcpy(&value, option, sizeof value);
            if (value > 0) {
                return value;
            }
        }
    }
    return 0;
}

std::unique_ptr<Plugin> Plugin::create(const PluginClass& pluginClass, double sampleRate,
                                       const LV2_Feature* const* features) {
    if (!pluginClass.makeFactory) {
        return nullptr;
    }
    const Steinberg::IPtr<Steinberg::IPluginFactory> factory(pluginClass.makeFactory(), false);
    if (!factory) {
        return nullptr;
    }
    Steinberg::TUID cid;
    pluginClass.processorId.toTUID(cid);
    std::unique_ptr<wrappers::ComponentHost> pair = wrappers::ComponentHost::create(factory, cid);
    if (!pair) {
        return nullptr;
    }
    std::int32_t block = maxBlockOption(features);
    block = block > 0 ? std::min(block, largestBlock) : defaultMaxBlock;
    // The processor judges the rate: one it refuses here it would refuse at activation.
    if (!pair->setup(sampleRate, block, false)) {
        return nullptr;
    }
    return std::unique_ptr<Plugin>(
        new Plugin(std::move(pair), pluginClass.layout, sampleRate, block));
}

Plugin::Plugin(std::unique_ptr<wrappers::ComponentHost> pair, const PortLayout& ports, double rate,
               std::int32_t maxBlock)
    : host(std::move(pair)), layout(ports), sampleRate(rate), blockLimit(maxBlock),
      changes(static_cast<int32>(ports.controlCount), 1) {
    for (std::size_t i = 0; i < layout.controlCount; ++i) {
        const ControlPort& port = layout.controls[i];
        controls.push_back({nullptr, unreadPort, host->normalized(port.id), port.id, port.kind});
    }
    latencyValues.resize(controls.size());
}

Plugin::~Plugin() {
    deactivate();
}

void Plugin::connectPort(std::uint32_t port, void* data) noexcept {
    if (port <= audioOutRight) {
        audio[port] = static_cast<float*>(data);
        return;
    }
    const std::uint32_t control = port - firstControlPort;
    if (control < controls.size()) {
        controls[control].port = static_cast<const float*>(data);
    } else if (layout.latency && port == latencyPort(layout)) {
        latencyOut = static_cast<float*>(data);
    }
}

void Plugin::reportLatency() noexcept {
    if (!latencyOut || !layout.latency) {
        return;
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        latencyValues[i] = controls[i].handedOn;
    }
    *latencyOut = static_cast<float>(layout.latency(latencyValues.data(), sampleRate));
}

void Plugin::collectChanges() noexcept {
    changes.clear();
    for (Control& control : controls) {
        if (!control.port) {
            continue;
        }
        // Most runs find every port as it was: one comparison of its bits each.
        std::uint32_t bits = 0;
        std::memcpy(&bits, control.port, sizeof bits);
        if (bits == control.bits) {
            continue;
        }
        const double value = toNormalized(control.kind, *control.port);
        if (value == control.handedOn || changes.addPoint(control.id, 0, value)) {
            control.handedOn = value;
            control.bits = bits;
        }
    }
}

void Plugin::activate() {
    if (running) {
        return;
    }
    // The ports' values are where the engine starts, so that nothing glides from the old values.
    for (Control& control : controls) {
        if (!control.port) {
            continue;
        }
        std::uint32_t bits = 0;
        std::memcpy(&bits, control.port, sizeof bits);
        const double value = toNormalized(control.kind, *control.port);
        if (value == control.handedOn || host->setProcessorValue(control.id, value)) {
            control.handedOn = value;
            control.bits = bits;
        }
    }
    if (!host->setup(sampleRate, blockLimit, false) || !host->activate() ||
        !host->startProcessing()) {
        host->deactivate();
        return;
    }
    running = true;
}

void Plugin::deactivate() {
    if (running) {
        host->deactivate();
        running = false;
    }
}

void Plugin::silence(std::uint32_t samples) noexcept {
    for (std::uint32_t c = audioOutLeft; c <= audioOutRight; ++c) {
        if (audio[c]) {
            std::fill_n(audio[c], samples, 0.0f);
        }
    }
}

void Plugin::run(std::uint32_t samples) noexcept {
    if (!running) {
        reportLatency();
        silence(samples);
        return;
    }
    collectChanges();
    reportLatency();
    const bool connected = audio[0] && audio[1] && audio[2] && audio[3];
    if (!connected || samples == 0) {
        // The values still reach the processor, as a VST3 host's flush hands them.
        float* none[2] = {nullptr, nullptr};
        host->process(none, none, 0, &changes);
        silence(samples);
        return;
    }
    // A run without changes hands the processor none, as VST3 hosts may.
    Steinberg::Vst::IParameterChanges* runChanges =
        changes.getParameterCount() > 0 ? &changes : nullptr;
    if (samples <= static_cast<std::uint32_t>(blockLimit)) {
        if (!host->process(audio, audio + audioOutLeft, static_cast<int32>(samples), runChanges)) {
            silence(samples);
        }
        return;
    }
    Steinberg::Vst::IParameterChanges* blockChanges = runChanges;
    for (std::uint32_t offset = 0; offset < samples;) {
        const std::uint32_t length =
            std::min<std::uint32_t>(samples - offset, static_cast<std::uint32_t>(blockLimit));
        float* inputs[2] = {audio[audioInLeft] + offset, audio[audioInRight] + offset};
        float* outputs[2] = {audio[audioOutLeft] + offset, audio[audioOutRight] + offset};
        if (!host->process(inputs, outputs, static_cast<int32>(length), blockChanges)) {
            std::fill_n(outputs[0], length, 0.0f);
            std::fill_n(outputs[1], length, 0.0f);
        }
        // The ports' values belong at the start of the run only.
        blockChanges = nullptr;
        offset += length;
    }
}

} // namespace kelvane::lv2
