#pragma once

#include <picojson.h>

#include <cstdint>
#include <string>

namespace kelvane::vst {

// Checked access to the parts of a layout value, with the messages the layout log shows: an
// array too short gives std::out_of_range("invalid vector<T> subscript"), a missing member
// std::out_of_range("invalid map<K, T> key"). A value of the wrong JSON type gives picojson's own
// std::runtime_error.
const picojson::value& element(const picojson::array& array, std::size_t index);
const picojson::value& member(const picojson::object& object, const std::string& key);

// Element index of array, read as a number.
double numberAt(const picojson::array& array, std::size_t index);

// A number truncated toward zero to a 32-bit integer; beyond the range it saturates, since a
// plain cast of such a number has no defined result.
std::int32_t truncateToInt32(double number);

// The low eight bits of a number truncated toward zero, in two's complement (256 gives 0, -1
// gives 255), for any finite number.
std::uint8_t lowByte(double number);

} // namespace kelvane::vst
