#pragma once

#include "base/source/fobject.h"
#include "pluginterfaces/gui/iplugview.h"

#include <chrono>
#include <vector>

namespace Steinberg {
namespace Vst {

// The plug-in frame the wrapper attaches its editor with. VST 2 has no run loop of its own but
// calls effEditIdle often while the editor is open, so on Linux the frame offers one that
// idle() drives: it handles the descriptors that are readable and the timers that are due,
// without waiting.
class Vst2PlugFrame : public FObject,
                      public IPlugFrame
#if SMTG_OS_LINUX
    ,
                      public Linux::IRunLoop
#endif
{
public:
    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override;

    void idle();

#if SMTG_OS_LINUX
    tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler,
                                            Linux::FileDescriptor fd) override;
    tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override;
    tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler,
                                     Linux::TimerInterval milliseconds) override;
    tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override;
#endif

    OBJ_METHODS(Vst2PlugFrame, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(IPlugFrame)
#if SMTG_OS_LINUX
    DEF_INTERFACE(Linux::IRunLoop)
#endif
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)

#if SMTG_OS_LINUX
private:
    using Clock = std::chrono::steady_clock;
    struct Watch {
        IPtr<Linux::IEventHandler> handler;
        Linux::FileDescriptor fd;
    };
    struct Timer {
        IPtr<Linux::ITimerHandler> handler;
        Clock::duration interval;
        Clock::time_point due;
    };
    bool watching(Linux::IEventHandler* handler) const;
    bool timing(Linux::ITimerHandler* handler) const;

    std::vector<Watch> watches;
    std::vector<Timer> timers;
#endif
};

} // namespace Vst
} // namespace Steinberg
