#pragma once

#include "editor/resources/resourcecache.h"
#include "editor/views/idrawable.h"
#include "gdiplus/gdiplus.h"

#include "vstgui/lib/gdiplusdrawcontext.h"

#include <gtest/gtest.h>
#include <picojson.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace viewtest {

inline picojson::value json(const std::string& text) {
    picojson::value value;
    EXPECT_EQ(picojson::parse(value, text), "") << text;
    return value;
}

// A cache over no resources: no font resource (text falls back to system fonts) and no images.
inline std::unique_ptr<kelvane::vst::ResourceCache> emptyCache() {
    return std::make_unique<kelvane::vst::ResourceCache>(
        [](std::string) { return std::vector<std::uint8_t>(); });
}

// An opaque bitmap with a GDI+ draw context on it, cleared to a dark blue.
class Canvas {
public:
    static constexpr std::uint32_t background = 0xFF000080;

    // dpi: the bitmap's resolution, when not 0 (else GDI+'s default: the screen's on Windows).
    Canvas(int width, int height, float dpi = 0)
        : bitmap(width, height, kelvane::vst::premultipliedArgb()),
          graphics(withResolution(bitmap, dpi)),
          context(&graphics, VSTGUI::CRect(0, 0, width, height)) {
        graphics.Clear(Gdiplus::Color(background));
    }

    VSTGUI::GdiplusDrawContext* drawContext() { return &context; }
    Gdiplus::Graphics& getGraphics() { return graphics; }

    Gdiplus::Color pixel(int x, int y) {
        Gdiplus::Color color;
        bitmap.GetPixel(x, y, &color);
        return color;
    }
    // The pixel that holds the point (x, y).
    Gdiplus::Color at(double x, double y) {
        return pixel(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
    }

private:
    static Gdiplus::Bitmap* withResolution(Gdiplus::Bitmap& bitmap, float dpi) {
        if (dpi > 0)
            bitmap.SetResolution(dpi, dpi);
        return &bitmap;
    }

    Gdiplus::Bitmap bitmap;
    Gdiplus::Graphics graphics;
    VSTGUI::GdiplusDrawContext context;
};

inline std::string describe(const VSTGUI::CRect& rect) {
    return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " +
           std::to_string(rect.right) + ", " + std::to_string(rect.bottom) + ")";
}

// The message of the std::logic_error that body throws, or "" when it throws none.
template <typename Body>
std::string logicError(Body&& body) {
    try {
        body();
    } catch (const std::logic_error& error) {
        return error.what();
    }
    return "";
}

} // namespace viewtest
