#pragma once

#include "framework/guard.h"
#include "framework/hostedprocessor.h"
#include "framework/messages.h"
#include "framework/stateblob.h"
#include "framework/valuemailbox.h"
#include "platform/flushtozero.h"

#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "public.sdk/source/vst/vstaudioeffect.h"

#include <picojson.h>

#include <algorithm>
#include <atomic>
#include <bitset>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <string>

namespace kelvane::vst {

// The product-independent half of an audio processor component: one input and one output bus
// of equal arrangement (or a mono input to a stereo output), 32- and 64-bit processing, a real-time
// engine rebuilt on every successful setupProcessing, the saved state and the activation message to
// the controller. It reads nothing of the host's ProcessContext, so it asks the host for none of it
// (IProcessContextRequirements answers 0). The adapters of other formats, which host it, may
// also set values outside blocks and hand it blocks of either sample size (IHostedProcessor).
//
// The product class derives from this template and supplies:
//   static const Steinberg::Vst::TChar* inputBusName();
//   static const Steinberg::Vst::TChar* outputBusName();
//   std::unique_ptr<RealtimeProcessor> makeEngine(const ProcessSetup&, int32 numChannels);
//   uint32 latencyFor(const ProcessorState& values) const;   // at the stored setup's rate
// makeEngine is the second stage of setupProcessing; it runs only after the first stage here
// has accepted the setup, and may throw (std::bad_alloc): the previous engine is then kept.
template <typename Processor, typename Parameters, typename ProcessorState,
          typename RealtimeProcessor>
class ProcessorBase : public Steinberg::Vst::AudioEffect, public IHostedProcessor {
public:
    using tresult = Steinberg::tresult;
    using int32 = Steinberg::int32;
    using uint32 = Steinberg::uint32;

    ProcessorBase() = default;
    // The engine goes before the SDK base is torn down.
    ~ProcessorBase() override { engine.reset(); }

    ProcessorBase(const ProcessorBase&) = delete;
    ProcessorBase& operator=(const ProcessorBase&) = delete;

    tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override {
        if (Steinberg::FUnknownPrivate::iidEqual(iid, IHostedProcessor::iid)) {
            addRef();
            *obj = static_cast<IHostedProcessor*>(this);
            return Steinberg::kResultOk;
        }
        return AudioEffect::queryInterface(iid, obj);
    }
    uint32 PLUGIN_API addRef() override { return AudioEffect::addRef(); }
    uint32 PLUGIN_API release() override { return AudioEffect::release(); }

    tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override {
        return guarded([&]() -> tresult {
            const tresult result = AudioEffect::initialize(context);
            if (result != Steinberg::kResultOk) {
                return result;
            }
            addAudioInput(Processor::inputBusName(), Steinberg::Vst::SpeakerArr::kStereo);
            addAudioOutput(Processor::outputBusName(), Steinberg::Vst::SpeakerArr::kStereo);
            return Steinberg::kResultOk;
        });
    }

    tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override {
        return guarded([&]() -> tresult {
            if (message == nullptr) {
                return Steinberg::kInvalidArgument;
            }
            const char* id = message->getMessageID();
            if (sameMessageId(id, messageId::parameterValue)) {
                return takeValueMessage(message->getAttributes());
            }
            // The SDK's text-message handling reads the attributes without checking them.
            if (sameMessageId(id, "TextMessage") && message->getAttributes() == nullptr) {
                return Steinberg::kResultFalse;
            }
            return AudioEffect::notify(message);
        });
    }

    // Tells the controller whether processing is active; nothing else changes.
    tresult PLUGIN_API setActive(Steinberg::TBool active) override {
        return guarded([&]() -> tresult {
            Steinberg::IPtr<Steinberg::Vst::IMessage> message = Steinberg::owned(allocateMessage());
            if (!message) {
                return Steinberg::kResultOk;
            }
            message->setMessageID(messageId::processorActivated);
            Steinberg::Vst::IAttributeList* attributes = message->getAttributes();
            if (attributes == nullptr) {
                return Steinberg::kResultOk;
            }
            attributes->setInt(messageId::processorActivated, active ? 1 : 0);
            sendMessage(message);
            return Steinberg::kResultOk;
        });
    }

    tresult PLUGIN_API setState(Steinberg::IBStream* stream) override {
        return guarded([&]() -> tresult {
            picojson::object object;
            if (!readStateObject(stream, object)) {
                return Steinberg::kResultFalse;
            }
            ProcessorState loaded;
            {
                const std::lock_guard<std::mutex> lock(stateMutex);
                for (int32 id = 0; id < Parameters::count; ++id) {
                    const auto& description = Parameters::describe(Steinberg::Vst::ParamID(id));
                    loaded.values[id] = toFloat(
                        stateNumber(object, description.stateKey, description.defaultValue));
                    // A value that came in before the load must not overwrite it later.
                    latest[id].clear();
                }
                state = loaded;
                if (engine) {
                    engine->postState(state);
                }
            }
            announceLatency();
            return Steinberg::kResultOk;
        });
    }

    tresult PLUGIN_API getState(Steinberg::IBStream* stream) override {
        return guarded([&]() -> tresult {
            if (stream == nullptr) {
                return Steinberg::kResultFalse;
            }
            ProcessorState current;
            {
                const std::lock_guard<std::mutex> lock(stateMutex);
                takeLatestValues();
                current = state;
            }
            picojson::object object;
            for (int32 id = 0; id < Parameters::count; ++id) {
                // JSON holds no NaN or infinity; save what the engine makes of such a value.
                const double value = storableNumber(double(current.values[id]));
                const auto paramId = Steinberg::Vst::ParamID(id);
                if (Parameters::saved(paramId, value)) {
                    object[Parameters::describe(paramId).stateKey] = picojson::value(value);
                }
            }
            object[Parameters::versionKey()] = picojson::value(1.0);
            object[Parameters::tagKey()] = picojson::value(std::string(Parameters::processorTag()));
            return writeStateText(stream, serializeState(object)) ? Steinberg::kResultOk
                                                                  : Steinberg::kResultFalse;
        });
    }

    // One input and one output bus of the same arrangement, whatever it is, or a mono input to
    // a stereo output: process then feeds the mono channel to both of the engine's inputs.
    tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs, int32 numIns,
                                          Steinberg::Vst::SpeakerArrangement* outputs,
                                          int32 numOuts) override {
        return guarded([&]() -> tresult {
            if (numIns != 1 || numOuts != 1 || inputs == nullptr || outputs == nullptr) {
                return Steinberg::kResultFalse;
            }
            const bool monoToStereo = inputs[0] == Steinberg::Vst::SpeakerArr::kMono &&
                                      outputs[0] == Steinberg::Vst::SpeakerArr::kStereo;
            if (inputs[0] != outputs[0] && !monoToStereo) {
                return Steinberg::kResultFalse;
            }
            return AudioEffect::setBusArrangements(inputs, numIns, outputs, numOuts);
        });
    }

    tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override {
        return symbolicSampleSize == Steinberg::Vst::kSample32 ||
                       symbolicSampleSize == Steinberg::Vst::kSample64
                   ? Steinberg::kResultTrue
                   : Steinberg::kResultFalse;
    }

    // What the product makes of the latest values, whichever way they came: the host that asks
    // knows it from now on.
    uint32 PLUGIN_API getLatencySamples() override {
        return guarded(uint32(0), [&] {
            announcedLatency = currentLatency();
            return announcedLatency;
        });
    }
    uint32 PLUGIN_API getTailSamples() override { return Steinberg::Vst::kNoTail; }

    // A refused setup (or one whose engine cannot be built) leaves the stored setup, and with it
    // the tail and the sample size that process accepts, as it was.
    tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override {
        const Steinberg::Vst::ProcessSetup previous = processSetup;
        const tresult result = guarded([&]() -> tresult {
            // The engine and the tail convert the rate to integers, which is undefined for NaN,
            // infinities and values beyond int32.
            if (!usableSampleRate(setup.sampleRate)) {
                return Steinberg::kResultFalse;
            }
            if (AudioEffect::setupProcessing(setup) != Steinberg::kResultOk) {
                return Steinberg::kResultFalse;
            }
            const int32 channels = outputChannelCount();
            if (channels <= 0) {
                return Steinberg::kResultFalse;
            }
            const std::lock_guard<std::mutex> lock(stateMutex);
            takeLatestValues();
            // The new engine is complete before the old one goes; if building it throws, the
            // old one stays in place.
            std::unique_ptr<RealtimeProcessor> next =
                static_cast<Processor&>(*this).makeEngine(setup, channels);
            if (!next) {
                return Steinberg::kResultFalse;
            }
            engine.swap(next);
            return Steinberg::kResultOk;
        });
        if (result != Steinberg::kResultOk) {
            processSetup = previous;
        }
        return result;
    }

    // Audio thread. Nothing here allocates, locks or throws.
    //
    // Output channels that no input channel reaches (all of them without an input bus) are
    // written silent and flagged so; a single input channel to a stereo engine feeds both of its
    // inputs.
    tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override {
        if (!engine) {
            return Steinberg::kResultFalse;
        }
        // Buffers of another width than the one set up would be read and written as the wrong
        // type, past their ends: such a block is refused before anything of it is read. An
        // adapter that sees the real buffers may say either width.
        if (data.symbolicSampleSize != processSetup.symbolicSampleSize &&
            !(eitherSampleSize.load(std::memory_order_relaxed) &&
              canProcessSampleSize(data.symbolicSampleSize) == Steinberg::kResultTrue)) {
            return Steinberg::kResultFalse;
        }
        platform::FlushToZeroScope flushToZero;
        // Before any check, so that a host's parameter flush (no samples) is still taken in.
        engine->receiveParameterChanges(data);
        if (data.inputParameterChanges != nullptr) {
            // Into the cells that values set outside blocks go to as well, so that a save finds
            // whichever came last.
            for (int32 id = 0; id < Parameters::count; ++id) {
                float value = 0.0f;
                if (engine->takeLatestValue(id, value)) {
                    latest[id].store(value);
                }
            }
        }
        if (data.numSamples <= 0 || data.numOutputs < 1) {
            return Steinberg::kResultOk;
        }
        if (data.outputs == nullptr) {
            return Steinberg::kResultFalse;
        }
        Steinberg::Vst::AudioBusBuffers& out = data.outputs[0];
        Steinberg::Vst::AudioBusBuffers* in = nullptr;
        if (data.numInputs >= 1) {
            if (data.inputs == nullptr) {
                return Steinberg::kResultFalse;
            }
            in = &data.inputs[0];
        }
        const int32 inputs = in != nullptr ? in->numChannels : 0;
        const int32 outputs = out.numChannels;
        // No more output channels than the bus has, and each input channel has its output.
        if (inputs < 0 || inputs > engine->numChannels() || outputs < inputs ||
            outputs > engine->numChannels()) {
            return Steinberg::kResultFalse;
        }
        if (data.symbolicSampleSize == Steinberg::Vst::kSample32) {
            return processBlock(in != nullptr ? in->channelBuffers32 : nullptr, inputs,
                                out.channelBuffers32, out, data.numSamples);
        }
        return processBlock(in != nullptr ? in->channelBuffers64 : nullptr, inputs,
                            out.channelBuffers64, out, data.numSamples);
    }

    tresult PLUGIN_API setParameterValue(Steinberg::Vst::ParamID id,
                                         Steinberg::Vst::ParamValue value) override {
        if (id >= static_cast<Steinberg::Vst::ParamID>(Parameters::count) ||
            !std::isfinite(value)) {
            return Steinberg::kInvalidArgument;
        }
        latest[id].store(toFloat(value));
        return Steinberg::kResultOk;
    }

    tresult PLUGIN_API acceptEitherSampleSize(Steinberg::TBool accept) override {
        eitherSampleSize.store(accept != 0, std::memory_order_relaxed);
        return Steinberg::kResultOk;
    }

protected:
    // The number of channels of output bus 0, or 0 when it cannot be read.
    int32 outputChannelCount() {
        Steinberg::Vst::SpeakerArrangement arrangement = 0;
        if (getBusArrangement(Steinberg::Vst::kOutput, 0, arrangement) != Steinberg::kResultTrue) {
            return 0;
        }
        return int32(std::bitset<64>(arrangement).count());
    }

    ProcessorState state;
    std::unique_ptr<RealtimeProcessor> engine;
    // Hosts call getState and setState on the user-interface thread, but some save from a
    // worker thread while the user loads: the two, and setupProcessing, which replaces the
    // engine, take turns on state and on the engine's receiving end. The audio thread never
    // takes this lock.
    std::mutex stateMutex;
    // The latency the host last learned (from getLatencySamples or a restart request); on the
    // thread of the controller's messages.
    uint32 announcedLatency = 0;
    // Values that came in since state was last brought up to date: from blocks (the engine's
    // cells, emptied by process) and from setParameterValue. One cell each, so the later wins.
    ValueMailbox latest[Parameters::count];
    std::atomic<bool> eitherSampleSize{false};

private:
    template <typename Sample>
    tresult processBlock(Sample** in, int32 inputs, Sample** out,
                         Steinberg::Vst::AudioBusBuffers& outBus, int32 numSamples) noexcept {
        const int32 outputs = outBus.numChannels;
        if (!usableChannels(in, inputs) || !usableChannels(out, outputs)) {
            return Steinberg::kResultFalse;
        }
        int32 reached = inputs;
        if (inputs == 1 && outputs >= 2 && engine->numChannels() == 2) {
            // The engine reads both inputs of a sample before it writes either output, so the
            // mono buffer may also be one of the outputs.
            Sample* both[2] = {in[0], in[0]};
            engine->process(both, out, 2, numSamples);
            reached = 2;
        } else if (inputs > 0) {
            engine->process(in, out, inputs, numSamples);
        }
        Steinberg::uint64 silent = 0;
        for (int32 channel = reached; channel < outputs; ++channel) {
            std::fill_n(out[channel], numSamples, Sample(0));
            if (channel < 64) {
                silent |= Steinberg::uint64(1) << channel;
            }
        }
        outBus.silenceFlags = silent;
        return Steinberg::kResultOk;
    }

    static bool usableSampleRate(double rate) {
        return std::isfinite(rate) && rate >= 1.0 &&
               rate < double(std::numeric_limits<int32>::max()) + 1.0;
    }

    // A bus's channel array must exist, and each of its first n channels too.
    template <typename Sample>
    static bool usableChannels(Sample** channels, int32 n) noexcept {
        if (n == 0) {
            return true;
        }
        if (channels == nullptr) {
            return false;
        }
        for (int32 channel = 0; channel < n; ++channel) {
            if (channels[channel] == nullptr) {
                return false;
            }
        }
        return true;
    }

    // Nearest float; doubles beyond the float range become infinities explicitly, as the
    // plain conversion of such a value is undefined.
    static float toFloat(double value) {
        constexpr double largest = double(std::numeric_limits<float>::max());
        if (value > largest) {
            return std::numeric_limits<float>::infinity();
        }
        if (value < -largest) {
            return -std::numeric_limits<float>::infinity();
        }
        return float(value);
    }

    uint32 currentLatency() {
        const std::lock_guard<std::mutex> lock(stateMutex);
        takeLatestValues();
        return static_cast<const Processor&>(*this).latencyFor(state);
    }

    // Asks the host, through the controller, to take in a latency that changed since it last
    // learned it. Never on the audio thread: the message is made by the host.
    void announceLatency() {
        const uint32 latency = currentLatency();
        if (latency == announcedLatency) {
            return;
        }
        announcedLatency = latency;
        Steinberg::IPtr<Steinberg::Vst::IMessage> message = Steinberg::owned(allocateMessage());
        if (message) {
            message->setMessageID(messageId::latencyChanged);
            sendMessage(message);
        }
    }

    // The controller's word on a value that hosts do not automate.
    tresult takeValueMessage(Steinberg::Vst::IAttributeList* attributes) {
        Steinberg::int64 id = -1;
        double value = 0.0;
        if (attributes == nullptr ||
            attributes->getInt(messageId::parameterIdAttribute, id) != Steinberg::kResultOk ||
            attributes->getFloat(messageId::parameterValueAttribute, value) !=
                Steinberg::kResultOk ||
            id < 0 || id >= Parameters::count ||
            setParameterValue(static_cast<Steinberg::Vst::ParamID>(id), value) !=
                Steinberg::kResultOk) {
            return Steinberg::kResultFalse;
        }
        announceLatency();
        return Steinberg::kResultOk;
    }

    // Moves the values that came in since the last time into state.
    void takeLatestValues() {
        for (int32 id = 0; id < Parameters::count; ++id) {
            float value = 0.0f;
            if (latest[id].take(value)) {
                state.values[id] = value;
            }
        }
    }
};

} // namespace kelvane::vst
