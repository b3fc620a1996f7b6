#pragma once

#include <cstdint>

// Forward declarations and the small enumerations that the view layer's headers share.
namespace VSTGUI {

using CCoord = double;
using IdStringPtr = const char*;

struct CPoint;
struct CRect;
struct CColor;
struct CButtonState;
class CBaseObject;
class CBitmap;
class CDrawContext;
class CView;
class CControl;
class CKnob;
class CFrame;
class CVSTGUITimer;
class IControlListener;
class VSTGUIEditorInterface;
class IPlatformFrame;
class IPlatformFrameCallback;
class IPlatformFrameConfig;
class IPlatformTimer;
class IPlatformTimerCallback;
class IPlatformFactory;

enum CMessageResult { kMessageUnknown = 0, kMessageNotified = 1 };

enum CMouseEventResult {
    kMouseEventNotImplemented = 0,
    kMouseEventHandled,
    kMouseEventNotHandled,
    kMouseDownEventHandledButDontNeedMovedOrUpEvents,
    kMouseMoveEventHandledButDontNeedMoreEvents,
};

enum CMouseWheelAxis { kMouseWheelAxisX = 0, kMouseWheelAxisY };

// How a knob follows the mouse: the angle around its centre (absolute or relative to where the
// drag started), or the distance dragged.
enum CKnobMode { kCircularMode = 0, kRelativCircularMode, kLinearMode };

enum CDrawStyle { kDrawStroked = 0, kDrawFilled, kDrawFilledAndStroked };

// The kind of native parent a frame opens in.
enum class PlatformType : std::int32_t {
    kHWND,
    kWindowRef,
    kNSView,
    kUIView,
    kHWNDTopLevel,
    kX11EmbedWindowID,
    kGdkWindow,
    kDefaultNative,
};

} // namespace VSTGUI
