#include "gdiplus/linux/image.h"

#include <cairo.h>

#include <cstdint>
#include <cstring>

namespace Gdiplus {

namespace {

bool usable(cairo_surface_t* surface) {
    return surface != nullptr && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
}

std::uint32_t* row(cairo_surface_t* surface, INT y) {
    return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface) +
                                            std::ptrdiff_t(y) *
                                                cairo_image_surface_get_stride(surface));
}

std::uint32_t unpremultiply(std::uint32_t p) {
    const std::uint32_t a = p >> 24;
    if (a == 0)
        return 0;
    if (a == 255)
        return p;
    auto channel = [&](int shift) {
        const std::uint32_t c = (p >> shift) & 0xFF;
        return ((c * 255 + a / 2) / a) << shift;
    };
    return a << 24 | channel(16) | channel(8) | channel(0);
}

std::uint32_t premultiply(std::uint32_t p) {
    const std::uint32_t a = p >> 24;
    if (a == 255)
        return p;
    auto channel = [&](int shift) {
        const std::uint32_t c = (p >> shift) & 0xFF;
        return ((c * a + 127) / 255) << shift;
    };
    return a << 24 | channel(16) | channel(8) | channel(0);
}

} // namespace

Image::Image(cairo_surface_t* surface, Status status) : pixels(surface), lastStatus(status) {}

Image::~Image() {
    if (pixels != nullptr)
        cairo_surface_destroy(pixels);
}

UINT Image::GetWidth() {
    return usable(pixels) ? UINT(cairo_image_surface_get_width(pixels)) : 0;
}

UINT Image::GetHeight() {
    return usable(pixels) ? UINT(cairo_image_surface_get_height(pixels)) : 0;
}

PixelFormat Image::GetPixelFormat() {
    return PixelFormat32bppPARGB;
}

Status Bitmap::SetResolution(REAL xdpi, REAL ydpi) {
    if (!(xdpi > 0) || !(ydpi > 0))
        return record(InvalidParameter);
    resolutionX = xdpi;
    resolutionY = ydpi;
    return Ok;
}

Status Image::GetLastStatus() const {
    const Status status = lastStatus;
    lastStatus = Ok;
    return status;
}

Status Image::record(Status status) const {
    if (status != Ok)
        lastStatus = status;
    return status;
}

Bitmap::Bitmap(cairo_surface_t* surface, Status status) : Image(surface, status) {}

Bitmap::Bitmap(INT width, INT height, PixelFormat) : Image(nullptr, Ok) {
    if (width <= 0 || height <= 0) {
        lastStatus = InvalidParameter;
        return;
    }
    pixels = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (!usable(pixels)) {
        // Too large for cairo: a bitmap without pixels, on which everything fails.
        cairo_surface_destroy(pixels);
        pixels = nullptr;
        lastStatus = OutOfMemory;
    }
}

Bitmap::~Bitmap() {
    if (lock != nullptr && lock->ownsBuffer)
        delete[] lock->buffer;
    delete lock;
}

Bitmap* Bitmap::adopt(cairo_surface_t* surface, Status failure) {
    if (usable(surface) && cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32)
        return new Bitmap(surface, Ok);
    if (surface != nullptr)
        cairo_surface_destroy(surface);
    return new Bitmap(nullptr, failure);
}

Status Bitmap::LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* data) {
    if (!usable(pixels))
        return record(InvalidParameter);
    if (lock != nullptr)
        return record(WrongState);
    if (data == nullptr || (flags & (ImageLockModeRead | ImageLockModeWrite)) == 0)
        return record(InvalidParameter);
    if (format != PixelFormat32bppPARGB && format != PixelFormat32bppARGB)
        return record(InvalidParameter);
    const INT width = cairo_image_surface_get_width(pixels);
    const INT height = cairo_image_surface_get_height(pixels);
    const Rect area = rect != nullptr ? *rect : Rect(0, 0, width, height);
    if (area.X < 0 || area.Y < 0 || area.Width <= 0 || area.Height <= 0 ||
        area.Width > width - area.X || area.Height > height - area.Y)
        return record(InvalidParameter);
    const bool userBuffer = (flags & ImageLockModeUserInputBuf) != 0;
    if (userBuffer && (data->Scan0 == nullptr || data->Stride == 0))
        return record(InvalidParameter);
    if (userBuffer && (data->Stride > 0 ? data->Stride : -data->Stride) < area.Width * 4)
        return record(InvalidParameter);

    cairo_surface_flush(pixels);
    auto* l = new Lock;
    l->area = area;
    l->flags = flags;
    l->format = format;
    if (userBuffer) {
        l->buffer = static_cast<unsigned char*>(data->Scan0);
        l->stride = data->Stride;
    } else if (format == PixelFormat32bppPARGB) {
        // The stored form: hand out the surface's own memory.
        l->buffer = reinterpret_cast<unsigned char*>(row(pixels, area.Y) + area.X);
        l->stride = cairo_image_surface_get_stride(pixels);
    } else {
        l->stride = area.Width * 4;
        l->buffer = new unsigned char[std::size_t(l->stride) * std::size_t(area.Height)]();
        l->ownsBuffer = true;
    }
    const bool copies = userBuffer || l->ownsBuffer;
    if (copies && (flags & ImageLockModeRead) != 0) {
        for (INT y = 0; y < area.Height; ++y) {
            const std::uint32_t* from = row(pixels, area.Y + y) + area.X;
            auto* to = reinterpret_cast<std::uint32_t*>(l->buffer + std::ptrdiff_t(y) * l->stride);
            for (INT x = 0; x < area.Width; ++x)
                to[x] = format == PixelFormat32bppARGB ? unpremultiply(from[x]) : from[x];
        }
    }
    lock = l;
    data->Width = UINT(area.Width);
    data->Height = UINT(area.Height);
    data->Stride = l->stride;
    data->PixelFormat = format;
    data->Scan0 = l->buffer;
    data->Reserved = 0;
    return Ok;
}

Status Bitmap::UnlockBits(BitmapData* data) {
    if (lock == nullptr || data == nullptr)
        return record(lock == nullptr ? WrongState : InvalidParameter);
    Lock* l = lock;
    lock = nullptr;
    const bool copies = (l->flags & ImageLockModeUserInputBuf) != 0 || l->ownsBuffer;
    if ((l->flags & ImageLockModeWrite) != 0) {
        if (copies) {
            for (INT y = 0; y < l->area.Height; ++y) {
                std::uint32_t* to = row(pixels, l->area.Y + y) + l->area.X;
                const auto* from = reinterpret_cast<const std::uint32_t*>(
                    l->buffer + std::ptrdiff_t(y) * l->stride);
                for (INT x = 0; x < l->area.Width; ++x)
                    to[x] = l->format == PixelFormat32bppARGB ? premultiply(from[x]) : from[x];
            }
        }
        cairo_surface_mark_dirty(pixels);
    }
    if (l->ownsBuffer)
        delete[] l->buffer;
    delete l;
    return Ok;
}

Status Bitmap::GetPixel(INT x, INT y, Color* color) {
    if (!usable(pixels) || color == nullptr || x < 0 || y < 0 ||
        x >= cairo_image_surface_get_width(pixels) || y >= cairo_image_surface_get_height(pixels))
        return record(InvalidParameter);
    cairo_surface_flush(pixels);
    color->SetValue(unpremultiply(row(pixels, y)[x]));
    return Ok;
}

Status Bitmap::SetPixel(INT x, INT y, const Color& color) {
    if (!usable(pixels) || x < 0 || y < 0 || x >= cairo_image_surface_get_width(pixels) ||
        y >= cairo_image_surface_get_height(pixels))
        return record(InvalidParameter);
    cairo_surface_flush(pixels);
    row(pixels, y)[x] = premultiply(color.GetValue());
    cairo_surface_mark_dirty_rectangle(pixels, x, y, 1, 1);
    return Ok;
}

} // namespace Gdiplus
