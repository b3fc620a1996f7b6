#pragma once

#include "controller/controllersupport.h"
#include "framework/guard.h"
#include "framework/messages.h"
#include "framework/narrowing.h"
#include "framework/oneditortimer.h"
#include "framework/stateblob.h"
#include "framework/typedtext.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

#include <picojson.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace kelvane::vst {

// The edit controller framework: registers the product's parameters, turns values into display
// text, mirrors the processor's state, keeps its own state in the same blob layout, pushes every
// value it is given to the attached editors and talks to the processor through the connection
// point. The product class derives from it and adds nothing.
//
// Every operation the host reaches catches all exceptions in its one guarded(...) call and
// answers that operation's failure value. SDK defaults that can throw or dereference a host's
// null pointer are overridden for the same reason.
template <typename Controller, typename Parameters, typename Editor>
class ControllerBase : public Steinberg::Vst::EditController, public IOnEditorTimer {
public:
    using tresult = Steinberg::tresult;
    using ParamID = Steinberg::Vst::ParamID;
    using ParamValue = Steinberg::Vst::ParamValue;
    using String128 = Steinberg::Vst::String128;
    using TChar = Steinberg::Vst::TChar;

    // IPluginBase

    tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override {
        return guarded([&]() -> tresult {
            // A null context leaves the base unable to tell a second call, so registered
            // parameters are the other sign of one: never register them twice.
            if (EditController::initialize(context) != Steinberg::kResultOk ||
                parameters.getParameterCount() != 0) {
                return Steinberg::kResultOk;
            }
            for (ParamID id = 0; id < static_cast<ParamID>(Parameters::count); ++id) {
                const auto& description = Parameters::describe(id);
                String128 title = {};
                copyUtf8(description.title, title);
                const TChar noUnits[1] = {0};
                parameters.addParameter(title, noUnits, description.stepCount,
                                        description.defaultValue, description.flags,
                                        static_cast<Steinberg::int32>(id),
                                        Steinberg::Vst::kRootUnitId, nullptr);
            }
            return Steinberg::kResultOk;
        });
    }

    tresult PLUGIN_API terminate() override {
        return guarded([&]() -> tresult {
            editors.clear();
            attachedViews.clear();
            return EditController::terminate();
        });
    }

    // IConnectionPoint

    tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override {
        return guarded([&]() -> tresult {
            if (message == nullptr) {
                return Steinberg::kInvalidArgument;
            }
            const Steinberg::FIDString id = message->getMessageID();
            if (sameMessageId(id, messageId::latencyChanged)) {
                if (componentHandler == nullptr) {
                    return Steinberg::kResultFalse;
                }
                componentHandler->restartComponent(Steinberg::Vst::kLatencyChanged);
                return Steinberg::kResultOk;
            }
            Steinberg::Vst::IAttributeList* attributes = message->getAttributes();
            if (sameMessageId(id, messageId::processorActivated)) {
                Steinberg::int64 active = 0;
                return attributes != nullptr && attributes->getInt(messageId::processorActivated,
                                                                   active) == Steinberg::kResultOk
                           ? Steinberg::kResultOk
                           : Steinberg::kResultFalse;
            }
            // The base reads the text message's attributes without checking for a list.
            if (attributes == nullptr) {
                return Steinberg::kResultFalse;
            }
            return EditController::notify(message);
        });
    }

    // IEditController

    tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override {
        return guarded([&]() -> tresult {
            picojson::object object;
            if (!readStateObject(state, object)) {
                return Steinberg::kResultFalse;
            }
            for (ParamID id = 0; id < static_cast<ParamID>(Parameters::count); ++id) {
                setParamNormalized(id, loadedValue(object, id));
            }
            return Steinberg::kResultOk;
        });
    }

    tresult PLUGIN_API setState(Steinberg::IBStream* state) override {
        return guarded([&]() -> tresult {
            picojson::object object;
            if (!readStateObject(state, object)) {
                return Steinberg::kResultFalse;
            }
            // Each parameter reaches the host as one complete edit gesture.
            for (ParamID id = 0; id < static_cast<ParamID>(Parameters::count); ++id) {
                beginEdit(id);
                const double value = loadedValue(object, id);
                setParamNormalized(id, value);
                performEdit(id, value);
                endEdit(id);
            }
            return Steinberg::kResultOk;
        });
    }

    tresult PLUGIN_API getState(Steinberg::IBStream* state) override {
        return guarded([&]() -> tresult {
            if (state == nullptr) {
                return Steinberg::kResultFalse;
            }
            picojson::object object;
            for (ParamID id = 0; id < static_cast<ParamID>(Parameters::count); ++id) {
                // The SDK parameter stores NaN as given; JSON cannot hold it.
                const double value = storableNumber(getParamNormalized(id));
                if (Parameters::saved(id, value)) {
                    object[Parameters::describe(id).stateKey] = picojson::value(value);
                }
            }
            object[Parameters::versionKey()] = picojson::value(1.0);
            object[Parameters::tagKey()] =
                picojson::value(std::string(Parameters::controllerTag()));
            return writeStateText(state, serializeState(object)) ? Steinberg::kResultOk
                                                                 : Steinberg::kResultFalse;
        });
    }

    tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                        Steinberg::Vst::ParameterInfo& info) override {
        return guarded([&]() -> tresult {
            // The base indexes its container with at(), which throws past the end.
            if (paramIndex < 0 || paramIndex >= parameters.getParameterCount()) {
                return Steinberg::kResultFalse;
            }
            return EditController::getParameterInfo(paramIndex, info);
        });
    }

    tresult PLUGIN_API getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                             String128 string) override {
        return guarded([&]() -> tresult {
            if (string == nullptr) {
                return Steinberg::kResultFalse;
            }
            if (id >= static_cast<ParamID>(Parameters::count)) {
                return EditController::getParamStringByValue(id, valueNormalized, string);
            }
            copyAscii(Parameters::displayText(id, narrowToFloat(valueNormalized)), string);
            return Steinberg::kResultOk;
        });
    }

    // One reading of typed text for every entry (VST3, and the VST2 and other wrappers that call
    // this): the generic split, the product's rule per parameter, then the normalized range.
    // The base's reader would dereference a null text, may throw on malformed UTF-16, and on
    // Windows reports text that is no number as read.
    tresult PLUGIN_API getParamValueByString(ParamID id, TChar* string,
                                             ParamValue& valueNormalized) override {
        return guarded([&]() -> tresult {
            TypedText typed;
            double value = 0.0;
            if (id >= static_cast<ParamID>(Parameters::count) ||
                getParameterObject(id) == nullptr || !splitTypedText(string, typed) ||
                !Parameters::readText(id, typed, value) || !std::isfinite(value)) {
                return Steinberg::kResultFalse;
            }
            valueNormalized = std::clamp(value, 0.0, 1.0);
            return Steinberg::kResultOk;
        });
    }

    // A value that is no number is refused and reaches no editor: the base would store NaN as
    // given, and clamp an infinity to an end that nobody asked for.
    tresult PLUGIN_API setParamNormalized(ParamID id, ParamValue value) override {
        return guarded([&]() -> tresult {
            if (!std::isfinite(value)) {
                return Steinberg::kResultFalse;
            }
            const tresult result = EditController::setParamNormalized(id, value);
            if (result == Steinberg::kResultOk && id < static_cast<ParamID>(Parameters::count) &&
                (Parameters::describe(id).flags & Steinberg::Vst::ParameterInfo::kCanAutomate) ==
                    0) {
                tellProcessor(id, getParamNormalized(id));
            }
            // By index against the current length: an editor may leave the list meanwhile.
            for (std::size_t i = 0; i < editors.size(); ++i) {
                if (editors[i] != nullptr) {
                    editors[i]->onParameterChanged(id, value);
                }
            }
            return result;
        });
    }

    // A new editor for every request of the editor view type; its one reference passes to the
    // host.
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override {
        return guarded<Steinberg::IPlugView*>(nullptr, [&]() -> Steinberg::IPlugView* {
            if (name == nullptr || std::strcmp(name, Steinberg::Vst::ViewType::kEditor) != 0) {
                return nullptr;
            }
            return new Editor(this);
        });
    }

    // EditController

    void editorAttached(Steinberg::Vst::EditorView* view) override {
        guarded<bool>(false, [&] {
            auto* editor = dynamic_cast<Editor*>(view);
            // A host that attaches a view twice must not leave a second, later dangling entry.
            if (editor != nullptr &&
                std::find(editors.begin(), editors.end(), editor) == editors.end()) {
                editors.push_back(editor);
                attachedViews.push_back(view);
            }
            return true;
        });
    }

    void editorRemoved(Steinberg::Vst::EditorView* view) override {
        guarded<bool>(false, [&] {
            if (auto* editor = dynamic_cast<Editor*>(view)) {
                forget(std::find(editors.begin(), editors.end(), editor) - editors.begin());
            }
            return true;
        });
    }

    // A view that the host destroys without removing it first must not stay in the list. By
    // now only the SDK part of the view is left, so it is found by the address it was
    // attached with.
    void editorDestroyed(Steinberg::Vst::EditorView* view) override {
        guarded<bool>(false, [&] {
            forget(std::find(attachedViews.begin(), attachedViews.end(), view) -
                   attachedViews.begin());
            return true;
        });
    }

    // IOnEditorTimer

    // Exceptions pass to the editor's timer, which swallows them; the message is released
    // either way.
    void onEditorTimer() override {
        Steinberg::IPtr<Steinberg::Vst::IMessage> message = Steinberg::owned(allocateMessage());
        if (!message) {
            return;
        }
        message->setMessageID(messageId::editorTick);
        if (Steinberg::Vst::IConnectionPoint* peer = getPeer()) {
            peer->notify(message);
        }
    }

protected:
    // The member's number, or the parameter's default when it is missing or not a number.
    static double loadedValue(const picojson::object& object, ParamID id) {
        return stateNumber(object, Parameters::describe(id).stateKey, Parameters::defaultValue(id));
    }

    // The editors attached to a host window, in the order of attaching; not owned.
    std::vector<Editor*> editors;

private:
    // Hosts deliver a parameter they do not automate in a later block, if at all, while what it
    // changes outside the audio (the latency) must be right when the host asks next: the
    // processor hears of it now.
    void tellProcessor(ParamID id, ParamValue value) {
        Steinberg::Vst::IConnectionPoint* peer = getPeer();
        if (peer == nullptr) {
            return;
        }
        Steinberg::IPtr<Steinberg::Vst::IMessage> message = Steinberg::owned(allocateMessage());
        if (!message || message->getAttributes() == nullptr) {
            return;
        }
        message->setMessageID(messageId::parameterValue);
        message->getAttributes()->setInt(messageId::parameterIdAttribute, id);
        message->getAttributes()->setFloat(messageId::parameterValueAttribute, value);
        peer->notify(message);
    }

    // Removes entry index of both lists, keeping the order of the rest; past the end, nothing.
    void forget(std::ptrdiff_t index) {
        if (index >= 0 && static_cast<std::size_t>(index) < editors.size()) {
            editors.erase(editors.begin() + index);
            attachedViews.erase(attachedViews.begin() + index);
        }
    }

    // The same views as editors, as the SDK view each was attached as.
    std::vector<const Steinberg::Vst::EditorView*> attachedViews;
};

} // namespace kelvane::vst
