#pragma once

// The plug-in frame an adapter attaches a VST3 editor with. The editor has a fixed size, so a
// resize request (after a change of content scale) is handed to the adapter's Resizer, which
// asks its host; on Linux the frame is also the editor's run loop (RunLoop, driven by the host
// or by idle()).
//
//     IPtr<EditorFrame> frame = owned(new EditorFrame(&resizer, &hostLoop)); // Linux
//     view->setFrame(frame); view->attached(parent, type);
//     ... view->removed(); view->setFrame(nullptr); frame->clear();

#include "wrappers/common/runloop.h"

#include "base/source/fobject.h"
#include "pluginterfaces/gui/iplugview.h"

namespace kelvane::wrappers {

class Resizer {
public:
    virtual ~Resizer() = default;
    // The host should make the editor's window width x height; true when it agrees.
    virtual bool resizeEditor(Steinberg::int32 width, Steinberg::int32 height) noexcept = 0;
};

#if SMTG_OS_LINUX

class EditorFrame : public RunLoop, public Steinberg::IPlugFrame {
public:
    explicit EditorFrame(Resizer* resizer, RunLoop::Observer* hostLoop = nullptr)
        : RunLoop(hostLoop), target(resizer) {}

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;

    OBJ_METHODS(EditorFrame, RunLoop)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::IPlugFrame)
    END_DEFINE_INTERFACES(RunLoop)
    REFCOUNT_METHODS(RunLoop)

private:
    Resizer* target;
};

#else

class EditorFrame : public Steinberg::FObject, public Steinberg::IPlugFrame {
public:
    explicit EditorFrame(Resizer* resizer) : target(resizer) {}

    void clear() {}

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;

    OBJ_METHODS(EditorFrame, Steinberg::FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::IPlugFrame)
    END_DEFINE_INTERFACES(Steinberg::FObject)
    REFCOUNT_METHODS(Steinberg::FObject)

private:
    Resizer* target;
};

#endif

} // namespace kelvane::wrappers
