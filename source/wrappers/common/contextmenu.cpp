#include "wrappers/common/contextmenu.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#if SMTG_OS_LINUX
#include "vstgui/lib/platform/linux/x11connection.h"

#include <xcb/xcb.h>
#elif SMTG_OS_WINDOWS
#include <windows.h>
#endif

namespace kelvane::wrappers {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

[[maybe_unused]] bool selectable(const IContextMenu::Item& item) {
    return (item.flags & (IContextMenuItem::kIsSeparator | IContextMenuItem::kIsDisabled)) == 0;
}

} // namespace

#if SMTG_OS_LINUX

namespace {

template <typename T>
std::unique_ptr<T, decltype(&std::free)> reply(T* answer) {
    return {answer, &std::free};
}

// The core font has 8-bit glyphs: what Latin-1 lacks shows as '?'.
std::string latin1(const String128 name) {
    std::string text;
    for (std::size_t i = 0; i < 128 && name[i] != 0 && text.size() < 255; ++i) {
        const auto unit = static_cast<char16_t>(name[i]);
        text += unit < 0x100 ? static_cast<char>(unit) : '?';
    }
    return text;
}

// The default visuals of X.Org and Xvfb are TrueColor of depth 24: a pixel is 0xRRGGBB.
constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t ink = 0x202020;
constexpr std::uint32_t greyInk = 0x9A9A9A;
constexpr std::uint32_t highlight = 0x3465A4;
constexpr std::uint32_t border = 0x7F7F7F;

constexpr xcb_keysym_t escapeKey = 0xFF1B;
constexpr xcb_keysym_t returnKey = 0xFF0D;
constexpr xcb_keysym_t enterKey = 0xFF8D;
constexpr xcb_keysym_t upKey = 0xFF52;
constexpr xcb_keysym_t downKey = 0xFF54;

constexpr int padding = 12;
constexpr int separatorHeight = 7;
constexpr int minimumWidth = 120;

} // namespace

class ContextMenu::Popup : private VSTGUI::X11::IWindowEventHandler {
public:
    explicit Popup(ContextMenu& owner) : menu(owner) {}
    ~Popup() { close(); }
    Popup(const Popup&) = delete;
    Popup& operator=(const Popup&) = delete;

    bool open(xcb_window_t editor, int x, int y);
    xcb_window_t id() const { return window; }

private:
    void onWindowEvent(const xcb_generic_event_t& event) override;
    void onConnectionLost() override { menu.closed(-1); }

    void close();
    void layout(int ascent, int descent, int charWidth);
    int itemAt(int x, int y) const;
    void highlightItem(int item);
    void step(int direction);
    void draw();
    xcb_keysym_t keysymOf(xcb_keycode_t code) const;
    const std::vector<Entry>& entries() const { return menu.entries; }

    ContextMenu& menu;
    std::shared_ptr<VSTGUI::X11::Connection> connection;
    xcb_connection_t* x = nullptr;
    xcb_window_t window = 0;
    xcb_gcontext_t gc = 0;
    xcb_font_t font = 0;
    bool pointerGrabbed = false;
    bool keyboardGrabbed = false;
    std::vector<int> tops;
    std::vector<std::string> texts;
    int rowHeight = 0;
    int baseline = 0;
    int width = 0;
    int height = 0;
    int highlighted = -1;
    bool pressedInside = false;
    std::vector<xcb_keysym_t> keysyms;
    int keysymsPerCode = 0;
    xcb_keycode_t firstCode = 0;
};

bool ContextMenu::Popup::open(xcb_window_t editor, int px, int py) {
    connection = VSTGUI::X11::Connection::acquire();
    // Without a run loop reading the connection the menu would never hear a click.
    if (!connection || !connection->isRegistered()) {
        return false;
    }
    x = connection->get();
    const auto geometry = reply(xcb_get_geometry_reply(x, xcb_get_geometry(x, editor), nullptr));
    if (!geometry) {
        return false;
    }
    const xcb_window_t root = geometry->root;
    const auto screen = reply(xcb_get_geometry_reply(x, xcb_get_geometry(x, root), nullptr));
    const auto where = reply(xcb_translate_coordinates_reply(
        x,
        xcb_translate_coordinates(x, editor, root, static_cast<std::int16_t>(px),
                                  static_cast<std::int16_t>(py)),
        nullptr));
    if (!screen || !where) {
        return false;
    }

    font = xcb_generate_id(x);
    const char fontName[] = "fixed";
    if (auto* error =
            xcb_request_check(x, xcb_open_font_checked(x, font, sizeof fontName - 1, fontName))) {
        std::free(error);
        font = 0;
        return false;
    }
    const auto metrics = reply(xcb_query_font_reply(x, xcb_query_font(x, font), nullptr));
    if (!metrics) {
        return false;
    }
    layout(metrics->font_ascent, metrics->font_descent,
           std::max<int>(metrics->max_bounds.character_width, 1));

    // On the screen whole: moved back from the right and bottom edges.
    const int left = std::clamp<int>(where->dst_x, 0, std::max(screen->width - width - 2, 0));
    const int top = std::clamp<int>(where->dst_y, 0, std::max(screen->height - height - 2, 0));
    window = xcb_generate_id(x);
    const std::uint32_t values[] = {white, border, 1,
                                    XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                        XCB_EVENT_MASK_BUTTON_RELEASE |
                                        XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_KEY_PRESS};
    xcb_create_window(
        x, XCB_COPY_FROM_PARENT, window, root, static_cast<std::int16_t>(left),
        static_cast<std::int16_t>(top), static_cast<std::uint16_t>(width),
        static_cast<std::uint16_t>(height), 1, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
        XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK,
        values);
    gc = xcb_generate_id(x);
    const std::uint32_t gcValues[] = {ink, white, font};
    xcb_create_gc(x, gc, window, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND | XCB_GC_FONT, gcValues);
    connection->add(window, this, nullptr);
    xcb_map_window(x, window);

    // The editor's client holds the press's implicit grab; ours, on the same connection, takes
    // its place. All the pointer's and keyboard's events then come to the popup window.
    const auto pointer = reply(xcb_grab_pointer_reply(
        x,
        xcb_grab_pointer(x, 0, window,
                         XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                             XCB_EVENT_MASK_POINTER_MOTION,
                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                         XCB_CURRENT_TIME),
        nullptr));
    pointerGrabbed = pointer && pointer->status == XCB_GRAB_STATUS_SUCCESS;
    if (!pointerGrabbed) {
        return false;
    }
    const auto keyboard = reply(xcb_grab_keyboard_reply(
        x,
        xcb_grab_keyboard(x, 0, window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    keyboardGrabbed = keyboard && keyboard->status == XCB_GRAB_STATUS_SUCCESS;
    if (!keyboardGrabbed) {
        return false;
    }

    const xcb_setup_t* setup = xcb_get_setup(x);
    firstCode = setup->min_keycode;
    const auto mapping = reply(xcb_get_keyboard_mapping_reply(
        x,
        xcb_get_keyboard_mapping(
            x, setup->min_keycode,
            static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1)),
        nullptr));
    if (mapping) {
        keysymsPerCode = mapping->keysyms_per_keycode;
        const xcb_keysym_t* first = xcb_get_keyboard_mapping_keysyms(mapping.get());
        keysyms.assign(first, first + xcb_get_keyboard_mapping_keysyms_length(mapping.get()));
    }
    draw();
    xcb_flush(x);
    return true;
}

void ContextMenu::Popup::close() {
    if (!connection) {
        return;
    }
    connection->remove(this);
    if (x) {
        if (pointerGrabbed) {
            xcb_ungrab_pointer(x, XCB_CURRENT_TIME);
        }
        if (keyboardGrabbed) {
            xcb_ungrab_keyboard(x, XCB_CURRENT_TIME);
        }
        if (gc) {
            xcb_free_gc(x, gc);
        }
        if (window) {
            xcb_destroy_window(x, window);
        }
        if (font) {
            xcb_close_font(x, font);
        }
        xcb_flush(x);
    }
    pointerGrabbed = keyboardGrabbed = false;
    gc = window = font = 0;
    connection.reset();
    x = nullptr;
}

void ContextMenu::Popup::layout(int ascent, int descent, int charWidth) {
    rowHeight = ascent + descent + 8;
    baseline = 4 + ascent;
    int widest = 0;
    int y = 1;
    for (const Entry& entry : entries()) {
        std::string text = latin1(entry.item.name);
        if (entry.item.flags & IContextMenuItem::kIsChecked) {
            text = "* " + text;
        }
        widest = std::max(widest, static_cast<int>(text.size()) * charWidth);
        texts.push_back(std::move(text));
        tops.push_back(y);
        y += (entry.item.flags & IContextMenuItem::kIsSeparator) ? separatorHeight : rowHeight;
    }
    width = std::max(widest + 2 * padding, minimumWidth);
    height = y + 1;
}

int ContextMenu::Popup::itemAt(int px, int py) const {
    if (px < 0 || px >= width) {
        return -1;
    }
    for (std::size_t i = 0; i < tops.size(); ++i) {
        if (selectable(entries()[i].item) && py >= tops[i] && py < tops[i] + rowHeight) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void ContextMenu::Popup::highlightItem(int item) {
    if (item != highlighted) {
        highlighted = item;
        draw();
        xcb_flush(x);
    }
}

void ContextMenu::Popup::step(int direction) {
    const int count = static_cast<int>(entries().size());
    int item = highlighted;
    for (int tried = 0; tried < count; ++tried) {
        item = item < 0 ? (direction > 0 ? 0 : count - 1) : (item + direction + count) % count;
        if (selectable(entries()[static_cast<std::size_t>(item)].item)) {
            highlightItem(item);
            return;
        }
    }
}

void ContextMenu::Popup::draw() {
    const auto setColours = [&](std::uint32_t foreground, std::uint32_t background) {
        const std::uint32_t values[] = {foreground, background};
        xcb_change_gc(x, gc, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND, values);
    };
    setColours(white, white);
    const xcb_rectangle_t all{0, 0, static_cast<std::uint16_t>(width),
                              static_cast<std::uint16_t>(height)};
    xcb_poly_fill_rectangle(x, window, gc, 1, &all);
    for (std::size_t i = 0; i < entries().size(); ++i) {
        const IContextMenu::Item& item = entries()[i].item;
        const auto top = static_cast<std::int16_t>(tops[i]);
        if (item.flags & IContextMenuItem::kIsSeparator) {
            setColours(greyInk, white);
            const xcb_point_t line[] = {{4, static_cast<std::int16_t>(top + separatorHeight / 2)},
                                        {static_cast<std::int16_t>(width - 5),
                                         static_cast<std::int16_t>(top + separatorHeight / 2)}};
            xcb_poly_line(x, XCB_COORD_MODE_ORIGIN, window, gc, 2, line);
            continue;
        }
        const bool lit = static_cast<int>(i) == highlighted;
        if (lit) {
            setColours(highlight, highlight);
            const xcb_rectangle_t row{1, top, static_cast<std::uint16_t>(width - 2),
                                      static_cast<std::uint16_t>(rowHeight)};
            xcb_poly_fill_rectangle(x, window, gc, 1, &row);
        }
        setColours(lit ? white : selectable(item) ? ink : greyInk, lit ? highlight : white);
        xcb_image_text_8(x, static_cast<std::uint8_t>(texts[i].size()), window, gc, padding,
                         static_cast<std::int16_t>(top + baseline), texts[i].data());
    }
}

xcb_keysym_t ContextMenu::Popup::keysymOf(xcb_keycode_t code) const {
    const std::size_t at =
        static_cast<std::size_t>(code - firstCode) * static_cast<std::size_t>(keysymsPerCode);
    return code >= firstCode && at < keysyms.size() ? keysyms[at] : 0;
}

// Each case that closes the menu does so last: closing destroys this popup.
void ContextMenu::Popup::onWindowEvent(const xcb_generic_event_t& event) {
    switch (event.response_type & 0x7f) {
    case XCB_EXPOSE:
        draw();
        xcb_flush(x);
        break;
    case XCB_MOTION_NOTIFY: {
        const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
        highlightItem(itemAt(motion.event_x, motion.event_y));
        break;
    }
    case XCB_BUTTON_PRESS: {
        const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(event);
        if (press.detail >= 4 && press.detail <= 7) {
            break; // the wheel
        }
        if (press.event_x < 0 || press.event_y < 0 || press.event_x >= width ||
            press.event_y >= height) {
            menu.closed(-1);
            return;
        }
        pressedInside = true;
        highlightItem(itemAt(press.event_x, press.event_y));
        break;
    }
    case XCB_BUTTON_RELEASE: {
        const auto& release = reinterpret_cast<const xcb_button_release_event_t&>(event);
        // The release of the click that opened the menu chooses nothing.
        if (!pressedInside || (release.detail >= 4 && release.detail <= 7)) {
            break;
        }
        pressedInside = false;
        const int item = itemAt(release.event_x, release.event_y);
        if (item >= 0) {
            menu.closed(item);
            return;
        }
        break;
    }
    case XCB_KEY_PRESS: {
        const xcb_keysym_t key =
            keysymOf(reinterpret_cast<const xcb_key_press_event_t&>(event).detail);
        if (key == escapeKey) {
            menu.closed(-1);
            return;
        }
        if (key == upKey || key == downKey) {
            step(key == upKey ? -1 : 1);
        } else if ((key == returnKey || key == enterKey) && highlighted >= 0) {
            menu.closed(highlighted);
            return;
        }
        break;
    }
    default:
        break;
    }
}

#elif SMTG_OS_WINDOWS

// The system's own popup menu: TrackPopupMenu runs its modal loop (as a host's menu does) and
// answers the chosen item, whose target is called once the menu has gone.
class ContextMenu::Popup {
public:
    std::uintptr_t id() const { return 0; }
};

namespace {

HMENU systemMenuOf(const std::vector<IContextMenu::Item>& items) {
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        return nullptr;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        const IContextMenu::Item& item = items[i];
        if (item.flags & (IContextMenuItem::kIsSeparator | IContextMenuItem::kIsGroupEnd)) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        // The name is UTF-16 already; copied so that it ends, whatever the caller gave.
        wchar_t name[129] = {};
        for (std::size_t c = 0; c < 128 && item.name[c] != 0; ++c) {
            name[c] = static_cast<wchar_t>(item.name[c]);
        }
        UINT flags = MF_STRING;
        if (!selectable(item) || (item.flags & IContextMenuItem::kIsGroupStart)) {
            flags |= MF_GRAYED;
        }
        if (item.flags & IContextMenuItem::kIsChecked) {
            flags |= MF_CHECKED;
        }
        AppendMenuW(menu, flags, static_cast<UINT_PTR>(i + 1), name);
    }
    return menu;
}

} // namespace

#else

class ContextMenu::Popup {
public:
    std::uintptr_t id() const { return 0; }
};

#endif

ContextMenu::ContextMenu(std::uintptr_t editorWindow) : window(editorWindow) {}

ContextMenu::~ContextMenu() {
    shown.reset();
    if (owner) {
        auto& list = owner->made;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

int32 PLUGIN_API ContextMenu::getItemCount() {
    return static_cast<int32>(entries.size());
}

tresult PLUGIN_API ContextMenu::getItem(int32 index, Item& item, IContextMenuTarget** target) {
    if (index < 0 || index >= getItemCount()) {
        return kInvalidArgument;
    }
    const Entry& entry = entries[static_cast<std::size_t>(index)];
    item = entry.item;
    if (target) {
        *target = entry.target.get();
    }
    return kResultOk;
}

tresult PLUGIN_API ContextMenu::addItem(const Item& item, IContextMenuTarget* target) {
    // The items shown stay those the popup was laid out with.
    if (shown) {
        return kResultFalse;
    }
    entries.push_back({item, target});
    return kResultOk;
}

tresult PLUGIN_API ContextMenu::removeItem(const Item& item, IContextMenuTarget* target) {
    if (shown) {
        return kResultFalse;
    }
    const auto end = std::remove_if(entries.begin(), entries.end(), [&](const Entry& entry) {
        return entry.item.tag == item.tag && entry.target.get() == target;
    });
    if (end == entries.end()) {
        return kResultFalse;
    }
    entries.erase(end, entries.end());
    return kResultOk;
}

tresult PLUGIN_API ContextMenu::popup(UCoord x, UCoord y) {
#if SMTG_OS_LINUX
    if (shown || window == 0 ||
        std::none_of(entries.begin(), entries.end(),
                     [](const Entry& entry) { return selectable(entry.item); })) {
        return kResultFalse;
    }
    shown = std::make_unique<Popup>(*this);
    if (!shown->open(static_cast<xcb_window_t>(window), x, y)) {
        shown.reset();
        return kResultFalse;
    }
    self = this;
    return kResultOk;
#elif SMTG_OS_WINDOWS
    HWND editorWindow = reinterpret_cast<HWND>(window);
    if (shown || !editorWindow || !IsWindow(editorWindow) ||
        std::none_of(entries.begin(), entries.end(),
                     [](const Entry& entry) { return selectable(entry.item); })) {
        return kResultFalse;
    }
    std::vector<Item> items;
    for (const Entry& entry : entries) {
        items.push_back(entry.item);
    }
    HMENU menu = systemMenuOf(items);
    if (!menu) {
        return kResultFalse;
    }
    POINT at{static_cast<LONG>(x), static_cast<LONG>(y)};
    ClientToScreen(editorWindow, &at);
    shown = std::make_unique<Popup>();
    self = this;
    const IPtr<ContextMenu> alive(this);
    const int chosen =
        static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x,
                                        at.y, 0, editorWindow, nullptr));
    DestroyMenu(menu);
    // Dismissed meanwhile (the editor closed): nothing is called.
    if (shown) {
        closed(chosen - 1);
    }
    return kResultOk;
#else
    (void)x;
    (void)y;
    return kNotImplemented;
#endif
}

bool ContextMenu::isOpen() const {
    return static_cast<bool>(shown);
}

std::uintptr_t ContextMenu::popupWindow() const {
    return shown ? shown->id() : 0;
}

void ContextMenu::dismiss() {
    if (shown) {
#if SMTG_OS_WINDOWS
        EndMenu(); // the modal loop returns once this has closed the menu
#endif
        closed(-1);
    }
}

void ContextMenu::closed(int chosen) {
    const IPtr<ContextMenu> alive(this);
    IPtr<IContextMenuTarget> target;
    int32 tag = 0;
    if (chosen >= 0 && static_cast<std::size_t>(chosen) < entries.size()) {
        target = entries[static_cast<std::size_t>(chosen)].target;
        tag = entries[static_cast<std::size_t>(chosen)].item.tag;
    }
    shown.reset();
    self = nullptr;
    if (target) {
        target->executeMenuItem(tag);
    }
}

ContextMenus::~ContextMenus() {
    dismiss();
    for (ContextMenu* menu : made) {
        menu->owner = nullptr;
        menu->window = 0;
    }
}

void ContextMenus::setWindow(std::uintptr_t editorWindow) {
    if (editorWindow == window) {
        return;
    }
    dismiss();
    window = editorWindow;
    for (ContextMenu* menu : made) {
        menu->window = editorWindow;
    }
}

IContextMenu* ContextMenus::create() {
    if (window == 0) {
        return nullptr;
    }
    auto* menu = new ContextMenu(window);
    menu->owner = this;
    made.push_back(menu);
    return menu;
}

void ContextMenus::dismiss() {
    // A menu that closes may be released, and leave the list, at once.
    const std::vector<ContextMenu*> open = made;
    for (ContextMenu* menu : open) {
        if (std::find(made.begin(), made.end(), menu) != made.end()) {
            menu->dismiss();
        }
    }
}

ContextMenu* ContextMenus::openMenu() const {
    const auto found =
        std::find_if(made.begin(), made.end(), [](ContextMenu* menu) { return menu->isOpen(); });
    return found == made.end() ? nullptr : *found;
}

} // namespace kelvane::wrappers
