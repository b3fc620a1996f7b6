#pragma once

// The view layer's public headers in one.
#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cbuttonstate.h"
#include "vstgui/lib/ccolor.h"
#include "vstgui/lib/cdrawcontext.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/controls/cknob.h"
#include "vstgui/lib/controls/icontrollistener.h"
#include "vstgui/lib/cpoint.h"
#include "vstgui/lib/crect.h"
#include "vstgui/lib/cview.h"
#include "vstgui/lib/cvstguitimer.h"
#include "vstgui/lib/gdiplusdrawcontext.h"
#include "vstgui/lib/vstguibase.h"
#include "vstgui/lib/vstguieditorinterface.h"
#include "vstgui/lib/vstguifwd.h"
