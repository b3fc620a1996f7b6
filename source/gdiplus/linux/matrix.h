#pragma once

#include "gdiplus/linux/gdiplustypes.h"

namespace Gdiplus {

// An affine transform in GDI+'s row-vector convention: a point (x, y) maps to
// (m11 x + m21 y + dx, m12 x + m22 y + dy). "Prepend" applies the new operation before the
// current transform, "append" after it.
class Matrix {
public:
    Matrix();
    Matrix(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy);
    Matrix(const Matrix&) = delete;
    Matrix& operator=(const Matrix&) = delete;

    Matrix* Clone() const;
    Status GetElements(REAL* m) const;
    Status SetElements(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy);
    REAL OffsetX() const;
    REAL OffsetY() const;
    Status Reset();
    Status Multiply(const Matrix* matrix, MatrixOrder order = MatrixOrderPrepend);
    Status Translate(REAL offsetX, REAL offsetY, MatrixOrder order = MatrixOrderPrepend);
    Status Scale(REAL scaleX, REAL scaleY, MatrixOrder order = MatrixOrderPrepend);
    Status Rotate(REAL angle, MatrixOrder order = MatrixOrderPrepend);
    Status RotateAt(REAL angle, const PointF& center, MatrixOrder order = MatrixOrderPrepend);
    Status Invert();
    Status TransformPoints(PointF* points, INT count = 1) const;
    Status TransformPoints(Point* points, INT count = 1) const;
    BOOL IsInvertible() const;
    BOOL IsIdentity() const;
    BOOL Equals(const Matrix* matrix) const;
    Status GetLastStatus() const;

    // The six elements in double precision, m11 m12 m21 m22 dx dy (for the drawing code).
    const double* elements() const { return m; }
    void setElements(const double* elements);

private:
    void combine(const double* other, MatrixOrder order);
    Status record(Status status) const;

    double m[6];
    mutable Status lastStatus = Ok;
};

} // namespace Gdiplus
