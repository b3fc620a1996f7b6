#pragma once

#include "pluginterfaces/gui/iplugview.h"

#include "vstgui/lib/platform/iplatformframe.h"

#include <memory>

namespace Steinberg::Vst {

// The frame configuration for a view attached on X: the host's run loop, which the plug-in
// frame offers as Linux::IRunLoop, adapted to the view layer's run loop and made current while
// the configuration lives, so the editor's timer runs on it too. Null when the host offers no
// run loop (or on other systems).
std::unique_ptr<VSTGUI::IPlatformFrameConfig> makeFrameConfig(IPlugFrame* plugFrame);

} // namespace Steinberg::Vst
