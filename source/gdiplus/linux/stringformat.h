#pragma once

#include "gdiplus/linux/gdiplustypes.h"

namespace Gdiplus {

// Placement of text in its layout rectangle; a rectangle of zero width (height) places it
// around the rectangle's x (y): near starts there, centre centres on it, far ends there.
class StringFormat {
public:
    StringFormat(INT formatFlags = 0, LANGID language = LANG_NEUTRAL);
    StringFormat(const StringFormat&) = delete;
    StringFormat& operator=(const StringFormat&) = delete;

    // Library-owned formats: the default one, and the typographic one (no side padding).
    static const StringFormat* GenericDefault();
    static const StringFormat* GenericTypographic();

    StringFormat* Clone() const;
    Status SetAlignment(StringAlignment align);
    StringAlignment GetAlignment() const { return alignment; }
    Status SetLineAlignment(StringAlignment align);
    StringAlignment GetLineAlignment() const { return lineAlignment; }
    Status SetFormatFlags(INT flags);
    INT GetFormatFlags() const { return formatFlags; }
    LANGID GetLanguage() const { return language; }
    Status GetLastStatus() const;

    bool typographic() const { return isTypographic; }

private:
    static Status check(StringAlignment align);

    INT formatFlags;
    LANGID language;
    StringAlignment alignment = StringAlignmentNear;
    StringAlignment lineAlignment = StringAlignmentNear;
    bool isTypographic = false;
    mutable Status lastStatus = Ok;
};

} // namespace Gdiplus
