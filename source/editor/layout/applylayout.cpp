#include "editor/layout/applylayout.h"

#include "framework/jsonnesting.h"
#include "vstgui/lib/cview.h"

#include <picojson.h>

#include <exception>
#include <sstream>
#include <stdexcept>

namespace kelvane::vst {

namespace {

const char* const appliedText = "set to ";
const char* const unknownFailureText = "failed with an unknown error";
const char* const closingText = "layout applied";
const char* const missingViewText = "invalid map<K, T> key";

// The message picojson gives for reading a non-object as an object, learnt once.
const std::string& objectTypeMismatch() {
    static const std::string message = [] {
        try {
            picojson::value().get<picojson::object>();
        } catch (const std::exception& error) {
            return std::string(error.what());
        }
        return std::string();
    }();
    return message;
}

std::optional<picojson::value> parseDocument(const std::string& text) {
    if (!jsonNestingWithin(text))
        return std::nullopt;
    picojson::value document;
    std::string error;
    std::string::const_iterator end;
    try {
        end = picojson::parse(document, text.begin(), text.end(), &error);
    } catch (const std::overflow_error&) {
        return std::nullopt; // a number beyond a double, such as 1e999
    }
    if (!error.empty())
        return std::nullopt;
    // Whatever follows the value must be blank, or this is not one JSON document.
    while (end != text.end() && (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r'))
        ++end;
    if (end != text.end())
        return std::nullopt;
    return document;
}

void applySetting(VSTGUI::CView& view, const std::string& setting, const std::string& property,
                  const picojson::value& value, std::ostringstream& log) {
    log << setting << ' ' << appliedText << value.serialize() << '\n';
    try {
        view.setProperty(property, value);
    } catch (const std::exception& error) {
        log << setting << ' ' << error.what() << '\n';
    } catch (const std::string& error) {
        log << setting << ' ' << error << '\n';
    } catch (const char* error) {
        log << setting << ' ' << error << '\n';
    } catch (...) {
        log << setting << ' ' << unknownFailureText << '\n';
    }
}

} // namespace

std::optional<std::string> applyLayout(const std::map<std::string, VSTGUI::CView*>& views,
                                       const std::string& text) {
    const std::optional<picojson::value> document = parseDocument(text);
    if (!document)
        return std::nullopt;

    std::ostringstream log;
    if (!document->is<picojson::object>()) {
        log << objectTypeMismatch() << '\n';
    } else {
        for (const auto& [viewName, settings] : document->get<picojson::object>()) {
            const auto found = views.find(viewName);
            if (found == views.end() || found->second == nullptr) {
                log << viewName << ' ' << missingViewText << '\n';
                continue;
            }
            if (!settings.is<picojson::object>()) {
                log << viewName << ' ' << objectTypeMismatch() << '\n';
                continue;
            }
            for (const auto& [property, value] : settings.get<picojson::object>())
                applySetting(*found->second, viewName + '.' + property, property, value, log);
        }
    }
    log << closingText << '\n';
    return log.str();
}

} // namespace kelvane::vst
