#include "wrappers/lv2/lv2ports.h"

#include <cmath>

namespace kelvane::lv2 {

namespace {

constexpr float panEnd = 100.0f;

// Held inside [low, high]; NaN gives high.
float held(float value, float low, float high) {
    if (!(value < high)) {
        return high;
    }
    return value > low ? value : low;
}

} // namespace

float portMinimum(ControlKind kind) {
    return kind == ControlKind::Pan ? -panEnd : 0.0f;
}

float portMaximum(ControlKind kind) {
    return kind == ControlKind::Pan ? panEnd : 1.0f;
}

double toNormalized(ControlKind kind, float portValue) {
    const float value = held(portValue, portMinimum(kind), portMaximum(kind));
    switch (kind) {
    case ControlKind::Pan:
        return (static_cast<double>(value) + 100.0) / 200.0;
    case ControlKind::Switch:
        return value > 0.0f ? 1.0 : 0.0;
    case ControlKind::Enabled:
        return value > 0.0f ? 0.0 : 1.0;
    }
    return 0.0;
}

float toPort(ControlKind kind, double normalized) {
    const bool on = normalized >= 0.5;
    switch (kind) {
    case ControlKind::Pan: {
        const double clamped =
            std::isnan(normalized) ? 1.0 : std::fmin(std::fmax(normalized, 0.0), 1.0);
        return static_cast<float>(clamped * 200.0 - 100.0);
    }
    case ControlKind::Switch:
        return on ? 1.0f : 0.0f;
    case ControlKind::Enabled:
        return on ? 0.0f : 1.0f;
    }
    return 0.0f;
}

Version releaseVersion(int major, int minor, int patch) {
    return {2 * (100 * major + minor), 2 * patch};
}

} // namespace kelvane::lv2
