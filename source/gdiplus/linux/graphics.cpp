#include "gdiplus/linux/graphics.h"

#include "gdiplus/linux/pathgeometry.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace Gdiplus {

namespace {

bool antialiased(SmoothingMode mode) {
    return mode == SmoothingModeAntiAlias || mode == SmoothingModeAntiAlias8x8 ||
           mode == SmoothingModeHighQuality;
}

bool halfPixelOffset(PixelOffsetMode mode) {
    return mode == PixelOffsetModeHalf || mode == PixelOffsetModeHighQuality;
}

bool isInteger(double v) {
    return std::fabs(v - std::round(v)) < 1e-6;
}

} // namespace

Graphics::Graphics(Image* image) {
    if (image == nullptr || image->surface() == nullptr) {
        lastStatus = InvalidParameter;
        return;
    }
    dpiX = image->GetHorizontalResolution();
    dpiY = image->GetVerticalResolution();
    context = cairo_create(image->surface());
    if (cairo_status(context) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(context);
        context = nullptr;
        lastStatus = OutOfMemory;
    }
}

Graphics::~Graphics() {
    if (context != nullptr) {
        cairo_surface_flush(cairo_get_target(context));
        cairo_destroy(context);
    }
}

Graphics* Graphics::FromImage(Image* image) {
    return new Graphics(image);
}

GraphicsState Graphics::Save() {
    const GraphicsState state = nextState++;
    saved.emplace_back(state, settings);
    return state;
}

Status Graphics::Restore(GraphicsState state) {
    // Restoring a state also drops every state saved after it.
    auto found = std::find_if(saved.begin(), saved.end(),
                              [&](const auto& entry) { return entry.first == state; });
    if (found == saved.end())
        return Ok;
    settings = found->second;
    saved.erase(found, saved.end());
    return Ok;
}

Status Graphics::ResetTransform() {
    const double identity[6] = {1, 0, 0, 1, 0, 0};
    std::copy(identity, identity + 6, settings.transform);
    return Ok;
}

Status Graphics::SetTransform(const Matrix* matrix) {
    if (matrix == nullptr)
        return record(InvalidParameter);
    std::copy(matrix->elements(), matrix->elements() + 6, settings.transform);
    return Ok;
}

Status Graphics::GetTransform(Matrix* matrix) const {
    if (matrix == nullptr)
        return record(InvalidParameter);
    matrix->setElements(settings.transform);
    return Ok;
}

Status Graphics::transformBy(const double* other, MatrixOrder order) {
    Matrix current, operand;
    current.setElements(settings.transform);
    operand.setElements(other);
    const Status status = current.Multiply(&operand, order);
    std::copy(current.elements(), current.elements() + 6, settings.transform);
    return record(status);
}

Status Graphics::MultiplyTransform(const Matrix* matrix, MatrixOrder order) {
    if (matrix == nullptr)
        return record(InvalidParameter);
    return transformBy(matrix->elements(), order);
}

Status Graphics::TranslateTransform(REAL dx, REAL dy, MatrixOrder order) {
    Matrix m;
    m.Translate(dx, dy);
    return transformBy(m.elements(), order);
}

Status Graphics::RotateTransform(REAL angle, MatrixOrder order) {
    Matrix m;
    m.Rotate(angle);
    return transformBy(m.elements(), order);
}

Status Graphics::ScaleTransform(REAL sx, REAL sy, MatrixOrder order) {
    Matrix m;
    m.Scale(sx, sy);
    return transformBy(m.elements(), order);
}

Status Graphics::SetSmoothingMode(SmoothingMode mode) {
    if (mode < SmoothingModeDefault || mode > SmoothingModeAntiAlias8x8)
        return record(InvalidParameter);
    settings.smoothing = mode;
    return Ok;
}

SmoothingMode Graphics::GetSmoothingMode() const {
    return settings.smoothing;
}

Status Graphics::SetCompositingMode(CompositingMode mode) {
    if (mode != CompositingModeSourceOver && mode != CompositingModeSourceCopy)
        return record(InvalidParameter);
    settings.compositing = mode;
    return Ok;
}

CompositingMode Graphics::GetCompositingMode() const {
    return settings.compositing;
}

Status Graphics::SetPixelOffsetMode(PixelOffsetMode mode) {
    if (mode < PixelOffsetModeDefault || mode > PixelOffsetModeHalf)
        return record(InvalidParameter);
    settings.pixelOffset = mode;
    return Ok;
}

PixelOffsetMode Graphics::GetPixelOffsetMode() const {
    return settings.pixelOffset;
}

Status Graphics::SetTextRenderingHint(TextRenderingHint hint) {
    if (hint < TextRenderingHintSystemDefault || hint > TextRenderingHintClearTypeGridFit)
        return record(InvalidParameter);
    settings.textHint = hint;
    return Ok;
}

TextRenderingHint Graphics::GetTextRenderingHint() const {
    return settings.textHint;
}

Status Graphics::SetClip(const RectF& rect, CombineMode combineMode) {
    const double* t = settings.transform;
    if (combineMode != CombineModeReplace && combineMode != CombineModeIntersect)
        return record(NotImplemented);
    if (t[1] != 0 || t[2] != 0)
        return record(NotImplemented);
    const double x0 = t[0] * rect.X + t[4];
    const double x1 = t[0] * (double(rect.X) + rect.Width) + t[4];
    const double y0 = t[3] * rect.Y + t[5];
    const double y1 = t[3] * (double(rect.Y) + rect.Height) + t[5];
    double box[4] = {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    // Edges a rounding error away from whole pixels are on them: no half-covered pixels.
    for (double& edge : box)
        if (isInteger(edge))
            edge = std::round(edge);
    if (combineMode == CombineModeIntersect && settings.clipped) {
        box[0] = std::max(box[0], settings.clip[0]);
        box[1] = std::max(box[1], settings.clip[1]);
        box[2] = std::min(box[2], settings.clip[2]);
        box[3] = std::min(box[3], settings.clip[3]);
    }
    // An empty clip lets nothing through.
    box[2] = std::max(box[2], box[0]);
    box[3] = std::max(box[3], box[1]);
    settings.clipped = true;
    std::copy(box, box + 4, settings.clip);
    return Ok;
}

Status Graphics::SetClip(const Rect& rect, CombineMode combineMode) {
    return SetClip(RectF(REAL(rect.X), REAL(rect.Y), REAL(rect.Width), REAL(rect.Height)),
                   combineMode);
}

Status Graphics::ResetClip() {
    settings.clipped = false;
    return Ok;
}

Status Graphics::GetClipBounds(RectF* rect) const {
    if (rect == nullptr)
        return record(InvalidParameter);
    if (!settings.clipped) {
        *rect = RectF(-4194304.0f, -4194304.0f, 8388608.0f, 8388608.0f);
        return Ok;
    }
    // The device box back through the inverse of the transform, as the bounds of its corners.
    Matrix inverse;
    inverse.setElements(settings.transform);
    if (inverse.Invert() != Ok)
        return record(InvalidParameter);
    const double* m = inverse.elements();
    const double* c = settings.clip;
    double left = 0, top = 0, right = 0, bottom = 0;
    for (int i = 0; i < 4; ++i) {
        const double x = c[i % 2 == 0 ? 0 : 2];
        const double y = c[i < 2 ? 1 : 3];
        const double wx = m[0] * x + m[2] * y + m[4];
        const double wy = m[1] * x + m[3] * y + m[5];
        left = i == 0 ? wx : std::min(left, wx);
        right = i == 0 ? wx : std::max(right, wx);
        top = i == 0 ? wy : std::min(top, wy);
        bottom = i == 0 ? wy : std::max(bottom, wy);
    }
    *rect = RectF(REAL(left), REAL(top), REAL(right - left), REAL(bottom - top));
    return Ok;
}

BOOL Graphics::IsClipEmpty() const {
    return settings.clipped &&
           (settings.clip[2] <= settings.clip[0] || settings.clip[3] <= settings.clip[1]);
}

void Graphics::applyClip() const {
    // A clip that holds the whole surface costs cairo time and changes nothing.
    cairo_surface_t* target = cairo_get_target(context);
    const double* c = settings.clip;
    const bool clipping = settings.clipped && !(c[0] <= 0 && c[1] <= 0 &&
                                                c[2] >= cairo_image_surface_get_width(target) &&
                                                c[3] >= cairo_image_surface_get_height(target));
    if (clipping == cairoClipped && (!clipping || std::equal(cairoClip, cairoClip + 4, c)))
        return;
    cairo_reset_clip(context);
    if (clipping) {
        cairo_identity_matrix(context);
        cairo_new_path(context);
        cairo_rectangle(context, c[0], c[1], c[2] - c[0], c[3] - c[1]);
        cairo_clip(context);
        std::copy(c, c + 4, cairoClip);
    }
    cairoClipped = clipping;
}

void Graphics::prepare(bool text) const {
    applyClip();
    const double* t = settings.transform;
    // cairo's pixel centres lie at half-integers; GDI+'s default puts them at integers.
    const double offset = halfPixelOffset(settings.pixelOffset) ? 0.0 : 0.5;
    cairo_matrix_t m;
    cairo_matrix_init(&m, t[0], t[1], t[2], t[3], t[4] + offset, t[5] + offset);
    cairo_set_matrix(context, &m);
    bool smooth = antialiased(settings.smoothing);
    if (text)
        smooth = settings.textHint != TextRenderingHintSingleBitPerPixel &&
                 settings.textHint != TextRenderingHintSingleBitPerPixelGridFit;
    cairo_set_antialias(context, smooth ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(context, settings.compositing == CompositingModeSourceCopy
                                    ? CAIRO_OPERATOR_SOURCE
                                    : CAIRO_OPERATOR_OVER);
}

void Graphics::setSource(const Brush* brush) const {
    cairo_pattern_t* pattern = brush->pattern();
    if (pattern == nullptr) {
        cairo_set_source_rgba(context, 0, 0, 0, 0);
        return;
    }
    cairo_set_source(context, pattern);
    cairo_pattern_destroy(pattern);
}

Status Graphics::fill(const Brush* brush) {
    setSource(brush);
    cairo_fill(context);
    return Ok;
}

Status Graphics::stroke(const Pen* pen) {
    double width = pen->GetWidth();
    if (width <= 0) {
        double dx = 1, dy = 0;
        cairo_device_to_user_distance(context, &dx, &dy);
        width = std::hypot(dx, dy);
    }
    cairo_set_line_width(context, width);
    cairo_set_line_cap(context, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(context, CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(context, 10.0);
    setSource(pen->brush());
    cairo_stroke(context);
    return Ok;
}

Status Graphics::Clear(const Color& color) {
    if (context == nullptr)
        return record(InvalidParameter);
    applyClip();
    cairo_save(context);
    cairo_identity_matrix(context);
    cairo_set_operator(context, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(context, color.GetR() / 255.0, color.GetG() / 255.0, color.GetB() / 255.0,
                          color.GetA() / 255.0);
    cairo_paint(context);
    cairo_restore(context);
    return Ok;
}

Status Graphics::FillPath(const Brush* brush, const GraphicsPath* path) {
    if (context == nullptr || brush == nullptr || path == nullptr)
        return record(InvalidParameter);
    prepare();
    kelvane::gdiplus::appendPath(context, path->points(), path->types());
    cairo_set_fill_rule(context, path->GetFillMode() == FillModeWinding ? CAIRO_FILL_RULE_WINDING
                                                                        : CAIRO_FILL_RULE_EVEN_ODD);
    return fill(brush);
}

Status Graphics::FillEllipse(const Brush* brush, INT x, INT y, INT width, INT height) {
    return FillEllipse(brush, REAL(x), REAL(y), REAL(width), REAL(height));
}

Status Graphics::FillEllipse(const Brush* brush, REAL x, REAL y, REAL width, REAL height) {
    GraphicsPath path;
    path.AddEllipse(x, y, width, height);
    return FillPath(brush, &path);
}

Status Graphics::FillEllipse(const Brush* brush, const RectF& rect) {
    return FillEllipse(brush, rect.X, rect.Y, rect.Width, rect.Height);
}

Status Graphics::FillRectangle(const Brush* brush, INT x, INT y, INT width, INT height) {
    return FillRectangle(brush, REAL(x), REAL(y), REAL(width), REAL(height));
}

Status Graphics::FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height) {
    GraphicsPath path;
    path.AddRectangle(RectF(x, y, width, height));
    return FillPath(brush, &path);
}

Status Graphics::FillRectangle(const Brush* brush, const Rect& rect) {
    return FillRectangle(brush, rect.X, rect.Y, rect.Width, rect.Height);
}

Status Graphics::FillRectangle(const Brush* brush, const RectF& rect) {
    return FillRectangle(brush, rect.X, rect.Y, rect.Width, rect.Height);
}

Status Graphics::DrawPath(const Pen* pen, const GraphicsPath* path) {
    if (context == nullptr || pen == nullptr || path == nullptr)
        return record(InvalidParameter);
    prepare();
    kelvane::gdiplus::appendPath(context, path->points(), path->types());
    return stroke(pen);
}

Status Graphics::DrawLine(const Pen* pen, INT x1, INT y1, INT x2, INT y2) {
    return DrawLine(pen, REAL(x1), REAL(y1), REAL(x2), REAL(y2));
}

Status Graphics::DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2) {
    GraphicsPath path;
    path.AddLine(x1, y1, x2, y2);
    return DrawPath(pen, &path);
}

Status Graphics::DrawLine(const Pen* pen, const PointF& pt1, const PointF& pt2) {
    return DrawLine(pen, pt1.X, pt1.Y, pt2.X, pt2.Y);
}

Status Graphics::DrawEllipse(const Pen* pen, REAL x, REAL y, REAL width, REAL height) {
    GraphicsPath path;
    path.AddEllipse(x, y, width, height);
    return DrawPath(pen, &path);
}

Status Graphics::DrawRectangle(const Pen* pen, REAL x, REAL y, REAL width, REAL height) {
    GraphicsPath path;
    path.AddRectangle(RectF(x, y, width, height));
    return DrawPath(pen, &path);
}

Status Graphics::drawImage(Image* image, double x, double y, double width, double height) {
    if (context == nullptr || image == nullptr || image->surface() == nullptr)
        return record(InvalidParameter);
    if (width == 0 || height == 0)
        return Ok;
    const double iw = image->GetWidth();
    const double ih = image->GetHeight();
    prepare();
    cairo_set_antialias(context, CAIRO_ANTIALIAS_GRAY);
    const double* t = settings.transform;
    // An unscaled image on whole device pixels is copied pixel for pixel, whatever the pixel
    // offset mode, as GDI+ does.
    const bool copy = t[0] == 1 && t[1] == 0 && t[2] == 0 && t[3] == 1 && width == iw &&
                      height == ih && isInteger(x + t[4]) && isInteger(y + t[5]);
    if (copy) {
        cairo_matrix_t m;
        cairo_matrix_init_translate(&m, t[4], t[5]);
        cairo_set_matrix(context, &m);
    }
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(image->surface());
    cairo_matrix_t toImage;
    cairo_matrix_init_scale(&toImage, iw / width, ih / height);
    cairo_matrix_translate(&toImage, -x, -y);
    cairo_pattern_set_matrix(pattern, &toImage);
    cairo_pattern_set_filter(pattern, copy ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_set_source(context, pattern);
    cairo_pattern_destroy(pattern);
    cairo_new_path(context);
    cairo_rectangle(context, x, y, width, height);
    cairo_fill(context);
    return Ok;
}

Status Graphics::DrawImage(Image* image, INT x, INT y) {
    return DrawImage(image, REAL(x), REAL(y));
}

Status Graphics::DrawImage(Image* image, REAL x, REAL y) {
    if (image == nullptr)
        return record(InvalidParameter);
    // At its own physical size: its pixels scaled by the ratio of the two resolutions.
    return drawImage(image, x, y,
                     image->GetWidth() * double(dpiX) / image->GetHorizontalResolution(),
                     image->GetHeight() * double(dpiY) / image->GetVerticalResolution());
}

Status Graphics::DrawImage(Image* image, const Point& point) {
    return DrawImage(image, point.X, point.Y);
}

Status Graphics::DrawImage(Image* image, const PointF& point) {
    return DrawImage(image, point.X, point.Y);
}

Status Graphics::DrawImage(Image* image, INT x, INT y, INT width, INT height) {
    return drawImage(image, x, y, width, height);
}

Status Graphics::DrawImage(Image* image, REAL x, REAL y, REAL width, REAL height) {
    return drawImage(image, x, y, width, height);
}

Status Graphics::DrawImage(Image* image, const Rect& rect) {
    return drawImage(image, rect.X, rect.Y, rect.Width, rect.Height);
}

Status Graphics::DrawImage(Image* image, const RectF& rect) {
    return drawImage(image, rect.X, rect.Y, rect.Width, rect.Height);
}

Status Graphics::Flush() {
    if (context != nullptr)
        cairo_surface_flush(cairo_get_target(context));
    return Ok;
}

Status Graphics::GetLastStatus() const {
    const Status status = lastStatus;
    lastStatus = Ok;
    return status;
}

Status Graphics::record(Status status) const {
    if (status != Ok)
        lastStatus = status;
    return status;
}

} // namespace Gdiplus
