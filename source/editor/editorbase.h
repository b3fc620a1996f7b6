#pragma once

#include "controller/oneditortimer.h"
#include "editor/editorsupport.h"
#include "editor/layout/applylayout.h"
#include "editor/manual/manualviewer.h"
#include "editor/resources/resourcecache.h"
#include "editor/resources/resourcestore.h"
#include "framework/guard.h"

#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivstplugview.h"
#include "public.sdk/source/vst/vstguieditor.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/controls/icontrollistener.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace kelvane::vst {

// The editor framework: owns the VSTGUI frame and the resource cache, opens and closes the
// window, keeps the product's views by name, runs the timer, turns control gestures into
// parameter edits, answers the host's parameter-finder questions and offers the plug-in's
// context menu (reset a parameter, open the manual). The product supplies the views, the
// layout document and the stores.
//
// Every operation that the host or VSTGUI calls catches all exceptions in its one guarded(...)
// call and answers that operation's failure value.
template <typename Parameters>
class EditorBase : public Steinberg::Vst::VSTGUIEditor,
                   public VSTGUI::IControlListener,
                   public Steinberg::Vst::IParameterFinder,
                   public Steinberg::Vst::IContextMenuTarget {
public:
    using tresult = Steinberg::tresult;
    using int32 = Steinberg::int32;
    using ParamID = Steinberg::Vst::ParamID;
    using ParamValue = Steinberg::Vst::ParamValue;

    explicit EditorBase(Steinberg::Vst::EditController* owner) : VSTGUIEditor(owner) {
        setRect(Steinberg::ViewRect(0, 0, viewWidth, viewHeight));
        setIdleRate(timerPeriod);
    }

    ~EditorBase() override { closeFrame(); }

    // VSTGUIEditor

    bool PLUGIN_API open(void* parent, const VSTGUI::PlatformType& /*type*/) override {
        if (frame != nullptr)
            return false;
        // Whatever was built before a failure stays up until close().
        guarded<bool>(false, [&] {
            resourceCache = std::make_unique<ResourceCache>(resourceStore());
            frame = new VSTGUI::CFrame(VSTGUI::CRect(0, 0, viewWidth, viewHeight), this);
            frame->setBackgroundColor(VSTGUI::CColor(127, 127, 127, 255));
            buildViews();
            applyLayout(layoutText());
            for (ParamID id = 0; id < static_cast<ParamID>(Parameters::count); ++id)
                onParameterChanged(id, controller->getParamNormalized(id));
            frame->open(parent, VSTGUI::PlatformType::kDefaultNative, getFrameConfig());
            return true;
        });
        return true;
    }

    void PLUGIN_API close() override { closeFrame(); }

    // CBaseObject: the idle timer's tick.
    VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* sender,
                                  VSTGUI::IdStringPtr message) override {
        return guarded<VSTGUI::CMessageResult>(VSTGUI::kMessageUnknown, [&] {
            if (message == VSTGUI::CVSTGUITimer::kMsgTimer)
                onTimer();
            return VSTGUIEditor::notify(sender, message);
        });
    }

    // The product's decisions.

    virtual void onParameterChanged(ParamID /*id*/, ParamValue /*value*/) {}
    virtual void buildViews() {}
    virtual std::string layoutText() = 0;
    virtual std::string layoutReloadPath() = 0;
    virtual std::string layoutLogPath() = 0;
    virtual const ResourceStore& resourceStore() = 0;
    virtual const ResourceStore& manualStore() = 0;

    // IControlListener

    void valueChanged(VSTGUI::CControl* control) override {
        guarded<bool>(false, [&] {
            const ParamID id = static_cast<ParamID>(control->getTag());
            if (isParameter(id)) {
                const double value = control->getValue();
                controller->setParamNormalized(id, value);
                controller->performEdit(id, value);
            }
            return true;
        });
    }

    void controlBeginEdit(VSTGUI::CControl* control) override {
        guarded<bool>(false, [&] {
            const ParamID id = static_cast<ParamID>(control->getTag());
            if (isParameter(id))
                controller->beginEdit(id);
            return true;
        });
    }

    void controlEndEdit(VSTGUI::CControl* control) override {
        guarded<bool>(false, [&] {
            const ParamID id = static_cast<ParamID>(control->getTag());
            if (isParameter(id))
                controller->endEdit(id);
            return true;
        });
    }

    std::int32_t controlModifierClicked(VSTGUI::CControl* control,
                                        VSTGUI::CButtonState buttons) override {
        return guarded<std::int32_t>(0, [&] {
            const ParamID id = static_cast<ParamID>(control->getTag());
            if (!isParameter(id) || (buttons.getButtonState() & VSTGUI::kRButton) == 0 ||
                hostShowsNoPluginMenu())
                return 0;
            VSTGUI::CPoint where;
            return showContextMenu(
                       *controller, *this, *this, id,
                       frame != nullptr && frame->getCurrentMouseLocation(where) ? &where : nullptr)
                       ? 1
                       : 0;
        });
    }

    // IParameterFinder

    tresult PLUGIN_API findParameter(int32 xPos, int32 yPos, ParamID& resultTag) override {
        return guarded([&]() -> tresult {
            if (frame == nullptr)
                return Steinberg::kResultFalse;
            auto* control = controlUnderMouse(VSTGUI::CPoint(xPos, yPos));
            if (control == nullptr || !isParameter(static_cast<ParamID>(control->getTag())))
                return Steinberg::kResultFalse;
            resultTag = static_cast<ParamID>(control->getTag());
            return Steinberg::kResultOk;
        });
    }

    // IContextMenuTarget

    tresult PLUGIN_API executeMenuItem(int32 tag) override {
        return guarded([&]() -> tresult {
            const MenuItem item = menuItem(tag);
            if (item.kind == MenuItem::reset && isParameter(item.id)) {
                const double value = Parameters::defaultValue(item.id);
                controller->beginEdit(item.id);
                controller->setParamNormalized(item.id, value);
                controller->performEdit(item.id, value);
                controller->endEdit(item.id);
                return Steinberg::kResultOk;
            }
            if (item.kind == MenuItem::manual)
                openManual(manualStore(), *manualEnvironment);
            return Steinberg::kResultFalse;
        });
    }

    // IPlugView

    tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* proposed) override {
        return guarded([&]() -> tresult {
            if (proposed == nullptr)
                return Steinberg::kInvalidArgument;
            constrainSize(*proposed, viewWidth, viewHeight);
            return Steinberg::kResultOk;
        });
    }

    OBJ_METHODS(EditorBase, VSTGUIEditor)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::Vst::IParameterFinder)
    DEF_INTERFACE(Steinberg::Vst::IContextMenuTarget)
    DEF_INTERFACE(Steinberg::IPlugView)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)

protected:
    static constexpr int32 viewWidth = 346;
    static constexpr int32 viewHeight = 160;
    static constexpr int32 timerPeriod = 50;
    static constexpr std::int64_t fullRedrawInterval = 50'000'000; // 5 s in 100 ns ticks

    // Applies a layout document to the views and writes its log where the product asks.
    void applyLayout(const std::string& text) {
        const std::optional<std::string> log = kelvane::vst::applyLayout(views, text);
        const std::string logPath = layoutLogPath();
        if (log && !logPath.empty())
            writeTextFile(logPath, *log);
    }

    // Every view the product made, by name; the frame owns them.
    std::map<std::string, VSTGUI::CView*> views;
    std::unique_ptr<ResourceCache> resourceCache;
    // The time in 100 ns ticks; tests drive it.
    std::function<std::int64_t()> clock = systemTimeTicks;
    std::int64_t lastFullRedraw = systemTimeTicks();
    // Where the manual is extracted and opened; tests give their own.
    const ManualEnvironment* manualEnvironment = &desktopEnvironment();

private:
    static bool isParameter(ParamID id) { return id < static_cast<ParamID>(Parameters::count); }

    // The control that a click at where would reach: the topmost one that takes the mouse there
    // (a knob's mouse area may be smaller than its view), passing over the views that handle no
    // clicks, as the frame does.
    VSTGUI::CControl* controlUnderMouse(const VSTGUI::CPoint& where) const {
        for (std::uint32_t i = frame->getNbViews(); i-- > 0;) {
            VSTGUI::CView* view = frame->getView(i);
            auto* control = dynamic_cast<VSTGUI::CControl*>(view);
            if (control != nullptr && view->getMouseEnabled() && view->hitTest(where))
                return control;
        }
        return nullptr;
    }

    void onTimer() {
        guarded<bool>(false, [&] {
            const std::string path = layoutReloadPath();
            std::string text;
            if (!path.empty() && readTextFile(path, text))
                applyLayout(text);
            return true;
        });
        const std::int64_t now = clock();
        if (now - lastFullRedraw > fullRedrawInterval) {
            if (frame != nullptr)
                frame->invalid();
            lastFullRedraw = now;
        }
        if (auto* timerClient = dynamic_cast<IOnEditorTimer*>(controller))
            timerClient->onEditorTimer();
    }

    // The views go before the resource cache, which text views and knobs use while they live.
    void closeFrame() {
        views.clear();
        if (frame != nullptr) {
            VSTGUI::CFrame* closing = frame;
            frame = nullptr;
            closing->forget();
        }
        resourceCache.reset();
    }
};

} // namespace kelvane::vst
