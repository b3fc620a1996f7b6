#pragma once

#include "editor/resources/resourcestore.h"

namespace tivrandel {

// The process-wide stores of the files embedded from resources/: the editor's layout, images
// and fonts, and the user manual keyed by relative path ("en/index.html", ...). Each is filled
// once, on first use, and read-only afterwards.
const kelvane::vst::ResourceStore& editorResources();
const kelvane::vst::ResourceStore& manualResources();

} // namespace tivrandel
