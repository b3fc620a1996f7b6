#include "editor/properties/jsonaccess.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace kelvane::vst {

const picojson::value& element(const picojson::array& array, std::size_t index) {
    if (index >= array.size()) {
        throw std::out_of_range("invalid vector<T> subscript");
    }
    return array[index];
}

const picojson::value& member(const picojson::object& object, const std::string& key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        throw std::out_of_range("invalid map<K, T> key");
    }
    return found->second;
}

double numberAt(const picojson::array& array, std::size_t index) {
    return element(array, index).get<double>();
}

std::int32_t truncateToInt32(double number) {
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(number)) {
        return 0;
    }
    if (number <= static_cast<double>(lowest)) {
        return lowest;
    }
    if (number >= static_cast<double>(highest)) {
        return highest;
    }
    return static_cast<std::int32_t>(number);
}

std::uint8_t lowByte(double number) {
    if (!std::isfinite(number)) {
        return 0;
    }
    // fmod is exact, so this is the integer's residue modulo 256 for every magnitude.
    double residue = std::fmod(std::trunc(number), 256.0);
    if (residue < 0.0) {
        residue += 256.0;
    }
    return static_cast<std::uint8_t>(residue);
}

} // namespace kelvane::vst
