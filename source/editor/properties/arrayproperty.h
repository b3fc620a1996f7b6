#pragma once

#include "editor/properties/property.h"

#include <vector>

namespace kelvane::vst {

// A list read from a JSON array, each element as a fresh P reads it. One bad element fails the
// whole load and the old list stays.
template <typename P>
class ArrayProperty : public SimpleProperty<std::vector<typename P::ValueType>> {
public:
    using Base = SimpleProperty<std::vector<typename P::ValueType>>;

    ArrayProperty() = default;
    explicit ArrayProperty(std::vector<typename P::ValueType> initial) : Base(std::move(initial)) {}

    void load(const picojson::value& value) override {
        const picojson::array& elements = value.template get<picojson::array>();
        std::vector<typename P::ValueType> list;
        list.reserve(elements.size());
        for (const picojson::value& element : elements) {
            list.push_back(parsePropertyValue<P>(element));
        }
        this->assign(std::move(list));
    }
};

} // namespace kelvane::vst
