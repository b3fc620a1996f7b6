// The editor as an LV2 X11 UI in a real X window: it sizes the host's frame, runs on the host's
// idle calls, follows port events and writes a knob's gesture back in port units.

#include "lv2fixture.h"

#include "linuxgui/xsession.h"
#include "module/entrypoints.h"
#include "wrappers/lv2/lv2ui.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/vstguieditorinterface.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Write {
    std::uint32_t port, size, format;
    float value;
};

// What the host sees of the UI: writes, touches and resizes.
struct HostRecord {
    std::vector<Write> writes;
    std::vector<std::pair<std::uint32_t, bool>> touches;
    std::vector<std::pair<int, int>> sizes;
    std::vector<std::string> uris;

    static void write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                      std::uint32_t format, const void* buffer) {
        auto& self = *static_cast<HostRecord*>(controller);
        float value = 0.0f;
        if (size == sizeof value) {
            std::memcpy(&value, buffer, sizeof value);
        }
        self.writes.push_back({port, size, format, value});
    }
    static void touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed) {
        static_cast<HostRecord*>(handle)->touches.emplace_back(port, grabbed);
    }
    static int resize(LV2UI_Feature_Handle handle, int width, int height) {
        static_cast<HostRecord*>(handle)->sizes.emplace_back(width, height);
        return 0;
    }
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri) {
        auto& self = *static_cast<HostRecord*>(handle);
        for (std::size_t i = 0; i < self.uris.size(); ++i) {
            if (self.uris[i] == uri) {
                return static_cast<LV2_URID>(i + 1);
            }
        }
        self.uris.emplace_back(uri);
        return static_cast<LV2_URID>(self.uris.size());
    }
};

VSTGUI::CControl* knob(Steinberg::IPlugView* view, std::int32_t tag) {
    auto* editor = dynamic_cast<VSTGUI::VSTGUIEditorInterface*>(view);
    VSTGUI::CFrame* frame = editor ? editor->getFrame() : nullptr;
    for (std::uint32_t i = 0; frame && i < frame->getNbViews(); ++i) {
        auto* found = dynamic_cast<VSTGUI::CControl*>(frame->getView(i));
        if (found && found->getTag() == tag) {
            return found;
        }
    }
    return nullptr;
}

class Lv2Ui : public ::testing::Test {
protected:
    std::unique_ptr<kelvane::lv2::Ui> open(xcb_window_t parent, float scale = 0.0f) {
        parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(std::uintptr_t(parent))};
        scaleValue = scale;
        options[0] = {LV2_OPTIONS_INSTANCE,
                      0,
                      HostRecord::map(&record, LV2_UI__scaleFactor),
                      sizeof(float),
                      HostRecord::map(&record, LV2_ATOM__Float),
                      &scaleValue};
        options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
        std::vector<const LV2_Feature*> list = {&parentFeature, &idleFeature, &resizeFeature,
                                                &touchFeature, &mapFeature};
        if (scale > 0.0f) {
            list.push_back(&optionsFeature);
        }
        list.push_back(nullptr);
        const kelvane::lv2::UiClass uiClass{lv2test::productClass(), &tivrandel::entry::startModule,
                                            &tivrandel::entry::stopModule};
        return kelvane::lv2::Ui::create(uiClass, &HostRecord::write, &record, &widget, list.data());
    }

    void idleFor(kelvane::lv2::Ui& ui, std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            EXPECT_EQ(ui.idle(), 0);
            std::this_thread::sleep_for(5ms);
        }
    }

    // A right click on the knob of tag, as a user's; the menu it opened, or null.
    kelvane::wrappers::ContextMenu* rightClick(kelvane::lv2::Ui& ui, std::int32_t tag) {
        const auto window = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(widget));
        const VSTGUI::CPoint centre = knob(ui.view(), tag)->getViewSize().getCenter();
        auto px = static_cast<std::int16_t>(centre.x), py = static_cast<std::int16_t>(centre.y);
        x.toScreen(window, px, py);
        x.movePointer(px, py);
        idleFor(ui, 30ms);
        x.press(3);
        idleFor(ui, 30ms);
        x.release(3);
        idleFor(ui, 30ms);
        return ui.menus().openMenu();
    }

    // A left click at (px, py) of window.
    void clickAt(kelvane::lv2::Ui& ui, xcb_window_t window, std::int16_t px, std::int16_t py) {
        x.toScreen(window, px, py);
        x.movePointer(px, py);
        idleFor(ui, 30ms);
        x.press(1);
        idleFor(ui, 20ms);
        x.release(1);
        idleFor(ui, 50ms);
    }

    void typeKey(kelvane::lv2::Ui& ui, std::uint32_t keysym) {
        x.key(keysym, true);
        x.key(keysym, false);
        idleFor(ui, 30ms);
    }

    linuxgui::XSession x;
    HostRecord record;
    LV2UI_Widget widget = nullptr;
    LV2_URID_Map map{&record, &HostRecord::map};
    LV2UI_Resize resize{&record, &HostRecord::resize};
    LV2UI_Touch touch{&record, &HostRecord::touch};
    float scaleValue = 0.0f;
    LV2_Options_Option options[2] = {};
    LV2_Feature parentFeature{LV2_UI__parent, nullptr};
    LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    LV2_Feature touchFeature{LV2_UI__touch, &touch};
    LV2_Feature mapFeature{LV2_URID__map, &map};
    LV2_Feature optionsFeature{LV2_OPTIONS__options, options};
};

TEST_F(Lv2Ui, OpensInTheHostWindowAtTheHostsScaleAndFollowsPortEvents) {
    ASSERT_TRUE(x.connected());
    const xcb_window_t parent = x.createWindow(0, 0, 600, 300);
    auto ui = open(parent, 1.5f);
    ASSERT_TRUE(ui);
    ASSERT_EQ(record.sizes.size(), 1u);
    EXPECT_EQ(record.sizes[0], std::make_pair(519, 240));
    EXPECT_EQ(ui->scale(), 1.5);
    // The widget is the editor's own window inside the host's.
    const std::vector<xcb_window_t> children = x.children(parent);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(widget), children[0]);
    EXPECT_TRUE(x.viewable(children[0]));
    idleFor(*ui, 100ms);

    // Port events move the knobs, through the controller, in port units.
    const float left = -100.0f, half = 50.0f, on = 1.0f, disabled = 0.0f;
    ui->portEvent(5, sizeof(float), 0, &left);
    ui->portEvent(6, sizeof(float), 0, &half);
    ui->portEvent(7, sizeof(float), 0, &on);
    ui->portEvent(4, sizeof(float), 0, &disabled);
    EXPECT_EQ(ui->pair().normalized(1), 0.0);
    EXPECT_EQ(ui->pair().normalized(2), 0.75);
    EXPECT_EQ(ui->pair().normalized(3), 1.0);
    EXPECT_EQ(ui->pair().normalized(0), 1.0);
    ASSERT_NE(knob(ui->view(), 1), nullptr);
    EXPECT_EQ(knob(ui->view(), 1)->getValue(), 0.0f);
    EXPECT_EQ(knob(ui->view(), 2)->getValue(), 0.75f);
    // Events the UI cannot read change nothing: other formats, sizes, ports.
    const double big = 1.0;
    ui->portEvent(5, sizeof(double), 0, &big);
    ui->portEvent(5, sizeof(float), 1, &half);
    ui->portEvent(0, sizeof(float), 0, &half);
    ui->portEvent(99, sizeof(float), 0, &half);
    ui->portEvent(5, sizeof(float), 0, nullptr);
    EXPECT_EQ(ui->pair().normalized(1), 0.0);
    idleFor(*ui, 50ms);
    EXPECT_TRUE(record.writes.empty());

    ui.reset();
    EXPECT_TRUE(x.children(parent).empty());
    x.destroyWindow(parent);
}

TEST_F(Lv2Ui, AKnobDragIsWrittenBackInPortUnitsInsideATouch) {
    ASSERT_TRUE(x.connected());
    const xcb_window_t parent = x.createWindow(0, 0, 346, 160);
    auto ui = open(parent);
    ASSERT_TRUE(ui);
    ASSERT_EQ(record.sizes.size(), 1u);
    EXPECT_EQ(record.sizes[0], std::make_pair(346, 160));
    idleFor(*ui, 100ms);
    const xcb_window_t window = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(widget));
    VSTGUI::CControl* timeKnob = knob(ui->view(), 1);
    ASSERT_NE(timeKnob, nullptr);
    const VSTGUI::CPoint centre = timeKnob->getViewSize().getCenter();
    std::int16_t px = static_cast<std::int16_t>(centre.x), py = static_cast<std::int16_t>(centre.y);
    x.toScreen(window, px, py);
    x.movePointer(px, py);
    idleFor(*ui, 30ms);
    x.press(1);
    idleFor(*ui, 30ms);
    for (std::int16_t step = 10; step <= 40; step += 10) {
        x.movePointer(px, static_cast<std::int16_t>(py - step));
        idleFor(*ui, 30ms);
    }
    x.release(1);
    idleFor(*ui, 50ms);

    ASSERT_FALSE(record.writes.empty());
    for (const Write& w : record.writes) {
        EXPECT_EQ(w.port, 5u);
        EXPECT_EQ(w.size, sizeof(float));
        EXPECT_EQ(w.format, 0u);
        EXPECT_GE(w.value, -100.0f);
        EXPECT_LE(w.value, 100.0f);
    }
    // Upwards turns it right, in the position the host's port shows.
    EXPECT_GT(record.writes.back().value, 0.0f);
    EXPECT_EQ(kelvane::lv2::toPort(kelvane::lv2::ControlKind::Pan, ui->pair().normalized(1)),
              record.writes.back().value);
    ASSERT_GE(record.touches.size(), 2u);
    EXPECT_EQ(record.touches.front(), std::make_pair(5u, true));
    EXPECT_EQ(record.touches.back(), std::make_pair(5u, false));
    ui.reset();
    x.destroyWindow(parent);
}

// The context menu, which LV2 hosts do not offer: a right click on a knob shows the editor's two
// items in a popup of the adapter's own.
class Lv2UiMenu : public Lv2Ui {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.connected());
        parent = x.createWindow(10, 10, 346, 160);
        ui = open(parent);
        ASSERT_TRUE(ui);
        idleFor(*ui, 100ms);
        const float left = -100.0f;
        ui->portEvent(5, sizeof left, 0, &left);
    }
    void TearDown() override {
        ui.reset();
        x.destroyWindow(parent);
    }

    xcb_window_t parent = 0;
    std::unique_ptr<kelvane::lv2::Ui> ui;
};

TEST_F(Lv2UiMenu, ResetToDefaultIsWrittenInOneTouchAfterThePopupCloses) {
    kelvane::wrappers::ContextMenu* menu = rightClick(*ui, 1);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->getItemCount(), 2);
    Steinberg::Vst::IContextMenuItem item{};
    ASSERT_EQ(menu->getItem(0, item, nullptr), Steinberg::kResultOk);
    EXPECT_EQ(item.tag, 1001);
    const auto popup = static_cast<xcb_window_t>(menu->popupWindow());
    EXPECT_TRUE(x.viewable(popup));
    // Near the knob, over the editor.
    std::int16_t px = 0, py = 0, ex = 0, ey = 0;
    x.toScreen(popup, px, py);
    x.toScreen(static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(widget)), ex, ey);
    EXPECT_GE(px, ex);
    EXPECT_LT(px, ex + 346);
    EXPECT_TRUE(record.writes.empty());

    clickAt(*ui, popup, 20, 8);
    EXPECT_EQ(ui->menus().openMenu(), nullptr);
    EXPECT_FALSE(x.viewable(popup));
    ASSERT_EQ(record.writes.size(), 1u);
    EXPECT_EQ(record.writes[0].port, 5u);
    EXPECT_EQ(record.writes[0].value, 0.0f);
    ASSERT_EQ(record.touches.size(), 2u);
    EXPECT_EQ(record.touches[0], std::make_pair(5u, true));
    EXPECT_EQ(record.touches[1], std::make_pair(5u, false));
    EXPECT_EQ(ui->pair().normalized(1), 0.5);
}

TEST_F(Lv2UiMenu, EscapeAClickOutsideAndTheEditorClosingDismissWithoutAWrite) {
    ASSERT_NE(rightClick(*ui, 1), nullptr);
    typeKey(*ui, 0xFF1B);
    EXPECT_EQ(ui->menus().openMenu(), nullptr);

    ASSERT_NE(rightClick(*ui, 2), nullptr);
    clickAt(*ui, parent, 340, 155);
    EXPECT_EQ(ui->menus().openMenu(), nullptr);

    kelvane::wrappers::ContextMenu* menu = rightClick(*ui, 1);
    ASSERT_NE(menu, nullptr);
    const auto popup = static_cast<xcb_window_t>(menu->popupWindow());
    ui.reset();
    x.sync();
    EXPECT_FALSE(x.viewable(popup));
    EXPECT_TRUE(record.writes.empty());
    EXPECT_TRUE(record.touches.empty());
}

TEST_F(Lv2UiMenu, ABusyGrabMeansNoMenu) {
    // Another client holds the keyboard: the popup cannot take it and shows nothing.
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(other));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    std::free(xcb_grab_keyboard_reply(other,
                                      xcb_grab_keyboard(other, 0, root, XCB_CURRENT_TIME,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                      nullptr));
    EXPECT_EQ(rightClick(*ui, 1), nullptr);
    xcb_disconnect(other);
    EXPECT_TRUE(record.writes.empty());
    EXPECT_NE(rightClick(*ui, 1), nullptr);
}

TEST_F(Lv2UiMenu, TheManualItemChosenByKeyboardReachesTheDesktopsViewer) {
    // The desktop's viewer is found on PATH: a stand-in records the page it is asked to open.
    const std::string dir = ::testing::TempDir() + "lv2menu-manual-" + std::to_string(getpid());
    ASSERT_EQ(std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "/bin'").c_str()), 0);
    {
        std::ofstream script(dir + "/bin/xdg-open");
        script << "#!/bin/sh\necho \"$1\" > '" << dir << "/opened.tmp' && mv '" << dir
               << "/opened.tmp' '" << dir << "/opened'\n";
    }
    ASSERT_EQ(std::system(("chmod +x '" + dir + "/bin/xdg-open'").c_str()), 0);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    const char* tmp = std::getenv("TMPDIR");
    const std::string oldTmp = tmp ? tmp : "";
    setenv("PATH", (dir + "/bin:" + path).c_str(), 1);
    setenv("TMPDIR", (dir + "/").c_str(), 1);
    setenv("LANG", "C", 1);

    ASSERT_NE(rightClick(*ui, 2), nullptr);
    typeKey(*ui, 0xFF54); // Down: the first item
    typeKey(*ui, 0xFF54); // the second
    typeKey(*ui, 0xFF0D);
    setenv("PATH", path.c_str(), 1);
    tmp ? setenv("TMPDIR", oldTmp.c_str(), 1) : unsetenv("TMPDIR");
    EXPECT_EQ(ui->menus().openMenu(), nullptr);
    std::string opened;
    for (int i = 0; i < 100 && opened.empty(); ++i) {
        std::ifstream file(dir + "/opened");
        std::getline(file, opened);
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(opened.rfind(dir + "/", 0), 0u) << opened;
    EXPECT_NE(opened.find("/en/index.html"), std::string::npos) << opened;
    EXPECT_TRUE(std::ifstream(opened).good());
    EXPECT_TRUE(record.writes.empty());
    EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}

TEST_F(Lv2Ui, AScaleFactorSetLaterResizesTheHostsFrameAndBadOnesAreRefused) {
    ASSERT_TRUE(x.connected());
    const xcb_window_t parent = x.createWindow(0, 0, 700, 330);
    auto ui = open(parent);
    ASSERT_TRUE(ui);
    idleFor(*ui, 50ms);
    const LV2_URID key = HostRecord::map(&record, LV2_UI__scaleFactor);
    const LV2_URID floatType = HostRecord::map(&record, LV2_ATOM__Float);
    const auto set = [&](LV2_URID optionKey, LV2_URID type, std::uint32_t size, const void* v) {
        const LV2_Options_Option list[] = {{LV2_OPTIONS_INSTANCE, 0, optionKey, size, type, v},
                                           {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
        return ui->setOptions(list);
    };
    const float two = 2.0f;
    EXPECT_EQ(set(key, floatType, sizeof two, &two), LV2_OPTIONS_SUCCESS);
    ASSERT_FALSE(record.sizes.empty());
    EXPECT_EQ(record.sizes.back(), std::make_pair(692, 320));
    EXPECT_EQ(ui->scale(), 2.0);
    LV2_Options_Option asked[] = {{LV2_OPTIONS_INSTANCE, 0, key, 0, 0, nullptr},
                                  {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    EXPECT_EQ(ui->getOptions(asked), LV2_OPTIONS_SUCCESS);
    ASSERT_NE(asked[0].value, nullptr);
    EXPECT_EQ(*static_cast<const float*>(asked[0].value), 2.0f);

    const std::size_t resizes = record.sizes.size();
    for (const float bad : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity()}) {
        EXPECT_EQ(set(key, floatType, sizeof bad, &bad), LV2_OPTIONS_ERR_BAD_VALUE) << bad;
    }
    const double wide = 1.5;
    EXPECT_EQ(set(key, floatType, sizeof wide, &wide), LV2_OPTIONS_ERR_BAD_VALUE);
    EXPECT_EQ(set(key, HostRecord::map(&record, LV2_ATOM__Double), sizeof two, &two),
              LV2_OPTIONS_ERR_BAD_VALUE);
    EXPECT_EQ(set(HostRecord::map(&record, LV2_UI__updateRate), floatType, sizeof two, &two),
              LV2_OPTIONS_ERR_BAD_KEY);
    EXPECT_EQ(record.sizes.size(), resizes);
    EXPECT_EQ(ui->scale(), 2.0);
    ui.reset();
    x.destroyWindow(parent);
}

} // namespace
