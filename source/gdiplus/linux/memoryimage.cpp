#include "gdiplus/linux/memoryimage.h"

#include <cairo.h>

#include <cstring>

namespace kelvane::gdiplus {

namespace {

struct Reader {
    const unsigned char* next;
    std::size_t left;
};

cairo_status_t readBytes(void* closure, unsigned char* data, unsigned int length) {
    auto* reader = static_cast<Reader*>(closure);
    if (length > reader->left)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, reader->next, length);
    reader->next += length;
    reader->left -= length;
    return CAIRO_STATUS_SUCCESS;
}

constexpr unsigned char pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

} // namespace

Gdiplus::Image* loadImageFromMemory(const void* data, std::size_t size) {
    if (data == nullptr || size == 0)
        return nullptr;
    // cairo answers anything it cannot read with an error surface; only PNGs are tried.
    if (size < sizeof pngSignature || std::memcmp(data, pngSignature, sizeof pngSignature) != 0)
        return Gdiplus::Bitmap::adopt(nullptr, Gdiplus::UnknownImageFormat);
    Reader reader{static_cast<const unsigned char*>(data), size};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(readBytes, &reader);
    // Opaque PNGs come as RGB24; the bitmap keeps ARGB32 with alpha 255.
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
        cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) {
        cairo_surface_t* argb =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(surface),
                                       cairo_image_surface_get_height(surface));
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, surface, 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        surface = argb;
    }
    return Gdiplus::Bitmap::adopt(surface, cairo_surface_status(surface) == CAIRO_STATUS_NO_MEMORY
                                               ? Gdiplus::OutOfMemory
                                               : Gdiplus::UnknownImageFormat);
}

} // namespace kelvane::gdiplus
