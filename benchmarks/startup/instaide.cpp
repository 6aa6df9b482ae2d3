// The least install library the installer reaches its dialog with: two users,
// every file accepted, nothing read or written, so that the start-up measured
// is the installer's own.
#include <cstring>

extern "C" {

int __stdcall PltInstallFile(const char *, const char *)
{
    return 0;
}

int __stdcall PltGetUserCount()
{
    return 2;
}

int __stdcall PltGetUser(int index, char *name, int *)
{
    std::strcpy(name, index == 0 ? "Alex Quillmere" : "Morgan Tellwick");
    return 0;
}
}
