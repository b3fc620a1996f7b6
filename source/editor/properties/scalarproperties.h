#pragma once

#include "editor/properties/property.h"

#include <cstdint>
#include <string>

namespace kelvane::vst {

// A JSON number truncated toward zero (saturating at the ends of the 32-bit range).
class IntProperty : public SimpleProperty<int> {
public:
    IntProperty() = default;
    explicit IntProperty(int initial) : SimpleProperty(initial) {}
    void load(const picojson::value& value) override;
};

// A JSON number as it is.
class DoubleProperty : public SimplePropertyWithSet<double> {
public:
    DoubleProperty() = default;
    explicit DoubleProperty(double initial) : SimplePropertyWithSet(initial) {}
    void load(const picojson::value& value) override;
};

// A JSON string, byte for byte (UTF-8 in the layout).
class StringProperty : public SimplePropertyWithSet<std::string> {
public:
    StringProperty() = default;
    explicit StringProperty(std::string initial) : SimplePropertyWithSet(std::move(initial)) {}
    void load(const picojson::value& value) override;
};

} // namespace kelvane::vst
