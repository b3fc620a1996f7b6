#include "editor/views/knobpointer.h"

#include "editor/properties/jsonaccess.h"
#include "editor/views/boxblur.h"
#include "editor/views/idrawable.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kelvane::vst {

namespace {

const double pi = 3.14159265358979323846;
const float capsuleRadius = 2;

std::unique_ptr<Gdiplus::Bitmap> newBitmap(int width, int height) {
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, premultipliedArgb());
    if (bitmap->GetLastStatus() != Gdiplus::Ok) {
        return nullptr;
    }
    return bitmap;
}

void drawCapsule(Gdiplus::Bitmap& bitmap, const PointerStyle& style, double scale) {
    Gdiplus::Graphics graphics(&bitmap);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
    if (scale != 1) {
        graphics.ScaleTransform(static_cast<float>(scale), static_cast<float>(scale));
    }

    const double centreX = bitmap.GetWidth() / 2.0 / scale;
    const double centreY = bitmap.GetHeight() / 2.0 / scale;
    const double innerX = centreX + style.innerRadius;
    const double dx = (centreX + style.outerRadius) - innerX;
    const double dy = 0;
    const auto length = static_cast<float>(std::hypot(dx, dy));
    const double direction = std::atan2(dy, dx);

    // Round ends about (0, 0) and (length, 0), then turned and moved onto the segment.
    const float r = capsuleRadius;
    Gdiplus::GraphicsPath capsule(Gdiplus::FillModeWinding);
    capsule.AddArc(-r, -r, 2 * r, 2 * r, 90, 180);
    capsule.AddArc(length - r, -r, 2 * r, 2 * r, 270, 180);
    capsule.CloseFigure();
    Gdiplus::Matrix placement;
    placement.Rotate(static_cast<float>(direction * 180 / pi));
    placement.Translate(static_cast<float>(innerX), static_cast<float>(centreY),
                        Gdiplus::MatrixOrderAppend);
    capsule.Transform(&placement);

    Gdiplus::SolidBrush fill(style.fill);
    graphics.FillPath(&fill, &capsule);
    Gdiplus::Pen outline(style.outline, 1);
    graphics.DrawPath(&outline, &capsule);
}

bool readPixels(Gdiplus::Bitmap& bitmap, FloatImage& image) {
    Gdiplus::Rect area(0, 0, image.width, image.height);
    Gdiplus::BitmapData data;
    if (bitmap.LockBits(&area, Gdiplus::ImageLockModeRead, premultipliedArgb(), &data) !=
        Gdiplus::Ok) {
        return false;
    }
    image.samples.resize(std::size_t(image.width) * std::size_t(image.height) * 4);
    for (int y = 0; y < image.height; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(data.Scan0) +
                          static_cast<std::ptrdiff_t>(y) * data.Stride;
        float* out = image.samples.data() + std::size_t(y) * std::size_t(image.width) * 4;
        for (int k = 0; k < image.width * 4; ++k) {
            out[k] = static_cast<float>(row[k]) / 255.0f;
        }
    }
    bitmap.UnlockBits(&data);
    return true;
}

std::unique_ptr<Gdiplus::Bitmap> writePixels(const FloatImage& image, double gain) {
    auto bitmap = newBitmap(image.width, image.height);
    if (!bitmap) {
        return nullptr;
    }
    Gdiplus::Rect area(0, 0, image.width, image.height);
    Gdiplus::BitmapData data;
    if (bitmap->LockBits(&area, Gdiplus::ImageLockModeWrite, premultipliedArgb(), &data) !=
        Gdiplus::Ok) {
        return nullptr;
    }
    for (int y = 0; y < image.height; ++y) {
        auto* row =
            static_cast<std::uint8_t*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride;
        const float* in = image.samples.data() + std::size_t(y) * std::size_t(image.width) * 4;
        for (int k = 0; k < image.width * 4; ++k) {
            const double level = std::clamp(static_cast<double>(in[k]) * gain, 0.0, 1.0);
            row[k] = static_cast<std::uint8_t>(level * 255);
        }
    }
    bitmap->UnlockBits(&data);
    return bitmap;
}

} // namespace

std::unique_ptr<Gdiplus::Bitmap> renderPointer(int width, int height, const PointerStyle& style,
                                               double scale) {
    if (width <= 0 || height <= 0 || !(scale >= 1 && scale <= 4)) {
        return nullptr;
    }
    if (scale != 1) {
        width = static_cast<int>(std::lround(width * scale));
        height = static_cast<int>(std::lround(height * scale));
    }
    auto sharp = newBitmap(width, height);
    if (!sharp) {
        return nullptr;
    }
    drawCapsule(*sharp, style, scale);

    FloatImage image;
    image.width = width;
    image.height = height;
    if (!readPixels(*sharp, image)) {
        return nullptr;
    }
    boxBlur(image, truncateToInt32(style.glowRadius * scale), style.glowPasses);
    auto glow = writePixels(image, style.glowGain);
    auto pointer = newBitmap(width, height);
    if (!glow || !pointer) {
        return nullptr;
    }
    {
        Gdiplus::Graphics graphics(pointer.get());
        graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
        graphics.DrawImage(sharp.get(), 0, 0, width, height);
        graphics.DrawImage(glow.get(), 0, 0, width, height);
    }
    return pointer;
}

} // namespace kelvane::vst
