#pragma once

// The context menu an adapter's component handler offers a VST3 editor (IComponentHandler3)
// when the host of the other format has no menu of its own to give:
//
//     ContextMenus menus;                       // one per hosted editor
//     menus.setWindow(editorWindow);            // once the editor's window is there
//     IContextMenu* menu = menus.create();      // the answer to createContextMenu
//     ...
//     menus.setWindow(0);                       // before the editor goes: open menus close
//
// On Linux popup(x, y) shows the items in an override-redirect window at (x, y) of the editor's
// window (view coordinates), kept on the screen, with the pointer and the keyboard grabbed.
// It does not block: the window's events come through the editor's X connection and so through
// the run loop the host drives, and the host's own user interface keeps running meanwhile (a
// blocking loop inside an LV2 idle call would freeze the host's whole window). A click on an
// enabled item closes the menu, then calls the item's target; a click outside, Escape, or the
// editor's closing dismiss it without calling anything; Up, Down and Return choose from the
// keyboard. When a grab fails, or nothing reads the connection's events, there is no menu and
// popup answers kResultFalse. On Windows popup shows the system's popup menu at that point of the
// window and returns once it has closed (TrackPopupMenu's modal loop, as hosts' menus do), having
// called the chosen item's target. Elsewhere popup answers kNotImplemented.
//
// The text is drawn with the X server's core font "fixed", which every X.Org server carries.
// User-interface thread only.

#include "base/source/fobject.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kelvane::wrappers {

class ContextMenus;

class ContextMenu : public Steinberg::FObject, public Steinberg::Vst::IContextMenu {
public:
    // window: the X window that popup's coordinates are in; 0 for none.
    explicit ContextMenu(std::uintptr_t window);
    ~ContextMenu() override;
    ContextMenu(const ContextMenu&) = delete;
    ContextMenu& operator=(const ContextMenu&) = delete;

    Steinberg::int32 PLUGIN_API getItemCount() override;
    // The target is the menu's (not referenced for the caller); null when the item has none.
    Steinberg::tresult PLUGIN_API getItem(Steinberg::int32 index, Item& item,
                                          Steinberg::Vst::IContextMenuTarget** target) override;
    Steinberg::tresult PLUGIN_API addItem(const Item& item,
                                          Steinberg::Vst::IContextMenuTarget* target) override;
    // Removes the items of that tag and target.
    Steinberg::tresult PLUGIN_API removeItem(const Item& item,
                                             Steinberg::Vst::IContextMenuTarget* target) override;
    Steinberg::tresult PLUGIN_API popup(Steinberg::UCoord x, Steinberg::UCoord y) override;

    bool isOpen() const;
    // Closes the popup, if open, calling nothing.
    void dismiss();
    // The popup's X window while open, else 0.
    std::uintptr_t popupWindow() const;

    OBJ_METHODS(ContextMenu, Steinberg::FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::Vst::IContextMenu)
    END_DEFINE_INTERFACES(Steinberg::FObject)
    REFCOUNT_METHODS(Steinberg::FObject)

private:
    friend class ContextMenus;
    struct Entry {
        Item item;
        Steinberg::IPtr<Steinberg::Vst::IContextMenuTarget> target;
    };
    class Popup;

    // Called by the popup once it has closed: a chosen item's target, or none (-1).
    void closed(int chosen);

    std::uintptr_t window;
    std::vector<Entry> entries;
    std::unique_ptr<Popup> shown;
    // An open menu keeps itself alive: the editor lets go of it as soon as popup returns.
    Steinberg::IPtr<ContextMenu> self;
    ContextMenus* owner = nullptr;
};

class ContextMenus {
public:
    ContextMenus() = default;
    ~ContextMenus();
    ContextMenus(const ContextMenus&) = delete;
    ContextMenus& operator=(const ContextMenus&) = delete;

    // The editor's X window; a change (0 when the editor closes) dismisses the open menus.
    void setWindow(std::uintptr_t editorWindow);
    // A new menu (the caller's reference) for the editor's window; null while there is none
    // (never set where popups are not implemented), so the editor keeps its own handling.
    Steinberg::Vst::IContextMenu* create();
    // Dismisses every open menu of ours.
    void dismiss();
    // The menu open now, or null.
    ContextMenu* openMenu() const;

private:
    friend class ContextMenu;
    std::uintptr_t window = 0;
    std::vector<ContextMenu*> made;
};

} // namespace kelvane::wrappers
