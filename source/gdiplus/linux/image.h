#pragma once

#include "gdiplus/linux/gdiplustypes.h"

typedef struct _cairo_surface cairo_surface_t;

namespace Gdiplus {

class Graphics;
class TextureBrush;

// An image in 32-bit premultiplied ARGB, held as a cairo image surface (whose ARGB32 format is
// exactly GDI+'s premultiplied B, G, R, A byte order in memory).
class Image {
public:
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    UINT GetWidth();
    UINT GetHeight();
    PixelFormat GetPixelFormat();
    Status GetLastStatus() const;
    // Dots per inch: 96 unless set. A graphics object on the image converts font sizes in
    // points (and other physical units) with it, and images drawn at their own size are scaled
    // by the ratio of the two resolutions, as Windows' GDI+ does.
    REAL GetHorizontalResolution() const { return resolutionX; }
    REAL GetVerticalResolution() const { return resolutionY; }

    // The pixels, for the drawing code: null when the image could not be made.
    cairo_surface_t* surface() const { return pixels; }

protected:
    Image(cairo_surface_t* surface, Status status);
    Status record(Status status) const;

    cairo_surface_t* pixels = nullptr; // owned reference
    mutable Status lastStatus = Ok;
    REAL resolutionX = 96;
    REAL resolutionY = 96;
};

class Bitmap : public Image {
public:
    Bitmap(INT width, INT height, PixelFormat format = PixelFormat32bppARGB);
    ~Bitmap() override;

    // Reads and writes pixels in 32bppPARGB (the stored form) or 32bppARGB (converted), in an
    // internal buffer or, with ImageLockModeUserInputBuf, in the caller's Scan0 and Stride.
    Status LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* lockedData);
    Status UnlockBits(BitmapData* lockedData);
    // Colours as GDI+ answers them: not premultiplied.
    Status GetPixel(INT x, INT y, Color* color);
    Status SetPixel(INT x, INT y, const Color& color);
    Status SetResolution(REAL xdpi, REAL ydpi);

    // Takes over a surface reference (for decoders); an unusable surface gives the status.
    static Bitmap* adopt(cairo_surface_t* surface, Status failure);

private:
    Bitmap(cairo_surface_t* surface, Status status);

    struct Lock {
        Rect area;
        UINT flags = 0;
        PixelFormat format = 0;
        unsigned char* buffer = nullptr; // owned when not the surface's own memory
        bool ownsBuffer = false;
        INT stride = 0;
    };
    Lock* lock = nullptr;
};

} // namespace Gdiplus
