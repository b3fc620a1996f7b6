#pragma once

#include <string>

namespace kelvane::platform {

// The directory the plug-in module was loaded from, recorded when the module is loaded: the
// module's file name cut after its last path separator, so the separator is kept. Empty when
// the file name could not be obtained.
const std::string& moduleDirectory();

// The operating system's handle of the module: the instance handle on Windows (recorded at
// load), the handle a Linux host passes to ModuleEntry. Null until known.
void* moduleHandle();
void setModuleHandle(void* handle);

} // namespace kelvane::platform
