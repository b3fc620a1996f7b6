#include "pluginterfaces/gui/iplugview.h"

// The controller's SDK base needs the view interface id, which no library of the tree defines
// yet. Weak, so that the module's own definition wins once it exists.
__attribute__((weak)) const Steinberg::FUID Steinberg::IPlugView::iid(Steinberg::IPlugView_iid);
