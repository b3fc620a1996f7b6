#include "gdiplus/linux/gdiplustypes.h"

namespace Gdiplus {

namespace {
ULONG_PTR lastToken = 0;
}

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                      GdiplusStartupOutput* output) {
    if (token == nullptr || input == nullptr)
        return InvalidParameter;
    if (input->GdiplusVersion != 1)
        return UnsupportedGdiplusVersion;
    if (output != nullptr) {
        output->NotificationHook = nullptr;
        output->NotificationUnhook = nullptr;
    }
    *token = ++lastToken;
    return Ok;
}

VOID GdiplusShutdown(ULONG_PTR) {}

} // namespace Gdiplus
