#include "automation.h"

#include "options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace render {

namespace {

struct Name {
    const char* text;
    Steinberg::Vst::ParamID id;
};
constexpr Name names[] = {
    {"bypass", 0}, {"timepan", 1}, {"levelpan", 2}, {"swap", 3}, {"finedelay", 4}};

double number(const std::string& text, const std::string& what) {
    const std::optional<double> value = finiteNumber(text);
    if (!value)
        throw std::invalid_argument(what + " \"" + text + "\" is not a finite number");
    return *value;
}

// Sample positions are 64-bit; a time whose position is 2^63 or more has none.
constexpr double firstPositionBeyond = 9223372036854775808.0;

} // namespace

bool parameterIdOf(const std::string& name, Steinberg::Vst::ParamID& id) {
    for (const Name& entry : names) {
        if (name == entry.text) {
            id = entry.id;
            return true;
        }
    }
    return false;
}

const char* parameterNames() {
    return "bypass, timepan, levelpan, swap, finedelay";
}

ParamAutomation parseAutomation(const std::string& text) {
    const std::string::size_type equals = text.find('=');
    if (equals == std::string::npos)
        throw std::invalid_argument("expected NAME=time:value,... in \"" + text + "\"");
    ParamAutomation parsed{};
    const std::string name = text.substr(0, equals);
    if (!parameterIdOf(name, parsed.id))
        throw std::invalid_argument("unknown parameter \"" + name +
                                    "\" (known: " + parameterNames() + ")");

    std::string::size_type at = equals + 1;
    while (true) {
        const std::string::size_type comma = text.find(',', at);
        const std::string item = text.substr(at, comma == std::string::npos ? comma : comma - at);
        const std::string::size_type colon = item.find(':');
        if (colon == std::string::npos)
            throw std::invalid_argument("breakpoint \"" + item + "\" of " + name +
                                        " is not time:value");
        const Breakpoint point{number(item.substr(0, colon), "time"),
                               number(item.substr(colon + 1), "value")};
        if (point.seconds < 0.0)
            throw std::invalid_argument("time " + item.substr(0, colon) + " of " + name +
                                        " is negative");
        if (point.value < 0.0 || point.value > 1.0)
            throw std::invalid_argument("value " + item.substr(colon + 1) + " of " + name +
                                        " is outside [0, 1]");
        if (!parsed.breakpoints.empty() && point.seconds < parsed.breakpoints.back().seconds)
            throw std::invalid_argument("times of " + name + " go backwards at \"" + item + "\"");
        parsed.breakpoints.push_back(point);
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    return parsed;
}

AutomationCurve::AutomationCurve(const ParamAutomation& parsed, double sampleRate)
    : parameter(parsed.id) {
    for (const Breakpoint& point : parsed.breakpoints) {
        const double position = std::round(point.seconds * sampleRate);
        if (!(position < firstPositionBeyond)) {
            std::ostringstream message;
            message << "time " << point.seconds << " lies beyond the last sample position at "
                    << sampleRate << " Hz";
            throw std::invalid_argument(message.str());
        }
        const auto sample = static_cast<std::int64_t>(position);
        if (!knots.empty() && knots.back().sample == sample)
            knots.back().last = point.value;
        else
            knots.push_back({sample, point.value, point.value});
    }
}

double AutomationCurve::valueAt(std::int64_t sample) const {
    if (knots.empty())
        return 0.0;
    const auto after =
        std::upper_bound(knots.begin(), knots.end(), sample,
                         [](std::int64_t s, const Knot& knot) { return s < knot.sample; });
    if (after == knots.begin())
        return knots.front().first;
    const Knot& from = *(after - 1);
    if (from.sample == sample || after == knots.end())
        return from.last;
    const double fraction = static_cast<double>(sample - from.sample) /
                            static_cast<double>(after->sample - from.sample);
    return from.last + (after->first - from.last) * fraction;
}

std::vector<std::pair<Steinberg::int32, double>>
AutomationCurve::pointsFor(std::int64_t start, Steinberg::int32 numSamples,
                           Steinberg::int32 spacing) const {
    std::vector<Steinberg::int32> offsets;
    if (numSamples <= 0)
        return {};
    for (Steinberg::int32 offset = 0; offset < numSamples; offset += std::max(spacing, 1))
        offsets.push_back(offset);
    offsets.push_back(numSamples - 1);
    const std::int64_t end = start + numSamples;
    for (const Knot& knot : knots) {
        if (knot.sample >= start && knot.sample < end)
            offsets.push_back(static_cast<Steinberg::int32>(knot.sample - start));
        if (knot.first != knot.last && knot.sample - 1 >= start && knot.sample - 1 < end)
            offsets.push_back(static_cast<Steinberg::int32>(knot.sample - 1 - start));
    }
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());

    std::vector<std::pair<Steinberg::int32, double>> points;
    points.reserve(offsets.size());
    for (Steinberg::int32 offset : offsets)
        points.emplace_back(offset, valueAt(start + offset));
    return points;
}

} // namespace render
