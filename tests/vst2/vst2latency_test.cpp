// The effect's latency through the VST 2 ABI: AEffect::initialDelay follows the fine delay
// however it is set, suspended or resumed, and the host hears of each change with
// audioMasterIOChanged before it could read the field again.

#include "vst2/vst2host.h"

#include "host/hostedprocessor.h"
#include "parameters/parameters.h"

#include "public.sdk/source/vst/vsteditcontroller.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace Steinberg;
using namespace vst2host;
using tivrandel::Parameters;

class Vst2LatencyTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostCalls().clear();
        testhost::HostedProcessor reference;
        ASSERT_EQ(reference.setup(48000.0), kResultOk);
        ASSERT_EQ(reference->setParameterValue(Parameters::FineDelay, 1.0), kResultOk);
        fine = static_cast<VstInt32>(reference->getLatencySamples());
        ASSERT_GT(fine, 0);
    }
    static std::size_t told() { return hostCallsOf(audioMasterIOChanged).size(); }
    static void setFine(Effect& effect, float value) {
        effect->setParameter(effect.operator->(), Parameters::FineDelay, value);
    }

    RecordingFactory factory;
    VstInt32 fine = 0;
};

TEST_F(Vst2LatencyTest, AHostValueIsInTheFieldByTheNextDispatcherCall) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    EXPECT_EQ(effect->initialDelay, 0);

    // Suspended: the resume takes it in, and a second resume needs no second word.
    setFine(effect, 1.0f);
    effect.dispatch(effEditIdle);
    EXPECT_EQ(effect->initialDelay, fine);
    EXPECT_EQ(told(), 1u);
    setFine(effect, 1.0f);
    effect.start();
    EXPECT_EQ(effect->initialDelay, fine);
    EXPECT_EQ(told(), 1u);

    // Resumed, before any block: the host's next question finds it.
    setFine(effect, 0.0f);
    effect.dispatch(effGetParamDisplay, Parameters::FineDelay, 0, nullptr);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(told(), 2u);
    // A value of another parameter moves nothing.
    effect->setParameter(effect.operator->(), Parameters::TimePan, 0.25f);
    effect.dispatch(effEditIdle);
    EXPECT_EQ(told(), 2u);
}

TEST_F(Vst2LatencyTest, AHostValueFromAnotherThreadIsTakenInAtTheNextDispatcherCall) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    effect.start();
    std::thread([&] { setFine(effect, 1.0f); }).join();
    effect.dispatch(effEditIdle);
    EXPECT_EQ(effect->initialDelay, fine);
    EXPECT_EQ(told(), 1u);
    effect.dispatch(effEditIdle);
    EXPECT_EQ(told(), 1u);

    // Suspended, the resume takes it in.
    effect.dispatch(effMainsChanged, 0, 0);
    std::thread([&] { setFine(effect, 0.0f); }).join();
    effect.dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(told(), 2u);
}

TEST_F(Vst2LatencyTest, TheEditorAndTypedTextMoveItBeforeAnyBlock) {
    factory.keepCreated = true;
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    Vst::IEditController* controller = nullptr;
    for (auto& object : factory.created) {
        void* obj = nullptr;
        if (object->queryInterface(Vst::IEditController::iid, &obj) == kResultOk) {
            object->release();
            controller = static_cast<Vst::IEditController*>(obj);
        }
    }
    ASSERT_NE(controller, nullptr);
    auto* edits = dynamic_cast<Vst::EditController*>(controller);
    ASSERT_NE(edits, nullptr);

    // As the editor's switch does it.
    edits->beginEdit(Parameters::FineDelay);
    controller->setParamNormalized(Parameters::FineDelay, 1.0);
    edits->performEdit(Parameters::FineDelay, 1.0);
    edits->endEdit(Parameters::FineDelay);
    EXPECT_EQ(effect->initialDelay, fine);
    EXPECT_EQ(told(), 1u);

    effect.start();
    char off[] = "Off";
    ASSERT_EQ(effect.dispatch(effString2Parameter, Parameters::FineDelay, 0, off), 1);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(told(), 2u);
}

TEST_F(Vst2LatencyTest, AChunkLoadMovesItSuspendedOrResumed) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    ASSERT_EQ(effect.setChunk(vst3State({{Parameters::FineDelay, 1.0}})), 1);
    EXPECT_EQ(effect->initialDelay, fine);
    EXPECT_EQ(told(), 1u);
    effect.start();
    ASSERT_EQ(effect.setChunk(vst3State({{Parameters::FineDelay, 0.0}}), false), 1);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(told(), 2u);
    // A value set before a chunk is superseded by it.
    setFine(effect, 1.0f);
    ASSERT_EQ(effect.setChunk(vst3State({})), 1);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(told(), 4u);
}

} // namespace
