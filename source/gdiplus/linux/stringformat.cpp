#include "gdiplus/linux/stringformat.h"

namespace Gdiplus {

StringFormat::StringFormat(INT flags, LANGID languageId)
    : formatFlags(flags), language(languageId) {}

const StringFormat* StringFormat::GenericDefault() {
    static const StringFormat format;
    return &format;
}

const StringFormat* StringFormat::GenericTypographic() {
    static StringFormat format(StringFormatFlagsNoFitBlackBox | StringFormatFlagsLineLimit |
                               StringFormatFlagsNoClip);
    format.isTypographic = true;
    return &format;
}

StringFormat* StringFormat::Clone() const {
    auto* copy = new StringFormat(formatFlags, language);
    copy->alignment = alignment;
    copy->lineAlignment = lineAlignment;
    copy->isTypographic = isTypographic;
    return copy;
}

Status StringFormat::check(StringAlignment align) {
    return align >= StringAlignmentNear && align <= StringAlignmentFar ? Ok : InvalidParameter;
}

Status StringFormat::SetAlignment(StringAlignment align) {
    if (check(align) != Ok)
        return lastStatus = InvalidParameter;
    alignment = align;
    return Ok;
}

Status StringFormat::SetLineAlignment(StringAlignment align) {
    if (check(align) != Ok)
        return lastStatus = InvalidParameter;
    lineAlignment = align;
    return Ok;
}

Status StringFormat::SetFormatFlags(INT flags) {
    formatFlags = flags;
    return Ok;
}

Status StringFormat::GetLastStatus() const {
    const Status status = lastStatus;
    lastStatus = Ok;
    return status;
}

} // namespace Gdiplus
