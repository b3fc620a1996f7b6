#include "vst2/vst2host.h"

#include "host/hostedprocessor.h"
#include "host/processdata.h"
#include "host/smallstack.h"
#include "host/streams.h"
#include "module/classids.h"
#include "module/version.h"
#include "parameters/parameters.h"

#include "public.sdk/source/vst/vsteditcontroller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using namespace Steinberg;
using namespace vst2host;
using tivrandel::Parameters;

// The VST 2 version number of the project's version: major, minor and patch as thousands,
// hundreds and tens.
constexpr int32 vst2Version =
    TIVRANDEL_VERSION_MAJOR * 1000 + TIVRANDEL_VERSION_MINOR * 100 + TIVRANDEL_VERSION_PATCH * 10;

class Vst2EffectTest : public ::testing::Test {
protected:
    void SetUp() override { hostCalls().clear(); }

    RecordingFactory factory;
};

int peakIndex(const std::vector<float>& channel) {
    const auto peak = std::max_element(channel.begin(), channel.end(), [](float a, float b) {
        return std::fabs(a) < std::fabs(b);
    });
    return static_cast<int>(peak - channel.begin());
}

Vst::IEditController* controllerOf(RecordingFactory& factory) {
    for (auto& object : factory.created) {
        void* obj = nullptr;
        if (object->queryInterface(Vst::IEditController::iid, &obj) == kResultOk) {
            object->release(); // the factory's record keeps it alive
            return static_cast<Vst::IEditController*>(obj);
        }
    }
    return nullptr;
}

// --- Creation and description ---------------------------------------------------------------

TEST_F(Vst2EffectTest, DescribesItselfToTheHost) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    EXPECT_EQ(effect->magic, kEffectMagic);
    const auto* tail = reinterpret_cast<const unsigned char*>(effect.operator->() + 1);
    EXPECT_TRUE(std::all_of(tail, tail + 64, [](unsigned char byte) { return byte == 0; }));

    EXPECT_EQ(effect->uniqueID, tivrandel::vst2UniqueId());
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->numParams, Parameters::count);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->version, vst2Version);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_TRUE(effect->flags & effFlagsCanReplacing);
    EXPECT_TRUE(effect->flags & effFlagsCanDoubleReplacing);
    EXPECT_TRUE(effect->flags & effFlagsProgramChunks);
    EXPECT_TRUE(effect->flags & effFlagsHasEditor);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);

    EXPECT_EQ(effect.text(effGetEffectName), "Tivrandel64");
    EXPECT_EQ(effect.text(effGetProductString), "Tivrandel64");
    EXPECT_EQ(effect.text(effGetVendorString), "Kelvane");
    EXPECT_EQ(effect.dispatch(effGetVendorVersion), vst2Version);
    EXPECT_EQ(effect.dispatch(effGetPlugCategory), kPlugCategEffect);
    EXPECT_EQ(effect.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(effect.text(effGetProgramName), "Default");

    char receive[] = "receiveVstTimeInfo";
    char midi[] = "receiveVstMidiEvent";
    char insert[] = "plugAsChannelInsert";
    char unknown[] = "somethingNobodyAsks";
    EXPECT_EQ(effect.dispatch(effCanDo, 0, 0, receive), -1);
    EXPECT_EQ(effect.dispatch(effCanDo, 0, 0, midi), -1);
    EXPECT_EQ(effect.dispatch(effCanDo, 0, 0, insert), 1);
    EXPECT_EQ(effect.dispatch(effCanDo, 0, 0, unknown), 0);
    EXPECT_EQ(effect.dispatch(effCanDo), 0);

    // Stereo is the only arrangement it takes.
    VstSpeakerArrangement stereo;
    stereo.type = kSpeakerArrStereo;
    stereo.numChannels = 2;
    VstSpeakerArrangement mono;
    mono.type = kSpeakerArrMono;
    mono.numChannels = 1;
    const auto address = [](VstSpeakerArrangement& arrangement) {
        return reinterpret_cast<VstIntPtr>(&arrangement);
    };
    EXPECT_EQ(effect.dispatch(effSetSpeakerArrangement, 0, address(stereo), &stereo), 1);
    EXPECT_EQ(effect.dispatch(effSetSpeakerArrangement, 0, address(mono), &stereo), 0);
    EXPECT_EQ(effect.dispatch(effSetSpeakerArrangement, 0, address(stereo), &mono), 0);
    EXPECT_EQ(effect.dispatch(effSetSpeakerArrangement, 0, 0, &stereo), 0);

    // Opcodes the effect does not know answer 0.
    EXPECT_EQ(effect.dispatch(9999, 3, 4, nullptr, 1.0f), 0);
}

TEST_F(Vst2EffectTest, EditorHasItsSizeOpensInAWindowAndCloses) {
    Effect effect(&factory);
    ERect* rect = nullptr;
    ASSERT_EQ(effect.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->right, 346);
    EXPECT_EQ(rect->bottom, 160);
    EXPECT_EQ(effect.dispatch(effEditGetRect), 0); // nowhere to answer

    // Closing what was never opened, or opening without a window, is harmless.
    EXPECT_EQ(effect.dispatch(effEditClose), 0);
    EXPECT_EQ(effect.dispatch(effEditOpen), 0);
    EXPECT_EQ(effect.dispatch(effEditIdle), 0);
    EXPECT_EQ(effect.dispatch(effEditClose), 0);

    // A parent the window system does not know (here a pointer to something else): refused,
    // every time, and the effect goes on as before.
    int window = 0;
    EXPECT_EQ(effect.dispatch(effEditOpen, 0, 0, &window), 0);
    EXPECT_EQ(effect.dispatch(effEditOpen, 0, 0, &window), 0);
    EXPECT_EQ(effect.dispatch(effEditIdle), 0);
    effect->setParameter(effect.operator->(), 1, 0.25f);
    EXPECT_EQ(effect->getParameter(effect.operator->(), 1), 0.25f);
    EXPECT_EQ(effect.dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, 346);
    EXPECT_EQ(effect.dispatch(effEditClose), 0);
    EXPECT_EQ(effect.dispatch(effEditClose), 0);
    EXPECT_EQ(effect.dispatch(effEditOpen, 0, 0, &window), 0);
}

TEST_F(Vst2EffectTest, FailedCreationReleasesWhatItMade) {
    static int closes = 0;
    closes = 0;
    const TUID unknown = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    EXPECT_EQ(Vst::Vst2Wrapper::create(&factory, unknown, 1, &hostCallback, [] { ++closes; }),
              nullptr);
    EXPECT_EQ(Vst::Vst2Wrapper::create(nullptr, processorClassId(), 1, &hostCallback), nullptr);
    EXPECT_EQ(factory.references, 1u);

    // The processor exists before the controller turns out to be missing; it is released again
    // (the sanitizer's leak check holds the wrapper to that).
    factory.refuseController = true;
    EXPECT_EQ(
        Vst::Vst2Wrapper::create(&factory, processorClassId(), 1, &hostCallback, [] { ++closes; }),
        nullptr);
    EXPECT_EQ(factory.instancesCreated, 1);
    EXPECT_EQ(factory.references, 1u);
    EXPECT_EQ(closes, 0);
}

TEST_F(Vst2EffectTest, ClosingReleasesEverythingAndCallsTheHookOnce) {
    static int closes = 0;
    closes = 0;
    factory.keepCreated = true;
    {
        Effect effect(&factory, [] { ++closes; });
        ASSERT_TRUE(effect);
        EXPECT_EQ(factory.instancesCreated, 2); // processor and controller
        EXPECT_GT(factory.references, 1u);
        effect.start();
        EXPECT_EQ(closes, 0);
        effect.close(); // while active: the wrapper suspends first
        EXPECT_EQ(closes, 1);
        EXPECT_EQ(factory.references, 1u);
    }
    // The test's records hold the only references left.
    for (auto& object : factory.created) {
        EXPECT_EQ(object->addRef(), 2u);
        object->release();
    }
    EXPECT_EQ(closes, 1);
}

// --- Parameters -----------------------------------------------------------------------------

TEST_F(Vst2EffectTest, ParametersShowTheControllersTextsWithinTheVst2Limits) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    EXPECT_EQ(effect.text(effGetParamName, 0), "Bypass");
    EXPECT_EQ(effect.text(effGetParamName, 1), "Time Pan");
    EXPECT_EQ(effect.text(effGetParamName, 2), "Level Pa");
    EXPECT_EQ(effect.text(effGetParamName, 3), "Swap Cha");
    for (int32 index = 0; index < Parameters::count; ++index) {
        const auto id = static_cast<Vst::ParamID>(index);
        const auto value = static_cast<float>(Parameters::defaultValue(id));
        EXPECT_EQ(effect->getParameter(effect.operator->(), index), value);
        EXPECT_EQ(effect.text(effGetParamDisplay, index),
                  Parameters::displayText(id, value).substr(0, 8));
        EXPECT_EQ(effect.text(effGetParamLabel, index), "");
        // The fine delay changes the latency, which hosts take in only between blocks.
        EXPECT_EQ(effect.dispatch(effCanBeAutomated, index), id == Parameters::FineDelay ? 0 : 1);
    }

    // A host buffer is written up to the limit and its terminating zero, never past them.
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    effect.dispatch(effGetParamName, 3, 0, buffer);
    EXPECT_EQ(buffer[8], 0);
    EXPECT_EQ(buffer[9], 'x');

    effect->setParameter(effect.operator->(), 1, 1.0f);
    EXPECT_EQ(effect->getParameter(effect.operator->(), 1), 1.0f);
    EXPECT_EQ(effect.text(effGetParamDisplay, 1), Parameters::displayText(1, 1.0f).substr(0, 8));

    // Indices outside the set and values outside [0, 1].
    effect->setParameter(effect.operator->(), 7, 0.5f);
    effect->setParameter(effect.operator->(), -1, 0.5f);
    EXPECT_EQ(effect->getParameter(effect.operator->(), 7), 0.0f);
    EXPECT_EQ(effect.text(effGetParamName, 7), "");
    EXPECT_EQ(effect.text(effGetParamDisplay, -1), "");
    EXPECT_EQ(effect.dispatch(effCanBeAutomated, 4), 0);
    effect->setParameter(effect.operator->(), 2, 1.5f);
    EXPECT_EQ(effect->getParameter(effect.operator->(), 2), 1.0f);
    effect->setParameter(effect.operator->(), 2, std::nanf(""));
    EXPECT_EQ(effect->getParameter(effect.operator->(), 2), 1.0f);
}

// What hosts show instead of the 8-byte names: the full title, a short label, and switches
// flagged as such.
TEST_F(Vst2EffectTest, ParameterPropertiesGiveFullTitlesAndFlagSwitches) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    for (int32 index = 0; index < Parameters::count; ++index) {
        const auto& description = Parameters::describe(static_cast<Vst::ParamID>(index));
        VstParameterProperties properties;
        std::memset(&properties, 'x', sizeof properties);
        ASSERT_EQ(effect.dispatch(effGetParameterProperties, index, 0, &properties), 1);
        EXPECT_STREQ(properties.label, description.title);
        EXPECT_EQ(std::string(properties.shortLabel), std::string(description.title).substr(0, 7));
        EXPECT_EQ(properties.flags, description.stepCount == 1 ? kVstParameterIsSwitch : 0)
            << description.title;
        // Nothing else is claimed: no steps, ranges, display index or category.
        EXPECT_EQ(properties.displayIndex, 0);
        EXPECT_EQ(properties.categoryLabel[0], 0);
    }
    VstParameterProperties swap{};
    effect.dispatch(effGetParameterProperties, 3, 0, &swap);
    EXPECT_STREQ(swap.label, "Swap Channels");
    EXPECT_EQ(swap.flags, kVstParameterIsSwitch);

    // No such parameter, or nowhere to write: nothing answered and nothing written.
    VstParameterProperties untouched;
    std::memset(&untouched, 'x', sizeof untouched);
    EXPECT_EQ(effect.dispatch(effGetParameterProperties, Parameters::count, 0, &untouched), 0);
    EXPECT_EQ(effect.dispatch(effGetParameterProperties, -1, 0, &untouched), 0);
    EXPECT_EQ(untouched.label[0], 'x');
    EXPECT_EQ(effect.dispatch(effGetParameterProperties, 0, 0, nullptr), 0);
}

TEST_F(Vst2EffectTest, HostValuesReachTheController) {
    factory.keepCreated = true;
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    Vst::IEditController* controller = controllerOf(factory);
    ASSERT_NE(controller, nullptr);

    effect->setParameter(effect.operator->(), 2, 0.25f);
    effect->setParameter(effect.operator->(), 3, 1.0f);
    // The controller is updated off the audio path, on the next dispatcher call.
    effect.dispatch(effEditIdle);
    EXPECT_EQ(controller->getParamNormalized(2), 0.25);
    EXPECT_EQ(controller->getParamNormalized(3), 1.0);
    EXPECT_TRUE(hostCallsOf(audioMasterAutomate).empty());

    // Text typed into the host goes through the controller's parsing.
    char typed[] = "0.75";
    EXPECT_EQ(effect.dispatch(effString2Parameter, 1, 0, typed), 1);
    EXPECT_EQ(controller->getParamNormalized(1), 0.75);
    EXPECT_EQ(effect->getParameter(effect.operator->(), 1), 0.75f);
    EXPECT_EQ(effect.dispatch(effString2Parameter, 9, 0, typed), 0);
}

TEST_F(Vst2EffectTest, ControllerEditsAutomateTheHostAndReachTheProcessor) {
    factory.keepCreated = true;
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    auto* controller = dynamic_cast<Vst::EditController*>(controllerOf(factory));
    ASSERT_NE(controller, nullptr);
    effect.start();

    controller->beginEdit(Parameters::TimePan);
    controller->setParamNormalized(Parameters::TimePan, 0.875);
    controller->performEdit(Parameters::TimePan, 0.875);
    controller->endEdit(Parameters::TimePan);

    ASSERT_EQ(hostCallsOf(audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(hostCallsOf(audioMasterBeginEdit)[0].index, 1);
    ASSERT_EQ(hostCallsOf(audioMasterAutomate).size(), 1u);
    EXPECT_EQ(hostCallsOf(audioMasterAutomate)[0].index, 1);
    EXPECT_EQ(hostCallsOf(audioMasterAutomate)[0].opt, 0.875f);
    ASSERT_EQ(hostCallsOf(audioMasterEndEdit).size(), 1u);
    EXPECT_EQ(effect->getParameter(effect.operator->(), 1), 0.875f);

    Reference<float> reference;
    const auto input = noise<float>(512, 7);
    std::vector<std::vector<float>> output;
    effect.process(input, output);
    EXPECT_EQ(output, reference.process(input, {{Parameters::TimePan, 0.875}}));
    // An edit of an id the effect does not have goes nowhere.
    EXPECT_EQ(controller->performEdit(42, 0.5), kResultFalse);
}

// --- Audio ----------------------------------------------------------------------------------

TEST_F(Vst2EffectTest, AHostValueActsFromTheStartOfTheNextBlock) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    effect.start(48000.0f, 4800);

    // A click half-way through 100 ms, when the smoothed time pan has long arrived at the right.
    std::vector<std::vector<float>> click(2, std::vector<float>(4800, 0.0f));
    click[0][2400] = click[1][2400] = 1.0f;
    std::vector<std::vector<float>> output;
    effect.process(click, output);
    EXPECT_EQ(peakIndex(output[0]), 2400);
    EXPECT_EQ(peakIndex(output[1]), 2400);

    effect->setParameter(effect.operator->(), Parameters::TimePan, 1.0f);
    effect.process(click, output);
    EXPECT_GT(peakIndex(output[0]), 2400 + 30); // the left ear hears it later
    EXPECT_EQ(peakIndex(output[1]), 2400);
}

TEST_F(Vst2EffectTest, ProcessReplacingMatchesTheProcessorBitForBit) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    effect.start(48000.0f, 256);
    Reference<float> reference;
    std::vector<std::vector<float>> output;

    // Blocks of the announced size, and longer ones that the wrapper cuts into pieces.
    const int sizes[] = {256, 100, 1000, 256};
    for (unsigned block = 0; block < 4; ++block) {
        const auto input = noise<float>(sizes[block], block);
        const float timePan = 0.2f + 0.2f * static_cast<float>(block);
        const float levelPan = 0.9f - 0.15f * static_cast<float>(block);
        effect->setParameter(effect.operator->(), 1, timePan);
        effect->setParameter(effect.operator->(), 2, levelPan);
        if (block == 2) {
            effect->setParameter(effect.operator->(), 3, 1.0f);
        }
        std::vector<std::pair<Vst::ParamID, double>> changes = {{1, timePan}, {2, levelPan}};
        if (block == 2) {
            changes.emplace_back(3, 1.0);
        }
        effect.process(input, output);
        EXPECT_EQ(output, reference.process(input, changes)) << "block " << block;
    }

    // In place, as many hosts run effects.
    auto buffer = noise<float>(256, 99);
    const auto expected = reference.process(buffer);
    float* channels[2] = {buffer[0].data(), buffer[1].data()};
    effect->processReplacing(effect.operator->(), channels, channels, 256);
    EXPECT_EQ(buffer, expected);
}

TEST_F(Vst2EffectTest, ProcessDoubleReplacingMatchesTheProcessorBitForBit) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    EXPECT_EQ(effect.dispatch(effSetProcessPrecision, 0, kVstProcessPrecision64), 1);
    effect.start(44100.0f, 512);
    EXPECT_EQ(effect.dispatch(effSetProcessPrecision, 0, kVstProcessPrecision32), 0)
        << "refused while resumed";
    Reference<double> reference(44100.0);
    std::vector<std::vector<double>> output;
    for (unsigned block = 0; block < 3; ++block) {
        const auto input = noise<double>(512, 10 + block);
        const float timePan = 0.1f * static_cast<float>(block);
        effect->setParameter(effect.operator->(), 1, timePan);
        effect.process(input, output);
        EXPECT_EQ(output, reference.process(input, {{1, timePan}})) << "block " << block;
    }
}

TEST_F(Vst2EffectTest, TheAccumulatingProcessAddsToTheOutputs) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    effect.start(48000.0f, 128);
    Reference<float> reference;
    const auto input = noise<float>(300, 3);
    effect->setParameter(effect.operator->(), 1, 0.9f);
    std::vector<std::vector<float>> output(2, std::vector<float>(300, 0.25f));
    effect.accumulate(input, output);
    auto expected = reference.process(input, {{1, 0.9f}});
    for (auto& channel : expected) {
        for (float& sample : channel) {
            sample += 0.25f;
        }
    }
    EXPECT_EQ(output, expected);
}

TEST_F(Vst2EffectTest, SuspendedEffectIsSilentAndResumesWithTheNewSetup) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    const auto input = noise<float>(256, 5);
    std::vector<std::vector<float>> output(2, std::vector<float>(256, 0.5f));
    effect.process(input, output);
    EXPECT_EQ(output, std::vector<std::vector<float>>(2, std::vector<float>(256, 0.0f)));

    effect.start(48000.0f, 256);
    effect.dispatch(effMainsChanged, 0, 1); // a second resume changes nothing
    effect.process(input, output);
    effect.dispatch(effMainsChanged, 0, 0);
    output.assign(2, std::vector<float>(256, 0.5f));
    effect.process(input, output);
    EXPECT_EQ(output, std::vector<std::vector<float>>(2, std::vector<float>(256, 0.0f)));

    // Resumed at another rate, the effect is a processor set up afresh for it, starting from the
    // value set while suspended: it does not glide there.
    effect->setParameter(effect.operator->(), 1, 0.0f);
    effect.start(96000.0f, 256);
    Reference<float> reference(96000.0);
    reference.flush({{1, 0.0}});
    reference.restart(96000.0);
    effect.process(input, output);
    EXPECT_EQ(output, reference.process(input));
    EXPECT_NE(output, Reference<float>(96000.0).process(input, {{1, 0.0}}));
}

// The entry a block comes through says its width, whatever effSetProcessPrecision announced.
TEST_F(Vst2EffectTest, EveryBlockIsProcessedInTheWidthOfItsEntry) {
    for (bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "set up for 64-bit" : "set up for 32-bit");
        Effect effect(&factory);
        ASSERT_TRUE(effect);
        effect.dispatch(effSetProcessPrecision, 0,
                        wide ? kVstProcessPrecision64 : kVstProcessPrecision32);
        effect.start(48000.0f, 256);
        effect->setParameter(effect.operator->(), 1, 0.0f);
        Reference<float> reference;

        const auto input32 = noise<float>(256, 21);
        const auto input64 = noise<double>(256, 22);
        std::vector<std::vector<float>> output32;
        std::vector<std::vector<double>> output64;
        std::vector<std::vector<float>> sums(2, std::vector<float>(256, 0.5f));
        if (wide) {
            effect.process(input32, output32);
            EXPECT_EQ(output32, reference.process(input32, {{1, 0.0}}));
            effect.process(input64, output64);
            EXPECT_EQ(output64, reference.process(input64));
        } else {
            effect.process(input64, output64);
            EXPECT_EQ(output64, reference.process(input64, {{1, 0.0}}));
            effect.process(input32, output32);
            EXPECT_EQ(output32, reference.process(input32));
        }
        effect.accumulate(input32, sums);
        auto expected = reference.process(input32);
        for (auto& channel : expected) {
            for (float& sample : channel) {
                sample += 0.5f;
            }
        }
        EXPECT_EQ(sums, expected);
    }
}

TEST_F(Vst2EffectTest, AnyAnnouncedBlockSizeIsProcessedInPieces) {
    for (VstIntPtr announced : {VstIntPtr(1) << 28, VstIntPtr(2147483647)}) {
        SCOPED_TRACE(announced);
        Effect effect(&factory);
        ASSERT_TRUE(effect);
        effect.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        effect.dispatch(effSetBlockSize, 0, announced);
        effect.dispatch(effMainsChanged, 0, 1);
        Reference<float> reference;
        std::vector<std::vector<float>> output;
        const int sizes[] = {10000, 4097, 3};
        for (unsigned block = 0; block < 3; ++block) {
            const auto input = noise<float>(sizes[block], 30 + block);
            const float timePan = 0.9f - 0.3f * static_cast<float>(block);
            effect->setParameter(effect.operator->(), 1, timePan);
            effect.process(input, output);
            EXPECT_EQ(output, reference.process(input, {{1, timePan}})) << "block " << block;
        }
        const auto input = noise<float>(9000, 40);
        std::vector<std::vector<float>> sums(2, std::vector<float>(9000, 0.0f));
        effect.accumulate(input, sums);
        EXPECT_EQ(sums, reference.process(input));
    }
}

// --- Chunks ---------------------------------------------------------------------------------

TEST_F(Vst2EffectTest, TheChunkIsTheProcessorsStateBlob) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    testhost::HostedProcessor processor;
    IPtr<MemoryStream> stream = owned(new MemoryStream());
    ASSERT_EQ(processor->getState(stream), kResultOk);
    EXPECT_EQ(effect.chunk(), testhost::bytesOf(*stream));
    EXPECT_EQ(effect.chunk(false), testhost::bytesOf(*stream));
}

TEST_F(Vst2EffectTest, AChunkRestoresProcessorAndControllerInAnotherEffect) {
    Effect first(&factory);
    ASSERT_TRUE(first);
    first.start();
    first->setParameter(first.operator->(), 1, 0.3f);
    first->setParameter(first.operator->(), 3, 1.0f);
    std::vector<std::vector<float>> output;
    first.process(noise<float>(64, 1), output); // the processor takes the values in
    const std::string saved = first.chunk();
    ASSERT_FALSE(saved.empty());

    RecordingFactory otherFactory;
    otherFactory.keepCreated = true;
    Effect second(&otherFactory);
    ASSERT_TRUE(second);
    second.start();
    second->setParameter(second.operator->(), 2, 0.1f); // superseded by the load
    EXPECT_EQ(second.setChunk(saved), 1);
    EXPECT_EQ(second->getParameter(second.operator->(), 1), 0.3f);
    EXPECT_EQ(second->getParameter(second.operator->(), 2), 0.5f);
    EXPECT_EQ(second->getParameter(second.operator->(), 3), 1.0f);
    EXPECT_EQ(controllerOf(otherFactory)->getParamNormalized(1), static_cast<double>(0.3f));
    EXPECT_EQ(second.text(effGetParamDisplay, 3), "On");
    EXPECT_EQ(second.chunk(), saved);

    // The processor starts the next block at the loaded values.
    Reference<float> reference;
    ASSERT_EQ(reference.processor->setState(testhost::streamOf(saved)), kResultOk);
    const auto input = noise<float>(512, 2);
    second.process(input, output);
    EXPECT_EQ(output, reference.process(input));
}

TEST_F(Vst2EffectTest, ABrokenChunkIsRefusedAndChangesNothing) {
    Effect effect(&factory);
    ASSERT_TRUE(effect);
    effect->setParameter(effect.operator->(), 1, 0.75f);
    const std::string before = effect.chunk();
    EXPECT_EQ(effect.setChunk(testhost::blobBytes("[1, 2]")), 0);
    EXPECT_EQ(effect.setChunk(testhost::blobBytes(100, "{}")), 0);
    EXPECT_EQ(effect.setChunk(std::string()), 0);
    EXPECT_EQ(effect.dispatch(effSetChunk, 0, 10, nullptr), 0);
    EXPECT_EQ(effect.dispatch(effGetChunk, 0, 0, nullptr), 0);
    EXPECT_EQ(effect->getParameter(effect.operator->(), 1), 0.75f);
    EXPECT_EQ(effect.chunk(), before);
}

// --- Values set outside the blocks -----------------------------------------------------------

enum class When { NeverResumed, ResumedWithoutBlocks, Processing, Suspended };

const char* nameOf(When when) {
    switch (when) {
    case When::NeverResumed:
        return "never resumed";
    case When::ResumedWithoutBlocks:
        return "resumed, no block yet";
    case When::Processing:
        return "processing";
    default:
        return "suspended after processing";
    }
}

constexpr When everyWhen[] = {When::NeverResumed, When::ResumedWithoutBlocks, When::Processing,
                              When::Suspended};

// The effect brought into the state `when` names.
void bringTo(Effect& effect, When when) {
    if (when == When::NeverResumed) {
        return;
    }
    effect.start(48000.0f, 128);
    if (when == When::ResumedWithoutBlocks) {
        return;
    }
    std::vector<std::vector<float>> output;
    effect.process(noise<float>(128, 4), output);
    if (when == When::Suspended) {
        effect.dispatch(effMainsChanged, 0, 0);
    }
}

// Whatever a value's route (the host's setParameter, text typed into the host, the editor's
// edit), the next chunk holds it, processing or not: the bytes a VST 3 processor saves after a
// block carrying the same values.
TEST_F(Vst2EffectTest, AValueIsInTheNextChunkWhateverItsRouteProcessingOrNot) {
    for (When when : everyWhen) {
        SCOPED_TRACE(nameOf(when));
        RecordingFactory recording;
        recording.keepCreated = true;
        Effect effect(&recording);
        ASSERT_TRUE(effect);
        auto* controller = dynamic_cast<Vst::EditController*>(controllerOf(recording));
        ASSERT_NE(controller, nullptr);
        bringTo(effect, when);

        effect->setParameter(effect.operator->(), Parameters::TimePan, 0.3f);
        EXPECT_EQ(effect.chunk(), vst3State({{Parameters::TimePan, 0.3f}}));

        char typed[] = "30,0 r";
        ASSERT_EQ(effect.dispatch(effString2Parameter, Parameters::LevelPan, 0, typed), 1);
        const double level = effect->getParameter(effect.operator->(), Parameters::LevelPan);
        EXPECT_EQ(level, 0.65f);
        EXPECT_EQ(effect.chunk(),
                  vst3State({{Parameters::TimePan, 0.3f}, {Parameters::LevelPan, level}}));

        controller->beginEdit(Parameters::SwapChannels);
        controller->setParamNormalized(Parameters::SwapChannels, 1.0);
        controller->performEdit(Parameters::SwapChannels, 1.0);
        controller->endEdit(Parameters::SwapChannels);
        const std::string expected = vst3State({{Parameters::TimePan, 0.3f},
                                                {Parameters::LevelPan, level},
                                                {Parameters::SwapChannels, 1.0}});
        EXPECT_EQ(effect.chunk(), expected);

        // The blocks that follow carry the same values: the chunk stays.
        if (when == When::Processing) {
            std::vector<std::vector<float>> output;
            effect.process(noise<float>(128, 5), output);
            effect.accumulate(noise<float>(64, 6), output);
            EXPECT_EQ(effect.chunk(), expected);
        }
    }
}

// A chunk supersedes the values set before it; the values set after it are saved over it, each
// parameter with its latest value.
TEST_F(Vst2EffectTest, AChunkThenValuesSavesBothTheLaterPerParameter) {
    RecordingFactory sourceFactory;
    Effect source(&sourceFactory);
    ASSERT_TRUE(source);
    source->setParameter(source.operator->(), Parameters::TimePan, 0.3f);
    source->setParameter(source.operator->(), Parameters::SwapChannels, 1.0f);
    const std::string loaded = source.chunk();
    ASSERT_EQ(loaded, vst3State({{Parameters::TimePan, 0.3f}, {Parameters::SwapChannels, 1.0}}));

    for (When when : everyWhen) {
        SCOPED_TRACE(nameOf(when));
        Effect effect(&factory);
        ASSERT_TRUE(effect);
        bringTo(effect, when);
        effect->setParameter(effect.operator->(), Parameters::LevelPan, 0.9f);
        ASSERT_EQ(effect.setChunk(loaded), 1);
        EXPECT_EQ(effect.chunk(), loaded);
        EXPECT_EQ(effect->getParameter(effect.operator->(), Parameters::LevelPan), 0.5f);

        effect->setParameter(effect.operator->(), Parameters::TimePan, 0.75f);
        effect->setParameter(effect.operator->(), Parameters::LevelPan, 0.1f);
        const std::string expected =
            vst3State({{Parameters::TimePan, 0.75f}, {Parameters::LevelPan, 0.1f}}, loaded);
        EXPECT_EQ(effect.chunk(), expected);
        if (when == When::Processing) {
            std::vector<std::vector<float>> output;
            effect.process(noise<float>(128, 7), output);
            EXPECT_EQ(effect.chunk(), expected);
        }
    }
}

// A value set while suspended is where the next engine starts; one set while resumed moves there
// from the next block's start, as automation does.
TEST_F(Vst2EffectTest, ValuesSetWhileSuspendedAreWhereTheEngineStarts) {
    RecordingFactory sourceFactory;
    Effect source(&sourceFactory);
    ASSERT_TRUE(source);
    source->setParameter(source.operator->(), Parameters::SwapChannels, 1.0f);
    source->setParameter(source.operator->(), Parameters::LevelPan, 0.2f);
    const std::string loaded = source.chunk();

    Effect effect(&factory);
    ASSERT_TRUE(effect);
    const auto input = noise<float>(512, 8);
    std::vector<std::vector<float>> output;
    // Before the first resume: a chunk, then a value.
    ASSERT_EQ(effect.setChunk(loaded), 1);
    effect->setParameter(effect.operator->(), Parameters::TimePan, 0.0f);
    effect.start(48000.0f, 512);
    Reference<float> reference;
    ASSERT_EQ(reference.processor->setState(testhost::streamOf(loaded)), kResultOk);
    reference.flush({{Parameters::TimePan, 0.0}});
    reference.restart(48000.0);
    effect.process(input, output);
    EXPECT_EQ(output, reference.process(input));

    effect->setParameter(effect.operator->(), Parameters::LevelPan, 1.0f);
    effect.process(input, output);
    EXPECT_EQ(output, reference.process(input, {{Parameters::LevelPan, 1.0}}));

    // Suspended and resumed: the values set meanwhile, the editor's among them.
    effect.dispatch(effMainsChanged, 0, 0);
    effect->setParameter(effect.operator->(), Parameters::TimePan, 1.0f);
    char typed[] = "L 200";
    ASSERT_EQ(effect.dispatch(effString2Parameter, Parameters::LevelPan, 0, typed), 1);
    effect.dispatch(effMainsChanged, 0, 1);
    reference.flush({{Parameters::TimePan, 1.0}, {Parameters::LevelPan, 0.0}});
    reference.restart(48000.0);
    effect.process(input, output);
    EXPECT_EQ(output, reference.process(input));
    EXPECT_EQ(effect.chunk(), reference.state());
}

TEST_F(Vst2EffectTest, ADeeplyNestedChunkIsRefusedOnASmallStack) {
    const std::size_t depth = 100000;
    std::string deep;
    for (std::size_t i = 0; i < depth; ++i)
        deep += "{\"\":";
    deep += '1' + std::string(depth, '}');
    const bool ran = testhost::runOnSmallStack(256 * 1024, [&] {
        Effect effect(&factory);
        ASSERT_TRUE(effect);
        effect->setParameter(effect.operator->(), 1, 0.75f);
        const std::string before = effect.chunk();
        EXPECT_EQ(effect.setChunk(testhost::blobBytes(deep)), 0);
        EXPECT_EQ(effect->getParameter(effect.operator->(), 1), 0.75f);
        EXPECT_EQ(effect.chunk(), before);
    });
    EXPECT_TRUE(ran);
}

} // namespace
