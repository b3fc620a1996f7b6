#pragma once

// A small VST 2 host for the wrapper's tests: a host callback that records what the effect asks
// of it, a class factory that hands out the product's classes and lets a test see (or refuse)
// what is created, and an effect handle that opens and closes the effect as a host would.

#include "host/hostedprocessor.h"
#include "host/processdata.h"
#include "wrappers/vst2/vst2wrapper.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <string>
#include <utility>
#include <vector>

namespace vst2host {

// What the host callback was asked, in order. The callback is a plain function, so the record
// is process-wide; each test clears it.
struct HostCall {
    int opcode;
    int index;
    VstIntPtr value;
    float opt;
};
std::vector<HostCall>& hostCalls();
// The calls with the given opcode.
std::vector<HostCall> hostCallsOf(int opcode);
// The answer to audioMasterVersion (2400 unless a test changes it).
extern VstIntPtr hostVersion;

VstIntPtr hostCallback(AEffect* effect, int opcode, int index, VstIntPtr value, void* ptr,
                       float opt);

// The product's factory behind a counting front: it counts references, keeps the objects it
// created when asked to, and can refuse to create the controller class.
class RecordingFactory : public Steinberg::IPluginFactory2 {
public:
    RecordingFactory();
    virtual ~RecordingFactory();

    Steinberg::tresult PLUGIN_API getFactoryInfo(Steinberg::PFactoryInfo* info) override;
    Steinberg::int32 PLUGIN_API countClasses() override;
    Steinberg::tresult PLUGIN_API getClassInfo(Steinberg::int32 index,
                                               Steinberg::PClassInfo* info) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::FIDString cid,
                                                 Steinberg::FIDString interfaceId,
                                                 void** obj) override;
    Steinberg::tresult PLUGIN_API getClassInfo2(Steinberg::int32 index,
                                                Steinberg::PClassInfo2* info) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried,
                                                 void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return ++references; }
    Steinberg::uint32 PLUGIN_API release() override;

    Steinberg::uint32 references = 1;
    bool keepCreated = false;
    bool refuseController = false;
    int instancesCreated = 0;
    std::vector<Steinberg::IPtr<Steinberg::FUnknown>> created;

private:
    Steinberg::IPtr<Steinberg::IPluginFactory2> product;
};

// The processor class id of the product, as create takes it.
const Steinberg::int8* processorClassId();

// An effect as a host holds it: created from a factory and closed when the handle goes.
class Effect {
public:
    explicit Effect(Steinberg::IPluginFactory* factory, void (*onClose)() = nullptr);
    ~Effect() { close(); }
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    explicit operator bool() const { return effect != nullptr; }
    AEffect* operator->() const { return effect; }

    VstIntPtr dispatch(int opcode, int index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    std::string text(int opcode, int index = 0);
    // setSampleRate, setBlockSize and resume.
    void start(float sampleRate = 48000.0f, int blockSize = 1024);
    void close();

    // A stereo block through processReplacing (or the accumulating process, or
    // processDoubleReplacing): the inputs are taken as they are, the outputs sized to match.
    void process(const std::vector<std::vector<float>>& inputs,
                 std::vector<std::vector<float>>& outputs);
    void accumulate(const std::vector<std::vector<float>>& inputs,
                    std::vector<std::vector<float>>& outputs);
    void process(const std::vector<std::vector<double>>& inputs,
                 std::vector<std::vector<double>>& outputs);

    std::string chunk(bool bank = true);
    VstIntPtr setChunk(const std::string& bytes, bool bank = true);

private:
    AEffect* effect = nullptr;
};

// A stereo block of noise in [-1, 1) from a fixed seed, in either width.
template <typename Sample>
std::vector<std::vector<Sample>> noise(int frames, unsigned seed);

// Parameter values, as a block's points at its start.
using Values = std::vector<std::pair<Steinberg::Vst::ParamID, double>>;

// The product processor driven through its VST 3 interface, as the reference for the effect:
// set up and active in Sample's width, and taking blocks of either width as the effect hands
// them (each in the width its ProcessData says).
template <typename Sample>
class Reference {
public:
    explicit Reference(double sampleRate = 48000.0);

    // One block in the width of its samples, with the values as points at its start.
    template <typename Block>
    std::vector<std::vector<Block>> process(const std::vector<std::vector<Block>>& inputs,
                                            const Values& changes = {});
    // A block of no samples carrying the values, as a VST 3 host flushes parameters.
    void flush(const Values& changes);
    // Suspended and set up again at the rate: the new engine starts from the values so far.
    void restart(double sampleRate);
    std::string state();

    testhost::HostedProcessor processor;
};

// The state a VST 3 processor saves after a block carrying the values, when it had loaded the
// given state (none: its defaults) before.
std::string vst3State(const Values& values, const std::string& loaded = std::string());

} // namespace vst2host
