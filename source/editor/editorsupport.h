#pragma once

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/vsttypes.h"

#include "vstgui/lib/cpoint.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Steinberg::Vst {
class EditController;
}

namespace kelvane::vst {

// The editor framework's pieces that do not depend on the product.

// The system time in 100 ns ticks.
std::int64_t systemTimeTicks();

// A whole file as text; false when it cannot be read.
bool readTextFile(const std::string& path, std::string& text);

// Replaces a file's contents; a file that cannot be written is left alone.
void writeTextFile(const std::string& path, const std::string& text);

// The plug-in's context-menu items: 1000 + id resets parameter id, 2000 + id opens the manual.
struct MenuItem {
    enum Kind { none, reset, manual };
    Kind kind;
    Steinberg::Vst::ParamID id;
};
MenuItem menuItem(Steinberg::int32 tag);

// A zero-terminated UTF-16 text of at most maxUnits units as UTF-8; an unpaired surrogate
// becomes U+FFFD.
std::string utf8Of(const Steinberg::Vst::TChar* text, std::size_t maxUnits);

// Keeps a proposed size between the editor's own and margin pixels more in each direction, for
// any coordinates (near the int32 limits the rectangle is moved back to fit).
void constrainSize(Steinberg::ViewRect& rect, Steinberg::int32 width, Steinberg::int32 height,
                   Steinberg::int32 margin);

// Whether the host is one in which the plug-in shows no context menu of its own.
bool hostShowsNoPluginMenu();

// Asks the host for a context menu for parameter id, adds the plug-in's two items and pops it up
// at where (not at all when where is null). False when the host offers no menu.
bool showContextMenu(Steinberg::Vst::EditController& controller, Steinberg::IPlugView& view,
                     Steinberg::Vst::IContextMenuTarget& target, Steinberg::Vst::ParamID id,
                     const VSTGUI::CPoint* where);

} // namespace kelvane::vst
