#include "host/hostedprocessor.h"

namespace testhost {

using namespace Steinberg;

HostedProcessor::HostedProcessor(bool connectPeer) : processor(owned(new tivrandel::Processor)) {
    processor->initialize(&host);
    if (connectPeer) {
        connected = processor->connect(&peer) == kResultOk;
    }
}

HostedProcessor::~HostedProcessor() {
    if (connected) {
        processor->disconnect(&peer);
    }
    processor->terminate();
    processor = nullptr;
}

tresult HostedProcessor::setup(double sampleRate, int32 symbolicSampleSize) {
    Vst::ProcessSetup setup{Vst::kRealtime, symbolicSampleSize, 1024, sampleRate};
    return processor->setupProcessing(setup);
}

} // namespace testhost
