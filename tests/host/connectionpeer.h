#pragma once

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstmessage.h"

#include <string>
#include <vector>

namespace testhost {

// The other end of a component's IConnectionPoint: keeps every message it is sent, so that a
// test can read their ids and attributes afterwards.
class ConnectionPeer : public Steinberg::Vst::IConnectionPoint {
public:
    ConnectionPeer() { FUNKNOWN_CTOR }
    virtual ~ConnectionPeer(){FUNKNOWN_DTOR}

    Steinberg::tresult PLUGIN_API connect(Steinberg::Vst::IConnectionPoint* other) override;
    Steinberg::tresult PLUGIN_API disconnect(Steinberg::Vst::IConnectionPoint* other) override;
    Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;

    std::vector<std::string> ids() const;
    // The integer attribute of message index; false when it cannot be read.
    bool intAttribute(size_t index, const char* key, Steinberg::int64& value) const;

    std::vector<Steinberg::IPtr<Steinberg::Vst::IMessage>> messages;
    Steinberg::tresult answer = Steinberg::kResultOk;

    DECLARE_FUNKNOWN_METHODS
};

} // namespace testhost
