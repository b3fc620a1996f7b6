#include "editor/resources/decodeimage.h"

#ifndef _WIN32
#include "gdiplus/linux/memoryimage.h"
#endif

#include <cstring>
#include <memory>
#include <stdexcept>

namespace kelvane::vst {

namespace {

#ifdef _WIN32
const char* const memoryLockFailed = "image decoding: the memory block cannot be locked";
const char* const streamCreationFailed = "image decoding: no stream can be made over the bytes";
#endif
const char* const bitmapAllocationFailed = "image decoding: the bitmap cannot be allocated";
const char* const bitmapStatusFailed = "image decoding: the bytes are not a readable image";

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(what);
}

// The decoder's own image may be of any pixel format: draw it into a premultiplied-ARGB bitmap
// of its size, the form every drawing of ours expects.
Gdiplus::Bitmap* redrawn(Gdiplus::Image* image) {
    // Windows defines the pixel formats as global macros, the Linux layer in its namespace.
    using namespace Gdiplus;
    if (image == nullptr || image->GetLastStatus() != Gdiplus::Ok) {
        fail(bitmapStatusFailed);
    }
    const auto width = static_cast<INT>(image->GetWidth());
    const auto height = static_cast<INT>(image->GetHeight());
    std::unique_ptr<Gdiplus::Bitmap> bitmap(
        new Gdiplus::Bitmap(width, height, PixelFormat32bppPARGB));
    if (bitmap == nullptr) {
        fail(bitmapAllocationFailed);
    }
    if (bitmap->GetLastStatus() != Gdiplus::Ok) {
        fail(bitmapStatusFailed);
    }
    Gdiplus::Graphics graphics(bitmap.get());
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    if (graphics.DrawImage(image, 0, 0, width, height) != Gdiplus::Ok ||
        bitmap->GetLastStatus() != Gdiplus::Ok) {
        fail(bitmapStatusFailed);
    }
    return bitmap.release();
}

#ifdef _WIN32
struct GlobalFreer {
    void operator()(void* block) const { GlobalFree(block); }
};
struct Releaser {
    void operator()(IStream* stream) const { stream->Release(); }
};

// GDI+ reads images from COM streams: stage the bytes in movable global memory, under a
// stream that leaves the block to us. Released in reverse: image, stream, block.
Gdiplus::Bitmap* decode(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<void, GlobalFreer> block(GlobalAlloc(GMEM_MOVEABLE, size));
    void* memory = block ? GlobalLock(block.get()) : nullptr;
    if (memory == nullptr) {
        fail(memoryLockFailed);
    }
    std::memcpy(memory, data, size);
    GlobalUnlock(block.get());

    IStream* rawStream = nullptr;
    if (CreateStreamOnHGlobal(block.get(), FALSE, &rawStream) != S_OK || rawStream == nullptr) {
        fail(streamCreationFailed);
    }
    std::unique_ptr<IStream, Releaser> stream(rawStream);
    std::unique_ptr<Gdiplus::Image> image(Gdiplus::Image::FromStream(stream.get()));
    return redrawn(image.get());
}
#else
Gdiplus::Bitmap* decode(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<Gdiplus::Image> image(kelvane::gdiplus::loadImageFromMemory(data, size));
    return redrawn(image.get());
}
#endif

} // namespace

Gdiplus::Bitmap* decodeImage(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size == 0) {
        return nullptr;
    }
    return decode(data, size);
}

} // namespace kelvane::vst
