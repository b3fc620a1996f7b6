#include "editor/properties/pathprimitiveproperty.h"

#include "editor/properties/arrayproperty.h"
#include "editor/properties/geometryproperties.h"
#include "editor/properties/jsonaccess.h"

#include <stdexcept>
#include <string>

namespace kelvane::vst {

namespace {

const char* const kindKey = "kind";
const char* const pointsKey = "points";
const char* const linesWord = "lines";
const char* const beziersWord = "beziers";
const char* const unknownPrefix = "unknown path kind: ";

} // namespace

void PathPrimitiveProperty::load(const picojson::value& value) {
    const picojson::object& members = value.get<picojson::object>();
    const std::string& word = member(members, kindKey).get<std::string>();
    PathPrimitive primitive;
    if (word == linesWord) {
        primitive.kind = Lines;
    } else if (word == beziersWord) {
        primitive.kind = Beziers;
    } else {
        throw std::logic_error(unknownPrefix + word);
    }
    primitive.points = parsePropertyValue<ArrayProperty<PointProperty>>(member(members, pointsKey));
    assign(std::move(primitive));
}

} // namespace kelvane::vst
