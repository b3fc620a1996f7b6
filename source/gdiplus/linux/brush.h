#pragma once

#include "gdiplus/linux/image.h"
#include "gdiplus/linux/matrix.h"

typedef struct _cairo_pattern cairo_pattern_t;

namespace Gdiplus {

class Brush {
public:
    virtual ~Brush() = default;
    Brush(const Brush&) = delete;
    Brush& operator=(const Brush&) = delete;

    virtual Brush* Clone() const = 0;
    BrushType GetType() const { return type; }
    Status GetLastStatus() const;

    // A new cairo pattern in world coordinates (the caller destroys it), or null.
    virtual cairo_pattern_t* pattern() const = 0;

protected:
    explicit Brush(BrushType brushType) : type(brushType) {}
    Status record(Status status) const;

    BrushType type;
    mutable Status lastStatus = Ok;
};

class SolidBrush : public Brush {
public:
    explicit SolidBrush(const Color& color);
    SolidBrush* Clone() const override;
    Status GetColor(Color* color) const;
    Status SetColor(const Color& color);
    cairo_pattern_t* pattern() const override;

private:
    Color colour;
};

class LinearGradientBrush : public Brush {
public:
    LinearGradientBrush(const PointF& point1, const PointF& point2, const Color& color1,
                        const Color& color2);
    LinearGradientBrush(const Point& point1, const Point& point2, const Color& color1,
                        const Color& color2);
    LinearGradientBrush* Clone() const override;
    Status SetWrapMode(WrapMode wrapMode);
    WrapMode GetWrapMode() const;
    Status GetLinearColors(Color* colors) const;
    cairo_pattern_t* pattern() const override;

private:
    PointF from, to;
    Color colours[2];
    WrapMode wrap = WrapModeTile;
};

// Wrap modes: tile repeats the image, clamp leaves everything outside it transparent.
class TextureBrush : public Brush {
public:
    explicit TextureBrush(Image* image, WrapMode wrapMode = WrapModeTile);
    ~TextureBrush() override;
    TextureBrush* Clone() const override;
    Status SetTransform(const Matrix* matrix);
    Status GetTransform(Matrix* matrix) const;
    Status ResetTransform();
    Status SetWrapMode(WrapMode wrapMode);
    WrapMode GetWrapMode() const;
    cairo_pattern_t* pattern() const override;

private:
    TextureBrush(const TextureBrush& other); // shares the immutable texture copy

    cairo_surface_t* texture = nullptr; // a copy of the image taken when the brush is made
    WrapMode wrap;
    double transform[6] = {1, 0, 0, 1, 0, 0};
};

} // namespace Gdiplus
