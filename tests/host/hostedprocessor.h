#pragma once

#include "host/connectionpeer.h"
#include "processor/processor.h"

#include "pluginterfaces/base/smartpointer.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace testhost {

// A tivrandel::Processor as a host holds it: initialized with a host application (which makes
// the messages) and, unless asked otherwise, connected to a recording peer. Torn down in the
// host's order: disconnect, terminate, release.
class HostedProcessor {
public:
    explicit HostedProcessor(bool connectPeer = true);
    ~HostedProcessor();
    HostedProcessor(const HostedProcessor&) = delete;
    HostedProcessor& operator=(const HostedProcessor&) = delete;

    tivrandel::Processor* operator->() const { return processor.get(); }
    tivrandel::Processor& operator*() const { return *processor; }

    // setupProcessing with the given rate and sample size (realtime, 1024 samples at most).
    Steinberg::tresult setup(double sampleRate = 48000.0,
                             Steinberg::int32 symbolicSampleSize = Steinberg::Vst::kSample32);

    // Declared first so that it outlives the processor, which holds it as its host context.
    // Its addRef and release do not count, so it must not live on the heap on its own.
    Steinberg::Vst::HostApplication host;
    ConnectionPeer peer;
    Steinberg::IPtr<tivrandel::Processor> processor;
    bool connected = false;
};

} // namespace testhost
