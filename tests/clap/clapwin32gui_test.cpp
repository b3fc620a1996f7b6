// The editor through the CLAP gui extension in a win32 window of the host (under Wine, with the
// X server that scripts/wine-tests.sh starts).

#include "clap/claphost.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

using namespace claphost;

constexpr const char* pluginId = "com.kelvane.tivrandel";

void pump(Host& host, const clap_plugin_t* plugin, DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    while (GetTickCount() < end) {
        host.runLoop(plugin);
        Sleep(5);
    }
}

TEST(ClapWin32Gui, OpensScalesAndClosesInTheHostsWindow) {
    Module module(modulePath());
    ASSERT_TRUE(module.loaded());
    Host host;
    const clap_plugin_t* plugin =
        module.factory()->create_plugin(module.factory(), host.clap(), pluginId);
    ASSERT_TRUE(plugin && plugin->init(plugin));
    const auto* gui = extension<clap_plugin_gui_t>(plugin, CLAP_EXT_GUI);
    ASSERT_NE(gui, nullptr);
    EXPECT_TRUE(gui->is_api_supported(plugin, CLAP_WINDOW_API_WIN32, false));
    EXPECT_FALSE(gui->is_api_supported(plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->is_api_supported(plugin, CLAP_WINDOW_API_WIN32, true));
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(plugin, &api, &floating));
    EXPECT_STREQ(api, CLAP_WINDOW_API_WIN32);

    HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  800, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    ASSERT_TRUE(gui->create(plugin, CLAP_WINDOW_API_WIN32, false));
    EXPECT_FALSE(gui->can_resize(plugin));
    uint32_t width = 0, height = 0;
    ASSERT_TRUE(gui->get_size(plugin, &width, &height));
    EXPECT_EQ(width, 346u);
    EXPECT_EQ(height, 160u);
    clap_window_t window{};
    window.api = CLAP_WINDOW_API_WIN32;
    window.win32 = parent;
    ASSERT_TRUE(gui->set_parent(plugin, &window));
    EXPECT_TRUE(gui->show(plugin));
    pump(host, plugin, 100);
    EXPECT_NE(GetWindow(parent, GW_CHILD), nullptr);
    ASSERT_TRUE(gui->set_scale(plugin, 2.0));
    pump(host, plugin, 50);
    ASSERT_TRUE(gui->get_size(plugin, &width, &height));
    EXPECT_EQ(width, 692u);
    EXPECT_EQ(height, 320u);
    EXPECT_TRUE(gui->hide(plugin));
    gui->destroy(plugin);
    pump(host, plugin, 50);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
    plugin->destroy(plugin);
    DestroyWindow(parent);
}

void keyInput(WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// Runs inside the menu's modal loop: once the menu is up, chooses its first item.
void CALLBACK chooseFirstItem(HWND, UINT, UINT_PTR timer, DWORD) {
    if (FindWindowW(L"#32768", nullptr)) {
        KillTimer(nullptr, timer);
        keyInput(VK_DOWN);
        keyInput(VK_RETURN);
    }
}

TEST(ClapWin32Gui, ARightClickOnAKnobShowsTheSystemMenuWhoseResetIsOneGesture) {
    Module module(modulePath());
    ASSERT_TRUE(module.loaded());
    Host host;
    const clap_plugin_t* plugin =
        module.factory()->create_plugin(module.factory(), host.clap(), pluginId);
    ASSERT_TRUE(plugin && plugin->init(plugin));
    const auto* gui = extension<clap_plugin_gui_t>(plugin, CLAP_EXT_GUI);
    const auto* params = extension<clap_plugin_params_t>(plugin, CLAP_EXT_PARAMS);
    HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 40, 40, 346, 160,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    ASSERT_TRUE(gui->create(plugin, CLAP_WINDOW_API_WIN32, false));
    clap_window_t window{};
    window.api = CLAP_WINDOW_API_WIN32;
    window.win32 = parent;
    ASSERT_TRUE(gui->set_parent(plugin, &window));
    EXPECT_TRUE(gui->show(plugin));
    pump(host, plugin, 150);

    POINT knob{173, 80}; // the time pan
    ClientToScreen(parent, &knob);
    SetCursorPos(knob.x, knob.y);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &chooseFirstItem);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, click, sizeof(INPUT));
    pump(host, plugin, 500);
    KillTimer(nullptr, timer);
    EXPECT_EQ(FindWindowW(L"#32768", nullptr) && IsWindowVisible(FindWindowW(L"#32768", nullptr)),
              false);
    OutputEvents out;
    params->flush(plugin, nullptr, out.list());
    ASSERT_EQ(out.recorded.size(), 3u);
    EXPECT_EQ(out.recorded[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(out.recorded[1].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(out.recorded[2].type, CLAP_EVENT_PARAM_GESTURE_END);
    EXPECT_EQ(out.recorded[1].id, 1u);
    EXPECT_EQ(out.recorded[1].value, 0.5);
    gui->destroy(plugin);
    plugin->destroy(plugin);
    DestroyWindow(parent);
}

} // namespace
