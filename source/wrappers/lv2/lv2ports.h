#pragma once

// How an LV2 plug-in made of a VST3 processor lays out its ports, and how a control port's
// value (in the units the user reads) becomes the normalized value of its parameter and back.
//
// Ports 0 and 1 are the stereo input (left, right), 2 and 3 the stereo output, then one control
// input per entry of the plug-in's control table, in table order, then (when the plug-in says how
// to work it out) a control output that reports the latency in samples.

#include "pluginterfaces/vst/vsttypes.h"

#include <cstddef>
#include <cstdint>

namespace kelvane::lv2 {

enum class ControlKind {
    // A position from -100 (left) to +100 (right): normalized (p + 100) / 200.
    Pan,
    // On above 0, as lv2:toggled reads: normalized 1 or 0.
    Switch,
    // The host's lv2:enabled port of a bypass parameter: 1 processes, so the parameter is
    // 1 - port.
    Enabled,
};

struct ControlPort {
    const char* symbol;
    const char* name;
    Steinberg::Vst::ParamID id;
    ControlKind kind;
};

struct PortLayout {
    const ControlPort* controls;
    std::size_t controlCount;
    // The processor's latency at the rate for the controls' normalized values (in table order),
    // as its getLatencySamples would answer for them; called in every run, so it must allocate
    // nothing and take no lock. Null: no latency port.
    std::uint32_t (*latency)(const double* values, double sampleRate) noexcept = nullptr;
    // The most latency may answer, at any rate.
    std::uint32_t latencyMaximum = 0;
};

// The latency port's index: the one after the last control input.
inline std::uint32_t latencyPort(const PortLayout& layout) {
    return 4 + static_cast<std::uint32_t>(layout.controlCount);
}

inline constexpr std::uint32_t audioInLeft = 0;
inline constexpr std::uint32_t audioInRight = 1;
inline constexpr std::uint32_t audioOutLeft = 2;
inline constexpr std::uint32_t audioOutRight = 3;
inline constexpr std::uint32_t firstControlPort = 4;

float portMinimum(ControlKind kind);
float portMaximum(ControlKind kind);

// The parameter's normalized value for a port value. Values outside the port's range are held
// at its ends; NaN reads as the port's maximum, as the processor reads a NaN parameter as 1.
double toNormalized(ControlKind kind, float portValue);

// The port value for a normalized value (the inverse on the port's range; switches read on from
// 0.5 upward, as the processor does).
float toPort(ControlKind kind, double normalized);

// The plug-in's LV2 version (its major version is the URI's) for a release of the project.
// LV2 reads a minor version of zero, or an odd minor or micro version, as a development release
// that hosts should not show by default, so the project's numbers are doubled and the major one
// folded into the minor: 1.0.7 is 200.14, 1.1.0 is 202.0, 2.0.0 is 400.0. Later releases (minor
// below 100) have greater versions.
struct Version {
    int minor;
    int micro;
};
Version releaseVersion(int major, int minor, int patch);

} // namespace kelvane::lv2
