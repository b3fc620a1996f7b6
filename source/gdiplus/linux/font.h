#pragma once

#include "gdiplus/linux/gdiplustypes.h"

#include <memory>
#include <vector>

namespace kelvane::gdiplus {
struct FaceSet;
struct FaceHandle;
struct CollectionData;
} // namespace kelvane::gdiplus

namespace Gdiplus {

class FontCollection;
class Graphics;

// A family: the faces (regular, bold, ...) of one family name, installed (found through
// fontconfig, exact name only) or loaded from memory into a private collection.
class FontFamily {
public:
    FontFamily();
    FontFamily(const WCHAR* name, const FontCollection* fontCollection = nullptr);
    FontFamily(const FontFamily&) = delete;
    FontFamily& operator=(const FontFamily&) = delete;

    // fontconfig's "sans-serif"; owned by the library, never delete it.
    static const FontFamily* GenericSansSerif();

    FontFamily* Clone() const;
    Status GetFamilyName(WCHAR name[LF_FACESIZE], LANGID language = 0) const;
    BOOL IsAvailable() const;
    BOOL IsStyleAvailable(INT style) const;
    // Design metrics in font units, as GDI+ reports them.
    UINT16 GetEmHeight(INT style) const;
    UINT16 GetCellAscent(INT style) const;
    UINT16 GetCellDescent(INT style) const;
    UINT16 GetLineSpacing(INT style) const;
    Status GetLastStatus() const;

    const std::shared_ptr<const kelvane::gdiplus::FaceSet>& faces() const { return set; }
    void assign(std::shared_ptr<const kelvane::gdiplus::FaceSet> faces, Status status);

private:
    std::shared_ptr<const kelvane::gdiplus::FaceSet> set;
    mutable Status lastStatus = Ok;
};

class Font {
public:
    Font(const FontFamily* family, REAL emSize, INT style = FontStyleRegular,
         Unit unit = UnitPoint);
    // No fallback: an unknown family leaves the font unavailable (FontFamilyNotFound).
    Font(const WCHAR* familyName, REAL emSize, INT style = FontStyleRegular, Unit unit = UnitPoint,
         const FontCollection* fontCollection = nullptr);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    Font* Clone() const;
    BOOL IsAvailable() const;
    Status GetFamily(FontFamily* family) const;
    REAL GetSize() const { return size; }
    Unit GetUnit() const { return unit; }
    INT GetStyle() const { return style; }
    // Line spacing in pixels on graphics' device.
    REAL GetHeight(const Graphics* graphics) const;
    REAL GetHeight(REAL dpi) const;
    Status GetLastStatus() const;

    // The em size in pixels of a device of dpi dots per inch, and the face that draws (null
    // when unavailable).
    double pixelSize(double dpi = 96) const;
    kelvane::gdiplus::FaceHandle* face() const { return handle.get(); }

private:
    void open(const FontFamily* family);

    std::shared_ptr<const kelvane::gdiplus::FaceSet> set;
    std::shared_ptr<kelvane::gdiplus::FaceHandle> handle;
    REAL size;
    INT style;
    Unit unit;
    mutable Status lastStatus = Ok;
};

class FontCollection {
public:
    FontCollection();
    virtual ~FontCollection();
    FontCollection(const FontCollection&) = delete;
    FontCollection& operator=(const FontCollection&) = delete;

    INT GetFamilyCount() const;
    Status GetFamilies(INT numSought, FontFamily* gpfamilies, INT* numFound) const;
    Status GetLastStatus() const;

    const kelvane::gdiplus::CollectionData* data() const { return contents.get(); }

protected:
    Status record(Status status) const;

    std::unique_ptr<kelvane::gdiplus::CollectionData> contents;
    mutable Status lastStatus = Ok;
};

class PrivateFontCollection : public FontCollection {
public:
    PrivateFontCollection() = default;
    // Copies the bytes: the caller may free them afterwards.
    Status AddMemoryFont(const VOID* memory, INT length);
};

} // namespace Gdiplus
