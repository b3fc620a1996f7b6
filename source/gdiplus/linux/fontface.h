#pragma once

// The font data behind FontFamily and Font: which faces a family has (found through fontconfig
// or loaded from memory), and open FreeType faces with their glyph outlines cached, so that
// drawing never parses a font file again while a Font lives.

#include "gdiplus/linux/gdiplustypes.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

typedef struct FT_FaceRec_* FT_Face;

namespace kelvane::gdiplus {

struct Library;
struct FaceHandle;

struct FaceInfo {
    std::string file;                                        // an installed font, or
    std::shared_ptr<const std::vector<unsigned char>> bytes; // a font from memory
    long index = 0;
    int weight = 400; // OpenType scale
    bool italic = false;
    mutable std::weak_ptr<FaceHandle> open; // shared while any Font uses it
};

struct FaceSet {
    std::wstring name;
    std::vector<FaceInfo> faces;

    // The face nearest to the style (regular or bold weight, upright or italic), or null.
    const FaceInfo* pick(INT style) const;
};

// Design metrics in font units, in the way GDI+ derives them from the font's tables.
struct FaceMetrics {
    int emHeight = 2048;
    int ascent = 0;
    int descent = 0;
    int lineSpacing = 0;
};

struct GlyphOutline {
    enum Kind : unsigned char { Move, Line, Cubic, Close };
    struct Op {
        Kind kind;
        float x[3], y[3]; // font units, y up
    };
    double advance = 0; // font units
    std::vector<Op> ops;
};

struct FaceHandle {
    FaceHandle() = default;
    FaceHandle(const FaceHandle&) = delete;
    FaceHandle& operator=(const FaceHandle&) = delete;
    ~FaceHandle();

    // The glyph for a code point (the font's missing glyph where it has none).
    const GlyphOutline& glyph(char32_t codePoint);

    std::shared_ptr<Library> library;
    std::shared_ptr<const std::vector<unsigned char>> bytes;
    FT_Face face = nullptr;
    FaceMetrics metrics;
    std::unordered_map<unsigned, GlyphOutline> glyphs;
};

// The open face for a description, shared with other users of the same face; null when
// FreeType cannot read it.
std::shared_ptr<FaceHandle> openFace(const FaceInfo& info);

// Adds the faces of a font file held in memory (copied) to the families, grouped by GDI+'s
// family name; false when the bytes are not a font.
bool addMemoryFaces(const void* data, std::size_t size,
                    std::vector<std::shared_ptr<FaceSet>>& families);

} // namespace kelvane::gdiplus
