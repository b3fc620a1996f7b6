#pragma once

#include <gtest/gtest.h>
#include <picojson.h>

#include <string>

namespace propertytest {

inline picojson::value json(const std::string& text) {
    picojson::value value;
    const std::string error = picojson::parse(value, text);
    EXPECT_EQ(error, "") << text;
    return value;
}

// The message of what load throws, checked to be of type Error; empty if nothing was thrown.
template <typename Error, typename P>
std::string loadError(P& property, const std::string& text) {
    try {
        property.load(json(text));
    } catch (const Error& error) {
        return error.what();
    } catch (...) {
        ADD_FAILURE() << "unexpected exception type for " << text;
        return "?";
    }
    return "";
}

} // namespace propertytest
