#include "bundleids.h"

#include "pluginterfaces/base/smartpointer.h"

#include <cstdio>
#include <stdexcept>

namespace bundletest {

VstIntPtr vst24Host(AEffect*, int opcode, int, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::string hexOf(const Steinberg::TUID id) {
    std::string text;
    char byte[3];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(id[i]));
        text += byte;
    }
    return text;
}

std::string idsText(const Bundle& bundle) {
    const Steinberg::IPtr<Steinberg::IPluginFactory> factory(bundle.getPluginFactory(), false);
    if (!factory)
        throw std::runtime_error("no factory");
    std::string text;
    for (Steinberg::int32 i = 0; i < factory->countClasses(); ++i) {
        Steinberg::PClassInfo info{};
        if (factory->getClassInfo(i, &info) != Steinberg::kResultOk)
            throw std::runtime_error("unreadable class entry");
        text += std::string(info.name) + "=" + hexOf(info.cid) + "\n";
    }
    AEffect* effect = bundle.vstPluginMain(&vst24Host);
    if (effect == nullptr)
        throw std::runtime_error("no VST2 effect");
    text += "vst2=" + std::to_string(effect->uniqueID) + "\n";
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    return text;
}

} // namespace bundletest
