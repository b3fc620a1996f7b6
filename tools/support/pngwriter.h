#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvane::tools {

// Encodes premultiplied B, G, R, A pixels (GDI+'s 32bpp PARGB layout) as an RGBA PNG with
// straight alpha. The data is stored, not compressed: the tools write a few small screenshots
// and need no zlib for that on either platform.
std::vector<std::uint8_t> encodePng(const std::uint8_t* pixels, int width, int height, int stride);

// Writes encodePng's bytes to path; false when the file cannot be written, with the system's
// reason in *reason when given.
bool writePng(const std::string& path, const std::uint8_t* pixels, int width, int height,
              int stride, std::string* reason = nullptr);

} // namespace kelvane::tools
