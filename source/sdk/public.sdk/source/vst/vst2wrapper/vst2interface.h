#pragma once

// The VST 2 plug-in interface as Debian's clean-room header declares it. That header emits
// #warning lines when it sees a GNU-compatible compiler, which -Werror turns into errors and
// which GCC 12 does not let a diagnostic pragma silence; hiding the compiler macros while it is
// read skips them (and its deprecation marks on constants it has not confirmed, which we avoid).

#pragma push_macro("__GNUC__")
#pragma push_macro("__clang__")
#undef __GNUC__
#undef __clang__
#include "pluginterfaces/fst/fst.h"
#pragma pop_macro("__clang__")
#pragma pop_macro("__GNUC__")
