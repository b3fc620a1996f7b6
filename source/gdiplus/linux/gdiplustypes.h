#pragma once

// Scalar types, enumerations and value types of GDI+, with the names and values that the
// Windows SDK publishes, so that drawing code reads the same on both platforms.

#include <cstddef>
#include <cstdint>

using INT = int;
using UINT = unsigned int;
using UINT32 = std::uint32_t;
using UINT16 = std::uint16_t;
using BYTE = unsigned char;
using WCHAR = wchar_t; // holds UTF-16 code units, as on Windows
using BOOL = int;
using DWORD = std::uint32_t;
using ULONG_PTR = std::uintptr_t;
using UINT_PTR = std::uintptr_t;
using LANGID = unsigned short;
#ifndef VOID
#define VOID void
#endif
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef LANG_NEUTRAL
#define LANG_NEUTRAL 0x00
#endif
#ifndef LF_FACESIZE
#define LF_FACESIZE 32
#endif

// Pixel formats are macros, as in the SDK: name them unqualified.
#define PixelFormatIndexed ((INT)0x00010000)
#define PixelFormatGDI ((INT)0x00020000)
#define PixelFormatAlpha ((INT)0x00040000)
#define PixelFormatPAlpha ((INT)0x00080000)
#define PixelFormatCanonical ((INT)0x00200000)
#define PixelFormat24bppRGB ((INT)(8 | (24 << 8) | PixelFormatGDI))
#define PixelFormat32bppRGB ((INT)(9 | (32 << 8) | PixelFormatGDI))
#define PixelFormat32bppARGB                                                                       \
    ((INT)(10 | (32 << 8) | PixelFormatAlpha | PixelFormatGDI | PixelFormatCanonical))
#define PixelFormat32bppPARGB                                                                      \
    ((INT)(11 | (32 << 8) | PixelFormatAlpha | PixelFormatPAlpha | PixelFormatGDI))

namespace Gdiplus {

using REAL = float;
using ARGB = DWORD;
using PixelFormat = INT;
using GraphicsState = UINT;

enum Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
    ProfileNotFound = 21
};
using GpStatus = Status;

enum SmoothingMode {
    SmoothingModeInvalid = -1,
    SmoothingModeDefault = 0,
    SmoothingModeHighSpeed = 1,
    SmoothingModeHighQuality = 2,
    SmoothingModeNone = 3,
    SmoothingModeAntiAlias = 4,
    SmoothingModeAntiAlias8x4 = SmoothingModeAntiAlias,
    SmoothingModeAntiAlias8x8 = 5
};

enum CompositingMode { CompositingModeSourceOver = 0, CompositingModeSourceCopy = 1 };

enum PixelOffsetMode {
    PixelOffsetModeInvalid = -1,
    PixelOffsetModeDefault = 0,
    PixelOffsetModeHighSpeed = 1,
    PixelOffsetModeHighQuality = 2,
    PixelOffsetModeNone = 3,
    PixelOffsetModeHalf = 4
};

enum TextRenderingHint {
    TextRenderingHintSystemDefault = 0,
    TextRenderingHintSingleBitPerPixelGridFit = 1,
    TextRenderingHintSingleBitPerPixel = 2,
    TextRenderingHintAntiAliasGridFit = 3,
    TextRenderingHintAntiAlias = 4,
    TextRenderingHintClearTypeGridFit = 5
};

enum FillMode { FillModeAlternate = 0, FillModeWinding = 1 };

enum WrapMode {
    WrapModeTile = 0,
    WrapModeTileFlipX = 1,
    WrapModeTileFlipY = 2,
    WrapModeTileFlipXY = 3,
    WrapModeClamp = 4
};

enum MatrixOrder { MatrixOrderPrepend = 0, MatrixOrderAppend = 1 };

enum CombineMode {
    CombineModeReplace = 0,
    CombineModeIntersect = 1,
    CombineModeUnion = 2,
    CombineModeXor = 3,
    CombineModeExclude = 4,
    CombineModeComplement = 5
};

enum Unit {
    UnitWorld = 0,
    UnitDisplay = 1,
    UnitPixel = 2,
    UnitPoint = 3,
    UnitInch = 4,
    UnitDocument = 5,
    UnitMillimeter = 6
};

enum FontStyle {
    FontStyleRegular = 0,
    FontStyleBold = 1,
    FontStyleItalic = 2,
    FontStyleBoldItalic = 3,
    FontStyleUnderline = 4,
    FontStyleStrikeout = 8
};

enum StringAlignment { StringAlignmentNear = 0, StringAlignmentCenter = 1, StringAlignmentFar = 2 };

enum StringFormatFlags {
    StringFormatFlagsDirectionRightToLeft = 0x0001,
    StringFormatFlagsDirectionVertical = 0x0002,
    StringFormatFlagsNoFitBlackBox = 0x0004,
    StringFormatFlagsDisplayFormatControl = 0x0020,
    StringFormatFlagsNoFontFallback = 0x0400,
    StringFormatFlagsMeasureTrailingSpaces = 0x0800,
    StringFormatFlagsNoWrap = 0x1000,
    StringFormatFlagsLineLimit = 0x2000,
    StringFormatFlagsNoClip = 0x4000
};

enum ImageLockMode { ImageLockModeRead = 1, ImageLockModeWrite = 2, ImageLockModeUserInputBuf = 4 };

enum BrushType {
    BrushTypeSolidColor = 0,
    BrushTypeHatchFill = 1,
    BrushTypeTextureFill = 2,
    BrushTypePathGradient = 3,
    BrushTypeLinearGradient = 4
};

enum PathPointType {
    PathPointTypeStart = 0,
    PathPointTypeLine = 1,
    PathPointTypeBezier = 3,
    PathPointTypePathTypeMask = 0x07,
    PathPointTypeCloseSubpath = 0x80
};

struct Point {
    Point() : X(0), Y(0) {}
    Point(INT x, INT y) : X(x), Y(y) {}
    INT X;
    INT Y;
};

struct PointF {
    PointF() : X(0), Y(0) {}
    PointF(REAL x, REAL y) : X(x), Y(y) {}
    REAL X;
    REAL Y;
};

struct SizeF {
    SizeF() : Width(0), Height(0) {}
    SizeF(REAL width, REAL height) : Width(width), Height(height) {}
    REAL Width;
    REAL Height;
};

struct Rect {
    Rect() : X(0), Y(0), Width(0), Height(0) {}
    Rect(INT x, INT y, INT width, INT height) : X(x), Y(y), Width(width), Height(height) {}
    INT GetLeft() const { return X; }
    INT GetTop() const { return Y; }
    INT GetRight() const { return X + Width; }
    INT GetBottom() const { return Y + Height; }
    INT X;
    INT Y;
    INT Width;
    INT Height;
};

struct RectF {
    RectF() : X(0), Y(0), Width(0), Height(0) {}
    RectF(REAL x, REAL y, REAL width, REAL height) : X(x), Y(y), Width(width), Height(height) {}
    REAL GetLeft() const { return X; }
    REAL GetTop() const { return Y; }
    REAL GetRight() const { return X + Width; }
    REAL GetBottom() const { return Y + Height; }
    REAL X;
    REAL Y;
    REAL Width;
    REAL Height;
};

class Color {
public:
    enum { AlphaShift = 24, RedShift = 16, GreenShift = 8, BlueShift = 0 };
    enum : ARGB { Black = 0xFF000000, White = 0xFFFFFFFF, Transparent = 0x00FFFFFF };

    Color() : Value(Black) {}
    Color(ARGB argb) : Value(argb) {}
    Color(BYTE r, BYTE g, BYTE b) : Value(MakeARGB(255, r, g, b)) {}
    Color(BYTE a, BYTE r, BYTE g, BYTE b) : Value(MakeARGB(a, r, g, b)) {}

    BYTE GetA() const { return BYTE(Value >> AlphaShift); }
    BYTE GetR() const { return BYTE(Value >> RedShift); }
    BYTE GetG() const { return BYTE(Value >> GreenShift); }
    BYTE GetB() const { return BYTE(Value >> BlueShift); }
    BYTE GetAlpha() const { return GetA(); }
    BYTE GetRed() const { return GetR(); }
    BYTE GetGreen() const { return GetG(); }
    BYTE GetBlue() const { return GetB(); }
    ARGB GetValue() const { return Value; }
    VOID SetValue(ARGB argb) { Value = argb; }

    static ARGB MakeARGB(BYTE a, BYTE r, BYTE g, BYTE b) {
        return ARGB(a) << AlphaShift | ARGB(r) << RedShift | ARGB(g) << GreenShift |
               ARGB(b) << BlueShift;
    }

protected:
    ARGB Value;
};

struct BitmapData {
    UINT Width;
    UINT Height;
    INT Stride;
    INT PixelFormat;
    VOID* Scan0;
    UINT_PTR Reserved;
};

using DebugEventProc = VOID (*)(INT level, char* message);

struct GdiplusStartupInput {
    GdiplusStartupInput(DebugEventProc debugEventCallback = nullptr,
                        BOOL suppressBackgroundThread = FALSE, BOOL suppressExternalCodecs = FALSE)
        : GdiplusVersion(1), DebugEventCallback(debugEventCallback),
          SuppressBackgroundThread(suppressBackgroundThread),
          SuppressExternalCodecs(suppressExternalCodecs) {}
    UINT32 GdiplusVersion;
    DebugEventProc DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};

struct GdiplusStartupOutput {
    VOID* NotificationHook;
    VOID* NotificationUnhook;
};

// The layer keeps no process-wide state that needs starting; these only check their arguments
// and count, so that callers are written as on Windows.
Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                      GdiplusStartupOutput* output);
VOID GdiplusShutdown(ULONG_PTR token);

} // namespace Gdiplus

// Code outside the namespace may name these two unqualified, like the other scalar types.
using REAL = Gdiplus::REAL;
using ARGB = Gdiplus::ARGB;
