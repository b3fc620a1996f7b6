#pragma once

#include "editor/editorsupport.h"
#include "editor/layout/applylayout.h"
#include "editor/manual/manualviewer.h"
#include "editor/resources/resourcecache.h"
#include "editor/resources/resourcestore.h"
#include "editor/views/kvtext.h"
#include "editor/views/valueshowing.h"
#include "framework/guard.h"
#include "framework/oneditortimer.h"
#include "platform/desktop.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivstplugview.h"
#include "public.sdk/source/vst/vstguieditor.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/controls/icontrollistener.h"

#include <cmath>
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
// While the mouse is over a control or a gesture on it is under way, the text view that the
// control's valueLabel names shows the control's value as the host shows it (the controller's
// display text), in that view's own place, font and colour, which the layout sets; the view's
// own text returns afterwards.
//
// On screens of higher density the window is scaled by a factor from 1 to 4: the host's
// (IPlugViewContentScaleSupport), or failing that the window's DPI where the platform tells it.
// The frame draws through one scaling transform; the sizes the host sees are scaled.
//
// Every operation that the host or VSTGUI calls catches all exceptions in its one guarded(...)
// call and answers that operation's failure value.
template <typename Parameters>
class EditorBase : public Steinberg::Vst::VSTGUIEditor,
                   public VSTGUI::IControlListener,
                   public Steinberg::Vst::IParameterFinder,
                   public Steinberg::Vst::IContextMenuTarget,
                   public Steinberg::IPlugViewContentScaleSupport {
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

    // True only when the window opened in parent (or, for a null parent, when the frame was made
    // for an offscreen bitmap); otherwise nothing stays open.
    bool PLUGIN_API open(void* parent, const VSTGUI::PlatformType& /*type*/) override {
        if (frame != nullptr)
            return false;
        // A failure while building leaves whatever was built, shown until close().
        guarded<bool>(false, [&] {
            resourceCache = std::make_unique<ResourceCache>(resourceStore());
            frame = new VSTGUI::CFrame(VSTGUI::CRect(0, 0, viewWidth, viewHeight), this);
            frame->setBackgroundColor(VSTGUI::CColor(127, 127, 127, 255));
            if (!hostGaveScale) {
                const double windowScale = platform::windowScaleFactor(parent);
                contentScale = windowScale >= 1 && windowScale <= 4 ? windowScale : 1;
            }
            frame->setZoom(contentScale);
            buildViews();
            connectValueLabels();
            applyLayout(layoutText());
            for (ParamID id = 0; id < static_cast<ParamID>(Parameters::count); ++id)
                onParameterChanged(id, controller->getParamNormalized(id));
            return true;
        });
        const bool opened =
            frame != nullptr && guarded<bool>(false, [&] {
                return parent == nullptr ||
                       frame->open(parent, VSTGUI::PlatformType::kDefaultNative, getFrameConfig());
            });
        if (!opened)
            closeFrame();
        return opened;
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
            // The host places its menu in the view's pixels.
            VSTGUI::CPoint where;
            const bool located = frame != nullptr && frame->getCurrentMouseLocation(where);
            if (located)
                where = VSTGUI::CPoint(where.x * frame->getZoom(), where.y * frame->getZoom());
            return showContextMenu(*controller, *this, *this, id, located ? &where : nullptr) ? 1
                                                                                              : 0;
        });
    }

    // IParameterFinder

    tresult PLUGIN_API findParameter(int32 xPos, int32 yPos, ParamID& resultTag) override {
        return guarded([&]() -> tresult {
            if (frame == nullptr)
                return Steinberg::kResultFalse;
            // The host asks in the view's pixels.
            const double zoom = frame->getZoom();
            auto* control = controlUnderMouse(VSTGUI::CPoint(xPos / zoom, yPos / zoom));
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

    // The view keeps its size (onSize takes no other), so every proposal becomes that size where
    // the host placed it: a host is never offered a size the view would then refuse.
    tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* proposed) override {
        return guarded([&]() -> tresult {
            if (proposed == nullptr)
                return Steinberg::kInvalidArgument;
            constrainSize(*proposed, scaled(viewWidth), scaled(viewHeight), 0);
            return Steinberg::kResultOk;
        });
    }

    // IPlugViewContentScaleSupport: the window becomes round(346 f) x round(160 f); while open
    // it is resized through the host's frame and redrawn.
    tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override {
        return guarded([&]() -> tresult {
            if (!(factor >= 1 && factor <= 4))
                return Steinberg::kResultFalse;
            hostGaveScale = true;
            if (factor == contentScale && (frame == nullptr || frame->getZoom() == factor))
                return Steinberg::kResultOk;
            contentScale = factor;
            Steinberg::ViewRect size(0, 0, scaled(viewWidth), scaled(viewHeight));
            if (frame != nullptr) {
                frame->setZoom(factor);
                size = Steinberg::ViewRect(
                    0, 0, static_cast<int32>(std::lround(frame->getWidth() * factor)),
                    static_cast<int32>(std::lround(frame->getHeight() * factor)));
            }
            setRect(size);
            if (frame != nullptr && plugFrame != nullptr)
                plugFrame->resizeView(this, &size);
            return Steinberg::kResultOk;
        });
    }

    OBJ_METHODS(EditorBase, VSTGUIEditor)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::Vst::IParameterFinder)
    DEF_INTERFACE(Steinberg::Vst::IContextMenuTarget)
    DEF_INTERFACE(Steinberg::IPlugView)
    DEF_INTERFACE(Steinberg::IPlugViewContentScaleSupport)
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
    // Device pixels per window pixel, and whether the host set it (the window's DPI is only
    // asked when it did not).
    double contentScale = 1;
    bool hostGaveScale = false;
    // The text view that shows each control's value now.
    std::map<const ValueShowing*, KVText*> valueLabels;

private:
    static bool isParameter(ParamID id) { return id < static_cast<ParamID>(Parameters::count); }

    int32 scaled(int32 pixels) const {
        return static_cast<int32>(std::lround(pixels * contentScale));
    }

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

    // Every control among the views that shows its value tells showValue() when it is to be
    // shown or not.
    void connectValueLabels() {
        for (const auto& entry : views)
            if (auto* shower = dynamic_cast<ValueShowing*>(entry.second))
                shower->setValueDisplay([this, shower] { showValue(*shower); });
    }

    void showValue(const ValueShowing& shower) {
        guarded<bool>(false, [&] {
            KVText* label = nullptr;
            const VSTGUI::CControl& control = shower.control();
            const ParamID id = static_cast<ParamID>(control.getTag());
            if (shower.showsValue() && isParameter(id)) {
                const auto found = views.find(shower.valueLabel.get());
                label = found != views.end() ? dynamic_cast<KVText*>(found->second) : nullptr;
            }
            // The label shown before, when the layout has named another since or none shows.
            const auto previous = valueLabels.find(&shower);
            if (previous != valueLabels.end() && previous->second != label) {
                KVText* former = previous->second;
                valueLabels.erase(previous);
                former->showOwnText();
            }
            if (label != nullptr) {
                Steinberg::Vst::String128 text{};
                if (controller->getParamStringByValue(id, control.getValue(), text) !=
                    Steinberg::kResultOk)
                    return false;
                valueLabels[&shower] = label;
                label->showText(utf8Of(text, sizeof text / sizeof text[0]));
            }
            return true;
        });
    }

    // The views go before the resource cache, which text views and knobs use while they live.
    void closeFrame() {
        // Nothing of a closing frame shows values any more.
        for (const auto& entry : views)
            if (auto* shower = dynamic_cast<ValueShowing*>(entry.second))
                shower->setValueDisplay(nullptr);
        valueLabels.clear();
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
