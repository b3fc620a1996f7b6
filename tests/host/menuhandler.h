#pragma once

#include "host/componenthandler.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"

#include <functional>
#include <string>
#include <vector>

namespace testhost {

// A host's context menu that records what the plug-in puts in it and where it is popped up.
// Popping up shows nothing.
class RecordingContextMenu : public Steinberg::Vst::IContextMenu {
public:
    struct Entry {
        std::u16string name;
        Steinberg::int32 tag;
        Steinberg::int32 flags;
        Steinberg::Vst::IContextMenuTarget* target; // null for the host's own items
    };
    struct Position {
        Steinberg::UCoord x;
        Steinberg::UCoord y;
        bool operator==(const Position& other) const { return x == other.x && y == other.y; }
    };

    RecordingContextMenu() { FUNKNOWN_CTOR }
    virtual ~RecordingContextMenu(){FUNKNOWN_DTOR}

    Steinberg::int32 PLUGIN_API getItemCount() override;
    Steinberg::tresult PLUGIN_API getItem(Steinberg::int32 index, Item& item,
                                          Steinberg::Vst::IContextMenuTarget** target) override;
    Steinberg::tresult PLUGIN_API addItem(const Item& item,
                                          Steinberg::Vst::IContextMenuTarget* target) override;
    Steinberg::tresult PLUGIN_API removeItem(const Item& item,
                                             Steinberg::Vst::IContextMenuTarget* target) override;
    Steinberg::tresult PLUGIN_API popup(Steinberg::UCoord x, Steinberg::UCoord y) override;

    // The tags of the items, host's and plug-in's, in menu order.
    std::vector<Steinberg::int32> tags() const;

    std::vector<Entry> entries;
    std::vector<Position> popups;
    // Called by popup(), as the user's choice would be.
    std::function<void()> onPopup;

    DECLARE_FUNKNOWN_METHODS
};

// A component handler that also offers context menus (IComponentHandler3): each request is
// recorded and answered with a fresh recording menu holding one host item (tag hostItemTag) and
// calling onPopup when it pops up, or with none when offerMenus is false. Kept on the stack by
// tests, like ComponentHandler.
class MenuComponentHandler : public ComponentHandler, public Steinberg::Vst::IComponentHandler3 {
public:
    static constexpr Steinberg::int32 hostItemTag = 77;

    struct Request {
        Steinberg::IPlugView* view;
        bool hasId;
        Steinberg::Vst::ParamID id;
    };

    Steinberg::Vst::IContextMenu* PLUGIN_API createContextMenu(
        Steinberg::IPlugView* plugView, const Steinberg::Vst::ParamID* paramID) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return ComponentHandler::addRef(); }
    Steinberg::uint32 PLUGIN_API release() override { return ComponentHandler::release(); }

    std::vector<Request> requests;
    std::vector<Steinberg::IPtr<RecordingContextMenu>> menus;
    bool offerMenus = true;
    std::function<void()> onPopup;
};

} // namespace testhost
