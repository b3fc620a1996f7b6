#include "vst2/vst2host.h"

#include "host/streams.h"
#include "module/classids.h"
#include "module/factory.h"

#include "framework/hostedprocessor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace vst2host {

using namespace Steinberg;

std::vector<HostCall>& hostCalls() {
    static std::vector<HostCall> calls;
    return calls;
}

std::vector<HostCall> hostCallsOf(int opcode) {
    std::vector<HostCall> result;
    for (const HostCall& call : hostCalls()) {
        if (call.opcode == opcode) {
            result.push_back(call);
        }
    }
    return result;
}

VstIntPtr hostVersion = 2400;

VstIntPtr hostCallback(AEffect*, int opcode, int index, VstIntPtr value, void*, float opt) {
    hostCalls().push_back(HostCall{opcode, index, value, opt});
    switch (opcode) {
    case audioMasterVersion:
        return hostVersion;
    case audioMasterGetSampleRate:
        return 48000;
    case audioMasterGetBlockSize:
        return 1024;
    default:
        return 0;
    }
}

RecordingFactory::RecordingFactory() {
    IPluginFactory* factory = tivrandel::createFactory();
    void* obj = nullptr;
    if (factory && factory->queryInterface(IPluginFactory2::iid, &obj) == kResultOk) {
        product = owned(static_cast<IPluginFactory2*>(obj));
    }
    if (factory) {
        factory->release();
    }
}

RecordingFactory::~RecordingFactory() = default;

tresult PLUGIN_API RecordingFactory::getFactoryInfo(PFactoryInfo* info) {
    return product->getFactoryInfo(info);
}

int32 PLUGIN_API RecordingFactory::countClasses() {
    return product->countClasses();
}

tresult PLUGIN_API RecordingFactory::getClassInfo(int32 index, PClassInfo* info) {
    return product->getClassInfo(index, info);
}

tresult PLUGIN_API RecordingFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    return product->getClassInfo2(index, info);
}

tresult PLUGIN_API RecordingFactory::createInstance(FIDString cid, FIDString interfaceId,
                                                    void** obj) {
    if (refuseController &&
        FUID::fromTUID(reinterpret_cast<const TUID&>(*cid)) == tivrandel::controllerClassId()) {
        *obj = nullptr;
        return kResultFalse;
    }
    const tresult result = product->createInstance(cid, interfaceId, obj);
    if (result == kResultOk) {
        ++instancesCreated;
        if (keepCreated) {
            created.emplace_back(static_cast<FUnknown*>(*obj));
        }
    }
    return result;
}

tresult PLUGIN_API RecordingFactory::queryInterface(const TUID queried, void** obj) {
    QUERY_INTERFACE(queried, obj, FUnknown::iid, IPluginFactory)
    QUERY_INTERFACE(queried, obj, IPluginFactory::iid, IPluginFactory)
    QUERY_INTERFACE(queried, obj, IPluginFactory2::iid, IPluginFactory2)
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API RecordingFactory::release() {
    // Owned by the test on the stack: the count is only observed, never deletes.
    return --references;
}

const int8* processorClassId() {
    static const FUID id = tivrandel::processorClassId();
    return id.toTUID();
}

Effect::Effect(IPluginFactory* factory, void (*onClose)()) {
    effect = Vst::Vst2Wrapper::create(factory, processorClassId(), tivrandel::vst2UniqueId(),
                                      &hostCallback, onClose);
    if (effect) {
        dispatch(effOpen);
    }
}

VstIntPtr Effect::dispatch(int opcode, int index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string Effect::text(int opcode, int index) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    dispatch(opcode, index, 0, buffer);
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

void Effect::start(float sampleRate, int blockSize) {
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
}

void Effect::close() {
    if (effect) {
        dispatch(effMainsChanged, 0, 0);
        AEffect* closing = effect;
        effect = nullptr;
        closing->dispatcher(closing, effClose, 0, 0, nullptr, 0.0f);
    }
}

namespace {

template <typename Sample>
void sized(const std::vector<std::vector<Sample>>& inputs,
           std::vector<std::vector<Sample>>& outputs, std::vector<Sample*>& in,
           std::vector<Sample*>& out) {
    outputs.resize(2);
    for (int c = 0; c < 2; ++c) {
        outputs[c].resize(inputs[c].size());
        in.push_back(const_cast<Sample*>(inputs[c].data()));
        out.push_back(outputs[c].data());
    }
}

} // namespace

void Effect::process(const std::vector<std::vector<float>>& inputs,
                     std::vector<std::vector<float>>& outputs) {
    std::vector<float*> in, out;
    sized(inputs, outputs, in, out);
    effect->processReplacing(effect, in.data(), out.data(), static_cast<int>(inputs[0].size()));
}

void Effect::accumulate(const std::vector<std::vector<float>>& inputs,
                        std::vector<std::vector<float>>& outputs) {
    std::vector<float*> in, out;
    sized(inputs, outputs, in, out);
    effect->process(effect, in.data(), out.data(), static_cast<int>(inputs[0].size()));
}

void Effect::process(const std::vector<std::vector<double>>& inputs,
                     std::vector<std::vector<double>>& outputs) {
    std::vector<double*> in, out;
    sized(inputs, outputs, in, out);
    effect->processDoubleReplacing(effect, in.data(), out.data(),
                                   static_cast<int>(inputs[0].size()));
}

std::string Effect::chunk(bool bank) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
    if (size <= 0 || !data) {
        return std::string();
    }
    return std::string(static_cast<const char*>(data), static_cast<size_t>(size));
}

VstIntPtr Effect::setChunk(const std::string& bytes, bool bank) {
    std::string copy = bytes;
    return dispatch(effSetChunk, bank ? 0 : 1, static_cast<VstIntPtr>(copy.size()), copy.data());
}

template <typename Sample>
std::vector<std::vector<Sample>> noise(int frames, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> distribution(-1.0, 1.0);
    std::vector<std::vector<Sample>> block(2, std::vector<Sample>(static_cast<size_t>(frames)));
    for (auto& channel : block) {
        for (Sample& sample : channel) {
            sample = static_cast<Sample>(distribution(generator));
        }
    }
    return block;
}

template std::vector<std::vector<float>> noise<float>(int, unsigned);
template std::vector<std::vector<double>> noise<double>(int, unsigned);

namespace {

template <typename Sample>
constexpr int32 sampleSize() {
    return sizeof(Sample) == sizeof(double) ? Vst::kSample64 : Vst::kSample32;
}

} // namespace

template <typename Sample>
Reference<Sample>::Reference(double sampleRate) {
    FUnknownPtr<kelvane::vst::IHostedProcessor> hosted(
        static_cast<Vst::IAudioProcessor*>(processor.processor.get()));
    EXPECT_TRUE(hosted && hosted->acceptEitherSampleSize(true) == kResultOk);
    EXPECT_EQ(processor.setup(sampleRate, sampleSize<Sample>()), kResultOk);
    processor->setActive(true);
}

template <typename Sample>
template <typename Block>
std::vector<std::vector<Block>>
Reference<Sample>::process(const std::vector<std::vector<Block>>& inputs, const Values& changes) {
    const auto frames = static_cast<int32>(inputs[0].size());
    testhost::ProcessDataBuilder block(sampleSize<Block>(), 2, frames);
    block.fillInput([&](int32 c, int32 i) { return static_cast<double>(inputs[c][i]); });
    for (const auto& change : changes) {
        block.changes().add(change.first, 0, change.second);
    }
    EXPECT_EQ(processor->process(block.data()), kResultOk);
    std::vector<std::vector<Block>> outputs(2, std::vector<Block>(inputs[0].size()));
    for (int32 c = 0; c < 2; ++c) {
        for (int32 i = 0; i < frames; ++i) {
            outputs[c][i] = static_cast<Block>(block.output(c, i));
        }
    }
    return outputs;
}

template <typename Sample>
void Reference<Sample>::flush(const Values& changes) {
    testhost::ProcessDataBuilder block(sampleSize<Sample>(), 2, 0);
    for (const auto& change : changes) {
        block.changes().add(change.first, 0, change.second);
    }
    EXPECT_EQ(processor->process(block.data()), kResultOk);
}

template <typename Sample>
void Reference<Sample>::restart(double sampleRate) {
    processor->setActive(false);
    EXPECT_EQ(processor.setup(sampleRate, sampleSize<Sample>()), kResultOk);
    processor->setActive(true);
}

template <typename Sample>
std::string Reference<Sample>::state() {
    IPtr<MemoryStream> stream = owned(new MemoryStream());
    EXPECT_EQ(processor->getState(stream), kResultOk);
    return testhost::bytesOf(*stream);
}

template class Reference<float>;
template class Reference<double>;
template std::vector<std::vector<float>>
Reference<float>::process(const std::vector<std::vector<float>>&, const Values&);
template std::vector<std::vector<double>>
Reference<float>::process(const std::vector<std::vector<double>>&, const Values&);
template std::vector<std::vector<float>>
Reference<double>::process(const std::vector<std::vector<float>>&, const Values&);
template std::vector<std::vector<double>>
Reference<double>::process(const std::vector<std::vector<double>>&, const Values&);

std::string vst3State(const Values& values, const std::string& loaded) {
    Reference<float> reference;
    if (!loaded.empty()) {
        EXPECT_EQ(reference.processor->setState(testhost::streamOf(loaded)), kResultOk);
    }
    reference.flush(values);
    return reference.state();
}

} // namespace vst2host
