#pragma once

#include <map>
#include <optional>
#include <string>

namespace VSTGUI {
class CView;
}

namespace kelvane::vst {

// Applies a layout document, a JSON object of view name to {property name: value}, through
// each view's setProperty, in byte order of the names. A setting that fails is skipped and
// the rest still applied. Answers the log, one line per event, or nothing when the text is
// not JSON (and then changes nothing).
std::optional<std::string> applyLayout(const std::map<std::string, VSTGUI::CView*>& views,
                                       const std::string& text);

} // namespace kelvane::vst
