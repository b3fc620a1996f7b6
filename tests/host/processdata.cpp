#include "host/processdata.h"

namespace testhost {

using namespace Steinberg;

ProcessDataBuilder::ProcessDataBuilder(int32 sampleSize, int32 numChannels, int32 numSamples,
                                       bool shareBuffers)
    : symbolicSampleSize(sampleSize), channels(numChannels), samples(numSamples),
      inPlace(shareBuffers) {
    const auto c = size_t(numChannels > 0 ? numChannels : 0);
    const auto n = size_t(numSamples > 0 ? numSamples : 0);
    in32.assign(c, std::vector<float>(n, 0.0f));
    out32.assign(c, std::vector<float>(n, 0.0f));
    in64.assign(c, std::vector<double>(n, 0.0));
    out64.assign(c, std::vector<double>(n, 0.0));
}

Vst::ProcessData& ProcessDataBuilder::data() {
    inPointers32.clear();
    outPointers32.clear();
    inPointers64.clear();
    outPointers64.clear();
    for (size_t c = 0; c < in32.size(); ++c) {
        inPointers32.push_back(in32[c].data());
        outPointers32.push_back(inPlace ? in32[c].data() : out32[c].data());
        inPointers64.push_back(in64[c].data());
        outPointers64.push_back(inPlace ? in64[c].data() : out64[c].data());
    }
    inputBus = Vst::AudioBusBuffers{};
    outputBus = Vst::AudioBusBuffers{};
    inputBus.numChannels = channels;
    outputBus.numChannels = channels;
    if (is64()) {
        inputBus.channelBuffers64 = inPointers64.data();
        outputBus.channelBuffers64 = outPointers64.data();
    } else {
        inputBus.channelBuffers32 = inPointers32.data();
        outputBus.channelBuffers32 = outPointers32.data();
    }
    processData = Vst::ProcessData{};
    processData.processMode = Vst::kRealtime;
    processData.symbolicSampleSize = symbolicSampleSize;
    processData.numSamples = samples;
    processData.numInputs = 1;
    processData.numOutputs = 1;
    processData.inputs = &inputBus;
    processData.outputs = &outputBus;
    processData.inputParameterChanges = passChanges ? parameterChanges.get() : nullptr;
    return processData;
}

void ProcessDataBuilder::setInput(int32 channel, int32 index, double value) {
    if (is64()) {
        in64[size_t(channel)][size_t(index)] = value;
    } else {
        in32[size_t(channel)][size_t(index)] = float(value);
    }
}

double ProcessDataBuilder::input(int32 channel, int32 index) const {
    return is64() ? in64[size_t(channel)][size_t(index)]
                  : double(in32[size_t(channel)][size_t(index)]);
}

double ProcessDataBuilder::output(int32 channel, int32 index) const {
    const auto c = size_t(channel);
    const auto i = size_t(index);
    if (is64()) {
        return inPlace ? in64[c][i] : out64[c][i];
    }
    return double(inPlace ? in32[c][i] : out32[c][i]);
}

void ProcessDataBuilder::fillOutput(double value) {
    for (auto& channel : out32) {
        channel.assign(channel.size(), float(value));
    }
    for (auto& channel : out64) {
        channel.assign(channel.size(), value);
    }
}

} // namespace testhost
