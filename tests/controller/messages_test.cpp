#include "controllerfixture.h"

#include "host/hostedprocessor.h"

#include <cmath>

namespace controllertest {
namespace {

using Steinberg::kInvalidArgument;
using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::Vst::IAttributeList;
using Steinberg::Vst::IMessage;

IPtr<IMessage> message(const char* id) {
    auto result = owned<IMessage>(new Steinberg::Vst::HostMessage);
    result->setMessageID(id);
    return result;
}

IPtr<IMessage> activation(Steinberg::int64 active) {
    auto result = message("b0");
    result->getAttributes()->setInt("b0", active);
    return result;
}

// A message whose host hands out no attribute list.
class BareMessage : public IMessage {
public:
    explicit BareMessage(const char* messageId) : id(messageId) { FUNKNOWN_CTOR }
    virtual ~BareMessage(){FUNKNOWN_DTOR} Steinberg::FIDString PLUGIN_API getMessageID() override {
        return id;
    }
    void PLUGIN_API setMessageID(Steinberg::FIDString messageId) override { id = messageId; }
    IAttributeList* PLUGIN_API getAttributes() override { return nullptr; }
    DECLARE_FUNKNOWN_METHODS
private:
    Steinberg::FIDString id;
};
IMPLEMENT_FUNKNOWN_METHODS(BareMessage, IMessage, IMessage::iid)

TEST_F(ControllerTest, ActivationIsAcknowledgedWhenItsFlagReads) {
    EXPECT_EQ(controller->notify(activation(1)), kResultOk);
    EXPECT_EQ(controller->notify(activation(0)), kResultOk);
    EXPECT_EQ(controller->notify(activation(-5)), kResultOk);
    EXPECT_EQ(controller->notify(message("b0")), kResultFalse);
    auto otherKey = message("b0");
    otherKey->getAttributes()->setInt("b1", 1);
    EXPECT_EQ(controller->notify(otherKey), kResultFalse);
    BareMessage bare("b0");
    EXPECT_EQ(controller->notify(&bare), kResultFalse);
    EXPECT_TRUE(handler.calls.empty());
}

TEST_F(ControllerTest, LatencyChangeRestartsTheComponent) {
    EXPECT_EQ(controller->notify(message("b1")), kResultOk);
    EXPECT_EQ(handler.calls,
              (std::vector<testhost::ComponentHandler::Call>{
                  testhost::ComponentHandler::restart(Steinberg::Vst::kLatencyChanged)}));
    controller->setComponentHandler(nullptr);
    EXPECT_EQ(controller->notify(message("b1")), kResultFalse);
    EXPECT_EQ(handler.calls.size(), 1u);
}

TEST_F(ControllerTest, IdsAreWholeStringsAndOthersGoToTheBase) {
    auto prefixed = message("b00");
    prefixed->getAttributes()->setInt("b0", 1);
    EXPECT_EQ(controller->notify(prefixed), kResultFalse);
    EXPECT_EQ(controller->notify(message("b1 ")), kResultFalse);
    EXPECT_EQ(controller->notify(message("b2")), kResultFalse);
    EXPECT_TRUE(handler.calls.empty());

    auto text = message("TextMessage");
    text->getAttributes()->setString("Text", STR16("hello"));
    EXPECT_EQ(controller->notify(text), kResultOk);
    BareMessage bareText("TextMessage");
    EXPECT_EQ(controller->notify(&bareText), kResultFalse);
    BareMessage noId(nullptr);
    EXPECT_EQ(controller->notify(&noId), kResultFalse);
    EXPECT_EQ(controller->notify(nullptr), kInvalidArgument);
}

TEST_F(ControllerTest, EachTimerTickSendsOneTickMessageToThePeer) {
    ASSERT_EQ(controller->connect(&peer), kResultOk);
    controller->onEditorTimer();
    controller->onEditorTimer();
    EXPECT_EQ(peer.ids(), (std::vector<std::string>{"b2", "b2"}));
    Steinberg::int64 unused = 0;
    EXPECT_FALSE(peer.intAttribute(0, "b2", unused));
    ASSERT_EQ(controller->disconnect(&peer), kResultOk);
    controller->onEditorTimer();
    EXPECT_EQ(peer.messages.size(), 2u);
}

TEST_F(ControllerTest, AValueHostsDoNotAutomateGoesToTheProcessorAtOnce) {
    ASSERT_EQ(controller->connect(&peer), kResultOk);
    controller->setParamNormalized(Parameters::LevelPan, 0.25); // the host's block brings it
    ASSERT_EQ(controller->setParamNormalized(Parameters::FineDelay, 7.0), kResultOk);
    ASSERT_EQ(peer.ids(), (std::vector<std::string>{"b3"}));
    Steinberg::int64 id = -1;
    ASSERT_TRUE(peer.intAttribute(0, "id", id));
    EXPECT_EQ(id, Parameters::FineDelay);
    double value = -1.0;
    ASSERT_EQ(peer.messages[0]->getAttributes()->getFloat("value", value), kResultOk);
    EXPECT_EQ(value, 1.0); // as the controller holds it
    EXPECT_EQ(controller->setParamNormalized(Parameters::FineDelay, std::nan("")), kResultFalse);
    EXPECT_EQ(peer.messages.size(), 1u);
    EXPECT_TRUE(handler.calls.empty());
}

TEST(ControllerAndProcessor, TheProcessorSavesAValueHostsDoNotAutomateBeforeAnyBlock) {
    testhost::HostedProcessor processor(false);
    Steinberg::Vst::HostApplication host;
    auto controller = owned(new tivrandel::Controller);
    ASSERT_EQ(controller->initialize(&host), kResultOk);
    ASSERT_EQ(controller->connect(processor.processor), kResultOk);
    ASSERT_EQ(processor->connect(controller), kResultOk);

    ASSERT_EQ(controller->setParamNormalized(Parameters::FineDelay, 1.0), kResultOk);
    ASSERT_EQ(controller->setParamNormalized(Parameters::TimePan, 1.0), kResultOk);
    Steinberg::MemoryStream stream;
    ASSERT_EQ(processor->getState(&stream), kResultOk);
    std::string text;
    ASSERT_TRUE(testhost::blobText(stream, text));
    EXPECT_NE(text.find("\"fineDelay\":1"), std::string::npos) << text;
    EXPECT_NE(text.find("\"timePan\":0.5"), std::string::npos) << text;

    // Malformed words of the controller change nothing.
    auto noValue = message("b3");
    noValue->getAttributes()->setInt("id", Parameters::FineDelay);
    EXPECT_EQ(processor->notify(noValue), kResultFalse);
    auto unknown = message("b3");
    unknown->getAttributes()->setInt("id", 9);
    unknown->getAttributes()->setFloat("value", 0.0);
    EXPECT_EQ(processor->notify(unknown), kResultFalse);
    BareMessage bare("b3");
    EXPECT_EQ(processor->notify(&bare), kResultFalse);

    processor->disconnect(controller);
    controller->disconnect(processor.processor);
    controller->terminate();
}

TEST(ControllerTimer, NothingIsSentWithoutAPeerOrAHostToMakeMessages) {
    Steinberg::Vst::HostApplication host;
    testhost::ConnectionPeer peer;
    auto controller = owned(new tivrandel::Controller);
    controller->initialize(&host);
    controller->onEditorTimer(); // no peer yet
    controller->terminate();

    controller->initialize(nullptr);
    controller->connect(&peer);
    kelvane::vst::IOnEditorTimer& timer = *controller;
    timer.onEditorTimer();
    EXPECT_TRUE(peer.messages.empty());
    controller->terminate();
}

} // namespace
} // namespace controllertest
