#include "host/contextmenuhost.h"

#include <algorithm>

namespace testhost {

using namespace Steinberg;

IMPLEMENT_FUNKNOWN_METHODS(ContextMenu, Vst::IContextMenu, Vst::IContextMenu::iid)

ContextMenu::ContextMenu() {
    FUNKNOWN_CTOR
    addItem({{u'H', u'o', u's', u't', 0}, -1, 0}, nullptr);
}

ContextMenu::~ContextMenu(){FUNKNOWN_DTOR}

int32 PLUGIN_API ContextMenu::getItemCount() {
    return static_cast<int32>(entries.size());
}

tresult PLUGIN_API ContextMenu::getItem(int32 index, Item& item, Vst::IContextMenuTarget** target) {
    if (index < 0 || index >= getItemCount())
        return kResultFalse;
    const Entry& entry = entries[static_cast<std::size_t>(index)];
    item = Item{};
    std::copy_n(entry.name.begin(), std::min<std::size_t>(entry.name.size(), 127), item.name);
    item.tag = entry.tag;
    item.flags = entry.flags;
    if (target != nullptr)
        *target = entry.target;
    return kResultOk;
}

tresult PLUGIN_API ContextMenu::addItem(const Item& item, Vst::IContextMenuTarget* target) {
    const char16_t* name = reinterpret_cast<const char16_t*>(item.name);
    entries.push_back(
        {std::u16string(name, std::find(name, name + 128, u'\0')), item.tag, item.flags, target});
    return kResultOk;
}

tresult PLUGIN_API ContextMenu::removeItem(const Item& item, Vst::IContextMenuTarget* target) {
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) {
        return entry.tag == item.tag && entry.target == target;
    });
    if (found == entries.end())
        return kResultFalse;
    entries.erase(found);
    return kResultOk;
}

tresult PLUGIN_API ContextMenu::popup(UCoord x, UCoord y) {
    popups.emplace_back(x, y);
    return kResultOk;
}

ContextMenuHandler::~ContextMenuHandler() {
    for (ContextMenu* menu : menus)
        menu->release();
}

Vst::IContextMenu* PLUGIN_API ContextMenuHandler::createContextMenu(IPlugView* plugView,
                                                                    const Vst::ParamID* paramID) {
    requests.push_back({plugView, paramID != nullptr ? *paramID : Vst::kNoParamId});
    if (!makesMenus)
        return nullptr;
    auto* menu = new ContextMenu; // the plug-in's reference
    menu->addRef();               // ours
    menus.push_back(menu);
    return menu;
}

tresult PLUGIN_API ContextMenuHandler::queryInterface(const TUID iid, void** obj) {
    if (FUnknownPrivate::iidEqual(iid, Vst::IComponentHandler3::iid)) {
        addRef();
        *obj = static_cast<Vst::IComponentHandler3*>(this);
        return kResultOk;
    }
    return ComponentHandler::queryInterface(iid, obj);
}

} // namespace testhost
