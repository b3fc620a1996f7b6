#pragma once

#include "controller/controllerbase.h"
#include "editor/editor.h"
#include "parameters/parameters.h"

namespace tivrandel {

// The plug-in's edit controller: all of its behaviour is the framework's.
class Controller : public kelvane::vst::ControllerBase<Controller, Parameters, Editor> {
public:
    // Creates a controller for the class factory, handed over with one reference.
    static Steinberg::FUnknown* createInstance(void* context);
};

} // namespace tivrandel
