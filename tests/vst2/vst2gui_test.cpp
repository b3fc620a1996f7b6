// The VST 2 effect's editor in a real X window (Xvfb in the test script), reached as a VST 2 host
// reaches it: the built module's VSTPluginMain and the AEffect's dispatcher only. VST 2 hosts
// offer no context menu of their own, so a right click on a knob shows the adapters' menu.

#include "bundleloader.h"
#include "linuxgui/xsession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The gestures the effect reports, in order.
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

void* windowId(xcb_window_t window) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window));
}

class Vst2Gui : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.connected()) << "needs a display";
        ASSERT_TRUE(module.loaded()) << module.error();
        ASSERT_TRUE(module.start());
        effect = module.vstPluginMain(&hostCallback);
        ASSERT_NE(effect, nullptr);
        dispatch(effOpen);
        xcb_connection_t* own = xcb_connect(nullptr, nullptr);
        root = xcb_setup_roots_iterator(xcb_get_setup(own)).data->root;
        xcb_disconnect(own);
        gestures.clear();
    }
    void TearDown() override {
        if (effect != nullptr) {
            dispatch(effClose);
        }
        if (module.loaded()) {
            module.stop();
        }
    }

    VstIntPtr dispatch(int opcode, int index = 0, VstIntPtr value = 0, void* ptr = nullptr) {
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    }
    std::string chunk() {
        void* data = nullptr;
        const VstIntPtr size = dispatch(effGetChunk, 0, 0, &data);
        return size > 0 && data
                   ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                   : std::string();
    }
    // The host's idle calls, which run the editor's window and timer.
    void run(std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            dispatch(effEditIdle);
            std::this_thread::sleep_for(5ms);
        }
    }
    // The editor opened in a host window of its size; its own window.
    xcb_window_t openEditor() {
        parent = x.createWindow(0, 0, 346, 160);
        EXPECT_EQ(dispatch(effEditOpen, 0, 0, windowId(parent)), 1);
        run(150ms);
        const std::vector<xcb_window_t> children = x.children(parent);
        return children.empty() ? 0 : children[0];
    }
    // A right click on the time pan knob; the menu's window, or 0 when none showed.
    xcb_window_t rightClick(xcb_window_t editor, std::size_t topLevels) {
        std::int16_t px = 173, py = 80;
        x.toScreen(editor, px, py);
        x.movePointer(px, py);
        run(30ms);
        x.press(3);
        run(30ms);
        x.release(3);
        run(30ms);
        const std::vector<xcb_window_t> now = x.children(root);
        return now.size() == topLevels + 1 && x.viewable(now.back()) ? now.back() : 0;
    }

    linuxgui::XSession x;
    bundletest::Bundle module;
    AEffect* effect = nullptr;
    xcb_window_t root = 0;
    xcb_window_t parent = 0;
};

TEST_F(Vst2Gui, ARightClickOnAKnobShowsTheMenuWhoseResetIsOneGesture) {
    // Away from its default, so that the reset has something to do.
    const std::string defaults = chunk();
    effect->setParameter(effect, 1, 0.875f);
    EXPECT_NE(chunk(), defaults);
    const xcb_window_t editor = openEditor();
    ASSERT_NE(editor, 0u);
    const std::size_t topLevels = x.children(root).size();

    // Escape closes the menu with nothing done.
    ASSERT_NE(rightClick(editor, topLevels), 0u);
    x.key(0xFF1B, true);
    x.key(0xFF1B, false);
    run(30ms);
    EXPECT_EQ(x.children(root).size(), topLevels);
    EXPECT_TRUE(gestures.empty());
    EXPECT_EQ(effect->getParameter(effect, 1), 0.875f);

    // The first item resets the knob to its default: begin, the value, end, and nothing else.
    const xcb_window_t popup = rightClick(editor, topLevels);
    ASSERT_NE(popup, 0u);
    std::int16_t px = 20, py = 8;
    x.toScreen(popup, px, py);
    x.movePointer(px, py);
    run(30ms);
    x.press(1);
    run(20ms);
    x.release(1);
    run(60ms);
    EXPECT_EQ(x.children(root).size(), topLevels);
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

    EXPECT_EQ(dispatch(effEditClose), 0);
    x.sync();
    EXPECT_TRUE(x.children(parent).empty());
    x.destroyWindow(parent);
}

// A menu still open when the host closes the editor, or the whole effect, goes with it.
TEST_F(Vst2Gui, AnOpenMenuClosesWithTheEditorCallingNothing) {
    xcb_window_t editor = openEditor();
    ASSERT_NE(editor, 0u);
    const std::size_t topLevels = x.children(root).size();
    ASSERT_NE(rightClick(editor, topLevels), 0u);
    EXPECT_EQ(dispatch(effEditClose), 0);
    x.sync();
    EXPECT_EQ(x.children(root).size(), topLevels);
    EXPECT_TRUE(x.children(parent).empty());

    // Opened again, the menu is there again; the effect's close takes it along.
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, windowId(parent)), 1);
    run(150ms);
    ASSERT_EQ(x.children(parent).size(), 1u);
    editor = x.children(parent)[0];
    ASSERT_NE(rightClick(editor, topLevels), 0u);
    dispatch(effClose);
    effect = nullptr;
    x.sync();
    EXPECT_EQ(x.children(root).size(), topLevels);
    EXPECT_TRUE(gestures.empty());
    x.destroyWindow(parent);
}

} // namespace
