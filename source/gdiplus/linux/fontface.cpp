#include "gdiplus/linux/fontface.h"

#include "gdiplus/linux/utf16.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kelvane::gdiplus {

// One FreeType library for all open faces, released with the last of them.
struct Library {
    FT_Library ft = nullptr;
    ~Library() {
        if (ft != nullptr)
            FT_Done_FreeType(ft);
    }
};

namespace {

std::shared_ptr<Library> sharedLibrary() {
    static std::weak_ptr<Library> current;
    std::shared_ptr<Library> library = current.lock();
    if (library == nullptr) {
        library = std::make_shared<Library>();
        if (FT_Init_FreeType(&library->ft) != 0) {
            library->ft = nullptr;
            return nullptr;
        }
        current = library;
    }
    return library;
}

FaceMetrics readMetrics(FT_Face face) {
    FaceMetrics m;
    m.emHeight = face->units_per_EM != 0 ? face->units_per_EM : 2048;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (os2 != nullptr && os2->version != 0xFFFF && hhea != nullptr) {
        // As Windows does: the cell is the win ascent and descent, and the hhea line gap
        // counts as far as it exceeds the difference between the two sets of extents.
        m.ascent = os2->usWinAscent;
        m.descent = os2->usWinDescent;
        const int cell = m.ascent + m.descent;
        const int typo = hhea->Ascender - hhea->Descender;
        m.lineSpacing = cell + std::max(0, hhea->Line_Gap - (cell - typo));
    } else {
        m.ascent = face->ascender;
        m.descent = -face->descender;
        m.lineSpacing = std::max<int>(face->height, m.ascent + m.descent);
    }
    return m;
}

// GDI+ names a family by the font's legacy family name (name id 1), preferably the Windows
// English entry, which is UTF-16 already.
std::wstring familyName(FT_Face face) {
    std::wstring best;
    int bestScore = -1;
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName name;
        if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != TT_NAME_ID_FONT_FAMILY ||
            name.platform_id != TT_PLATFORM_MICROSOFT)
            continue;
        const int score = name.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES ? 2 : 1;
        if (score <= bestScore)
            continue;
        std::wstring text;
        for (FT_UInt k = 0; k + 1 < name.string_len; k += 2)
            text.push_back(wchar_t(name.string[k] << 8 | name.string[k + 1]));
        best = text;
        bestScore = score;
    }
    if (best.empty() && face->family_name != nullptr)
        best = utf16FromUtf8(face->family_name);
    return best;
}

int weightOf(FT_Face face) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWeightClass != 0)
        return os2->usWeightClass;
    return (face->style_flags & FT_STYLE_FLAG_BOLD) != 0 ? 700 : 400;
}

struct OutlineSink {
    GlyphOutline* glyph;
    float lastX = 0, lastY = 0;
    bool started = false;

    void add(GlyphOutline::Kind kind, std::initializer_list<const FT_Vector*> points) {
        GlyphOutline::Op op{kind, {0, 0, 0}, {0, 0, 0}};
        int i = 0;
        for (const FT_Vector* p : points) {
            op.x[i] = static_cast<float>(p->x);
            op.y[i] = static_cast<float>(p->y);
            ++i;
        }
        if (i > 0) {
            lastX = op.x[i - 1];
            lastY = op.y[i - 1];
        }
        glyph->ops.push_back(op);
    }
};

int moveTo(const FT_Vector* to, void* user) {
    auto* sink = static_cast<OutlineSink*>(user);
    if (sink->started)
        sink->glyph->ops.push_back({GlyphOutline::Close, {0, 0, 0}, {0, 0, 0}});
    sink->started = true;
    sink->add(GlyphOutline::Move, {to});
    return 0;
}

int lineTo(const FT_Vector* to, void* user) {
    static_cast<OutlineSink*>(user)->add(GlyphOutline::Line, {to});
    return 0;
}

// A quadratic segment as the cubic that draws the same curve.
int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* sink = static_cast<OutlineSink*>(user);
    const float x0 = sink->lastX, y0 = sink->lastY;
    const auto cx = static_cast<float>(control->x), cy = static_cast<float>(control->y);
    const auto x3 = static_cast<float>(to->x), y3 = static_cast<float>(to->y);
    GlyphOutline::Op op{GlyphOutline::Cubic,
                        {x0 + 2.0f / 3.0f * (cx - x0), x3 + 2.0f / 3.0f * (cx - x3), x3},
                        {y0 + 2.0f / 3.0f * (cy - y0), y3 + 2.0f / 3.0f * (cy - y3), y3}};
    sink->glyph->ops.push_back(op);
    sink->lastX = x3;
    sink->lastY = y3;
    return 0;
}

int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    static_cast<OutlineSink*>(user)->add(GlyphOutline::Cubic, {c1, c2, to});
    return 0;
}

} // namespace

const FaceInfo* FaceSet::pick(INT style) const {
    const int weight = (style & Gdiplus::FontStyleBold) != 0 ? 700 : 400;
    const bool italic = (style & Gdiplus::FontStyleItalic) != 0;
    const FaceInfo* best = nullptr;
    int bestScore = 0;
    for (const FaceInfo& face : faces) {
        const int score = std::abs(face.weight - weight) + (face.italic != italic ? 10000 : 0);
        if (best == nullptr || score < bestScore) {
            best = &face;
            bestScore = score;
        }
    }
    return best;
}

FaceHandle::~FaceHandle() {
    if (face != nullptr)
        FT_Done_Face(face);
}

const GlyphOutline& FaceHandle::glyph(char32_t codePoint) {
    const FT_UInt index = FT_Get_Char_Index(face, codePoint);
    auto found = glyphs.find(index);
    if (found != glyphs.end())
        return found->second;
    GlyphOutline& glyph = glyphs[index];
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
        return glyph;
    glyph.advance = double(face->glyph->metrics.horiAdvance);
    if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
        OutlineSink sink{&glyph};
        FT_Outline_Decompose(&face->glyph->outline, &funcs, &sink);
        if (sink.started)
            glyph.ops.push_back({GlyphOutline::Close, {0, 0, 0}, {0, 0, 0}});
    }
    return glyph;
}

std::shared_ptr<FaceHandle> openFace(const FaceInfo& info) {
    if (std::shared_ptr<FaceHandle> open = info.open.lock())
        return open;
    auto handle = std::make_shared<FaceHandle>();
    handle->library = sharedLibrary();
    if (handle->library == nullptr)
        return nullptr;
    FT_Error error;
    if (info.bytes != nullptr) {
        handle->bytes = info.bytes;
        error = FT_New_Memory_Face(handle->library->ft, info.bytes->data(),
                                   FT_Long(info.bytes->size()), info.index, &handle->face);
    } else {
        error = FT_New_Face(handle->library->ft, info.file.c_str(), info.index, &handle->face);
    }
    if (error != 0) {
        handle->face = nullptr;
        return nullptr;
    }
    FT_Select_Charmap(handle->face, FT_ENCODING_UNICODE);
    handle->metrics = readMetrics(handle->face);
    info.open = handle;
    return handle;
}

bool addMemoryFaces(const void* data, std::size_t size,
                    std::vector<std::shared_ptr<FaceSet>>& families) {
    std::shared_ptr<Library> library = sharedLibrary();
    if (data == nullptr || size == 0 || library == nullptr)
        return false;
    auto bytes = std::make_shared<const std::vector<unsigned char>>(
        static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size);
    FT_Long faceCount = 1;
    for (FT_Long index = 0; index < faceCount; ++index) {
        FT_Face face = nullptr;
        if (FT_New_Memory_Face(library->ft, bytes->data(), FT_Long(bytes->size()), index, &face) !=
            0)
            return index > 0;
        faceCount = face->num_faces;
        FaceInfo info;
        info.bytes = bytes;
        info.index = index;
        info.weight = weightOf(face);
        info.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
        const std::wstring name = familyName(face);
        const bool scalable = FT_IS_SCALABLE(face);
        FT_Done_Face(face);
        if (!scalable || name.empty())
            return false;
        auto family = std::find_if(families.begin(), families.end(),
                                   [&](const auto& f) { return sameFamilyName(f->name, name); });
        if (family == families.end()) {
            families.push_back(std::make_shared<FaceSet>());
            families.back()->name = name;
            family = families.end() - 1;
        }
        (*family)->faces.push_back(std::move(info));
    }
    return true;
}

} // namespace kelvane::gdiplus
