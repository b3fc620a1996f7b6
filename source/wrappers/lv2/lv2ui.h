#pragma once

// The plug-in's VST3 editor as an LV2 X11 UI. The UI instance hosts a pair of its own (the
// controller behind the editor; LV2 keeps the UI apart from the DSP instance, often in another
// process), embeds the controller's editor view in the host's ui:parent window and runs the
// view's run loop from the host's idle calls (ui:idleInterface).
//
// Knob gestures go to the host as port writes in port units (write_function, format 0),
// framed by ui:touch when the host offers it; port_event values move the knobs through the
// controller, as a host's parameter change moves them in VST3. The size is fixed: ui:resize
// tells the host the editor's size, at the host's ui:scaleFactor when it gives one, and again
// when the host sets another through the options interface. LV2 has no menus: the editor's
// context menu is the adapters' own (ContextMenus), open menus closing with the editor.
//
// Everything runs on the host's UI thread.

#include "wrappers/common/componenthost.h"
#include "wrappers/common/contextmenu.h"
#include "wrappers/common/editorframe.h"
#include "wrappers/lv2/lv2plugin.h"

#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <memory>

namespace kelvane::lv2 {

struct UiClass {
    PluginClass plugin;
    // Called before the first and after the last use of the editor's drawing services.
    bool (*open)();
    bool (*close)();
};

class Ui : private wrappers::EditListener, private wrappers::Resizer {
public:
    // Null without ui:parent or ui:idleInterface, or when the editor cannot be made or attached.
    static std::unique_ptr<Ui> create(const UiClass& uiClass, LV2UI_Write_Function write,
                                      LV2UI_Controller controller, LV2UI_Widget* widget,
                                      const LV2_Feature* const* features);
    ~Ui() override;
    Ui(const Ui&) = delete;
    Ui& operator=(const Ui&) = delete;

    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                   const void* buffer);
    // 0 while the UI is open (ui:idleInterface).
    int idle();

    // The options interface: the host's ui:scaleFactor (a positive finite float) may change;
    // the view takes it and the host's frame is resized. Answers LV2_Options_Status bits.
    std::uint32_t getOptions(LV2_Options_Option* options) const;
    std::uint32_t setOptions(const LV2_Options_Option* options);

    double scale() const { return scaleFactor; }
    wrappers::ContextMenus& menus() { return contextMenus; }
    Steinberg::IPlugView* view() const { return editor.get(); }
    wrappers::ComponentHost& pair() { return *host; }

private:
    Ui(const UiClass& uiClass, std::unique_ptr<wrappers::ComponentHost> pair);
    bool open(void* parent, const LV2_Feature* const* features, LV2UI_Widget* widget);
    int controlIndex(Steinberg::Vst::ParamID id) const;

    void beginEdit(Steinberg::Vst::ParamID id) noexcept override;
    void performEdit(Steinberg::Vst::ParamID id,
                     Steinberg::Vst::ParamValue normalized) noexcept override;
    void endEdit(Steinberg::Vst::ParamID id) noexcept override;
    Steinberg::Vst::IContextMenu*
    createContextMenu(Steinberg::IPlugView* view,
                      const Steinberg::Vst::ParamID* id) noexcept override;
    void touch(Steinberg::Vst::ParamID id, bool grabbed) noexcept;
    // The view at content scale factor, when it takes it.
    bool applyScale(double factor);
    // The host's frame to width x height (ui:resize); the view asks when its scale changes.
    bool resizeEditor(std::int32_t width, std::int32_t height) noexcept override;

    UiClass uiClass;
    std::unique_ptr<wrappers::ComponentHost> host;
    Steinberg::IPtr<wrappers::EditorFrame> frame;
    Steinberg::IPtr<Steinberg::IPlugView> editor;
    bool attached = false;
    bool sized = false;
    bool opened = false;

    LV2UI_Write_Function writeFunction = nullptr;
    LV2UI_Controller hostController = nullptr;
    const LV2UI_Resize* resize = nullptr;
    const LV2UI_Touch* touchFeature = nullptr;
    const LV2_URID_Map* map = nullptr;
    double scaleFactor = 1.0;
    // What getOptions points the host at: valid as long as the UI.
    mutable float reportedScale = 0.0f;
    wrappers::ContextMenus contextMenus;
};

// The host's ui:scaleFactor from its options, or 0 when it gives none.
double scaleFactorOption(const LV2_Feature* const* features);

} // namespace kelvane::lv2
