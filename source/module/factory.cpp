#include "module/factory.h"

#include "controller/controller.h"
#include "module/classids.h"
#include "module/version.h"
#include "processor/processor.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/vsttypes.h"
#include "public.sdk/source/main/pluginfactory.h"
#include "public.sdk/source/vst/vstcomponent.h"

#include <string>

namespace tivrandel {

namespace {

constexpr const char* vendor = "Kelvane";
constexpr const char* vendorUrl = "https://kelvane.example";
constexpr const char* vendorEmail = "support@kelvane.example";
constexpr const char* classVersion = TIVRANDEL_VERSION;

Steinberg::FUnknown* createProcessor(void* context) {
    Steinberg::FUnknown* processor = Processor::createInstance(context);
    if (!processor)
        return nullptr;
    // The host asks the processor which controller belongs to it.
    auto* component = dynamic_cast<Steinberg::Vst::Component*>(processor);
    if (!component) {
        processor->release();
        return nullptr;
    }
    component->setControllerClass(controllerClassId());
    return processor;
}

Steinberg::FUnknown* createController(void* context) {
    return Controller::createInstance(context);
}

Steinberg::PClassInfo2 classInfo(const Steinberg::FUID& cid, const char* category,
                                 const std::string& name, Steinberg::int32 classFlags,
                                 const char* subCategories) {
    return Steinberg::PClassInfo2(cid, Steinberg::PClassInfo::kManyInstances, category,
                                  name.c_str(), classFlags, subCategories, "", classVersion,
                                  kVstVersionString);
}

} // namespace

Steinberg::IPluginFactory* createFactory() {
    Steinberg::PFactoryInfo info;
    Steinberg::strncpy8(info.vendor, vendor, Steinberg::PFactoryInfo::kNameSize);
    Steinberg::strncpy8(info.url, vendorUrl, Steinberg::PFactoryInfo::kURLSize);
    Steinberg::strncpy8(info.email, vendorEmail, Steinberg::PFactoryInfo::kEmailSize);
    info.flags = Steinberg::PFactoryInfo::kUnicode;

    const Steinberg::PClassInfo2 processorInfo =
        classInfo(processorClassId(), kVstAudioEffectClass, std::string(processorName),
                  Steinberg::Vst::kDistributable, Steinberg::Vst::PlugType::kFxSpatial);
    const Steinberg::PClassInfo2 controllerInfo = classInfo(
        controllerClassId(), kVstComponentControllerClass, std::string(controllerName), 0, "");

    auto* factory = new Steinberg::CPluginFactory(info);
    if (!factory->registerClass(&processorInfo, createProcessor) ||
        !factory->registerClass(&controllerInfo, createController)) {
        factory->release();
        return nullptr;
    }
    return factory;
}

} // namespace tivrandel
