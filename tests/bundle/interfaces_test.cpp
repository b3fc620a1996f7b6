// The interfaces that the module's two classes answer, through its exported factory: every one
// that the SDK's Component, AudioEffect (3.7) and EditController answer, and no other role's.

#include "bundleloader.h"

#include "pluginterfaces/base/iupdatehandler.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Steinberg;

using Iid = std::pair<const char*, const FUID*>;

#define KV_IID(name) Iid(#name, &name::iid)

const std::vector<Iid> pluginBaseIids{KV_IID(FUnknown), KV_IID(IDependent), KV_IID(IPluginBase),
                                      KV_IID(Vst::IConnectionPoint)};
const std::vector<Iid> processorIids{KV_IID(Vst::IComponent), KV_IID(Vst::IAudioProcessor),
                                     KV_IID(Vst::IProcessContextRequirements)};
const std::vector<Iid> controllerIids{KV_IID(Vst::IEditController), KV_IID(Vst::IEditController2)};

#undef KV_IID

class ModuleClasses : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bundle.loaded()) << bundle.error();
        ASSERT_TRUE(bundle.start());
        factory = IPtr<IPluginFactory>(bundle.getPluginFactory(), false);
        ASSERT_TRUE(factory);
    }
    void TearDown() override {
        factory = nullptr;
        EXPECT_TRUE(bundle.stop());
    }

    // The class of factory entry index, created as FUnknown, as a host that asks for nothing
    // in particular would.
    IPtr<FUnknown> create(int32 index) {
        PClassInfo info{};
        if (factory->getClassInfo(index, &info) != kResultOk)
            return nullptr;
        void* object = nullptr;
        if (factory->createInstance(info.cid, FUnknown::iid, &object) != kResultOk)
            return nullptr;
        return IPtr<FUnknown>(static_cast<FUnknown*>(object), false);
    }

    // Whether object answers iid, and with the same object as its FUnknown answer.
    static ::testing::AssertionResult answers(FUnknown& object, const Iid& iid) {
        void* obj = nullptr;
        if (object.queryInterface(*iid.second, &obj) != kResultOk || obj == nullptr)
            return ::testing::AssertionFailure() << "does not answer " << iid.first;
        auto* answer = static_cast<FUnknown*>(obj);
        void* identity = nullptr;
        answer->queryInterface(FUnknown::iid, &identity);
        const bool same = identity == static_cast<void*>(&object);
        static_cast<FUnknown*>(identity)->release();
        answer->release();
        if (!same)
            return ::testing::AssertionFailure() << iid.first << " belongs to another object";
        return ::testing::AssertionSuccess();
    }

    static void expectNotAnswered(FUnknown& object, const Iid& iid) {
        void* obj = reinterpret_cast<void*>(1);
        EXPECT_EQ(object.queryInterface(*iid.second, &obj), kNoInterface) << iid.first;
        EXPECT_EQ(obj, nullptr) << iid.first;
    }

    bundletest::Bundle bundle;
    IPtr<IPluginFactory> factory;
};

TEST_F(ModuleClasses, ProcessorAnswersEveryInterfaceOfTheSdkAudioEffect) {
    IPtr<FUnknown> processor = create(0);
    ASSERT_TRUE(processor);
    for (const Iid& iid : pluginBaseIids)
        EXPECT_TRUE(answers(*processor, iid));
    for (const Iid& iid : processorIids)
        EXPECT_TRUE(answers(*processor, iid));
    for (const Iid& iid : controllerIids)
        expectNotAnswered(*processor, iid);
}

// The processor reads nothing of the host's ProcessContext, so it asks for none of it: before
// and after initialize, where hosts ask.
TEST_F(ModuleClasses, ProcessorNeedsNothingOfTheProcessContext) {
    IPtr<FUnknown> processor = create(0);
    ASSERT_TRUE(processor);
    FUnknownPtr<Vst::IProcessContextRequirements> requirements(processor);
    ASSERT_TRUE(requirements);
    EXPECT_EQ(requirements->getProcessContextRequirements(), 0u);
    FUnknownPtr<IPluginBase> base(processor);
    ASSERT_TRUE(base);
    ASSERT_EQ(base->initialize(nullptr), kResultOk);
    EXPECT_EQ(requirements->getProcessContextRequirements(), 0u);
    EXPECT_EQ(base->terminate(), kResultOk);
}

TEST_F(ModuleClasses, ControllerAnswersEveryInterfaceOfTheSdkEditController) {
    IPtr<FUnknown> controller = create(1);
    ASSERT_TRUE(controller);
    for (const Iid& iid : pluginBaseIids)
        EXPECT_TRUE(answers(*controller, iid));
    for (const Iid& iid : controllerIids)
        EXPECT_TRUE(answers(*controller, iid));
    for (const Iid& iid : processorIids)
        expectNotAnswered(*controller, iid);
}

} // namespace
