#pragma once

#include "public.sdk/source/vst/vsteditcontroller.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/cvstguitimer.h"
#include "vstgui/lib/vstguibase.h"
#include "vstgui/lib/vstguieditorinterface.h"

#include <memory>

namespace VSTGUI {
class OffscreenFrame;
}

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

    // Makes the frame and opens it in parent; true only when the window is there. With a null
    // parent (attachOffscreen), makes the frame without a window.
    virtual bool PLUGIN_API open(void* parent, const VSTGUI::PlatformType& type) = 0;
    virtual void PLUGIN_API close() = 0;

    // Attaches the view as attached() does, but to an offscreen bitmap instead of a window: for
    // painting the editor without a display (snapshots, tests, benchmarks), which draw and send
    // simulated mouse input through the frame answered. No timer runs; removed() closes it.
    // Null when the view is attached already.
    VSTGUI::OffscreenFrame* attachOffscreen();

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
    // Sizes the view to its open frame, tells the host and the controller.
    tresult attachedWithFrame(void* parent, FIDString type);

    std::unique_ptr<VSTGUI::IPlatformFrameConfig> frameConfig;
};

} // namespace Steinberg::Vst
