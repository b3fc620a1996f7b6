// The adapters' own context menu: its items and targets, what it refuses to pop up, and the
// component handler that offers it.

#include "wrappers/common/componenthost.h"
#include "wrappers/common/contextmenu.h"

#include "module/classids.h"
#include "module/factory.h"

#include "public.sdk/source/vst/vsteditcontroller.h"

#include <gtest/gtest.h>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using kelvane::wrappers::ContextMenu;
using kelvane::wrappers::ContextMenus;

class Target : public FObject, public IContextMenuTarget {
public:
    tresult PLUGIN_API executeMenuItem(int32 tag) override {
        tags.push_back(tag);
        return kResultOk;
    }
    std::vector<int32> tags;
    OBJ_METHODS(Target, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(IContextMenuTarget)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
};

IContextMenu::Item item(int32 tag, int32 flags = 0) {
    IContextMenu::Item made{};
    made.name[0] = 'A';
    made.tag = tag;
    made.flags = flags;
    return made;
}

TEST(ContextMenu, HoldsItsItemsAndTheirTargetsUntilRemoved) {
    IPtr<Target> target = owned(new Target());
    IPtr<ContextMenu> menu = owned(new ContextMenu(0));
    EXPECT_EQ(menu->addItem(item(1001), target), kResultOk);
    EXPECT_EQ(menu->addItem(item(0, IContextMenuItem::kIsSeparator), nullptr), kResultOk);
    EXPECT_EQ(menu->addItem(item(2001), target), kResultOk);
    EXPECT_EQ(target->getRefCount(), 3u);
    ASSERT_EQ(menu->getItemCount(), 3);
    IContextMenu::Item got{};
    IContextMenuTarget* gotTarget = nullptr;
    EXPECT_EQ(menu->getItem(2, got, &gotTarget), kResultOk);
    EXPECT_EQ(got.tag, 2001);
    EXPECT_EQ(gotTarget, target.get());
    EXPECT_EQ(menu->getItem(3, got, &gotTarget), kInvalidArgument);
    EXPECT_EQ(menu->getItem(-1, got, nullptr), kInvalidArgument);

    // Removal matches tag and target.
    EXPECT_EQ(menu->removeItem(item(1001), nullptr), kResultFalse);
    EXPECT_EQ(menu->removeItem(item(1001), target), kResultOk);
    EXPECT_EQ(menu->getItemCount(), 2);
    EXPECT_EQ(target->getRefCount(), 2u);
    menu = nullptr;
    EXPECT_EQ(target->getRefCount(), 1u);
    EXPECT_TRUE(target->tags.empty());
}

TEST(ContextMenu, PopsUpNothingWithoutAWindowOrAnItemToChoose) {
    ContextMenus menus;
    EXPECT_EQ(menus.create(), nullptr);
    IPtr<ContextMenu> menu = owned(new ContextMenu(0));
    menu->addItem(item(1001), nullptr);
    EXPECT_NE(menu->popup(0, 0), kResultOk);
    EXPECT_FALSE(menu->isOpen());

    // Separators and disabled items only: nothing to choose.
    menus.setWindow(1);
    IPtr<IContextMenu> empty = owned(menus.create());
    empty->addItem(item(1, IContextMenuItem::kIsSeparator), nullptr);
    empty->addItem(item(2, IContextMenuItem::kIsDisabled), nullptr);
    EXPECT_NE(empty->popup(0, 0), kResultOk);
    EXPECT_EQ(menus.openMenu(), nullptr);
}

TEST(ContextMenu, TheHostedControllersHandlerAsksTheListenerForItsMenu) {
    IPtr<IPluginFactory> factory = owned(tivrandel::createFactory());
    TUID cid;
    tivrandel::processorClassId().toTUID(cid);
    auto host = kelvane::wrappers::ComponentHost::create(factory, cid);
    ASSERT_TRUE(host);
    auto* controller = dynamic_cast<EditController*>(host->controller());
    ASSERT_NE(controller, nullptr);
    FUnknownPtr<IComponentHandler3> handler(controller->getComponentHandler());
    ASSERT_TRUE(handler);
    const ParamID id = 1;
    // Without a listener, or with one that has no menus, there is none.
    EXPECT_EQ(handler->createContextMenu(nullptr, &id), nullptr);
    struct Menus : kelvane::wrappers::EditListener {
        void beginEdit(ParamID) noexcept override {}
        void performEdit(ParamID, ParamValue) noexcept override {}
        void endEdit(ParamID) noexcept override {}
        IContextMenu* createContextMenu(IPlugView*, const ParamID*) noexcept override {
            return menus.create();
        }
        ContextMenus menus;
    } listener;
    listener.menus.setWindow(1);
    host->setEditListener(&listener);
    IPtr<IContextMenu> menu = owned(handler->createContextMenu(nullptr, &id));
    EXPECT_TRUE(menu);
    host->setEditListener(nullptr);
    EXPECT_EQ(handler->createContextMenu(nullptr, &id), nullptr);
}

} // namespace
