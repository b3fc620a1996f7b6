#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

namespace linuxgui {

// The test's own connection to the X server, as the host's: top-level windows for the editor
// to open in, their children, screenshots and input sent through XTest as a user's.
class XSession {
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool connected() const { return connection != nullptr; }

    // A mapped top-level window of that size, at (x, y) of the screen.
    xcb_window_t createWindow(std::int16_t x, std::int16_t y, std::uint16_t width,
                              std::uint16_t height);
    void destroyWindow(xcb_window_t window);
    std::vector<xcb_window_t> children(xcb_window_t window);
    // Whether window exists and is mapped.
    bool viewable(xcb_window_t window);
    // The window's pixels as 0xRRGGBB, row by row; empty when it cannot be read.
    std::vector<std::uint32_t> capture(xcb_window_t window, std::uint16_t width,
                                       std::uint16_t height);
    // Where (x, y) of window is on the screen.
    void toScreen(xcb_window_t window, std::int16_t& x, std::int16_t& y);

    // XTest: the pointer to (x, y) of the screen, a button pressed and released.
    void movePointer(std::int16_t x, std::int16_t y);
    void press(std::uint8_t button);
    void release(std::uint8_t button);
    // XTest: the key of keysym held down or let go (nothing when no key has it).
    void key(std::uint32_t keysym, bool down);
    // Waits until the server has handled everything sent so far.
    void sync();
    // The bits of a resource id that its client chooses; the others name the client.
    std::uint32_t resourceIdMask() const;

private:
    xcb_connection_t* connection = nullptr;
    xcb_screen_t* screen = nullptr;
};

} // namespace linuxgui
