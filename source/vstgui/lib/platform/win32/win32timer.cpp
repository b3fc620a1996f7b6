#include "vstgui/lib/platform/win32/win32timer.h"

#include <windows.h>

#include <map>

namespace VSTGUI {
namespace {

// The running timers by their ids; the user-interface thread alone touches it.
std::map<UINT_PTR, IPlatformTimerCallback*>& running() {
    static std::map<UINT_PTR, IPlatformTimerCallback*> timers;
    return timers;
}

void CALLBACK timerProc(HWND, UINT, UINT_PTR id, DWORD) {
    // A window-system callback: nothing may escape into it.
    try {
        const auto found = running().find(id);
        if (found != running().end())
            found->second->fire(); // may stop or delete the timer: touch nothing after it
    } catch (...) {
    }
}

} // namespace

Win32Timer::Win32Timer(IPlatformTimerCallback* target) : callback(target) {}

Win32Timer::~Win32Timer() {
    stop();
}

bool Win32Timer::start(std::uint32_t fireTime) {
    if (callback == nullptr)
        return false;
    // A running timer only changes its period: SetTimer with its id replaces it.
    const UINT_PTR started = SetTimer(nullptr, id, fireTime, timerProc);
    if (started == 0)
        return false;
    if (id != 0 && started != id)
        running().erase(id);
    id = started;
    running()[id] = callback;
    return true;
}

bool Win32Timer::stop() {
    if (id == 0)
        return false;
    KillTimer(nullptr, id);
    running().erase(id);
    id = 0;
    return true;
}

std::size_t Win32Timer::runningCount() {
    return running().size();
}

} // namespace VSTGUI
