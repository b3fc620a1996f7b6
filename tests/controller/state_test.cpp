#include "controllerfixture.h"

#include <picojson.h>

#include <cmath>
#include <limits>

namespace controllertest {
namespace {

using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using testhost::ComponentHandler;

using Call = ComponentHandler::Call;

class ControllerStateTest : public ControllerTest {
protected:
    std::string onlyTimePan(const std::string& number) const {
        return "{\"" + key(1) + "\":" + number + "}";
    }

    // The controller's own state as written by getState, parsed.
    picojson::object savedObject() {
        auto stream = owned(new Steinberg::MemoryStream);
        EXPECT_EQ(controller->getState(stream), kResultOk);
        std::string text;
        EXPECT_TRUE(testhost::blobText(*stream, text));
        picojson::value document;
        EXPECT_EQ(picojson::parse(document, text), "");
        return document.is<picojson::object>() ? document.get<picojson::object>()
                                               : picojson::object{};
    }
};

TEST_F(ControllerStateTest, ComponentStateMirrorsValuesAndTellsEditorsButNotTheHost) {
    auto editor = attachedEditor();
    ASSERT_EQ(controller->setComponentState(testhost::blobStream(onlyTimePan("0.25"))), kResultOk);
    EXPECT_EQ(values(), (Values{0.0, 0.25, 0.5, 0.0, 0.0}));
    const std::vector<std::pair<ParamID, ParamValue>> told = {
        {0, 0.0}, {1, 0.25}, {2, 0.5}, {3, 0.0}, {4, 0.0}};
    EXPECT_EQ(editor->changes, told);
    EXPECT_TRUE(handler.calls.empty());
}

TEST_F(ControllerStateTest, ComponentStateKeepsFullDoublesAndTellsEditorsTheUnclampedNumber) {
    auto editor = attachedEditor();
    const std::string text =
        "{\"" + key(0) + "\":0.123456789012345678,\"" + key(2) + "\":1.7,\"" + key(3) + "\":-3}";
    ASSERT_EQ(controller->setComponentState(testhost::blobStream(text)), kResultOk);
    EXPECT_EQ(values(), (Values{0.123456789012345678, 0.5, 1.0, 0.0, 0.0}));
    ASSERT_EQ(editor->changes.size(), 5u);
    EXPECT_EQ(editor->changes[2].second, 1.7);
    EXPECT_EQ(editor->changes[3].second, -3.0);
}

TEST_F(ControllerStateTest, OwnStateSendsOneCompleteGesturePerParameterInIdOrder) {
    ASSERT_EQ(controller->setState(testhost::blobStream(onlyTimePan("0.25"))), kResultOk);
    const std::vector<Call> expected = {
        ComponentHandler::begin(0), ComponentHandler::perform(0, 0.0),  ComponentHandler::end(0),
        ComponentHandler::begin(1), ComponentHandler::perform(1, 0.25), ComponentHandler::end(1),
        ComponentHandler::begin(2), ComponentHandler::perform(2, 0.5),  ComponentHandler::end(2),
        ComponentHandler::begin(3), ComponentHandler::perform(3, 0.0),  ComponentHandler::end(3),
        ComponentHandler::begin(4), ComponentHandler::perform(4, 0.0),  ComponentHandler::end(4),
    };
    EXPECT_EQ(handler.calls, expected);
    EXPECT_EQ(values(), (Values{0.0, 0.25, 0.5, 0.0, 0.0}));
}

TEST_F(ControllerStateTest, WrongMemberTypesTakeDefaults) {
    ASSERT_EQ(controller->setParamNormalized(1, 0.9), kResultOk);
    const std::string text = "{\"" + key(0) + "\":true,\"" + key(1) + "\":\"0.7\",\"" + key(2) +
                             "\":null,\"" + key(3) + "\":[1],\"other\":0.3}";
    ASSERT_EQ(controller->setComponentState(testhost::blobStream(text)), kResultOk);
    EXPECT_EQ(values(), (Values{0.0, 0.5, 0.5, 0.0, 0.0}));
}

TEST_F(ControllerStateTest, SavedStateRestoresEveryDoubleExactly) {
    const Values original = {1.0, 1.0 / 3.0, 0.30000001192092896, 0.1 + 0.2, 1.0};
    for (ParamID id = 0; id < 5; ++id) {
        controller->setParamNormalized(id, original[id]);
    }
    auto stream = owned(new Steinberg::MemoryStream);
    ASSERT_EQ(controller->getState(stream), kResultOk);

    auto other = owned(new InspectableController);
    ASSERT_EQ(other->initialize(&host), kResultOk);
    stream->seek(0, Steinberg::IBStream::kIBSeekSet, nullptr);
    ASSERT_EQ(other->setState(stream), kResultOk);
    for (ParamID id = 0; id < 5; ++id) {
        EXPECT_EQ(other->getParamNormalized(id), original[id]) << id;
    }
    other->terminate();
}

TEST_F(ControllerStateTest, SavedStateCarriesVersionAndTheControllerTag) {
    const picojson::object object = savedObject();
    EXPECT_EQ(object.size(), 6u);
    ASSERT_TRUE(object.count(Parameters::versionKey()));
    EXPECT_EQ(object.at(Parameters::versionKey()).to_str(), "1");
    ASSERT_TRUE(object.count(Parameters::tagKey()));
    EXPECT_EQ(object.at(Parameters::tagKey()).to_str(), Parameters::controllerTag());
    EXPECT_NE(std::string(Parameters::controllerTag()), Parameters::processorTag());
    EXPECT_EQ(object.at(key(1)).get<double>(), 0.5);
}

TEST_F(ControllerStateTest, TheFineDelayIsSavedOnlyWhileOnAndABlobWithoutItTurnsItOff) {
    const std::string key4 = Parameters::describe(Parameters::FineDelay).stateKey;
    ASSERT_EQ(controller->setParamNormalized(Parameters::FineDelay, 0.4), kResultOk);
    EXPECT_EQ(savedObject().count(key4), 0u);
    ASSERT_EQ(controller->setParamNormalized(Parameters::FineDelay, 1.0), kResultOk);
    const picojson::object on = savedObject();
    ASSERT_EQ(on.count(key4), 1u);
    EXPECT_EQ(on.at(key4).get<double>(), 1.0);
    EXPECT_EQ(on.size(), 7u);

    ASSERT_EQ(controller->setComponentState(testhost::blobStream(onlyTimePan("0.25"))), kResultOk);
    EXPECT_EQ(values(), (Values{0.0, 0.25, 0.5, 0.0, 0.0}));
}

TEST_F(ControllerStateTest, NonFiniteValuesAreSavedAsTheirStorableNumbers) {
    // The controller refuses NaN, but the SDK parameter object stores it as given to anyone
    // who reaches it; getState must still produce a valid blob.
    controller->getParameterObject(1)->setNormalized(std::numeric_limits<double>::quiet_NaN());
    ASSERT_TRUE(std::isnan(controller->getParamNormalized(1)));
    const picojson::object object = savedObject();
    ASSERT_TRUE(object.count(key(1)));
    EXPECT_EQ(object.at(key(1)).get<double>(), 1.0);
}

TEST_F(ControllerStateTest, FailedWritesAreReported) {
    EXPECT_EQ(controller->getState(nullptr), kResultFalse);
    for (auto mode : {testhost::FailingStream::Mode::Fail, testhost::FailingStream::Mode::Short}) {
        for (Steinberg::int32 limit : {0, 2, 4, 10}) {
            testhost::FailingStream stream("", limit, mode);
            EXPECT_EQ(controller->getState(&stream), kResultFalse) << limit;
        }
    }
}

TEST_F(ControllerStateTest, InvalidBlobsChangeNothingAndSendNoEdits) {
    const Values before = {1.0, 0.2, 0.8, 1.0, 1.0};
    for (ParamID id = 0; id < 5; ++id) {
        controller->setParamNormalized(id, before[id]);
    }
    auto editor = attachedEditor();
    const std::string valid = onlyTimePan("0.25");
    const std::pair<const char*, std::string> blobs[] = {
        {"array", testhost::blobBytes("[0.25]")},
        {"number", testhost::blobBytes("0.25")},
        {"string", testhost::blobBytes("\"x\"")},
        {"empty text", testhost::blobBytes("")},
        {"syntax error", testhost::blobBytes("{\"" + key(1) + "\":}")},
        {"overflowing number", testhost::blobBytes(onlyTimePan("1e999"))},
        {"truncated text", testhost::blobBytes(std::uint32_t(valid.size() + 1), valid)},
        {"huge length prefix", testhost::blobBytes(0xFFFFFFFFu, valid)},
        {"short prefix", std::string("\x05\x00", 2)},
        {"nothing", std::string()},
    };
    for (const auto& [name, bytes] : blobs) {
        SCOPED_TRACE(name);
        EXPECT_EQ(controller->setComponentState(testhost::streamOf(bytes)), kResultFalse);
        EXPECT_EQ(controller->setState(testhost::streamOf(bytes)), kResultFalse);
        testhost::FailingStream failing(bytes, 6, testhost::FailingStream::Mode::Fail);
        EXPECT_EQ(controller->setState(&failing), kResultFalse);
    }
    EXPECT_EQ(controller->setComponentState(nullptr), kResultFalse);
    EXPECT_EQ(controller->setState(nullptr), kResultFalse);
    EXPECT_EQ(values(), before);
    EXPECT_TRUE(editor->changes.empty());
    EXPECT_TRUE(handler.calls.empty());
}

} // namespace
} // namespace controllertest
