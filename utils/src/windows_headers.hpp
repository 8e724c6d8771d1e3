// <windows.h> without the parts that clash with standard C++ (min/max macros)
// or slow every build down; included only by the Windows branches.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
