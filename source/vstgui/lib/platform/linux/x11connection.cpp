#include "vstgui/lib/platform/linux/x11connection.h"

#include <algorithm>
#include <cstdlib>

namespace VSTGUI::X11 {
namespace {

// Per thread: events are read on the thread whose windows they concern.
thread_local std::weak_ptr<Connection> threadConnection;

} // namespace

Connection::Connection(xcb_connection_t* x) : connection(x) {}

std::shared_ptr<Connection> Connection::acquire() {
    std::shared_ptr<Connection> shared = threadConnection.lock();
    if (shared && !xcb_connection_has_error(shared->connection))
        return shared;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    shared.reset(new Connection(connection));
    threadConnection = shared;
    return shared;
}

Connection::~Connection() {
    leaveRunLoop();
    xcb_disconnect(connection);
}

void Connection::add(xcb_window_t window, IWindowEventHandler* handler,
                     SharedPointer<IRunLoop> runLoop) {
    if (handler == nullptr)
        return;
    remove(handler);
    entries.push_back(Entry{window, handler, std::move(runLoop)});
    chooseRunLoop();
}

void Connection::remove(IWindowEventHandler* handler) {
    const auto end = std::remove_if(entries.begin(), entries.end(),
                                    [&](const Entry& entry) { return entry.handler == handler; });
    if (end == entries.end())
        return;
    entries.erase(end, entries.end());
    chooseRunLoop();
}

void Connection::chooseRunLoop() {
    // One registration of the descriptor at a time: a host may keep one handler per descriptor.
    const auto uses = [&](const SharedPointer<IRunLoop>& loop) {
        return std::any_of(entries.begin(), entries.end(),
                           [&](const Entry& entry) { return entry.runLoop.get() == loop.get(); });
    };
    if (registeredWith && uses(registeredWith))
        return;
    leaveRunLoop();
    if (xcb_connection_has_error(connection))
        return;
    for (const Entry& entry : entries) {
        if (entry.runLoop &&
            entry.runLoop->registerEventHandler(xcb_get_file_descriptor(connection), this)) {
            registeredWith = entry.runLoop;
            return;
        }
    }
}

void Connection::leaveRunLoop() {
    if (registeredWith)
        registeredWith->unregisterEventHandler(this);
    registeredWith = SharedPointer<IRunLoop>();
}

void Connection::onEvent() {
    // The run loop is the boundary: nothing may escape into it.
    try {
        processEvents();
    } catch (...) {
    }
}

void Connection::processEvents() {
    // The last window's owner may let the connection go while its handler runs.
    const std::shared_ptr<Connection> self = shared_from_this();
    while (auto* event = xcb_poll_for_event(connection)) {
        const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> owned(event, &std::free);
        const xcb_window_t window = windowOf(*event);
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&](const Entry& entry) { return entry.window == window; });
        // Looked up afresh for every event: a handler may remove windows.
        if (window != 0 && found != entries.end())
            found->handler->onWindowEvent(*event);
    }
    // A display that went away would keep the descriptor readable for ever.
    if (xcb_connection_has_error(connection)) {
        leaveRunLoop();
        const std::vector<Entry> lost = entries;
        for (const Entry& entry : lost) {
            const bool stillThere =
                std::any_of(entries.begin(), entries.end(),
                            [&](const Entry& other) { return other.handler == entry.handler; });
            if (stillThere)
                entry.handler->onConnectionLost();
        }
        return;
    }
    xcb_flush(connection);
}

xcb_window_t Connection::windowOf(const xcb_generic_event_t& event) {
    switch (event.response_type & 0x7f) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE:
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_MOTION_NOTIFY:
    case XCB_ENTER_NOTIFY:
    case XCB_LEAVE_NOTIFY:
        // These share the layout of a button press.
        return reinterpret_cast<const xcb_button_press_event_t&>(event).event;
    case XCB_FOCUS_IN:
    case XCB_FOCUS_OUT:
        return reinterpret_cast<const xcb_focus_in_event_t&>(event).event;
    case XCB_EXPOSE:
        return reinterpret_cast<const xcb_expose_event_t&>(event).window;
    case XCB_DESTROY_NOTIFY:
    case XCB_UNMAP_NOTIFY:
    case XCB_MAP_NOTIFY:
    case XCB_REPARENT_NOTIFY:
    case XCB_CONFIGURE_NOTIFY:
    case XCB_GRAVITY_NOTIFY:
    case XCB_CIRCULATE_NOTIFY:
        // The window whose structure mask asked for it comes first in each of these.
        return reinterpret_cast<const xcb_destroy_notify_event_t&>(event).event;
    case XCB_PROPERTY_NOTIFY:
        return reinterpret_cast<const xcb_property_notify_event_t&>(event).window;
    case XCB_CLIENT_MESSAGE:
        return reinterpret_cast<const xcb_client_message_event_t&>(event).window;
    default:
        return 0;
    }
}

} // namespace VSTGUI::X11
