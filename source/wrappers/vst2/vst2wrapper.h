#pragma once

// A VST 2 effect made of a VST 3 processor and its edit controller, for hosts that only speak
// VST 2. The pair is hosted as every adapter hosts it (ComponentHost); this class translates the
// VST 2 interface into it.

#include "wrappers/common/componenthost.h"
#include "wrappers/common/contextmenu.h"
#include "wrappers/common/editorframe.h"
#include "wrappers/common/pointchanges.h"
#include "wrappers/vst2/vst2parametermailbox.h"

#include "public.sdk/source/vst/vst2wrapper/vst2interface.h"
#include "public.sdk/source/vst/vst2wrapper/vst2text.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/gui/iplugview.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Steinberg {
namespace Vst {

// One wrapped effect. The host sees only the AEffect; the wrapper behind it lives from create
// to effClose.
//
// Threads: the dispatcher runs on the host's user-interface thread (as do the controller and
// every processor call but process); processReplacing and processDoubleReplacing run on the
// audio thread; setParameter and getParameter may come from any thread.
//
// Values: a value set by whatever route (setParameter, effString2Parameter, the editor) is the
// processor's at once (ComponentHost::setProcessorValue, lock-free): the next chunk holds it,
// processing or not, as a VST 3 host's getState would after a block carrying it, and the next
// resume builds the engine starting from it. The running engine gets it as a parameter change at
// offset 0 of the next block (where it glides as automation does), and the controller at the
// next dispatcher call, so the audio thread never touches the controller. A loaded chunk
// supersedes the values set before it; values set after it are saved over it.
//
// Latency: AEffect::initialDelay is the processor's latency for the latest values, and the host
// hears of every change with audioMasterIOChanged (after which hosts read the field again,
// usually suspending and resuming the effect). A change made through the dispatcher or the
// editor (a chunk, typed text, an edit, a resume) is in the field before the call returns; a
// setParameter, which may come from the audio thread, leaves the processor's lock alone and is
// taken in at the next dispatcher call (before that call does anything else).
//
// Audio: the effect has two inputs and two outputs (one stereo bus each way). Blocks are
// processed in pieces of at most the announced block size, and never more than
// kMaxPieceSamples, whatever size the host announces: what resume allocates stays bounded. When
// the processor is suspended or fails a block, the outputs of that block are silent. Each block
// is processed in the width of the entry it comes through, from the first one on: 32-bit
// through processReplacing and the old accumulating process (which adds the processed block to
// the outputs), 64-bit through processDoubleReplacing, which is offered only when the processor
// takes 64-bit samples. effSetProcessPrecision only says which width the processor is set up
// for first.
//
// Texts: parameter names, displays and labels are cut to 8 bytes, the program name to 24, the
// effect name to 32, vendor and product to 64, never inside a character, and always followed by
// a terminating zero. effGetParameterProperties gives a parameter's full title (up to 63 bytes)
// as its label and its short title (7) as its short label, and flags a parameter of one step as
// a switch.
//
// Version: the effect's version and vendor version come from the processor class's version
// text in the factory, as major * 1000 + minor * 100 + sub * 10 + build ("1.0.7" gives 1070).
//
// Editor: the controller's "editor" view, made when the host first asks for its rectangle or
// opens it, attached to the host's window by effEditOpen (an HWND on Windows, an X11 window id
// elsewhere) and removed and released by effEditClose. On Windows it runs its own timer; on
// Linux its window and timer run on the editor frame's run loop, which effEditIdle drives. VST 2
// has no context menu of the host's: a right click on a knob shows the adapters' own (the
// system's popup menu on Windows, an X popup on Linux), whose items are the editor's.
//
// Chunks: the effect's chunk (bank and program alike) is the processor's state blob as its
// getState writes it; setChunk hands the bytes to the processor's setState and then to the
// controller's setComponentState.
class Vst2Wrapper final : public kelvane::wrappers::EditListener,
                          public kelvane::wrappers::Resizer {
public:
    using CloseHook = void (*)();

    // Creates the effect for the processor class vst3ComponentID of factory, with vst2ID as its
    // unique id. The wrapper takes a reference of its own to the factory (the caller keeps and
    // releases its own). onClose, when given, is called exactly once, after everything the
    // wrapper made has been released, when the host closes the effect: it is where a module
    // gives back what it took before creating the effect. It is not called when create fails,
    // and create answers null then, having released whatever it had made.
    static AEffect* create(IPluginFactory* factory, const TUID vst3ComponentID, VstInt32 vst2ID,
                           audioMasterCallback audioMaster, CloseHook onClose = nullptr);

    ~Vst2Wrapper() override;
    Vst2Wrapper(const Vst2Wrapper&) = delete;
    Vst2Wrapper& operator=(const Vst2Wrapper&) = delete;

    // EditListener: the controller's edits and restart requests, on its thread (the
    // dispatcher's). Ids the effect does not have never arrive here.
    void beginEdit(ParamID id) noexcept override;
    void performEdit(ParamID id, ParamValue value) noexcept override;
    void endEdit(ParamID id) noexcept override;
    void restartComponent(int32 flags) noexcept override;
    IContextMenu* createContextMenu(IPlugView* view, const ParamID* id) noexcept override;
    // Resizer: the editor has one size, which the host read with effEditGetRect.
    bool resizeEditor(int32 width, int32 height) noexcept override;

private:
    // The AEffect with the spare zero bytes behind it that hosts expect of the full structure.
    struct EffectBlock {
        AEffect effect;
        unsigned char reserved[64];
    };
    static_assert(offsetof(EffectBlock, reserved) == sizeof(AEffect),
                  "the spare bytes must follow the structure directly");

    Vst2Wrapper(audioMasterCallback audioMaster, CloseHook onClose);
    bool setUp(IPluginFactory* factory, const TUID componentId, VstInt32 vst2ID);
    void readFactoryTexts(IPluginFactory& source, const TUID componentId);
    void destroy();

    static Vst2Wrapper* from(AEffect* effect);
    static VstIntPtr dispatchEntry(AEffect* effect, int opcode, int index, VstIntPtr value,
                                   void* ptr, float opt);
    static void setParameterEntry(AEffect* effect, int index, float value);
    static float getParameterEntry(AEffect* effect, int index);
    static void processEntry(AEffect* effect, float** inputs, float** outputs, int frames);
    static void processReplacingEntry(AEffect* effect, float** inputs, float** outputs, int frames);
    static void processDoubleReplacingEntry(AEffect* effect, double** inputs, double** outputs,
                                            int frames);

    VstIntPtr dispatch(int opcode, int index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr callHost(int opcode, int index, VstIntPtr value, void* ptr, float opt);

    // Opcodes
    bool resume();
    void suspend();
    VstIntPtr getChunk(void** data);
    VstIntPtr setChunk(const void* data, VstIntPtr size);
    bool parameterInfo(int32 index, ParameterInfo& info);
    void parameterName(int32 index, char* text);
    bool parameterProperties(int32 index, VstParameterProperties* properties);
    void parameterDisplay(int32 index, char* text);
    void parameterLabel(int32 index, char* text);
    bool stringToParameter(int32 index, const char* text);
    VstIntPtr canDo(const char* text) const;
    bool setProcessPrecision(VstIntPtr precision);
    // The editor's size in *rect (null without an editor); 1 when there is one.
    VstIntPtr editorRect(ERect** rect);
    bool openEditor(void* parent);
    void closeEditor();
    void idleEditor();
    // The view, made now if there is none yet; null when the controller offers none.
    IPlugView* editorView();

    // A value set outside the blocks (index within range): the processor's from now on, the
    // running engine's at the next block; the controller's at the next dispatcher call when
    // forController (it has the value already otherwise).
    void setValue(int32 index, ParamValue value, bool forController) noexcept;
    // Values that still wait for the engine, made the processor's (they may have been covered by
    // an older value of a block in flight) and no longer waiting: the engine about to be set up
    // starts from them.
    void settleValues() noexcept;
    // Values from the host that the controller has not seen yet.
    void updateController();
    // The latest values re-read from the controller (after a state load or a restart).
    void readControllerValues();
    // Dispatcher thread: initialDelay brought to the processor's latency, and the host told
    // when it moved.
    void followLatency();

    // Audio thread.
    template <typename Sample>
    void process(Sample** inputs, Sample** outputs, int32 frames) noexcept;
    void processAccumulating(float** inputs, float** outputs, int32 frames) noexcept;
    // One piece of at most maxBlockSize samples; false when the processor failed it.
    template <typename Sample>
    bool processPiece(Sample** inputs, Sample** outputs, int32 offset, int32 frames) noexcept;
    void collectChanges() noexcept;
    // After the block's first piece: a value set since the block took its points is newer than
    // what the block put into the processor's values.
    void keepNewerValues() noexcept;
    template <typename Sample>
    static void silence(Sample** outputs, int32 offset, int32 frames) noexcept;

    std::unique_ptr<EffectBlock> block;
    audioMasterCallback audioMaster;
    CloseHook onClose;
    std::unique_ptr<kelvane::wrappers::ComponentHost> pair;

    IPtr<IPlugView> editor;
    IPtr<kelvane::wrappers::EditorFrame> frame;
    bool editorOpen = false;
    ERect editorSize{};
    // Over the host's window, which the editor fills from its corner; closed with the editor.
    kelvane::wrappers::ContextMenus contextMenus;

    char effectName[Vst2Text::kEffectNameLength + 1] = {};
    char vendorName[Vst2Text::kVendorStringLength + 1] = {};
    char programName[Vst2Text::kProgramNameLength + 1] = {};

    std::unique_ptr<kelvane::wrappers::vst2::ParameterMailbox> mailbox;
    // One point per parameter, at the start of a block.
    std::unique_ptr<kelvane::wrappers::PointChanges> changes;
    // The last chunk: the host reads it until the next getChunk or the close.
    std::vector<std::uint8_t> chunk;

    // The longest piece handed to the processor.
    static constexpr int32 kMaxPieceSamples = 4096;

    double sampleRate = 44100.0;
    int32 maxBlockSize = 1024;
    int32 processBlockSize = 1024; // the block size of the current activation
    bool wideSamples = false;      // the sample size announced with effSetProcessPrecision
    bool active = false;
    std::atomic<bool> processing{false};
    // A value came from setParameter: its latency is still to be followed.
    std::atomic<bool> latencyDue{false};

    std::vector<float> scratch; // outputs of the accumulating process, 2 * processBlockSize
};

} // namespace Vst
} // namespace Steinberg
