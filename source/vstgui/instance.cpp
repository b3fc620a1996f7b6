#include "vstgui/instance.h"

namespace VSTGUI {

void* hInstance = nullptr;

} // namespace VSTGUI
