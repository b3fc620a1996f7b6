#include "xsession.h"

#include <xcb/xtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace linuxgui {
namespace {

template <typename T>
std::unique_ptr<T, decltype(&std::free)> reply(T* pointer) {
    return {pointer, &std::free};
}

} // namespace

XSession::XSession() {
    // A server whose last client just left resets, and refuses connections meanwhile.
    for (int attempt = 0; attempt < 40 && connection == nullptr; ++attempt) {
        xcb_connection_t* x = xcb_connect(nullptr, nullptr);
        if (!xcb_connection_has_error(x)) {
            connection = x;
            break;
        }
        xcb_disconnect(x);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (connection == nullptr)
        return;
    screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
}

XSession::~XSession() {
    if (connection != nullptr)
        xcb_disconnect(connection);
}

xcb_window_t XSession::createWindow(std::int16_t x, std::int16_t y, std::uint16_t width,
                                    std::uint16_t height) {
    const xcb_window_t window = xcb_generate_id(connection);
    const std::uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, x, y, width, height,
                      0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_map_window(connection, window);
    sync();
    return window;
}

void XSession::destroyWindow(xcb_window_t window) {
    xcb_destroy_window(connection, window);
    sync();
}

std::vector<xcb_window_t> XSession::children(xcb_window_t window) {
    auto tree =
        reply(xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* first = xcb_query_tree_children(tree.get());
    return std::vector<xcb_window_t>(first, first + xcb_query_tree_children_length(tree.get()));
}

bool XSession::viewable(xcb_window_t window) {
    auto attributes = reply(xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::vector<std::uint32_t> XSession::capture(xcb_window_t window, std::uint16_t width,
                                             std::uint16_t height) {
    auto image = reply(xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, width, height, ~0u),
        nullptr));
    if (!image || xcb_get_image_data_length(image.get()) < width * height * 4)
        return {};
    // 24- and 32-bit depths keep B, G, R in the low three bytes of each 32-bit pixel.
    const std::uint8_t* data = xcb_get_image_data(image.get());
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = std::uint32_t(data[4 * i]) | std::uint32_t(data[4 * i + 1]) << 8 |
                    std::uint32_t(data[4 * i + 2]) << 16;
    return pixels;
}

void XSession::toScreen(xcb_window_t window, std::int16_t& x, std::int16_t& y) {
    auto translated = reply(xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, window, screen->root, x, y), nullptr));
    if (translated) {
        x = translated->dst_x;
        y = translated->dst_y;
    }
}

void XSession::movePointer(std::int16_t x, std::int16_t y) {
    xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root, x, y, 0);
    sync();
}

void XSession::press(std::uint8_t button) {
    xcb_test_fake_input(connection, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    sync();
}

void XSession::release(std::uint8_t button) {
    xcb_test_fake_input(connection, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                        0);
    sync();
}

std::uint32_t XSession::resourceIdMask() const {
    return xcb_get_setup(connection)->resource_id_mask;
}

void XSession::key(std::uint32_t keysym, bool down) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const std::uint8_t first = setup->min_keycode;
    const std::uint8_t count = static_cast<std::uint8_t>(setup->max_keycode - first + 1);
    auto mapping = reply(xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, first, count), nullptr));
    if (!mapping)
        return;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKey = mapping->keysyms_per_keycode;
    for (int code = 0; code < count; ++code) {
        for (int i = 0; i < perKey; ++i) {
            if (syms[code * perKey + i] == keysym) {
                xcb_test_fake_input(connection, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE,
                                    static_cast<std::uint8_t>(first + code), XCB_CURRENT_TIME,
                                    XCB_NONE, 0, 0, 0);
                sync();
                return;
            }
        }
    }
}

void XSession::sync() {
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace linuxgui
