#pragma once

namespace VSTGUI {

// The module's instance handle, where VSTGUI's Windows layer reads it (window classes,
// resources). Set by the module when it is loaded.
extern void* hInstance;

} // namespace VSTGUI
