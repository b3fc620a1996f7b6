// The VST 2 effect's editor in a win32 window of the host (under Wine, with the X server that
// scripts/wine-tests.sh starts), reached through the module's VSTPluginMain and the AEffect only:
// a right click on a knob shows the system's popup menu with the editor's items.

#include "bundleloader.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Gesture {
    int opcode;
    int index;
    float value;
};
std::vector<Gesture> gestures;

VstIntPtr hostCallback(AEffect*, int opcode, int index, VstIntPtr, void*, float opt) {
    if (opcode == audioMasterBeginEdit || opcode == audioMasterAutomate ||
        opcode == audioMasterEndEdit) {
        gestures.push_back({opcode, index, opt});
    }
    return opcode == audioMasterVersion ? 2400 : 0;
}

// Lets the window system deliver what is queued (paints, timer ticks, input) for a while.
void pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

void keyInput(WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// Run inside the menu's modal loop: once the menu is up, they choose its first item or leave it.
void CALLBACK chooseFirstItem(HWND, UINT, UINT_PTR timer, DWORD) {
    if (FindWindowW(L"#32768", nullptr)) {
        KillTimer(nullptr, timer);
        keyInput(VK_DOWN);
        keyInput(VK_RETURN);
    }
}

void CALLBACK escape(HWND, UINT, UINT_PTR timer, DWORD) {
    if (FindWindowW(L"#32768", nullptr)) {
        KillTimer(nullptr, timer);
        keyInput(VK_ESCAPE);
    }
}

bool menuShown() {
    HWND menu = FindWindowW(L"#32768", nullptr);
    return menu && IsWindowVisible(menu);
}

// A right click on the time pan knob of the editor in parent, with timer running in the menu.
void rightClickOnTheKnob(HWND parent, TIMERPROC timer) {
    POINT knob{173, 80};
    ClientToScreen(parent, &knob);
    SetCursorPos(knob.x, knob.y);
    const UINT_PTR id = SetTimer(nullptr, 0, 50, timer);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, click, sizeof(INPUT));
    pump(500);
    KillTimer(nullptr, id);
}

TEST(Vst2Win32Gui, ARightClickOnAKnobShowsTheSystemMenuWhoseResetIsOneGesture) {
    bundletest::Bundle module;
    ASSERT_TRUE(module.loaded()) << module.error();
    ASSERT_TRUE(module.start());
    AEffect* effect = module.vstPluginMain(&hostCallback);
    ASSERT_NE(effect, nullptr);
    const auto dispatch = [&](int opcode, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f);
    };
    dispatch(effOpen);
    const auto chunk = [&] {
        void* data = nullptr;
        const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 0, 0, &data, 0.0f);
        return size > 0 && data
                   ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                   : std::string();
    };
    // Away from its default, so that the reset has something to do.
    const std::string defaults = chunk();
    effect->setParameter(effect, 1, 0.875f);
    EXPECT_NE(chunk(), defaults);
    HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 40, 40, 346, 160,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    ASSERT_EQ(dispatch(effEditOpen, parent), 1);
    pump(150);
    gestures.clear();

    rightClickOnTheKnob(parent, &escape);
    EXPECT_FALSE(menuShown());
    EXPECT_TRUE(gestures.empty());
    EXPECT_EQ(effect->getParameter(effect, 1), 0.875f);

    rightClickOnTheKnob(parent, &chooseFirstItem);
    EXPECT_FALSE(menuShown());
    ASSERT_EQ(gestures.size(), 3u);
    EXPECT_EQ(gestures[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(gestures[1].opcode, audioMasterAutomate);
    EXPECT_EQ(gestures[1].value, 0.5f);
    EXPECT_EQ(gestures[2].opcode, audioMasterEndEdit);
    for (const Gesture& gesture : gestures) {
        EXPECT_EQ(gesture.index, 1);
    }
    EXPECT_EQ(effect->getParameter(effect, 1), 0.5f);
    // Saved at once, with no block run.
    EXPECT_EQ(chunk(), defaults);

    dispatch(effEditClose);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
    dispatch(effClose);
    DestroyWindow(parent);
    EXPECT_TRUE(module.stop());
}

} // namespace
