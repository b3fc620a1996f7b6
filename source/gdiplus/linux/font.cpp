#include "gdiplus/linux/font.h"

#include "gdiplus/linux/fontface.h"
#include "gdiplus/linux/graphics.h"
#include "gdiplus/linux/installedfonts.h"
#include "gdiplus/linux/utf16.h"

#include <algorithm>

namespace kelvane::gdiplus {
struct CollectionData {
    std::vector<std::shared_ptr<FaceSet>> families;
};
} // namespace kelvane::gdiplus

namespace Gdiplus {

using kelvane::gdiplus::FaceSet;

namespace {

// Metrics of the family's face for a style; the face stays open only while a Font uses it.
kelvane::gdiplus::FaceMetrics metricsOf(const std::shared_ptr<const FaceSet>& set, INT style) {
    if (set == nullptr)
        return {};
    const kelvane::gdiplus::FaceInfo* info = set->pick(style);
    if (info == nullptr)
        return {};
    std::shared_ptr<kelvane::gdiplus::FaceHandle> face = kelvane::gdiplus::openFace(*info);
    return face != nullptr ? face->metrics : kelvane::gdiplus::FaceMetrics{};
}

UINT16 clampedUnits(int units) {
    return UINT16(std::clamp(units, 0, 0xFFFF));
}

} // namespace

FontFamily::FontFamily() : lastStatus(Ok) {}

FontFamily::FontFamily(const WCHAR* name, const FontCollection* fontCollection) {
    if (name == nullptr) {
        lastStatus = InvalidParameter;
        return;
    }
    const std::wstring wanted =
        kelvane::gdiplus::utf16FromCodePoints(kelvane::gdiplus::decodeUtf16(name, -1));
    if (fontCollection != nullptr) {
        if (const kelvane::gdiplus::CollectionData* data = fontCollection->data()) {
            for (const auto& family : data->families)
                if (kelvane::gdiplus::sameFamilyName(family->name, wanted))
                    set = family;
        }
    } else {
        set = kelvane::gdiplus::findInstalledFamily(wanted);
    }
    if (set == nullptr)
        lastStatus = FontFamilyNotFound;
}

const FontFamily* FontFamily::GenericSansSerif() {
    static FontFamily generic;
    static bool looked = false;
    if (!looked) {
        looked = true;
        std::shared_ptr<FaceSet> faces = kelvane::gdiplus::genericSansSerif();
        generic.assign(faces, faces != nullptr ? Ok : FontFamilyNotFound);
    }
    return &generic;
}

void FontFamily::assign(std::shared_ptr<const FaceSet> faces, Status status) {
    set = std::move(faces);
    lastStatus = status;
}

FontFamily* FontFamily::Clone() const {
    auto* copy = new FontFamily;
    copy->assign(set, set != nullptr ? Ok : FontFamilyNotFound);
    return copy;
}

Status FontFamily::GetFamilyName(WCHAR name[LF_FACESIZE], LANGID) const {
    if (name == nullptr)
        return lastStatus = InvalidParameter;
    name[0] = 0;
    if (set == nullptr)
        return lastStatus = FontFamilyNotFound;
    const std::size_t n = std::min<std::size_t>(set->name.size(), LF_FACESIZE - 1);
    std::copy(set->name.begin(), set->name.begin() + std::ptrdiff_t(n), name);
    name[n] = 0;
    return Ok;
}

BOOL FontFamily::IsAvailable() const {
    return set != nullptr;
}

BOOL FontFamily::IsStyleAvailable(INT style) const {
    return set != nullptr && set->pick(style) != nullptr;
}

UINT16 FontFamily::GetEmHeight(INT style) const {
    return clampedUnits(metricsOf(set, style).emHeight);
}

UINT16 FontFamily::GetCellAscent(INT style) const {
    return clampedUnits(metricsOf(set, style).ascent);
}

UINT16 FontFamily::GetCellDescent(INT style) const {
    return clampedUnits(metricsOf(set, style).descent);
}

UINT16 FontFamily::GetLineSpacing(INT style) const {
    return clampedUnits(metricsOf(set, style).lineSpacing);
}

Status FontFamily::GetLastStatus() const {
    const Status status = lastStatus;
    lastStatus = Ok;
    return status;
}

Font::Font(const FontFamily* family, REAL emSize, INT fontStyle, Unit sizeUnit)
    : size(emSize), style(fontStyle), unit(sizeUnit) {
    open(family);
}

Font::Font(const WCHAR* familyName, REAL emSize, INT fontStyle, Unit sizeUnit,
           const FontCollection* fontCollection)
    : size(emSize), style(fontStyle), unit(sizeUnit) {
    const FontFamily family(familyName, fontCollection);
    if (!family.IsAvailable()) {
        lastStatus = familyName == nullptr ? InvalidParameter : FontFamilyNotFound;
        return;
    }
    open(&family);
}

Font::~Font() = default;

void Font::open(const FontFamily* family) {
    if (family == nullptr || !(size > 0) || unit == UnitDisplay) {
        lastStatus = InvalidParameter;
        return;
    }
    if (!family->IsAvailable()) {
        lastStatus = FontFamilyNotFound;
        return;
    }
    const kelvane::gdiplus::FaceInfo* info = family->faces()->pick(style);
    if (info == nullptr) {
        lastStatus = FontStyleNotFound;
        return;
    }
    handle = kelvane::gdiplus::openFace(*info);
    if (handle == nullptr) {
        lastStatus = FileNotFound;
        return;
    }
    set = family->faces();
}

Font* Font::Clone() const {
    FontFamily family;
    family.assign(set, Ok);
    return new Font(&family, size, style, unit);
}

BOOL Font::IsAvailable() const {
    return handle != nullptr;
}

Status Font::GetFamily(FontFamily* family) const {
    if (family == nullptr)
        return lastStatus = InvalidParameter;
    family->assign(set, set != nullptr ? Ok : FontFamilyNotFound);
    return set != nullptr ? Ok : (lastStatus = FontFamilyNotFound);
}

double Font::pixelSize(double dpi) const {
    switch (unit) {
    case UnitPoint:
        return size * dpi / 72.0;
    case UnitInch:
        return size * dpi;
    case UnitDocument:
        return size * dpi / 300.0;
    case UnitMillimeter:
        return size * dpi / 25.4;
    default:
        return size;
    }
}

REAL Font::GetHeight(REAL dpi) const {
    if (handle == nullptr)
        return 0;
    const kelvane::gdiplus::FaceMetrics& m = handle->metrics;
    return REAL(pixelSize(dpi) * m.lineSpacing / m.emHeight);
}

REAL Font::GetHeight(const Graphics* graphics) const {
    return GetHeight(graphics != nullptr ? graphics->GetDpiY() : 96.0f);
}

Status Font::GetLastStatus() const {
    const Status status = lastStatus;
    lastStatus = Ok;
    return status;
}

FontCollection::FontCollection() : contents(new kelvane::gdiplus::CollectionData) {}

FontCollection::~FontCollection() = default;

INT FontCollection::GetFamilyCount() const {
    return INT(contents->families.size());
}

Status FontCollection::GetFamilies(INT numSought, FontFamily* gpfamilies, INT* numFound) const {
    if (numSought <= 0 || gpfamilies == nullptr || numFound == nullptr)
        return record(InvalidParameter);
    const INT n = std::min(numSought, GetFamilyCount());
    for (INT i = 0; i < n; ++i)
        gpfamilies[i].assign(contents->families[std::size_t(i)], Ok);
    *numFound = n;
    return Ok;
}

Status FontCollection::GetLastStatus() const {
    const Status status = lastStatus;
    lastStatus = Ok;
    return status;
}

Status FontCollection::record(Status status) const {
    if (status != Ok)
        lastStatus = status;
    return status;
}

Status PrivateFontCollection::AddMemoryFont(const VOID* memory, INT length) {
    if (memory == nullptr || length <= 0)
        return record(InvalidParameter);
    if (!kelvane::gdiplus::addMemoryFaces(memory, std::size_t(length), contents->families))
        return record(FileNotFound);
    return Ok;
}

} // namespace Gdiplus
