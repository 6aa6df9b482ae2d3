// A DLL of Palm Desktop's that instaide_loads_helper.dll loads by bare name
// while it runs. It does nothing itself: the library logs where the copy it
// got came from, and a copy planted anywhere else must never be the one.
#include <windows.h>

extern "C" void PalmHelp() {}
