#include "public.sdk/source/vst/vstguieditor.h"

#include "public.sdk/source/vst/vstguirunloop.h"

#include "public.sdk/source/common/hostboundary.h"

#include "vstgui/lib/offscreenframe.h"

#include "pluginterfaces/gui/iplugview.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace Steinberg::Vst {

namespace {

constexpr std::uint32_t defaultIdleRate = 100;

// The platform type a host names for the window it attaches us to; false for others.
bool platformTypeOf(FIDString type, VSTGUI::PlatformType& platformType) {
    if (type == nullptr)
        return false;
#ifdef _WIN32
    if (std::strcmp(type, kPlatformTypeHWND) == 0) {
        platformType = VSTGUI::PlatformType::kHWND;
        return true;
    }
#else
    if (std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0) {
        platformType = VSTGUI::PlatformType::kX11EmbedWindowID;
        return true;
    }
#endif
    return false;
}

} // namespace

VSTGUIEditor::VSTGUIEditor(void* owner, ViewRect* size)
    : EditorView(static_cast<EditController*>(owner), size),
      timer(VSTGUI::makeOwned<VSTGUI::CVSTGUITimer>(static_cast<VSTGUI::CBaseObject*>(this),
                                                    defaultIdleRate, false)) {}

VSTGUIEditor::~VSTGUIEditor() {
    if (timer)
        timer->stop();
    frameConfig.reset();
}

void VSTGUIEditor::setIdleRate(int32 milliseconds) {
    if (timer && milliseconds > 0)
        timer->setFireTime(static_cast<std::uint32_t>(milliseconds));
}

tresult PLUGIN_API VSTGUIEditor::isPlatformTypeSupported(FIDString type) {
    VSTGUI::PlatformType platformType{};
    return platformTypeOf(type, platformType) ? kResultTrue : kResultFalse;
}

// The host's calls answer kResultFalse for anything that escapes them.
tresult PLUGIN_API VSTGUIEditor::attached(void* parent, FIDString type) {
    return Steinberg::guarded([&]() -> tresult {
        VSTGUI::PlatformType platformType{};
        // Nothing starts unless the parent really takes the window: no timer ticks for an
        // editor that shows nothing, and a second attach leaves the first one alone.
        if (!platformTypeOf(type, platformType) || parent == nullptr || frame != nullptr ||
            isAttached())
            return kResultFalse;
        // The host's run loop, where it offers one, before the frame and the timer use it.
        frameConfig = makeFrameConfig(plugFrame);
        if (!open(parent, platformType) || frame == nullptr) {
            close();
            frameConfig.reset();
            return kResultFalse;
        }
        if (timer)
            timer->start();
        return attachedWithFrame(parent, type);
    });
}

VSTGUI::OffscreenFrame* VSTGUIEditor::attachOffscreen() {
    return Steinberg::guarded<VSTGUI::OffscreenFrame*>(nullptr, [&]() -> VSTGUI::OffscreenFrame* {
        if (frame != nullptr || isAttached())
            return nullptr;
        VSTGUI::OffscreenFrame* offscreen = nullptr;
        if (open(nullptr, VSTGUI::PlatformType::kDefaultNative) && frame != nullptr)
            offscreen = VSTGUI::OffscreenFrame::attach(frame);
        if (offscreen == nullptr) {
            close();
            return nullptr;
        }
#ifdef _WIN32
        attachedWithFrame(nullptr, kPlatformTypeHWND);
#else
        attachedWithFrame(nullptr, kPlatformTypeX11EmbedWindowID);
#endif
        return offscreen;
    });
}

tresult VSTGUIEditor::attachedWithFrame(void* parent, FIDString type) {
    // In the window's pixels: the frame's size times its zoom.
    const double zoom = frame->getZoom();
    ViewRect size(0, 0, static_cast<int32>(std::lround(frame->getWidth() * zoom)),
                  static_cast<int32>(std::lround(frame->getHeight() * zoom)));
    setRect(size);
    if (plugFrame != nullptr)
        plugFrame->resizeView(this, &size);
    return EditorView::attached(parent, type);
}

tresult PLUGIN_API VSTGUIEditor::removed() {
    return Steinberg::guarded([&]() -> tresult {
        if (timer)
            timer->stop();
        close();
        frameConfig.reset();
        return EditorView::removed();
    });
}

// The view keeps its size (it cannot be resized): the size it has is taken, where the host may
// place it anywhere; any other is refused before anything is made for it.
tresult PLUGIN_API VSTGUIEditor::onSize(ViewRect* newSize) {
    return Steinberg::guarded([&]() -> tresult {
        if (newSize == nullptr)
            return kInvalidArgument;
        // In 64 bits: a host's rectangle may span more than an int32 holds.
        const auto side = [](int32 low, int32 high) { return std::int64_t(high) - low; };
        if (side(newSize->left, newSize->right) != side(rect.left, rect.right) ||
            side(newSize->top, newSize->bottom) != side(rect.top, rect.bottom))
            return kResultFalse;
        rect = *newSize;
        return kResultOk;
    });
}

void VSTGUIEditor::beginEdit(int32 index) {
    if (controller != nullptr)
        controller->beginEdit(static_cast<ParamID>(index));
}

void VSTGUIEditor::endEdit(int32 index) {
    if (controller != nullptr)
        controller->endEdit(static_cast<ParamID>(index));
}

int32 VSTGUIEditor::getKnobMode() const {
    return EditController::getHostKnobMode() == kRelativCircularMode ? VSTGUI::kRelativCircularMode
                                                                     : VSTGUI::kLinearMode;
}

VSTGUI::CMessageResult VSTGUIEditor::notify(VSTGUI::CBaseObject* /*sender*/,
                                            VSTGUI::IdStringPtr message) {
    if (message == VSTGUI::CVSTGUITimer::kMsgTimer) {
        if (frame != nullptr)
            frame->idle();
        return VSTGUI::kMessageNotified;
    }
    return VSTGUI::kMessageUnknown;
}

} // namespace Steinberg::Vst
