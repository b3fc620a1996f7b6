#pragma once

#include "gdiplus/linux/image.h"

#include <cstddef>

namespace kelvane::gdiplus {

// Decodes a PNG held in memory into a new premultiplied-ARGB bitmap (Linux has no COM streams
// for Image::FromStream). Null for no bytes; otherwise a new image whose GetLastStatus() is not
// Ok when the bytes are not a PNG. The caller owns the result.
Gdiplus::Image* loadImageFromMemory(const void* data, std::size_t size);

} // namespace kelvane::gdiplus
