#include "vstgui/gdiplusglobals.h"

#include "gdiplus/gdiplus.h"

namespace VSTGUI {

GDIPlusGlobals* GDIPlusGlobals::instance = nullptr;
std::int32_t GDIPlusGlobals::count = 0;

GDIPlusGlobals::GDIPlusGlobals() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR started = 0;
    if (Gdiplus::GdiplusStartup(&started, &input, nullptr) == Gdiplus::Ok)
        token = started;
}

GDIPlusGlobals::~GDIPlusGlobals() {
    if (token != 0)
        Gdiplus::GdiplusShutdown(token);
}

void GDIPlusGlobals::enter() {
    if (instance == nullptr)
        instance = new GDIPlusGlobals;
    ++count;
}

void GDIPlusGlobals::exit() {
    // An exit without a matching enter is ignored: letting the count go negative would make
    // the next enter leave GDI+ shut down while its caller draws.
    if (count == 0)
        return;
    if (--count == 0) {
        delete instance;
        instance = nullptr;
    }
}

bool GDIPlusGlobals::running() {
    return instance != nullptr;
}

std::int32_t GDIPlusGlobals::useCount() {
    return count;
}

} // namespace VSTGUI
