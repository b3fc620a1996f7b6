// A stand-in DLL that carries the Windows module service (and its DllMain), so that a test can
// load it from places of its choosing and ask what it recorded.

#include "platform/module.h"
#include "vstgui/instance.h"

#include <windows.h>

extern HINSTANCE ghInst;

extern "C" {

__declspec(dllexport) const char* probeModuleDirectory() {
    return kelvane::platform::moduleDirectory().c_str();
}

__declspec(dllexport) void* probeModuleHandle() {
    return kelvane::platform::moduleHandle();
}

__declspec(dllexport) void* probeSdkInstance() {
    return ghInst;
}

__declspec(dllexport) void* probeVstguiInstance() {
    return VSTGUI::hInstance;
}

} // extern "C"
