// The editor through the CLAP gui extension in a real X window (Xvfb in the test script): the
// host's run loop, the content scale, a mouse drag that reaches the host as one gesture.

#include "clap/claphost.h"

#include "linuxgui/xsession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

using namespace claphost;
using namespace std::chrono_literals;

constexpr const char* pluginId = "com.kelvane.tivrandel";

struct Instance {
    Instance(const Module& module, Host& host) {
        plugin = module.factory()->create_plugin(module.factory(), host.clap(), pluginId);
        EXPECT_TRUE(plugin && plugin->init(plugin));
        gui = extension<clap_plugin_gui_t>(plugin, CLAP_EXT_GUI);
    }
    ~Instance() { plugin->destroy(plugin); }
    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_gui_t* gui = nullptr;
};

clap_window_t x11Window(xcb_window_t window) {
    clap_window_t result{};
    result.api = CLAP_WINDOW_API_X11;
    result.x11 = window;
    return result;
}

void run(Host& host, const clap_plugin_t* plugin, std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        host.runLoop(plugin);
        std::this_thread::sleep_for(5ms);
    }
}

TEST(ClapGui, AHostWithoutARunLoopGetsNoEditor) {
    Module module(modulePath());
    ASSERT_TRUE(module.loaded());
    for (HostOptions options : {HostOptions{false, true}, HostOptions{true, false}}) {
        Host host(options);
        Instance plugin(module, host);
        ASSERT_NE(plugin.gui, nullptr);
        EXPECT_FALSE(plugin.gui->is_api_supported(plugin.plugin, CLAP_WINDOW_API_X11, false));
        EXPECT_FALSE(plugin.gui->create(plugin.plugin, CLAP_WINDOW_API_X11, false));
    }
}

TEST(ClapGui, OpensScalesAndClosesInTheHostsWindow) {
    linuxgui::XSession x;
    ASSERT_TRUE(x.connected()) << "needs a display";
    Module module(modulePath());
    ASSERT_TRUE(module.loaded());
    Host host;
    Instance plugin(module, host);
    const clap_plugin_gui_t* gui = plugin.gui;
    ASSERT_NE(gui, nullptr);
    EXPECT_TRUE(gui->is_api_supported(plugin.plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->is_api_supported(plugin.plugin, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(gui->is_api_supported(plugin.plugin, CLAP_WINDOW_API_WIN32, false));
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(plugin.plugin, &api, &floating));
    EXPECT_STREQ(api, CLAP_WINDOW_API_X11);
    EXPECT_FALSE(floating);

    // Made and destroyed without a window, then for real.
    ASSERT_TRUE(gui->create(plugin.plugin, CLAP_WINDOW_API_X11, false));
    gui->destroy(plugin.plugin);
    ASSERT_TRUE(gui->create(plugin.plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->create(plugin.plugin, CLAP_WINDOW_API_X11, false)); // one at a time
    EXPECT_FALSE(gui->can_resize(plugin.plugin));
    uint32_t width = 0, height = 0;
    ASSERT_TRUE(gui->get_size(plugin.plugin, &width, &height));
    EXPECT_EQ(width, 346u);
    EXPECT_EQ(height, 160u);
    EXPECT_TRUE(gui->set_size(plugin.plugin, width, height));
    EXPECT_FALSE(gui->set_size(plugin.plugin, width + 10, height));
    clap_gui_resize_hints_t hints{};
    EXPECT_FALSE(gui->get_resize_hints(plugin.plugin, &hints));

    const xcb_window_t parent = x.createWindow(0, 0, 2 * 346, 2 * 160);
    const clap_window_t window = x11Window(parent);
    ASSERT_TRUE(gui->set_parent(plugin.plugin, &window));
    EXPECT_TRUE(gui->show(plugin.plugin));
    run(host, plugin.plugin, 200ms);
    EXPECT_FALSE(host.fds.empty()); // the editor's X connection runs on the host's loop
    EXPECT_FALSE(host.timers.empty());
    ASSERT_EQ(x.children(parent).size(), 1u);
    const xcb_window_t editor = x.children(parent)[0];
    EXPECT_TRUE(x.viewable(editor));

    ASSERT_TRUE(gui->set_scale(plugin.plugin, 2.0));
    run(host, plugin.plugin, 100ms);
    ASSERT_TRUE(gui->get_size(plugin.plugin, &width, &height));
    EXPECT_EQ(width, 692u);
    EXPECT_EQ(height, 320u);
    ASSERT_FALSE(host.resizeRequests.empty());
    EXPECT_EQ(host.resizeRequests.back(), std::make_pair(692u, 320u));
    EXPECT_FALSE(gui->set_scale(plugin.plugin, 0.0));

    // A drag on the time knob (at scale 2 its centre is at twice the layout's place).
    const auto* params = extension<clap_plugin_params_t>(plugin.plugin, CLAP_EXT_PARAMS);
    double before = 0;
    ASSERT_TRUE(params->get_value(plugin.plugin, 1, &before));
    std::int16_t px = 2 * 173, py = 2 * 80;
    x.toScreen(editor, px, py);
    x.movePointer(px, py);
    run(host, plugin.plugin, 30ms);
    x.press(1);
    run(host, plugin.plugin, 30ms);
    for (int step = 1; step <= 4; ++step) {
        x.movePointer(px, static_cast<std::int16_t>(py - 10 * step));
        run(host, plugin.plugin, 30ms);
    }
    x.release(1);
    run(host, plugin.plugin, 60ms);
    OutputEvents out;
    params->flush(plugin.plugin, nullptr, out.list());
    double after = 0;
    ASSERT_TRUE(params->get_value(plugin.plugin, 1, &after));
    if (host.flushRequests.load() > 0) {
        ASSERT_GE(out.recorded.size(), 3u);
        EXPECT_EQ(out.recorded.front().type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
        EXPECT_EQ(out.recorded.back().type, CLAP_EVENT_PARAM_GESTURE_END);
        std::size_t values = 0;
        for (const auto& event : out.recorded) {
            if (event.type == CLAP_EVENT_PARAM_VALUE)
                ++values;
            EXPECT_EQ(event.id, out.recorded.front().id);
        }
        EXPECT_GE(values, 1u);
        EXPECT_NE(after, before);
        EXPECT_GE(host.dirtyMarks, 1);
    } else {
        ADD_FAILURE() << "the drag did not reach a knob";
    }

    EXPECT_TRUE(gui->hide(plugin.plugin));
    EXPECT_TRUE(gui->show(plugin.plugin));
    gui->destroy(plugin.plugin);
    x.sync();
    EXPECT_TRUE(x.children(parent).empty());
    EXPECT_TRUE(host.fds.empty());
    EXPECT_TRUE(host.timers.empty());
    EXPECT_FALSE(gui->show(plugin.plugin));
    x.destroyWindow(parent);
}

TEST(ClapGui, DestroyedWhileShownWithThePluginItself) {
    linuxgui::XSession x;
    ASSERT_TRUE(x.connected()) << "needs a display";
    Module module(modulePath());
    ASSERT_TRUE(module.loaded());
    Host host;
    const xcb_window_t parent = x.createWindow(0, 0, 346, 160);
    {
        Instance plugin(module, host);
        ASSERT_TRUE(plugin.gui->create(plugin.plugin, CLAP_WINDOW_API_X11, false));
        ASSERT_TRUE(plugin.gui->set_scale(plugin.plugin, 1.0));
        const clap_window_t window = x11Window(parent);
        ASSERT_TRUE(plugin.gui->set_parent(plugin.plugin, &window));
        run(host, plugin.plugin, 50ms);
    }
    x.sync();
    EXPECT_TRUE(x.children(parent).empty());
    EXPECT_TRUE(host.fds.empty());
    EXPECT_TRUE(host.timers.empty());
    x.destroyWindow(parent);
}

// CLAP hosts offer no menu: a right click on a knob shows the adapters' own, whose reset reaches
// the host as one gesture; Escape closes it with nothing done.
TEST(ClapGui, ARightClickOnAKnobShowsTheMenuWhoseResetIsOneGesture) {
    linuxgui::XSession x;
    ASSERT_TRUE(x.connected()) << "needs a display";
    Module module(modulePath());
    ASSERT_TRUE(module.loaded());
    Host host;
    Instance plugin(module, host);
    const clap_plugin_gui_t* gui = plugin.gui;
    ASSERT_TRUE(gui->create(plugin.plugin, CLAP_WINDOW_API_X11, false));
    const xcb_window_t parent = x.createWindow(0, 0, 346, 160);
    const clap_window_t window = x11Window(parent);
    ASSERT_TRUE(gui->set_parent(plugin.plugin, &window));
    EXPECT_TRUE(gui->show(plugin.plugin));
    run(host, plugin.plugin, 150ms);
    const xcb_window_t editor = x.children(parent)[0];
    xcb_connection_t* own = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(own)).data->root;
    xcb_disconnect(own);
    const std::size_t topLevels = x.children(root).size();
    const auto* params = extension<clap_plugin_params_t>(plugin.plugin, CLAP_EXT_PARAMS);
    double start = 0;
    ASSERT_TRUE(params->get_value(plugin.plugin, 1, &start));

    const auto rightClick = [&] {
        std::int16_t px = 173, py = 80;
        x.toScreen(editor, px, py);
        x.movePointer(px, py);
        run(host, plugin.plugin, 30ms);
        x.press(3);
        run(host, plugin.plugin, 30ms);
        x.release(3);
        run(host, plugin.plugin, 30ms);
        const std::vector<xcb_window_t> now = x.children(root);
        return now.size() == topLevels + 1 && x.viewable(now.back()) ? now.back() : 0;
    };
    ASSERT_NE(rightClick(), 0u);
    x.key(0xFF1B, true);
    x.key(0xFF1B, false);
    run(host, plugin.plugin, 30ms);
    EXPECT_EQ(x.children(root).size(), topLevels);

    // The first item resets the knob to its default, where it started.
    const xcb_window_t popup = rightClick();
    ASSERT_NE(popup, 0u);
    std::int16_t px = 20, py = 8;
    x.toScreen(popup, px, py);
    x.movePointer(px, py);
    run(host, plugin.plugin, 30ms);
    x.press(1);
    run(host, plugin.plugin, 20ms);
    x.release(1);
    run(host, plugin.plugin, 60ms);
    EXPECT_EQ(x.children(root).size(), topLevels);
    OutputEvents out;
    params->flush(plugin.plugin, nullptr, out.list());
    ASSERT_EQ(out.recorded.size(), 3u);
    EXPECT_EQ(out.recorded[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(out.recorded[1].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(out.recorded[2].type, CLAP_EVENT_PARAM_GESTURE_END);
    EXPECT_EQ(out.recorded[1].id, 1u);
    EXPECT_EQ(out.recorded[1].value, start);
    gui->destroy(plugin.plugin);
    x.destroyWindow(parent);
}

} // namespace
