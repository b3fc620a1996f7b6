#include "editor/views/tickmarkproperty.h"

#include "editor/properties/colorproperty.h"

#include <string>

namespace kelvane::vst {

namespace {

const char* const widthKey = "width";
const char* const innerRadiusKey = "innerRadius";
const char* const outerRadiusKey = "outerRadius";
const char* const colorKey = "color";

} // namespace

void TickMarkProperty::load(const picojson::value& value) {
    TickMark tick = get();
    // picojson's object is ordered, so members are visited in key order.
    for (const auto& [key, part] : value.get<picojson::object>()) {
        if (key == widthKey) {
            tick.width = part.get<double>();
        } else if (key == innerRadiusKey) {
            tick.innerRadius = part.get<double>();
        } else if (key == outerRadiusKey) {
            tick.outerRadius = part.get<double>();
        } else if (key == colorKey) {
            tick.color = parsePropertyValue<ColorProperty>(part);
        }
    }
    assign(tick);
}

} // namespace kelvane::vst
