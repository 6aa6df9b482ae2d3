// Palm Desktop's install library, instaide.dll, as this program calls it.
// It is bound at run time by export name, never at link time, so that a
// missing or older library is reported instead of stopping the loader.
#ifndef TELLWICK_INSTAIDE_H
#define TELLWICK_INSTAIDE_H

#include "platform/win32.h"

static_assert(sizeof(int) == 4, "the library's results, indices and sizes are 32-bit");

// Queues one file for the named handheld user. 0: accepted.
typedef int(WINAPI *PltInstallFileEntry)(const char *userName, const char *filePath);
// The number of handheld users; more than 0 is needed.
typedef int(WINAPI *PltGetUserCountEntry)();
// Writes the name of user `index` into `name`, whose size in bytes the caller
// puts in `*size`. 0 or more: success.
typedef int(WINAPI *PltGetUserEntry)(int index, char *name, int *size);

// The library answers -512 for a file that may be queued already.
const int PltInstallFileMayBeInstalled = -512;

// Looks an entry point up by its export name; empty when the module lacks
// it. The run binds KERNEL32's newer loader calls the same way.
template <typename Entry>
Entry BindEntry(HMODULE module, const char *exportName)
{
    // GetProcAddress's generic pointer type is not the entry's; going through
    // void (*)() tells the compiler the reinterpretation is meant.
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(module, exportName)));
}

#endif
