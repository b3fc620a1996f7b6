#include "gdiplus/linux/brush.h"

#include "gdiplus/linux/cairocolor.h"

#include <cairo.h>

namespace Gdiplus {

Status Brush::GetLastStatus() const {
    const Status status = lastStatus;
    lastStatus = Ok;
    return status;
}

Status Brush::record(Status status) const {
    if (status != Ok)
        lastStatus = status;
    return status;
}

SolidBrush::SolidBrush(const Color& color) : Brush(BrushTypeSolidColor), colour(color) {}

SolidBrush* SolidBrush::Clone() const {
    return new SolidBrush(colour);
}

Status SolidBrush::GetColor(Color* color) const {
    if (color == nullptr)
        return record(InvalidParameter);
    *color = colour;
    return Ok;
}

Status SolidBrush::SetColor(const Color& color) {
    colour = color;
    return Ok;
}

cairo_pattern_t* SolidBrush::pattern() const {
    return kelvane::gdiplus::solidPattern(colour);
}

LinearGradientBrush::LinearGradientBrush(const PointF& point1, const PointF& point2,
                                         const Color& color1, const Color& color2)
    : Brush(BrushTypeLinearGradient), from(point1), to(point2), colours{color1, color2} {
    if (point1.X == point2.X && point1.Y == point2.Y)
        lastStatus = OutOfMemory; // what GDI+ answers for a gradient without length
}

LinearGradientBrush::LinearGradientBrush(const Point& point1, const Point& point2,
                                         const Color& color1, const Color& color2)
    : LinearGradientBrush(PointF(REAL(point1.X), REAL(point1.Y)),
                          PointF(REAL(point2.X), REAL(point2.Y)), color1, color2) {}

LinearGradientBrush* LinearGradientBrush::Clone() const {
    auto* copy = new LinearGradientBrush(from, to, colours[0], colours[1]);
    copy->wrap = wrap;
    return copy;
}

Status LinearGradientBrush::SetWrapMode(WrapMode wrapMode) {
    if (wrapMode < WrapModeTile || wrapMode >= WrapModeClamp)
        return record(InvalidParameter);
    wrap = wrapMode;
    return Ok;
}

WrapMode LinearGradientBrush::GetWrapMode() const {
    return wrap;
}

Status LinearGradientBrush::GetLinearColors(Color* colors) const {
    if (colors == nullptr)
        return record(InvalidParameter);
    colors[0] = colours[0];
    colors[1] = colours[1];
    return Ok;
}

cairo_pattern_t* LinearGradientBrush::pattern() const {
    if (from.X == to.X && from.Y == to.Y)
        return nullptr;
    cairo_pattern_t* p = cairo_pattern_create_linear(from.X, from.Y, to.X, to.Y);
    kelvane::gdiplus::addStop(p, 0.0, colours[0]);
    kelvane::gdiplus::addStop(p, 1.0, colours[1]);
    cairo_pattern_set_extend(p, wrap == WrapModeTile ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_REFLECT);
    return p;
}

TextureBrush::TextureBrush(Image* image, WrapMode wrapMode)
    : Brush(BrushTypeTextureFill), wrap(wrapMode) {
    if (image == nullptr || image->surface() == nullptr) {
        lastStatus = InvalidParameter;
        return;
    }
    // GDI+ copies the image: later changes of the bitmap leave the brush alone.
    cairo_surface_t* source = image->surface();
    cairo_surface_flush(source);
    texture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, INT(image->GetWidth()),
                                         INT(image->GetHeight()));
    cairo_t* cr = cairo_create(texture);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
}

TextureBrush::~TextureBrush() {
    if (texture != nullptr)
        cairo_surface_destroy(texture);
}

TextureBrush* TextureBrush::Clone() const {
    auto* copy = new TextureBrush(*this);
    return copy;
}

TextureBrush::TextureBrush(const TextureBrush& other)
    : Brush(BrushTypeTextureFill), wrap(other.wrap) {
    texture = other.texture != nullptr ? cairo_surface_reference(other.texture) : nullptr;
    for (int i = 0; i < 6; ++i)
        transform[i] = other.transform[i];
    lastStatus = other.lastStatus;
}

Status TextureBrush::SetTransform(const Matrix* matrix) {
    if (matrix == nullptr)
        return record(InvalidParameter);
    for (int i = 0; i < 6; ++i)
        transform[i] = matrix->elements()[i];
    return Ok;
}

Status TextureBrush::GetTransform(Matrix* matrix) const {
    if (matrix == nullptr)
        return record(InvalidParameter);
    matrix->setElements(transform);
    return Ok;
}

Status TextureBrush::ResetTransform() {
    const double identity[6] = {1, 0, 0, 1, 0, 0};
    for (int i = 0; i < 6; ++i)
        transform[i] = identity[i];
    return Ok;
}

Status TextureBrush::SetWrapMode(WrapMode wrapMode) {
    if (wrapMode < WrapModeTile || wrapMode > WrapModeClamp)
        return record(InvalidParameter);
    wrap = wrapMode;
    return Ok;
}

WrapMode TextureBrush::GetWrapMode() const {
    return wrap;
}

cairo_pattern_t* TextureBrush::pattern() const {
    if (texture == nullptr)
        return nullptr;
    cairo_matrix_t m;
    cairo_matrix_init(&m, transform[0], transform[1], transform[2], transform[3], transform[4],
                      transform[5]);
    if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    cairo_pattern_t* p = cairo_pattern_create_for_surface(texture);
    cairo_pattern_set_matrix(p, &m);
    cairo_pattern_set_filter(p, CAIRO_FILTER_BILINEAR);
    switch (wrap) {
    case WrapModeClamp:
        cairo_pattern_set_extend(p, CAIRO_EXTEND_NONE);
        break;
    case WrapModeTile:
        cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
        break;
    default:
        cairo_pattern_set_extend(p, CAIRO_EXTEND_REFLECT);
        break;
    }
    return p;
}

} // namespace Gdiplus
