#include "module/classids.h"
#include "module/factory.h"
#include "module/version.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/vsttypes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace Steinberg;

struct Releaser {
    void operator()(FUnknown* object) const {
        if (object)
            object->release();
    }
};
template <typename T>
using Owned = std::unique_ptr<T, Releaser>;

Owned<IPluginFactory3> makeFactory() {
    Owned<IPluginFactory> factory(tivrandel::createFactory());
    if (!factory)
        return nullptr;
    void* obj = nullptr;
    if (factory->queryInterface(IPluginFactory3::iid, &obj) != kResultOk)
        return nullptr;
    return Owned<IPluginFactory3>(static_cast<IPluginFactory3*>(obj));
}

FUID cidOf(IPluginFactory2& factory, int32 index) {
    PClassInfo2 info;
    factory.getClassInfo2(index, &info);
    return FUID::fromTUID(info.cid);
}

TEST(ProductFactory, DescribesTheVendorThenTheProcessorThenTheController) {
    auto factory = makeFactory();
    ASSERT_TRUE(factory);
    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Kelvane");
    EXPECT_STREQ(info.url, "https://kelvane.example");
    EXPECT_STREQ(info.email, "support@kelvane.example");
    EXPECT_EQ(info.flags, 16);
    ASSERT_EQ(factory->countClasses(), 2);

    PClassInfo2 processor;
    ASSERT_EQ(factory->getClassInfo2(0, &processor), kResultOk);
    EXPECT_EQ(FUID::fromTUID(processor.cid), tivrandel::processorClassId());
    EXPECT_EQ(processor.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(processor.category, kVstAudioEffectClass);
    EXPECT_STREQ(processor.name, "Tivrandel64");
    EXPECT_EQ(processor.classFlags, 1u);
    EXPECT_STREQ(processor.subCategories, "Fx|Spatial");
    EXPECT_STREQ(processor.vendor, "");
    EXPECT_STREQ(processor.version, TIVRANDEL_VERSION);
    EXPECT_STREQ(processor.sdkVersion, kVstVersionString);

    PClassInfo2 controller;
    ASSERT_EQ(factory->getClassInfo2(1, &controller), kResultOk);
    EXPECT_EQ(FUID::fromTUID(controller.cid), tivrandel::controllerClassId());
    EXPECT_EQ(controller.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(controller.category, kVstComponentControllerClass);
    EXPECT_STREQ(controller.name, "Tivrandel64Controller");
    EXPECT_EQ(controller.classFlags, 0u);
    EXPECT_STREQ(controller.subCategories, "");
    EXPECT_STREQ(controller.vendor, "");
    EXPECT_STREQ(controller.version, processor.version);
    EXPECT_STREQ(controller.sdkVersion, processor.sdkVersion);
}

TEST(ProductFactory, CreatesAProcessorThatNamesTheControllerEntry) {
    auto factory = makeFactory();
    ASSERT_TRUE(factory);
    const FUID processorCid = cidOf(*factory, 0);
    const FUID controllerCid = cidOf(*factory, 1);

    void* obj = nullptr;
    ASSERT_EQ(factory->createInstance(processorCid, Vst::IComponent::iid, &obj), kResultOk);
    Owned<Vst::IComponent> component(static_cast<Vst::IComponent*>(obj));
    TUID answered = {};
    ASSERT_EQ(component->getControllerClassId(answered), kResultOk);
    EXPECT_EQ(FUID::fromTUID(answered), controllerCid);

    ASSERT_EQ(factory->createInstance(processorCid, Vst::IAudioProcessor::iid, &obj), kResultOk);
    Owned<Vst::IAudioProcessor> processor(static_cast<Vst::IAudioProcessor*>(obj));

    ASSERT_EQ(factory->createInstance(controllerCid, Vst::IEditController::iid, &obj), kResultOk);
    Owned<Vst::IEditController> controller(static_cast<Vst::IEditController*>(obj));

    // The controller is no audio processor.
    obj = &obj;
    EXPECT_EQ(factory->createInstance(controllerCid, Vst::IAudioProcessor::iid, &obj),
              kNoInterface);
    EXPECT_EQ(obj, nullptr);
}

TEST(ProductFactory, EveryCallBuildsAnIndependentFactory) {
    auto first = makeFactory();
    auto second = makeFactory();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    for (int32 index = 0; index < 2; ++index) {
        PClassInfo2 a;
        PClassInfo2 b;
        ASSERT_EQ(first->getClassInfo2(index, &a), kResultOk);
        ASSERT_EQ(second->getClassInfo2(index, &b), kResultOk);
        EXPECT_EQ(std::memcmp(static_cast<void*>(&a), static_cast<void*>(&b), sizeof a), 0);
    }
    first.reset();
    EXPECT_EQ(second->countClasses(), 2);
}

} // namespace
