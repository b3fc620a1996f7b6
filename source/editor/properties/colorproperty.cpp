#include "editor/properties/colorproperty.h"

#include "editor/properties/jsonaccess.h"

namespace kelvane::vst {

ColorProperty::ColorProperty() : SimpleProperty(Gdiplus::Color(0, 0, 0, 0)) {}

void ColorProperty::load(const picojson::value& value) {
    const picojson::array& channels = value.get<picojson::array>();
    element(channels, 3); // every channel must be there before any is read
    const std::uint8_t blue = lowByte(numberAt(channels, 3));
    const std::uint8_t green = lowByte(numberAt(channels, 2));
    const std::uint8_t red = lowByte(numberAt(channels, 1));
    const std::uint8_t alpha = lowByte(numberAt(channels, 0));
    assign(Gdiplus::Color(alpha, red, green, blue));
}

} // namespace kelvane::vst
