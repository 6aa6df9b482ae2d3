// Times programs from just before their start to the moment a visible window
// with the given caption exists, then ends them. Waiting for the caption keeps
// a message box from counting as the dialog. A program may be a setup that
// starts the one that shows the window: that one is ended, and the setup is
// given time to clean up after it and end by itself.
//
//   launcher <runs> <caption> <program> [<caption> <program> ...]
//
// Each run starts the programs one after another and prints one line with
// their times in milliseconds. The programs all start from this one process,
// which holds Wine's desktop for them: between separate launches the desktop
// process may have gone and have to start again inside the time measured. A
// first run warms the caches and is not printed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const DWORD GiveUpAfterMs = 30000;
const DWORD SetupCleanUpMs = 10000;

struct WindowSearch {
    const char *caption;
    HWND found;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM parameter)
{
    WindowSearch &search = *reinterpret_cast<WindowSearch *>(parameter);
    if (!IsWindowVisible(window))
        return TRUE;
    char caption[256];
    GetWindowTextA(window, caption, sizeof caption);
    if (std::strcmp(caption, search.caption) == 0)
        search.found = window;
    return search.found == NULL;
}

void EndProcess(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (process == NULL)
        return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
}

double MillisecondsSince(const LARGE_INTEGER &start)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
}

// The milliseconds until `program` showed its window, or a negative value
// when it could not be started or showed none.
double TimeStartUp(const char *caption, const char *program)
{
    char commandLine[MAX_PATH + 3];
    int length = std::snprintf(commandLine, sizeof commandLine, "\"%s\"", program);
    if (length < 0 || static_cast<size_t>(length) >= sizeof commandLine) {
        std::fprintf(stderr, "launcher: the path %s is too long\n", program);
        return -1;
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(program, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &process)) {
        std::fprintf(stderr, "launcher: cannot start %s (error %lu)\n", program, GetLastError());
        return -1;
    }

    WindowSearch search = {caption, NULL};
    double elapsed;
    const char *failure = NULL;
    for (;;) {
        // The window may belong to a process the program started, so every
        // top-level window is looked at; the launcher itself has none.
        EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
        elapsed = MillisecondsSince(start);
        if (search.found != NULL)
            break;
        // Waiting on the process both paces the polling and notices an early end.
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) {
            failure = "ended without showing the window";
            break;
        }
        if (elapsed > GiveUpAfterMs) {
            failure = "showed no such window in time";
            break;
        }
    }

    if (search.found != NULL) {
        DWORD shownBy = 0;
        GetWindowThreadProcessId(search.found, &shownBy);
        if (shownBy != process.dwProcessId) {
            EndProcess(shownBy);
            WaitForSingleObject(process.hProcess, SetupCleanUpMs);
        }
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (failure != NULL) {
        std::fprintf(stderr, "launcher: %s %s \"%s\"\n", program, failure, caption);
        return -1;
    }
    return elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    int runs = argc > 1 ? std::atoi(argv[1]) : 0;
    if (runs < 1 || argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr,
                     "usage: launcher <runs> <caption> <program> [<caption> <program> ...]\n");
        return 2;
    }
    for (int run = 0; run <= runs; ++run) {
        for (int target = 2; target < argc; target += 2) {
            double elapsed = TimeStartUp(argv[target], argv[target + 1]);
            if (elapsed < 0)
                return 1;
            if (run > 0)
                std::printf(target == 2 ? "%.1f" : " %.1f", elapsed);
        }
        if (run > 0)
            std::printf("\n");
    }
    return 0;
}
