// The built module, loaded as a host loads it and reached only through its exported entry
// points and the interfaces they hand out.

#include "bundleids.h"
#include "bundleloader.h"
#include "host/componenthandler.h"
#include "host/processdata.h"
#include "host/streams.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using bundletest::Bundle;

class BundleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        bundle = std::make_unique<Bundle>();
        ASSERT_TRUE(bundle->loaded()) << bundle->error();
        ASSERT_TRUE(bundle->moduleEntry());
    }
    static void TearDownTestSuite() {
        if (bundle && bundle->loaded()) {
            EXPECT_TRUE(bundle->moduleExit());
        }
        bundle.reset();
    }
    void SetUp() override { ASSERT_TRUE(bundle && bundle->loaded()); }

    static IPtr<IPluginFactory2> factory() {
        IPtr<IPluginFactory> plain(bundle->getPluginFactory(), false);
        FUnknownPtr<IPluginFactory2> second(plain);
        return IPtr<IPluginFactory2>(second);
    }

    static std::unique_ptr<Bundle> bundle;
};

std::unique_ptr<Bundle> BundleTest::bundle;

TEST_F(BundleTest, StartUpAndShutDownEntriesAnswerTrueEveryTime) {
    EXPECT_TRUE(bundle->initDll());
    EXPECT_TRUE(bundle->initDll());
    EXPECT_TRUE(bundle->exitDll());
    EXPECT_TRUE(bundle->exitDll());
    EXPECT_TRUE(bundle->moduleEntry());
    EXPECT_TRUE(bundle->moduleExit());
}

TEST_F(BundleTest, FactoryOffersTheProcessorThenTheController) {
    const IPtr<IPluginFactory2> f = factory();
    ASSERT_TRUE(f);
    PFactoryInfo description{};
    ASSERT_EQ(f->getFactoryInfo(&description), kResultOk);
    EXPECT_EQ(description.flags, PFactoryInfo::kUnicode);
    EXPECT_GT(std::strlen(description.vendor), 0u);

    ASSERT_EQ(f->countClasses(), 2);
    PClassInfo2 processor{}, controller{}, none{};
    ASSERT_EQ(f->getClassInfo2(0, &processor), kResultOk);
    ASSERT_EQ(f->getClassInfo2(1, &controller), kResultOk);
    EXPECT_NE(f->getClassInfo2(2, &none), kResultOk);

    EXPECT_STREQ(processor.name, "Tivrandel64");
    EXPECT_STREQ(processor.category, kVstAudioEffectClass);
    EXPECT_EQ(processor.cardinality, PClassInfo::kManyInstances);
    EXPECT_EQ(processor.classFlags, static_cast<uint32>(Vst::kDistributable));
    EXPECT_GT(std::strlen(processor.subCategories), 0u);

    EXPECT_STREQ(controller.name, "Tivrandel64Controller");
    EXPECT_STREQ(controller.category, kVstComponentControllerClass);
    EXPECT_EQ(controller.cardinality, PClassInfo::kManyInstances);
    EXPECT_EQ(controller.classFlags, 0u);
    EXPECT_STREQ(controller.version, processor.version);
    EXPECT_STREQ(controller.sdkVersion, processor.sdkVersion);
    EXPECT_NE(std::memcmp(processor.cid, controller.cid, sizeof(TUID)), 0);
}

TEST_F(BundleTest, EveryCallBuildsAnIndependentFactoryWithTheSameClasses) {
    IPtr<IPluginFactory2> first = factory();
    const IPtr<IPluginFactory2> second = factory();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());

    ASSERT_EQ(first->countClasses(), second->countClasses());
    for (int32 i = 0; i < first->countClasses(); ++i) {
        PClassInfo2 a{}, b{};
        ASSERT_EQ(first->getClassInfo2(i, &a), kResultOk);
        ASSERT_EQ(second->getClassInfo2(i, &b), kResultOk);
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "entry " << i;
    }
    // Releasing one leaves the other working.
    first = nullptr;
    PClassInfo info{};
    EXPECT_EQ(second->getClassInfo(0, &info), kResultOk);
    EXPECT_STREQ(info.name, "Tivrandel64");
}

TEST_F(BundleTest, IdsAreTheSameInEveryProcess) {
    const std::string here = bundletest::idsText(*bundle);
    EXPECT_EQ(here, bundletest::pinnedIds());
    // The README shows them as hosts do.
    EXPECT_EQ(bundletest::readmeIdsText(TIVRANDEL_README), here);

    for (int run = 0; run < 2; ++run) {
        const std::string command =
            std::string("'") + TIVRANDEL_BUNDLE_IDS_HELPER + "' '" + TIVRANDEL_BUNDLE_FILE + "'";
        FILE* child = popen(command.c_str(), "r");
        ASSERT_NE(child, nullptr);
        std::string there;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, child) != nullptr)
            there += buffer;
        EXPECT_EQ(pclose(child), 0);
        EXPECT_EQ(there, here) << "child process " << run;
    }
}

VstIntPtr silentHost(AEffect*, int, int, VstIntPtr, void*, float) {
    return 0;
}

struct RecordingHost {
    static inline std::vector<int> opcodes;
    static VstIntPtr callback(AEffect*, int opcode, int, VstIntPtr, void*, float) {
        opcodes.push_back(opcode);
        return opcode == audioMasterVersion ? 2400 : 0;
    }
};

TEST_F(BundleTest, Vst2EntryNeedsAHostThatKnowsItsVersion) {
    RecordingHost::opcodes.clear();
    auto unversioned = [](AEffect*, int opcode, int, VstIntPtr, void*, float) -> VstIntPtr {
        RecordingHost::opcodes.push_back(opcode);
        return 0;
    };
    EXPECT_EQ(bundle->vstPluginMain(unversioned), nullptr);
    EXPECT_EQ(RecordingHost::opcodes, std::vector<int>{audioMasterVersion})
        << "nothing is created, so nothing else may ask the host";
    EXPECT_EQ(bundle->main(&silentHost), nullptr);
}

TEST_F(BundleTest, Vst2EntryAndItsAliasWrapTheProcessor) {
    for (auto entry : {&Bundle::vstPluginMain, &Bundle::main}) {
        RecordingHost::opcodes.clear();
        AEffect* effect = ((*bundle).*entry)(&RecordingHost::callback);
        ASSERT_NE(effect, nullptr);
        ASSERT_FALSE(RecordingHost::opcodes.empty());
        EXPECT_EQ(RecordingHost::opcodes.front(), audioMasterVersion);
        EXPECT_EQ(effect->magic, kEffectMagic);
        EXPECT_EQ(std::to_string(effect->uniqueID), bundletest::pinnedVst2Id);
        EXPECT_EQ(effect->numInputs, 2);
        EXPECT_EQ(effect->numOutputs, 2);
        // Closing releases the effect with everything it holds; the leak checker watches.
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
}

// The host's connection between the two components, as hosts build it: a proxy on each side
// that passes messages on and lets the test see them and the answers.
class Relay : public Vst::IConnectionPoint {
public:
    Relay() { FUNKNOWN_CTOR }
    virtual ~Relay(){FUNKNOWN_DTOR}

    tresult PLUGIN_API connect(Vst::IConnectionPoint*) override {
        return kResultOk;
    }
    tresult PLUGIN_API disconnect(Vst::IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API notify(Vst::IMessage* message) override {
        if (message == nullptr)
            return kInvalidArgument;
        ids.emplace_back(message->getMessageID() ? message->getMessageID() : "");
        int64 value = -1;
        if (message->getAttributes() != nullptr)
            message->getAttributes()->getInt(ids.back().c_str(), value);
        values.push_back(value);
        answers.push_back(target != nullptr ? target->notify(message) : kResultFalse);
        return answers.back();
    }

    Vst::IConnectionPoint* target = nullptr;
    std::vector<std::string> ids;
    std::vector<int64> values;
    std::vector<tresult> answers;

    DECLARE_FUNKNOWN_METHODS
};

IMPLEMENT_FUNKNOWN_METHODS(Relay, Vst::IConnectionPoint, Vst::IConnectionPoint::iid)

// A processor and a controller from one factory, initialized with a host application and
// connected to each other; torn down in the reverse order.
class HostedPair {
public:
    explicit HostedPair(IPluginFactory2& factory) {
        PClassInfo2 processorInfo{}, controllerInfo{};
        factory.getClassInfo2(0, &processorInfo);
        factory.getClassInfo2(1, &controllerInfo);
        std::memcpy(controllerCid, controllerInfo.cid, sizeof(TUID));
        factory.createInstance(processorInfo.cid, Vst::IComponent::iid,
                               reinterpret_cast<void**>(&component));
        factory.createInstance(controllerInfo.cid, Vst::IEditController::iid,
                               reinterpret_cast<void**>(&controller));
        if (component == nullptr || controller == nullptr)
            return;
        initialized =
            component->initialize(&host) == kResultOk && controller->initialize(&host) == kResultOk;
        processor = FUnknownPtr<Vst::IAudioProcessor>(component);
        processorPoint = FUnknownPtr<Vst::IConnectionPoint>(component);
        controllerPoint = FUnknownPtr<Vst::IConnectionPoint>(controller);
        if (processorPoint && controllerPoint) {
            toController.target = controllerPoint;
            toProcessor.target = processorPoint;
            connected = processorPoint->connect(&toController) == kResultOk &&
                        controllerPoint->connect(&toProcessor) == kResultOk;
        }
    }

    ~HostedPair() {
        if (connected) {
            processorPoint->disconnect(&toController);
            controllerPoint->disconnect(&toProcessor);
        }
        processorPoint = nullptr;
        controllerPoint = nullptr;
        processor = nullptr;
        if (controller != nullptr) {
            controller->setComponentHandler(nullptr);
            controller->terminate();
            controller->release();
        }
        if (component != nullptr) {
            component->terminate();
            component->release();
        }
    }

    bool ready() const { return initialized && processor && connected; }

    IPtr<Vst::IMessage> message(const char* id) {
        Vst::IMessage* created = nullptr;
        TUID iid;
        std::memcpy(iid, Vst::IMessage::iid, sizeof iid);
        host.createInstance(iid, iid, reinterpret_cast<void**>(&created));
        IPtr<Vst::IMessage> owned(created, false);
        if (owned)
            owned->setMessageID(id);
        return owned;
    }

    // Declared first: the components hold it as their context, and its reference count is
    // not real, so it must outlive them.
    Vst::HostApplication host;
    Relay toController, toProcessor;
    Vst::IComponent* component = nullptr;
    Vst::IEditController* controller = nullptr;
    IPtr<Vst::IAudioProcessor> processor;
    IPtr<Vst::IConnectionPoint> processorPoint, controllerPoint;
    TUID controllerCid{};
    bool initialized = false;
    bool connected = false;
};

TEST_F(BundleTest, ProcessorNamesTheControllerClass) {
    const IPtr<IPluginFactory2> f = factory();
    HostedPair pair(*f);
    ASSERT_TRUE(pair.ready());
    TUID answer{};
    ASSERT_EQ(pair.component->getControllerClassId(answer), kResultOk);
    EXPECT_EQ(bundletest::hexOf(answer), bundletest::hexOf(pair.controllerCid));
}

TEST_F(BundleTest, ActivationReachesTheController) {
    const IPtr<IPluginFactory2> f = factory();
    HostedPair pair(*f);
    ASSERT_TRUE(pair.ready());

    EXPECT_EQ(pair.component->setActive(true), kResultOk);
    EXPECT_EQ(pair.component->setActive(false), kResultOk);

    EXPECT_EQ(pair.toController.ids, (std::vector<std::string>{"b0", "b0"}));
    EXPECT_EQ(pair.toController.values, (std::vector<int64>{1, 0}));
    EXPECT_EQ(pair.toController.answers, (std::vector<tresult>{kResultOk, kResultOk}))
        << "the controller acknowledges the activation message";
}

TEST_F(BundleTest, LatencyMessageMakesTheControllerRestartTheComponent) {
    // Outlives the controller, which holds it until it is torn down.
    testhost::ComponentHandler handler;
    const IPtr<IPluginFactory2> f = factory();
    HostedPair pair(*f);
    ASSERT_TRUE(pair.ready());
    ASSERT_EQ(pair.controller->setComponentHandler(&handler), kResultOk);

    const IPtr<Vst::IMessage> latency = pair.message("b1");
    ASSERT_TRUE(latency);
    EXPECT_EQ(pair.toController.notify(latency), kResultOk);
    EXPECT_EQ(handler.calls, std::vector<testhost::ComponentHandler::Call>{
                                 testhost::ComponentHandler::restart(Vst::kLatencyChanged)});
}

// The whole path as a host connects the pair: the fine delay's latency is answered before any
// block carries it, and each change reaches the host's component handler as one latency
// restart, whether it came from an edit or a state load.
TEST_F(BundleTest, FineDelayLatencyIsRightWhenTheHostAsksAndEachChangeRestarts) {
    testhost::ComponentHandler handler;
    const IPtr<IPluginFactory2> f = factory();
    HostedPair pair(*f);
    ASSERT_TRUE(pair.ready());
    ASSERT_EQ(pair.controller->setComponentHandler(&handler), kResultOk);
    Vst::SpeakerArrangement stereo = Vst::SpeakerArr::kStereo;
    ASSERT_EQ(pair.processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
    Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample32, 512, 48000.0};
    ASSERT_EQ(pair.processor->setupProcessing(setup), kResultOk);
    EXPECT_EQ(pair.processor->getLatencySamples(), 0u);
    const auto restarts = [&] {
        std::size_t count = 0;
        for (const auto& call : handler.calls)
            count += call == testhost::ComponentHandler::restart(Vst::kLatencyChanged) ? 1 : 0;
        return count;
    };
    constexpr Vst::ParamID fineDelay = 4;

    // An edit, as the editor's switch makes it: the controller's value, then the host's.
    pair.controller->setParamNormalized(fineDelay, 1.0);
    EXPECT_EQ(restarts(), 1u);
    const uint32 fine = pair.processor->getLatencySamples();
    EXPECT_EQ(fine, 7u);
    pair.controller->setParamNormalized(fineDelay, 1.0);
    EXPECT_EQ(restarts(), 1u) << "no restart for the same latency";

    // A saved state with it off, loaded as hosts load it: the processor, then the controller.
    ASSERT_EQ(pair.component->setActive(true), kResultOk);
    pair.controller->setParamNormalized(fineDelay, 0.0);
    EXPECT_EQ(restarts(), 2u);
    MemoryStream off;
    ASSERT_EQ(pair.component->getState(&off), kResultOk);
    pair.controller->setParamNormalized(fineDelay, 1.0);
    EXPECT_EQ(restarts(), 3u);
    const std::string offBytes = testhost::bytesOf(off);
    ASSERT_EQ(pair.component->setState(testhost::streamOf(offBytes)), kResultOk);
    EXPECT_EQ(restarts(), 4u);
    EXPECT_EQ(pair.processor->getLatencySamples(), 0u);
    ASSERT_EQ(pair.controller->setComponentState(testhost::streamOf(offBytes)), kResultOk);
    EXPECT_EQ(restarts(), 4u) << "the controller's mirror of the load moves nothing";
    EXPECT_EQ(pair.controller->getParamNormalized(fineDelay), 0.0);
    ASSERT_EQ(pair.component->setActive(false), kResultOk);
}

TEST_F(BundleTest, ControllerMirrorsTheProcessorState) {
    const IPtr<IPluginFactory2> f = factory();
    HostedPair pair(*f);
    ASSERT_TRUE(pair.ready());

    // Automation moves the processor away from its defaults; a block without samples is enough
    // for it to take the values in.
    Vst::SpeakerArrangement stereo = Vst::SpeakerArr::kStereo;
    ASSERT_EQ(pair.processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
    Vst::ProcessSetup setup{Vst::kRealtime, Vst::kSample32, 512, 48000.0};
    ASSERT_EQ(pair.processor->setupProcessing(setup), kResultOk);
    const std::array<double, 4> automated{1.0, 0.25, 0.75, 1.0};
    testhost::ProcessDataBuilder block(Vst::kSample32, 2, 0);
    for (Vst::ParamID id = 0; id < 4; ++id)
        block.changes().add(id, 0, automated[id]);
    ASSERT_EQ(pair.processor->process(block.data()), kResultOk);

    MemoryStream saved;
    ASSERT_EQ(pair.component->getState(&saved), kResultOk);
    const IPtr<MemoryStream> handedOver = testhost::streamOf(testhost::bytesOf(saved));
    ASSERT_EQ(pair.controller->setComponentState(handedOver), kResultOk);
    for (Vst::ParamID id = 0; id < 4; ++id)
        EXPECT_EQ(pair.controller->getParamNormalized(id), automated[id]) << "id " << id;
}

TEST_F(BundleTest, ControllerStateRoundTripsExactly) {
    const IPtr<IPluginFactory2> f = factory();
    HostedPair first(*f), second(*f);
    ASSERT_TRUE(first.ready() && second.ready());
    const std::array<double, 4> values{0.1, 1.0 / 3.0, 2.0 / 3.0, 0.7000000000000001};
    for (Vst::ParamID id = 0; id < 4; ++id)
        ASSERT_EQ(first.controller->setParamNormalized(id, values[id]), kResultOk);

    MemoryStream saved;
    ASSERT_EQ(first.controller->getState(&saved), kResultOk);
    const IPtr<MemoryStream> loaded = testhost::streamOf(testhost::bytesOf(saved));
    ASSERT_EQ(second.controller->setState(loaded), kResultOk);
    for (Vst::ParamID id = 0; id < 4; ++id)
        EXPECT_EQ(second.controller->getParamNormalized(id), values[id]) << "id " << id;
}

} // namespace
