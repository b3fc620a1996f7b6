#pragma once

#include "controller/controller.h"
#include "host/componenthandler.h"
#include "host/connectionpeer.h"
#include "host/streams.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace controllertest {

using Steinberg::IPtr;
using Steinberg::owned;
using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParamValue;
using tivrandel::Parameters;

// The product controller with its editor list open to the tests.
class InspectableController : public tivrandel::Controller {
public:
    using ControllerBase::editors;
};

// An editor that records every value the controller tells it.
class RecordingEditor : public tivrandel::Editor {
public:
    using Editor::Editor;
    void onParameterChanged(ParamID id, ParamValue value) override {
        changes.emplace_back(id, value);
    }
    std::vector<std::pair<ParamID, ParamValue>> changes;
};

// A controller initialized with a host application and given a recording component handler,
// as a host leaves it after set-up.
class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(controller->initialize(&host), Steinberg::kResultOk);
        ASSERT_EQ(controller->setComponentHandler(&handler), Steinberg::kResultOk);
    }
    void TearDown() override { controller->terminate(); }

    std::array<double, 5> values() const {
        std::array<double, 5> result{};
        for (ParamID id = 0; id < 5; ++id) {
            result[id] = controller->getParamNormalized(id);
        }
        return result;
    }

    IPtr<RecordingEditor> attachedEditor() {
        auto editor = owned(new RecordingEditor(controller));
        controller->editorAttached(editor);
        return editor;
    }

    static std::string key(ParamID id) { return Parameters::describe(id).stateKey; }

    // Members outlive the controller: it holds references to them until it is destroyed.
    Steinberg::Vst::HostApplication host;
    testhost::ComponentHandler handler;
    testhost::ConnectionPeer peer;
    IPtr<InspectableController> controller = owned(new InspectableController);
};

using Values = std::array<double, 5>;

inline std::u16string text16(const Steinberg::Vst::TChar* text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

inline std::u16string ascii16(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

} // namespace controllertest
