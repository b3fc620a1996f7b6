#pragma once

// An LV2 plug-in made of a VST3 processor and its edit controller: the adapter behind one LV2
// instance. It drives the pair only through their VST3 interfaces (kelvane::wrappers::
// ComponentHost), so the processor, controller and engine know nothing of LV2.
//
// Ports follow PortLayout: a stereo input and output, then one control input per parameter in
// the units a user reads. A control port holds one value for a whole run(); a value that
// differs from the one last handed on reaches the processor as a point at sample 0 of the block,
// a step the engine's smoothers glide from as from any step. A host that splits its blocks at
// automation events thereby automates sample by sample.
//
// The latency port, where the layout has one, is written in every run, one of no samples and
// one before activation included: the processor's latency for the values the run hands it, so
// that a host that reads it after any run has the latency of what it just set.
//
// Threads (as LV2 defines them): instantiate, activate, deactivate and cleanup in the
// instantiation class; connectPort and run in the audio class. run allocates nothing, takes no
// lock, makes no system call and throws nothing.

#include "wrappers/common/componenthost.h"
#include "wrappers/common/pointchanges.h"
#include "wrappers/lv2/lv2ports.h"

#include "pluginterfaces/base/ipluginbase.h"

#include <lv2/core/lv2.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace kelvane::lv2 {

struct PluginClass {
    // A new factory with one reference, which the caller owns.
    Steinberg::IPluginFactory* (*makeFactory)();
    Steinberg::FUID processorId;
    PortLayout layout;
};

class Plugin {
public:
    // Blocks longer than the host's announced maximum (or this, when it announces none) are
    // processed in pieces.
    static constexpr std::int32_t defaultMaxBlock = 4096;

    // Null for a rate the processor refuses, or when the pair cannot be made.
    static std::unique_ptr<Plugin> create(const PluginClass& pluginClass, double sampleRate,
                                          const LV2_Feature* const* features);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    void connectPort(std::uint32_t port, void* data) noexcept;
    // Sets the processor up; the control ports that are connected give the starting values,
    // taken without a glide.
    void activate();
    void run(std::uint32_t samples) noexcept;
    void deactivate();

    std::int32_t maxBlock() const { return blockLimit; }
    wrappers::ComponentHost& pair() { return *host; }

private:
    Plugin(std::unique_ptr<wrappers::ComponentHost> pair, const PortLayout& ports, double rate,
           std::int32_t maxBlock);
    // Points at offset 0 for the control ports whose value moved since it was last handed on.
    void collectChanges() noexcept;
    void silence(std::uint32_t samples) noexcept;
    void reportLatency() noexcept;

    std::unique_ptr<wrappers::ComponentHost> host;
    PortLayout layout;
    double sampleRate;
    std::int32_t blockLimit;

    float* audio[4] = {};
    float* latencyOut = nullptr;
    // The controls' values handed to the processor, in table order, for the layout's latency.
    std::vector<double> latencyValues;
    // One per control port, together, since run() visits them all.
    struct Control {
        const float* port;
        // The port value last read (as bits; unreadPort before the first) and the normalized
        // value last handed to the processor.
        std::uint64_t bits;
        double handedOn;
        Steinberg::Vst::ParamID id;
        ControlKind kind;
    };
    static constexpr std::uint64_t unreadPort = std::uint64_t(1) << 32;
    std::vector<Control> controls;
    wrappers::PointChanges changes;
    bool running = false;
};

// The host's largest block from its options (buf-size), or 0 when it gives none.
std::int32_t maxBlockOption(const LV2_Feature* const* features);

} // namespace kelvane::lv2
