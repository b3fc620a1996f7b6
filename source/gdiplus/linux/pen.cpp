#include "gdiplus/linux/pen.h"

namespace Gdiplus {

Pen::Pen(const Color& color, REAL width) : fill(new SolidBrush(color)), penWidth(width) {}

Pen::Pen(const Brush* brush, REAL width) : penWidth(width) {
    if (brush == nullptr)
        lastStatus = InvalidParameter;
    else
        fill.reset(brush->Clone());
}

Pen* Pen::Clone() const {
    return fill != nullptr ? new Pen(fill.get(), penWidth) : new Pen(Color(), penWidth);
}

REAL Pen::GetWidth() const {
    return penWidth;
}

Status Pen::SetWidth(REAL width) {
    penWidth = width;
    return Ok;
}

Status Pen::SetColor(const Color& color) {
    fill.reset(new SolidBrush(color));
    return Ok;
}

Status Pen::GetColor(Color* color) const {
    if (color == nullptr)
        return record(InvalidParameter);
    const auto* solid = dynamic_cast<const SolidBrush*>(fill.get());
    if (solid == nullptr)
        return record(WrongState);
    return solid->GetColor(color);
}

Status Pen::SetBrush(const Brush* brush) {
    if (brush == nullptr)
        return record(InvalidParameter);
    fill.reset(brush->Clone());
    return Ok;
}

Status Pen::GetLastStatus() const {
    const Status status = lastStatus;
    lastStatus = Ok;
    return status;
}

Status Pen::record(Status status) const {
    if (status != Ok)
        lastStatus = status;
    return status;
}

} // namespace Gdiplus
