#pragma once

#include "gdiplus/gdiplus.h"

#include <cstddef>
#include <cstdint>

namespace kelvane::vst {

// A new 32-bit premultiplied-ARGB bitmap of the image that the bytes hold (PNG, and on Windows
// whatever else GDI+ reads), owned by the caller; null for no bytes. Throws std::runtime_error
// when the bytes cannot be staged for decoding or are not a readable image.
Gdiplus::Bitmap* decodeImage(const std::uint8_t* data, std::size_t size);

} // namespace kelvane::vst
