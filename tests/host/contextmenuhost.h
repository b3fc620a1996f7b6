#pragma once

#include "host/componenthandler.h"

#include "pluginterfaces/vst/ivstcontextmenu.h"

#include <string>
#include <vector>

namespace testhost {

// A context menu as a host makes it: it holds the host's own items and whatever the plug-in
// adds, and records where it was popped up.
class ContextMenu : public Steinberg::Vst::IContextMenu {
public:
    struct Entry {
        std::u16string name;
        Steinberg::int32 tag;
        Steinberg::int32 flags;
        Steinberg::Vst::IContextMenuTarget* target;
    };

    ContextMenu();
    virtual ~ContextMenu();

    Steinberg::int32 PLUGIN_API getItemCount() override;
    Steinberg::tresult PLUGIN_API getItem(Steinberg::int32 index, Item& item,
                                          Steinberg::Vst::IContextMenuTarget** target) override;
    Steinberg::tresult PLUGIN_API addItem(const Item& item,
                                          Steinberg::Vst::IContextMenuTarget* target) override;
    Steinberg::tresult PLUGIN_API removeItem(const Item& item,
                                             Steinberg::Vst::IContextMenuTarget* target) override;
    Steinberg::tresult PLUGIN_API popup(Steinberg::UCoord x, Steinberg::UCoord y) override;

    std::vector<Entry> entries;
    std::vector<std::pair<Steinberg::UCoord, Steinberg::UCoord>> popups;

    DECLARE_FUNKNOWN_METHODS
};

// A component handler that also makes context menus. Each menu starts with one host item
// (tag -1) and is kept, with the view and parameter it was asked for, after the plug-in
// releases it.
class ContextMenuHandler : public ComponentHandler, public Steinberg::Vst::IComponentHandler3 {
public:
    ~ContextMenuHandler() override;

    Steinberg::Vst::IContextMenu* PLUGIN_API createContextMenu(
        Steinberg::IPlugView* plugView, const Steinberg::Vst::ParamID* paramID) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return ComponentHandler::addRef(); }
    Steinberg::uint32 PLUGIN_API release() override { return ComponentHandler::release(); }

    struct Request {
        Steinberg::IPlugView* view;
        Steinberg::Vst::ParamID id;
    };
    std::vector<Request> requests;
    std::vector<ContextMenu*> menus; // one reference each, released with the handler
    bool makesMenus = true;
};

} // namespace testhost
