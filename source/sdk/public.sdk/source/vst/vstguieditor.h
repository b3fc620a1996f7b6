#pragma once

#include "public.sdk/source/vst/vsteditcontroller.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/cvstguitimer.h"
#include "vstgui/lib/vstguibase.h"
#include "vstgui/lib/vstguieditorinterface.h"

#include <memory>

namespace Steinberg::Vst {

// A plug-in view whose contents are a VSTGUI frame: attaches the frame to the host's window,
// runs the idle timer that lets the frame redraw what changed, and forwards the frame's edit
// gestures to the controller. The derived editor makes the frame in open() and destroys it in
// close().
class VSTGUIEditor : public EditorView,
                     public VSTGUI::VSTGUIEditorInterface,
                     public VSTGUI::CBaseObject {
public:
    explicit VSTGUIEditor(void* owner, ViewRect* size = nullptr);
    ~VSTGUIEditor() override;

    virtual bool PLUGIN_API open(void* parent, const VSTGUI::PlatformType& type) = 0;
    virtual void PLUGIN_API close() = 0;

    // The period of the idle timer, in milliseconds.
    void setIdleRate(int32 milliseconds);

    // IPlugView
    tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override;
    tresult PLUGIN_API attached(void* parent, FIDString type) override;
    tresult PLUGIN_API removed() override;
    tresult PLUGIN_API onSize(ViewRect* newSize) override;

    // VSTGUIEditorInterface
    void beginEdit(int32 index) override;
    void endEdit(int32 index) override;
    int32 getKnobMode() const override;

    // CBaseObject: the idle timer's tick.
    VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* sender,
                                  VSTGUI::IdStringPtr message) override;

    // The view is counted through FObject; its CBaseObject count is never used.
    OBJ_METHODS(VSTGUIEditor, EditorView)

protected:
    // What the frame opens with while the view is attached (on X: the host's run loop), or null.
    VSTGUI::IPlatformFrameConfig* getFrameConfig() const { return frameConfig.get(); }

    VSTGUI::SharedPointer<VSTGUI::CVSTGUITimer> timer;

private:
    std::unique_ptr<VSTGUI::IPlatformFrameConfig> frameConfig;
};

} // namespace Steinberg::Vst
