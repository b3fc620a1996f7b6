#include "editor/properties/scalarproperties.h"

#include "editor/properties/jsonaccess.h"

namespace kelvane::vst {

void IntProperty::load(const picojson::value& value) {
    assign(truncateToInt32(value.get<double>()));
}

void DoubleProperty::load(const picojson::value& value) {
    assign(value.get<double>());
}

void StringProperty::load(const picojson::value& value) {
    assign(value.get<std::string>());
}

} // namespace kelvane::vst
