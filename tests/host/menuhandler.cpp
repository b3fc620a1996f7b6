#include "host/menuhandler.h"

namespace testhost {

using namespace Steinberg;

IMPLEMENT_FUNKNOWN_METHODS(RecordingContextMenu, Vst::IContextMenu, Vst::IContextMenu::iid)

int32 PLUGIN_API RecordingContextMenu::getItemCount() {
    return static_cast<int32>(entries.size());
}

tresult PLUGIN_API RecordingContextMenu::getItem(int32 index, Item& item,
                                                 Vst::IContextMenuTarget** target) {
    if (index < 0 || index >= getItemCount())
        return kInvalidArgument;
    const Entry& entry = entries[static_cast<size_t>(index)];
    item = Item{};
    for (size_t i = 0; i < entry.name.size() && i < 127; ++i)
        item.name[i] = static_cast<char16>(entry.name[i]);
    item.tag = entry.tag;
    item.flags = entry.flags;
    if (target != nullptr)
        *target = entry.target;
    return kResultOk;
}

tresult PLUGIN_API RecordingContextMenu::addItem(const Item& item,
                                                 Vst::IContextMenuTarget* target) {
    std::u16string name;
    for (size_t i = 0; i < 128 && item.name[i] != 0; ++i)
        name.push_back(static_cast<char16_t>(item.name[i]));
    entries.push_back({name, item.tag, item.flags, target});
    return kResultOk;
}

tresult PLUGIN_API RecordingContextMenu::removeItem(const Item& item,
                                                    Vst::IContextMenuTarget* target) {
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->tag == item.tag && it->target == target) {
            entries.erase(it);
            return kResultOk;
        }
    }
    return kResultFalse;
}

tresult PLUGIN_API RecordingContextMenu::popup(UCoord x, UCoord y) {
    popups.push_back({x, y});
    if (onPopup)
        onPopup();
    return kResultOk;
}

std::vector<int32> RecordingContextMenu::tags() const {
    std::vector<int32> result;
    for (const Entry& entry : entries)
        result.push_back(entry.tag);
    return result;
}

Vst::IContextMenu* PLUGIN_API MenuComponentHandler::createContextMenu(IPlugView* plugView,
                                                                      const Vst::ParamID* paramID) {
    requests.push_back({plugView, paramID != nullptr, paramID != nullptr ? *paramID : 0});
    if (!offerMenus)
        return nullptr;
    IPtr<RecordingContextMenu> menu = owned(new RecordingContextMenu);
    menu->entries.push_back({u"Host item", hostItemTag, 0, nullptr});
    menu->onPopup = onPopup;
    menus.push_back(menu);
    // The caller gets a reference of its own.
    menu->addRef();
    return menu.get();
}

tresult PLUGIN_API MenuComponentHandler::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, Vst::IComponentHandler3::iid, Vst::IComponentHandler3)
    return ComponentHandler::queryInterface(iid, obj);
}

} // namespace testhost
