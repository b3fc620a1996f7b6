#include "host/connectionpeer.h"

namespace testhost {

using namespace Steinberg;

// Tests keep the peer on the stack; the initial reference is never released.
IMPLEMENT_FUNKNOWN_METHODS(ConnectionPeer, Vst::IConnectionPoint, Vst::IConnectionPoint::iid)

tresult PLUGIN_API ConnectionPeer::connect(Vst::IConnectionPoint*) {
    return kResultOk;
}

tresult PLUGIN_API ConnectionPeer::disconnect(Vst::IConnectionPoint*) {
    return kResultOk;
}

tresult PLUGIN_API ConnectionPeer::notify(Vst::IMessage* message) {
    if (message == nullptr) {
        return kInvalidArgument;
    }
    messages.emplace_back(message);
    return answer;
}

std::vector<std::string> ConnectionPeer::ids() const {
    std::vector<std::string> result;
    for (const auto& message : messages) {
        const char* id = message->getMessageID();
        result.emplace_back(id ? id : "");
    }
    return result;
}

bool ConnectionPeer::intAttribute(size_t index, const char* key, int64& value) const {
    if (index >= messages.size() || messages[index]->getAttributes() == nullptr) {
        return false;
    }
    return messages[index]->getAttributes()->getInt(key, value) == kResultOk;
}

} // namespace testhost
