#include "gdiplus/linux/matrix.h"

#include <cmath>

namespace Gdiplus {

namespace {

// r = a then b (row vectors: r = a * b).
void product(const double* a, const double* b, double* r) {
    const double m11 = a[0] * b[0] + a[1] * b[2];
    const double m12 = a[0] * b[1] + a[1] * b[3];
    const double m21 = a[2] * b[0] + a[3] * b[2];
    const double m22 = a[2] * b[1] + a[3] * b[3];
    const double dx = a[4] * b[0] + a[5] * b[2] + b[4];
    const double dy = a[4] * b[1] + a[5] * b[3] + b[5];
    r[0] = m11;
    r[1] = m12;
    r[2] = m21;
    r[3] = m22;
    r[4] = dx;
    r[5] = dy;
}

constexpr double pi = 3.14159265358979323846;

} // namespace

Matrix::Matrix() : m{1, 0, 0, 1, 0, 0} {}

Matrix::Matrix(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy)
    : m{m11, m12, m21, m22, dx, dy} {}

Matrix* Matrix::Clone() const {
    auto* copy = new Matrix;
    copy->setElements(m);
    return copy;
}

Status Matrix::GetElements(REAL* out) const {
    if (out == nullptr)
        return record(InvalidParameter);
    for (int i = 0; i < 6; ++i)
        out[i] = REAL(m[i]);
    return Ok;
}

Status Matrix::SetElements(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy) {
    const double e[6] = {m11, m12, m21, m22, dx, dy};
    setElements(e);
    return Ok;
}

void Matrix::setElements(const double* e) {
    for (int i = 0; i < 6; ++i)
        m[i] = e[i];
}

REAL Matrix::OffsetX() const {
    return REAL(m[4]);
}

REAL Matrix::OffsetY() const {
    return REAL(m[5]);
}

Status Matrix::Reset() {
    const double identity[6] = {1, 0, 0, 1, 0, 0};
    setElements(identity);
    return Ok;
}

void Matrix::combine(const double* other, MatrixOrder order) {
    if (order == MatrixOrderAppend)
        product(m, other, m);
    else
        product(other, m, m);
}

Status Matrix::Multiply(const Matrix* matrix, MatrixOrder order) {
    if (matrix == nullptr)
        return record(InvalidParameter);
    double other[6];
    for (int i = 0; i < 6; ++i)
        other[i] = matrix->m[i];
    combine(other, order);
    return Ok;
}

Status Matrix::Translate(REAL offsetX, REAL offsetY, MatrixOrder order) {
    const double t[6] = {1, 0, 0, 1, offsetX, offsetY};
    combine(t, order);
    return Ok;
}

Status Matrix::Scale(REAL scaleX, REAL scaleY, MatrixOrder order) {
    const double s[6] = {scaleX, 0, 0, scaleY, 0, 0};
    combine(s, order);
    return Ok;
}

Status Matrix::Rotate(REAL angle, MatrixOrder order) {
    const double radians = double(angle) * pi / 180.0;
    double c = std::cos(radians);
    double s = std::sin(radians);
    // Exact quarter turns keep exact elements, as GDI+ gives them.
    if (std::fmod(double(angle), 90.0) == 0.0) {
        c = std::round(c);
        s = std::round(s);
    }
    const double r[6] = {c, s, -s, c, 0, 0};
    combine(r, order);
    return Ok;
}

Status Matrix::RotateAt(REAL angle, const PointF& center, MatrixOrder order) {
    if (order == MatrixOrderAppend) {
        Translate(-center.X, -center.Y, MatrixOrderAppend);
        Rotate(angle, MatrixOrderAppend);
        return Translate(center.X, center.Y, MatrixOrderAppend);
    }
    Translate(center.X, center.Y);
    Rotate(angle);
    return Translate(-center.X, -center.Y);
}

Status Matrix::Invert() {
    const double det = m[0] * m[3] - m[1] * m[2];
    if (det == 0.0 || !std::isfinite(det))
        return record(InvalidParameter);
    const double i11 = m[3] / det;
    const double i12 = -m[1] / det;
    const double i21 = -m[2] / det;
    const double i22 = m[0] / det;
    const double idx = -(m[4] * i11 + m[5] * i21);
    const double idy = -(m[4] * i12 + m[5] * i22);
    const double inverse[6] = {i11, i12, i21, i22, idx, idy};
    setElements(inverse);
    return Ok;
}

Status Matrix::TransformPoints(PointF* points, INT count) const {
    if (points == nullptr || count <= 0)
        return record(InvalidParameter);
    for (INT i = 0; i < count; ++i) {
        const double x = points[i].X;
        const double y = points[i].Y;
        points[i].X = REAL(m[0] * x + m[2] * y + m[4]);
        points[i].Y = REAL(m[1] * x + m[3] * y + m[5]);
    }
    return Ok;
}

Status Matrix::TransformPoints(Point* points, INT count) const {
    if (points == nullptr || count <= 0)
        return record(InvalidParameter);
    for (INT i = 0; i < count; ++i) {
        const double x = points[i].X;
        const double y = points[i].Y;
        points[i].X = INT(std::lround(m[0] * x + m[2] * y + m[4]));
        points[i].Y = INT(std::lround(m[1] * x + m[3] * y + m[5]));
    }
    return Ok;
}

BOOL Matrix::IsInvertible() const {
    const double det = m[0] * m[3] - m[1] * m[2];
    return det != 0.0 && std::isfinite(det);
}

BOOL Matrix::IsIdentity() const {
    return m[0] == 1 && m[1] == 0 && m[2] == 0 && m[3] == 1 && m[4] == 0 && m[5] == 0;
}

BOOL Matrix::Equals(const Matrix* matrix) const {
    if (matrix == nullptr)
        return FALSE;
    for (int i = 0; i < 6; ++i)
        if (REAL(m[i]) != REAL(matrix->m[i]))
            return FALSE;
    return TRUE;
}

Status Matrix::GetLastStatus() const {
    const Status status = lastStatus;
    lastStatus = Ok;
    return status;
}

Status Matrix::record(Status status) const {
    if (status != Ok)
        lastStatus = status;
    return status;
}

} // namespace Gdiplus
