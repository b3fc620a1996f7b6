#pragma once

// Installed font families, found through the process's current fontconfig configuration,
// which is only ever read.

#include "gdiplus/linux/fontface.h"

#include <memory>
#include <string>

namespace kelvane::gdiplus {

// The installed family of exactly that name (case aside, as GDI+ compares), or null.
std::shared_ptr<FaceSet> findInstalledFamily(const std::wstring& name);
// The family that fontconfig chooses for "sans-serif", or null.
std::shared_ptr<FaceSet> genericSansSerif();

} // namespace kelvane::gdiplus
