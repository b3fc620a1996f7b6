// A stand-in module that carries the module-path service, so that a test can load it from a
// known place and ask what it recorded.

#include "platform/module.h"

extern "C" __attribute__((visibility("default"))) const char* probeModuleDirectory() {
    return kelvane::platform::moduleDirectory().c_str();
}
