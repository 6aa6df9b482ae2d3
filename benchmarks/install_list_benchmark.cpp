// How fast the File Install List stage gets through a large list, next to the
// floor for the same bytes: finding their line breaks with memchr. The install
// library only counts, so what is timed is the stage's own work: reading the
// list, cutting it into entries and composing each full path.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "installer/installer.h"
#include "win32_stand_in/win32_stand_in_control.h"

namespace {

const int EntryCount = 100000;
const char ProgramPath[] = "C:\\Program Files\\Tellwick\\TellwickPalmInstall.exe";
const char ListPath[] = "C:\\Program Files\\Tellwick\\TellwickPalm Files.txt";

int InstallRequests;

int WINAPI CountingPltInstallFile(const char *, const char *)
{
    ++InstallRequests;
    return 0;
}

// Names as a product's list holds them: a few folders and kinds of handheld
// file, numbered, one a line with CR LF: 3.2 MiB.
const std::string &LargeList()
{
    static const std::string list = [] {
        const char *const folders[] = {"handheld/", "handheld/applications/",
                                       "handheld/databases/", "handheld/documents/"};
        const char *const kinds[] = {".prc", ".pdb", ".pqa"};
        std::string bytes;
        char line[64];
        for (int i = 0; i < EntryCount; ++i) {
            std::snprintf(line, sizeof line, "%sfile%06d%s\r\n", folders[i % 4], i, kinds[i % 3]);
            bytes += line;
        }
        return bytes;
    }();
    return list;
}

void ReportThroughput(benchmark::State &state)
{
    state.SetItemsProcessed(state.iterations() * EntryCount);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(LargeList().size()));
}

void FileInstallListStage(benchmark::State &state)
{
    ResetStandIn();
    StandIn.modulePath = ProgramPath;
    StandIn.files[ListPath].bytes = LargeList();
    bool installSucceeded = true;
    for (auto _ : state) {
        InstallRequests = 0;
        StandIn.readFileCalls = 0;
        InstallFileInstallList("Morgan Tellwick", CountingPltInstallFile, installSucceeded);
        // The stand-in records opening and closing the list: two events, next
        // to nothing beside a run, but they must not pile up over the runs.
        StandIn.events.clear();
    }
    if (InstallRequests != EntryCount || !installSucceeded || !StandIn.messageBoxes.empty())
        state.SkipWithError("the stage did not install every entry");
    ReportThroughput(state);
    state.counters["ReadFile_calls"] = StandIn.readFileCalls;
}
BENCHMARK(FileInstallListStage)->Unit(benchmark::kMillisecond);

void MemchrScan(benchmark::State &state)
{
    const std::string &list = LargeList();
    int lines = 0;
    for (auto _ : state) {
        lines = 0;
        const char *next = list.data();
        const char *end = next + list.size();
        while (const void *lineBreak = std::memchr(next, '\n', end - next)) {
            next = static_cast<const char *>(lineBreak) + 1;
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
    if (lines != EntryCount)
        state.SkipWithError("the scan did not find every line");
    ReportThroughput(state);
}
BENCHMARK(MemchrScan)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
