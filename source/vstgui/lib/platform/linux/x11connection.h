#pragma once

#include "vstgui/lib/platform/linux/x11runloop.h"

#include <xcb/xcb.h>

#include <memory>
#include <vector>

namespace VSTGUI::X11 {

// What a window is told of the events that concern it.
class IWindowEventHandler {
public:
    virtual void onWindowEvent(const xcb_generic_event_t& event) = 0;
    // The display went away: no more events will come.
    virtual void onConnectionLost() = 0;

protected:
    ~IWindowEventHandler() = default;
};

// The X connection that the windows of one thread share. An X server takes only so many clients
// (about 256): an editor with a connection of its own would lock other programs out after a few
// hundred. The windows' owners hold it; it closes with the last of them. Its events are read once
// for all windows, through the run loop of one of them, and each goes to the handler of the
// window it concerns. User-interface thread only.
class Connection final : public std::enable_shared_from_this<Connection>, private IEventHandler {
public:
    // The calling thread's connection to the display, opened when it has none (or its display
    // went away); null when there is no display.
    static std::shared_ptr<Connection> acquire();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_connection_t* get() const { return connection; }

    // The events of window go to handler until it is removed. runLoop (may be null) is a loop
    // the connection may read its events through while the window is there.
    void add(xcb_window_t window, IWindowEventHandler* handler, SharedPointer<IRunLoop> runLoop);
    void remove(IWindowEventHandler* handler);
    // Whether the events are read through a run loop.
    bool isRegistered() const { return static_cast<bool>(registeredWith); }

    // Hands every event that has arrived to its window's handler, without waiting. A handler
    // may remove itself or others (destroy its frame) meanwhile.
    void processEvents();

    // The window an event concerns; 0 for those that concern none of ours (errors, replies).
    static xcb_window_t windowOf(const xcb_generic_event_t& event);

private:
    explicit Connection(xcb_connection_t* connection);
    void onEvent() override;
    // Reads the events through a loop of a window that is still there, or through none.
    void chooseRunLoop();
    void leaveRunLoop();

    struct Entry {
        xcb_window_t window;
        IWindowEventHandler* handler;
        SharedPointer<IRunLoop> runLoop;
    };
    xcb_connection_t* connection;
    std::vector<Entry> entries;
    SharedPointer<IRunLoop> registeredWith;
};

} // namespace VSTGUI::X11
