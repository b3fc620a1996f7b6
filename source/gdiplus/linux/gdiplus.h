#pragma once

// The GDI+ C++ classes that our drawing code uses, in the Windows SDK's names and signatures,
// drawn with cairo, FreeType and fontconfig. One thread at a time, as GDI+ objects are used by
// the host's user-interface thread.

#include "gdiplus/linux/brush.h"
#include "gdiplus/linux/font.h"
#include "gdiplus/linux/gdiplustypes.h"
#include "gdiplus/linux/graphics.h"
#include "gdiplus/linux/image.h"
#include "gdiplus/linux/matrix.h"
#include "gdiplus/linux/memoryimage.h"
#include "gdiplus/linux/path.h"
#include "gdiplus/linux/pathgradientbrush.h"
#include "gdiplus/linux/pen.h"
#include "gdiplus/linux/stringformat.h"
