// The VST3 pair hosted for another format, with the product's own factory.

#include "wrappers/common/componenthost.h"
#include "wrappers/common/pointchanges.h"

#include "module/classids.h"
#include "module/factory.h"

#include "public.sdk/source/vst/vsteditcontroller.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using kelvane::wrappers::ComponentHost;
using kelvane::wrappers::EditListener;
using kelvane::wrappers::PointChanges;

std::unique_ptr<ComponentHost> makeHost() {
    IPtr<IPluginFactory> factory = owned(tivrandel::createFactory());
    TUID cid;
    tivrandel::processorClassId().toTUID(cid);
    return ComponentHost::create(factory, cid);
}

struct Edits : EditListener {
    void beginEdit(ParamID id) noexcept override { log.push_back({'b', id, 0.0}); }
    void performEdit(ParamID id, ParamValue value) noexcept override {
        log.push_back({'p', id, value});
    }
    void endEdit(ParamID id) noexcept override { log.push_back({'e', id, 0.0}); }
    struct Entry {
        char kind;
        ParamID id;
        ParamValue value;
    };
    std::vector<Entry> log;
};

TEST(ComponentHost, RefusesWhatItCannotHost) {
    IPtr<IPluginFactory> factory = owned(tivrandel::createFactory());
    TUID unknown = {};
    EXPECT_EQ(ComponentHost::create(factory, unknown), nullptr);
    EXPECT_EQ(ComponentHost::create(nullptr, unknown), nullptr);
}

TEST(ComponentHost, ParametersAndTextsComeFromTheController) {
    auto host = makeHost();
    ASSERT_TRUE(host);
    ASSERT_EQ(host->parameterCount(), 5);
    for (int32 i = 0; i < host->parameterCount(); ++i) {
        ParameterInfo info{};
        ASSERT_TRUE(host->parameterInfo(i, info));
        EXPECT_EQ(host->idAt(i), info.id);
        EXPECT_EQ(host->indexOf(info.id), i);
        EXPECT_EQ(host->normalized(info.id), info.defaultNormalizedValue);
        std::string text;
        ASSERT_TRUE(host->valueToText(info.id, info.defaultNormalizedValue, text));
        EXPECT_FALSE(text.empty());
        // Whatever the controller makes of its own text, the host answers the same.
        String128 wide{};
        for (size_t c = 0; c <= text.size() && c < 127; ++c) {
            wide[c] = static_cast<char16>(static_cast<unsigned char>(text.c_str()[c]));
        }
        ParamValue direct = -1.0;
        const bool parsed =
            host->controller()->getParamValueByString(info.id, wide, direct) == kResultOk;
        ParamValue back = -1.0;
        ASSERT_EQ(host->textToValue(info.id, text.c_str(), back), parsed) << text;
        if (parsed) {
            EXPECT_EQ(back, direct);
        }
    }
    EXPECT_FALSE(host->parameterInfo(5, *std::make_unique<ParameterInfo>()));
    EXPECT_EQ(host->indexOf(99), -1);
    EXPECT_TRUE(host->setNormalized(1, 0.75));
    EXPECT_EQ(host->normalized(1), 0.75);
    EXPECT_FALSE(host->setNormalized(1, std::nan("")));
    ParamValue ignored = 0;
    EXPECT_FALSE(host->textToValue(1, nullptr, ignored));
}

TEST(ComponentHost, ProcessesInBothSampleSizesOnlyWhileProcessing) {
    auto host = makeHost();
    ASSERT_TRUE(host);
    ASSERT_TRUE(host->canProcess64());
    std::vector<float> left(64, 0.5f), right(64, -0.25f);
    float* channels[2] = {left.data(), right.data()};
    PointChanges changes(4, 8);
    EXPECT_FALSE(host->process(channels, channels, 64, &changes));
    EXPECT_FALSE(host->activate()); // no setup yet
    ASSERT_TRUE(host->setup(48000.0, 64, false));
    EXPECT_EQ(host->tailSamples(), 240000u);
    EXPECT_EQ(host->latencySamples(), 0u);
    ASSERT_TRUE(host->activate());
    EXPECT_FALSE(host->setup(48000.0, 64, false)); // not while active
    ASSERT_TRUE(host->startProcessing());
    changes.addPoint(2, 0, 1.0);
    EXPECT_TRUE(host->process(channels, channels, 64, &changes));
    EXPECT_FALSE(host->process(channels, channels, 65, &changes)); // longer than set up
    double* missing[2] = {nullptr, nullptr};
    EXPECT_FALSE(host->process(static_cast<double* const*>(nullptr), missing, 16, nullptr));
    // Set up for 32-bit, a 64-bit block goes through all the same: the buffers say their width.
    EXPECT_TRUE(host->takesEitherWidth());
    std::vector<double> wideLeft(16, 0.5), wideRight(16, 0.5);
    double* wide[2] = {wideLeft.data(), wideRight.data()};
    EXPECT_TRUE(host->process(wide, wide, 16, nullptr));
    EXPECT_FALSE(host->setUpWide());
    host->deactivate();
    EXPECT_FALSE(host->isProcessing());
    EXPECT_FALSE(host->process(channels, channels, 64, nullptr));

    ASSERT_TRUE(host->setup(44100.0, 32, true, kOffline));
    ASSERT_TRUE(host->activate());
    ASSERT_TRUE(host->startProcessing());
    std::vector<double> l64(32, 0.5), r64(32, 0.5);
    double* channels64[2] = {l64.data(), r64.data()};
    EXPECT_TRUE(host->process(channels64, channels64, 32, nullptr));
    EXPECT_TRUE(host->process(channels64, channels64, 0, nullptr));
}

TEST(ComponentHost, StateMovesAsTheProcessorsBytesAndRefusalsChangeNothing) {
    auto host = makeHost();
    auto other = makeHost();
    ASSERT_TRUE(host && other);
    std::vector<std::uint8_t> original;
    ASSERT_TRUE(host->getState(original));
    ASSERT_FALSE(original.empty());

    // A value reaches the processor through a block and comes back in its state.
    ASSERT_TRUE(host->setup(48000.0, 16, false));
    ASSERT_TRUE(host->activate() && host->startProcessing());
    PointChanges changes(4, 2);
    changes.addPoint(1, 0, 0.25);
    std::vector<float> left(16), right(16);
    float* channels[2] = {left.data(), right.data()};
    ASSERT_TRUE(host->process(channels, channels, 16, &changes));
    host->deactivate();
    std::vector<std::uint8_t> edited;
    ASSERT_TRUE(host->getState(edited));
    EXPECT_NE(edited, original);

    ASSERT_TRUE(other->setState(edited.data(), edited.size()));
    std::vector<std::uint8_t> copied;
    ASSERT_TRUE(other->getState(copied));
    EXPECT_EQ(copied, edited);
    EXPECT_EQ(static_cast<float>(other->normalized(1)), 0.25f); // the controller follows

    const std::vector<std::uint8_t> garbage = {1, 2, 3};
    EXPECT_FALSE(other->setState(garbage.data(), garbage.size()));
    EXPECT_FALSE(other->setState(nullptr, 4));
    ASSERT_TRUE(other->getState(copied));
    EXPECT_EQ(copied, edited);
    EXPECT_EQ(static_cast<float>(other->normalized(1)), 0.25f);
}

TEST(ComponentHost, AProcessorValueSetWhileInactiveIsSavedAndWhereTheEngineStarts) {
    auto host = makeHost();
    auto reference = makeHost();
    ASSERT_TRUE(host && reference);
    ASSERT_TRUE(host->setProcessorValue(1, 1.0));
    EXPECT_FALSE(host->setProcessorValue(99, 0.5));

    // The same bytes as a block carrying the value gives.
    ASSERT_TRUE(reference->setup(48000.0, 64, false));
    ASSERT_TRUE(reference->activate() && reference->startProcessing());
    PointChanges changes(4, 2);
    changes.addPoint(1, 0, 1.0);
    float* none[2] = {nullptr, nullptr};
    ASSERT_TRUE(reference->process(none, none, 0, &changes));
    std::vector<std::uint8_t> saved, expected;
    ASSERT_TRUE(host->getState(saved));
    ASSERT_TRUE(reference->getState(expected));
    EXPECT_EQ(saved, expected);

    // The engine starts at full right: the left ear is 38 samples late from the first sample.
    ASSERT_TRUE(host->setup(48000.0, 64, false));
    ASSERT_TRUE(host->activate() && host->startProcessing());
    std::vector<float> left(64, 0.0f), right(64, 0.0f);
    left[0] = right[0] = 1.0f;
    float* channels[2] = {left.data(), right.data()};
    ASSERT_TRUE(host->process(channels, channels, 64, nullptr));
    EXPECT_EQ(left[38], 1.0f);
    EXPECT_EQ(right[0], 1.0f);
}

TEST(ComponentHost, ControllerEditsReachTheListenerUntilItIsRemoved) {
    auto host = makeHost();
    ASSERT_TRUE(host);
    auto* controller = dynamic_cast<EditController*>(host->controller());
    ASSERT_NE(controller, nullptr);
    Edits edits;
    host->setEditListener(&edits);
    controller->beginEdit(2);
    controller->performEdit(2, 0.5);
    controller->endEdit(2);
    ASSERT_EQ(edits.log.size(), 3u);
    EXPECT_EQ(edits.log[0].kind, 'b');
    EXPECT_EQ(edits.log[1].kind, 'p');
    EXPECT_EQ(edits.log[1].value, 0.5);
    EXPECT_EQ(edits.log[2].id, 2u);
    host->setEditListener(nullptr);
    controller->performEdit(2, 0.25);
    EXPECT_EQ(edits.log.size(), 3u);
}

// An edit of an id the pair does not have is refused and never reaches the listener.
TEST(ComponentHost, EditsOfUnknownIdsAreRefused) {
    auto host = makeHost();
    ASSERT_TRUE(host);
    Edits edits;
    host->setEditListener(&edits);
    auto* controller = dynamic_cast<EditController*>(host->controller());
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->beginEdit(42), kResultFalse);
    EXPECT_EQ(controller->performEdit(42, 0.5), kResultFalse);
    EXPECT_EQ(controller->endEdit(42), kResultFalse);
    EXPECT_TRUE(edits.log.empty());
    EXPECT_EQ(controller->performEdit(3, 1.0), kResultOk);
    EXPECT_EQ(edits.log.size(), 1u);
}

TEST(ComponentHost, OffersTheEditor) {
    auto host = makeHost();
    ASSERT_TRUE(host);
    IPtr<IPlugView> view = owned(host->createEditor());
    ASSERT_TRUE(view);
    ViewRect size;
    EXPECT_EQ(view->getSize(&size), kResultOk);
    EXPECT_GT(size.getWidth(), 0);
}

} // namespace
