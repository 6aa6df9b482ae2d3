// The one place that chooses the Win32 API the program is compiled against:
// the real headers when building for Windows, our own stand-in on the host,
// where the tests drive it.
#ifndef TELLWICK_PLATFORM_WIN32_H
#define TELLWICK_PLATFORM_WIN32_H

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>
#else
#include "win32_stand_in/win32_stand_in.h"
#endif

#endif
