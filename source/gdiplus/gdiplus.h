#pragma once

// The one way our code reaches GDI+. On Windows it is the system's library through mingw's
// headers; elsewhere it is our implementation of the same C++ classes in this folder, so the
// drawing code reads the same on both.
#ifdef _WIN32
// GDI+ needs no min and max macros, and they would break std::min and std::max in our code.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include "gdiplus/windows/pathgradientbrush.h"
#else
#include "gdiplus/linux/gdiplus.h"
#endif
