#include "module/classids.h"
#include "module/entrypoints.h"
#include "public.sdk/source/main/pluginfactory.h"
#include "vstgui/gdiplusglobals.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

using tivrandel::entry::Vst2Builders;
using VSTGUI::GDIPlusGlobals;

struct HostCall {
    AEffect* effect;
    int opcode, index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

// What the substitutes saw; reset by the fixture.
struct Seen {
    VstIntPtr versionAnswer = 2400;
    std::vector<HostCall> hostCalls;
    int factoriesMade = 0;
    bool factoryDestroyed = false;
    bool failFactory = false;
    enum class Wrap { Succeed, Fail, Throw, SucceedKeepingFactory } wrap = Wrap::Succeed;
    int wrapCalls = 0;
    Steinberg::IPluginFactory* wrappedFactory = nullptr;
    Steinberg::TUID wrappedId{};
    VstInt32 wrappedVst2Id = 0;
    audioMasterCallback wrappedHost = nullptr;
    void (*onClose)() = nullptr;
    AEffect effect{};
};
Seen seen;

VstIntPtr host(AEffect* effect, int opcode, int index, VstIntPtr value, void* ptr, float opt) {
    seen.hostCalls.push_back({effect, opcode, index, value, ptr, opt});
    return opcode == audioMasterVersion ? seen.versionAnswer : 0;
}

class TrackedFactory : public Steinberg::CPluginFactory {
public:
    TrackedFactory() : CPluginFactory(Steinberg::PFactoryInfo("v", "u", "e", 16)) {}
    ~TrackedFactory() override { seen.factoryDestroyed = true; }
};

Steinberg::IPluginFactory* makeFactory() {
    ++seen.factoriesMade;
    return seen.failFactory ? nullptr : new TrackedFactory;
}

AEffect* wrap(Steinberg::IPluginFactory* factory, const Steinberg::TUID cid, VstInt32 vst2Id,
              audioMasterCallback audioMaster, void (*onClose)()) {
    ++seen.wrapCalls;
    seen.wrappedFactory = factory;
    std::memcpy(seen.wrappedId, cid, sizeof seen.wrappedId);
    seen.wrappedVst2Id = vst2Id;
    seen.wrappedHost = audioMaster;
    seen.onClose = onClose;
    switch (seen.wrap) {
    case Seen::Wrap::Fail:
        return nullptr;
    case Seen::Wrap::Throw:
        throw std::runtime_error("wrapper failed");
    case Seen::Wrap::SucceedKeepingFactory:
        factory->addRef();
        return &seen.effect;
    case Seen::Wrap::Succeed:
        break;
    }
    return &seen.effect;
}

const Vst2Builders substitutes{&makeFactory, &wrap};

class Vst2Entry : public ::testing::Test {
protected:
    void SetUp() override {
        seen = Seen{};
        ASSERT_FALSE(GDIPlusGlobals::running());
    }
    void TearDown() override {
        // Whatever a test left open would leak into the next one.
        while (GDIPlusGlobals::useCount() > 0)
            GDIPlusGlobals::exit();
    }
};

TEST_F(Vst2Entry, HostWithoutVersionGetsNoEffectAndNothingIsCreated) {
    seen.versionAnswer = 0;
    EXPECT_EQ(tivrandel::entry::vst2Main(&host, substitutes), nullptr);

    ASSERT_EQ(seen.hostCalls.size(), 1u);
    const HostCall& query = seen.hostCalls[0];
    EXPECT_EQ(query.effect, nullptr);
    EXPECT_EQ(query.opcode, audioMasterVersion);
    EXPECT_EQ(query.index, 0);
    EXPECT_EQ(query.value, 0);
    EXPECT_EQ(query.ptr, nullptr);
    EXPECT_EQ(query.opt, 0.0f);
    EXPECT_EQ(seen.factoriesMade, 0);
    EXPECT_EQ(seen.wrapCalls, 0);
    EXPECT_FALSE(GDIPlusGlobals::running());
}

TEST_F(Vst2Entry, NullCallbackGetsNoEffect) {
    EXPECT_EQ(tivrandel::entry::vst2Main(nullptr, substitutes), nullptr);
    EXPECT_EQ(seen.factoriesMade, 0);
    EXPECT_FALSE(GDIPlusGlobals::running());
}

TEST_F(Vst2Entry, WrapsAFactoryWithTheProcessorAndVst2Ids) {
    AEffect* effect = tivrandel::entry::vst2Main(&host, substitutes);
    ASSERT_EQ(effect, &seen.effect);

    ASSERT_EQ(seen.wrapCalls, 1);
    EXPECT_TRUE(tivrandel::processorClassId() == Steinberg::FUID::fromTUID(seen.wrappedId));
    EXPECT_EQ(seen.wrappedVst2Id, tivrandel::vst2UniqueId());
    EXPECT_EQ(seen.wrappedHost, &host);
    EXPECT_EQ(seen.hostCalls.size(), 1u) << "only the version query is ours to make";
    // A wrapper that keeps no reference leaves the factory to be released by the entry.
    EXPECT_TRUE(seen.factoryDestroyed);

    // The effect holds the start-up reference until it is closed.
    EXPECT_EQ(GDIPlusGlobals::useCount(), 1);
    ASSERT_NE(seen.onClose, nullptr);
    seen.onClose();
    EXPECT_FALSE(GDIPlusGlobals::running());
}

TEST_F(Vst2Entry, FactoryKeptByTheWrapperOutlivesTheEntry) {
    seen.wrap = Seen::Wrap::SucceedKeepingFactory;
    ASSERT_NE(tivrandel::entry::vst2Main(&host, substitutes), nullptr);
    EXPECT_FALSE(seen.factoryDestroyed);
    seen.wrappedFactory->release();
    EXPECT_TRUE(seen.factoryDestroyed);
    seen.onClose();
}

TEST_F(Vst2Entry, FailuresGiveTheStartUpReferenceBackAndReleaseTheFactory) {
    seen.wrap = Seen::Wrap::Fail;
    EXPECT_EQ(tivrandel::entry::vst2Main(&host, substitutes), nullptr);
    EXPECT_EQ(seen.wrapCalls, 1);
    EXPECT_TRUE(seen.factoryDestroyed);
    EXPECT_FALSE(GDIPlusGlobals::running());

    seen = Seen{};
    seen.failFactory = true;
    EXPECT_EQ(tivrandel::entry::vst2Main(&host, substitutes), nullptr);
    EXPECT_EQ(seen.wrapCalls, 0);
    EXPECT_FALSE(GDIPlusGlobals::running());

    // An exception travels on to the exported entry's boundary, with everything given back.
    seen = Seen{};
    seen.wrap = Seen::Wrap::Throw;
    EXPECT_THROW(tivrandel::entry::vst2Main(&host, substitutes), std::runtime_error);
    EXPECT_TRUE(seen.factoryDestroyed);
    EXPECT_FALSE(GDIPlusGlobals::running());
}

TEST(ModuleStartUp, EveryStartAddsAReferenceAndTheLastStopShutsDown) {
    ASSERT_FALSE(GDIPlusGlobals::running());
    EXPECT_TRUE(tivrandel::entry::startModule());
    EXPECT_TRUE(tivrandel::entry::startModule());
    EXPECT_TRUE(tivrandel::entry::stopModule());
    EXPECT_TRUE(GDIPlusGlobals::running());
    EXPECT_TRUE(tivrandel::entry::stopModule());
    EXPECT_FALSE(GDIPlusGlobals::running());
    // One stop too many is harmless and reports no failure.
    EXPECT_TRUE(tivrandel::entry::stopModule());
    EXPECT_FALSE(GDIPlusGlobals::running());
}

} // namespace
