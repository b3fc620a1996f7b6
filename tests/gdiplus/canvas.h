#pragma once

// Drawing on a small bitmap and reading its pixels back through LockBits, the same way on our
// Linux layer and on Windows' GDI+.

#include "gdiplus/gdiplus.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gdiplustest {

// A premultiplied pixel as stored: B, G, R, A bytes, read as one 32-bit ARGB word.
struct Pixel {
    int a, r, g, b;
};

struct Box {
    int left = 0, top = 0, right = -1, bottom = -1; // inclusive pixel bounds; empty: right < left
    bool empty() const { return right < left; }
    double centreX() const { return (left + right + 1) / 2.0; }
    double centreY() const { return (top + bottom + 1) / 2.0; }
};

class Canvas {
public:
    Canvas(int width, int height);
    Gdiplus::Bitmap& bitmap() { return *bmp; }
    Gdiplus::Graphics& graphics() { return *gfx; }
    // Reads through LockBits in 32bppPARGB (ends any drawing first).
    Pixel at(int x, int y);
    // The pixels whose alpha reaches the threshold.
    Box ink(int threshold = 128);

private:
    std::vector<std::uint32_t> read();

    int w, h;
    std::unique_ptr<Gdiplus::Bitmap> bmp;
    std::unique_ptr<Gdiplus::Graphics> gfx;
};

std::vector<unsigned char> readFile(const std::string& path);

// Wine's gdiplus draws fills without anti-aliasing and places far- and centre-aligned text a few
// pixels right of the anchor; the tests that measure those say so and allow for it there.
bool underWine();

} // namespace gdiplustest
