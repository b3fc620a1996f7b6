#pragma once

#include "gdiplus/linux/brush.h"
#include "gdiplus/linux/font.h"
#include "gdiplus/linux/path.h"
#include "gdiplus/linux/pathgradientbrush.h"
#include "gdiplus/linux/pen.h"
#include "gdiplus/linux/stringformat.h"

#include <vector>

typedef struct _cairo cairo_t;

namespace Gdiplus {

// Drawing on a bitmap, at the bitmap's resolution (96 dpi unless it says otherwise); the world
// transform maps world units to pixels.
// Pixel offset mode none (the default) puts pixel centres at integer coordinates, half at
// half-integers. Drawing is aliased until the smoothing mode asks for anti-aliasing.
class Graphics {
public:
    explicit Graphics(Image* image);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    static Graphics* FromImage(Image* image);

    GraphicsState Save();
    Status Restore(GraphicsState state);

    Status ResetTransform();
    Status SetTransform(const Matrix* matrix);
    Status GetTransform(Matrix* matrix) const;
    Status MultiplyTransform(const Matrix* matrix, MatrixOrder order = MatrixOrderPrepend);
    Status TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
    Status RotateTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);
    Status ScaleTransform(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);

    // Clipping to rectangles: the rectangle is taken through the world transform when set, and
    // stays where that put it on the device. Replace and intersect only, and only while the
    // transform keeps rectangles upright (no rotation or shear); else NotImplemented. Save and
    // Restore include the clip.
    Status SetClip(const RectF& rect, CombineMode combineMode = CombineModeReplace);
    Status SetClip(const Rect& rect, CombineMode combineMode = CombineModeReplace);
    Status ResetClip();
    // The clip's bounds in world units; without a clip, a very large rectangle.
    Status GetClipBounds(RectF* rect) const;
    BOOL IsClipEmpty() const;

    Status SetSmoothingMode(SmoothingMode mode);
    SmoothingMode GetSmoothingMode() const;
    Status SetCompositingMode(CompositingMode mode);
    CompositingMode GetCompositingMode() const;
    Status SetPixelOffsetMode(PixelOffsetMode mode);
    PixelOffsetMode GetPixelOffsetMode() const;
    Status SetTextRenderingHint(TextRenderingHint hint);
    TextRenderingHint GetTextRenderingHint() const;
    REAL GetDpiX() const { return dpiX; }
    REAL GetDpiY() const { return dpiY; }

    Status Clear(const Color& color);
    Status FillPath(const Brush* brush, const GraphicsPath* path);
    Status FillEllipse(const Brush* brush, INT x, INT y, INT width, INT height);
    Status FillEllipse(const Brush* brush, REAL x, REAL y, REAL width, REAL height);
    Status FillEllipse(const Brush* brush, const RectF& rect);
    Status FillRectangle(const Brush* brush, INT x, INT y, INT width, INT height);
    Status FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height);
    Status FillRectangle(const Brush* brush, const Rect& rect);
    Status FillRectangle(const Brush* brush, const RectF& rect);
    Status DrawPath(const Pen* pen, const GraphicsPath* path);
    Status DrawLine(const Pen* pen, INT x1, INT y1, INT x2, INT y2);
    Status DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2);
    Status DrawLine(const Pen* pen, const PointF& pt1, const PointF& pt2);
    Status DrawEllipse(const Pen* pen, REAL x, REAL y, REAL width, REAL height);
    Status DrawRectangle(const Pen* pen, REAL x, REAL y, REAL width, REAL height);

    // Images draw at their physical size (their pixels, when both resolutions agree) unless a
    // destination rectangle says otherwise.
    Status DrawImage(Image* image, INT x, INT y);
    Status DrawImage(Image* image, REAL x, REAL y);
    Status DrawImage(Image* image, const Point& point);
    Status DrawImage(Image* image, const PointF& point);
    Status DrawImage(Image* image, INT x, INT y, INT width, INT height);
    Status DrawImage(Image* image, REAL x, REAL y, REAL width, REAL height);
    Status DrawImage(Image* image, const Rect& rect);
    Status DrawImage(Image* image, const RectF& rect);

    // One or more lines (split at line feeds); a negative length means up to the terminating
    // zero. No word wrapping.
    Status DrawString(const WCHAR* string, INT length, const Font* font, const RectF& layoutRect,
                      const StringFormat* stringFormat, const Brush* brush);
    Status DrawString(const WCHAR* string, INT length, const Font* font, const PointF& origin,
                      const Brush* brush);
    Status DrawString(const WCHAR* string, INT length, const Font* font, const PointF& origin,
                      const StringFormat* stringFormat, const Brush* brush);
    Status MeasureString(const WCHAR* string, INT length, const Font* font, const RectF& layoutRect,
                         const StringFormat* stringFormat, RectF* boundingBox,
                         INT* codepointsFitted = nullptr, INT* linesFilled = nullptr) const;
    Status MeasureString(const WCHAR* string, INT length, const Font* font, const PointF& origin,
                         const StringFormat* stringFormat, RectF* boundingBox) const;
    Status MeasureString(const WCHAR* string, INT length, const Font* font, const PointF& origin,
                         RectF* boundingBox) const;

    Status Flush();
    Status GetLastStatus() const;

private:
    struct Settings {
        double transform[6] = {1, 0, 0, 1, 0, 0};
        SmoothingMode smoothing = SmoothingModeDefault;
        CompositingMode compositing = CompositingModeSourceOver;
        PixelOffsetMode pixelOffset = PixelOffsetModeDefault;
        TextRenderingHint textHint = TextRenderingHintSystemDefault;
        bool clipped = false;
        double clip[4] = {0, 0, 0, 0}; // device left, top, right, bottom
    };

    // Sets cairo's transform, anti-aliasing and operator for one drawing call.
    void prepare(bool antialiasText = false) const;
    void setSource(const Brush* brush) const;
    Status fill(const Brush* brush);
    Status stroke(const Pen* pen);
    Status drawImage(Image* image, double x, double y, double width, double height);
    Status transformBy(const double* other, MatrixOrder order);
    Status record(Status status) const;
    // Gives cairo the clip of the settings, when it has another.
    void applyClip() const;

    cairo_t* context = nullptr;
    // The clip cairo has: none, or the rectangle.
    mutable bool cairoClipped = false;
    mutable double cairoClip[4] = {0, 0, 0, 0};
    REAL dpiX = 96;
    REAL dpiY = 96;
    Settings settings;
    std::vector<std::pair<GraphicsState, Settings>> saved;
    GraphicsState nextState = 1;
    mutable Status lastStatus = Ok;
};

} // namespace Gdiplus
