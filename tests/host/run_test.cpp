// The run from start to exit code: how each way through it ends, and how it
// finds Palm Desktop's install library.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/host/program_test.h"

namespace {

const char DirectoryNotFound[] =
    "Tellwick Installation Error | Could not find Palm Desktop installation directory. Please "
    "make sure you have correctly installed Palm Desktop.";
const char LibraryNotFound[] =
    "Tellwick Installation Error | Unabled to find instaide.dll.  Please ensure you have "
    "correctly installed the Palm Desktop.";
const char UnusableLibrary[] =
    "Tellwick Installation Error | Unable to interface with this version of the Palm Desktop.  "
    "Please ensure that you have correctly installed the latest version of the Palm Desktop.";
const char DialogNotOpened[] =
    "Application Error | Could not open the user selection dialog. Please make sure you have "
    "closed all other programs.";
const char NoUsers[] =
    "Tellwick Installation Error | There are no users to install the Quillmere Tellwick to.";
const char ListNotOpened[] =
    "Tellwick Installation Error | Unable to open File Install List for reading.";
const char ListPath[] = "C:\\Program Files\\Tellwick\\TellwickPalm Files.txt";

std::string Failure(const char *report)
{
    return std::string(report) + " | " + Exclamation;
}

std::string Success()
{
    return std::string("Installation Successful | ") + SuccessReport + " | " + Information;
}

struct Ending {
    const char *name;
    std::function<void()> setUp;
    std::vector<std::string> reports;
    // The steps that show how the run ended, in order.
    std::vector<std::string> milestones;
};

void ChooseFirstUserWithList(const std::string &list)
{
    InstAide.users = {"amy"};
    StandIn.dialogSteps = {{StandInDialogStep::Enter, 0}};
    StandIn.files[ListPath].bytes = list;
}

const std::vector<Ending> Endings = {
    {"DirectoryNotFound", [] {}, {Failure(DirectoryNotFound)}, {"MessageBoxA"}},
    {"LibraryNotFound",
     [] { SetPalmPath(HKEY_CURRENT_USER, PalmDesktopCoreKey, PalmDirectory); },
     {Failure(LibraryNotFound)},
     {"LoadLibraryExA", "MessageBoxA"}},
    {"PltInstallFileMissing",
     [] {
         SetPalmPath(HKEY_CURRENT_USER, PalmDesktopCoreKey, PalmDirectory);
         PlaceInstAide(InstAideInPalmDirectory, {"PltInstallFile"});
     },
     {Failure(UnusableLibrary)},
     {"LoadLibraryExA", "MessageBoxA", "FreeLibrary"}},
    {"DialogCancelled",
     [] {
         InstallPalmDesktop();
         InstAide.users = {"amy"};
         StandIn.dialogSteps = {{StandInDialogStep::CancelButton, 0}};
     },
     {},
     {"LoadLibraryExA", "DialogBoxParamA", "dialog shown", "FreeLibrary"}},
    {"DialogFailed",
     [] { InstallPalmDesktop(); },
     {Failure(NoUsers)},
     {"LoadLibraryExA", "DialogBoxParamA", "MessageBoxA", "FreeLibrary"}},
    {"DialogNotCreated",
     [] {
         InstallPalmDesktop();
         StandIn.dialogCannotBeCreated = true;
         StandIn.files[ListPath].bytes = "a.prc\n";
     },
     {Failure(DialogNotOpened)},
     {"LoadLibraryExA", "DialogBoxParamA", "MessageBoxA", "FreeLibrary"}},
    {"ListMissing",
     [] {
         InstallPalmDesktop();
         InstAide.users = {"amy"};
         StandIn.dialogSteps = {{StandInDialogStep::Enter, 0}};
     },
     {Failure(ListNotOpened)},
     {"LoadLibraryExA", "DialogBoxParamA", "dialog shown", "CreateFileA", "MessageBoxA",
      "FreeLibrary"}},
    {"FileRefused",
     [] {
         InstallPalmDesktop();
         ChooseFirstUserWithList("a.prc\n");
         InstAide.installResults = {1};
     },
     {Failure("Tellwick Installation Error | The file a.prc could not be installed.  There was "
              "an error while trying to install it.")},
     {"LoadLibraryExA", "DialogBoxParamA", "dialog shown", "CreateFileA", "PltInstallFile",
      "MessageBoxA", "CloseHandle", "FreeLibrary"}},
    {"EveryFileAccepted",
     [] {
         InstallPalmDesktop();
         ChooseFirstUserWithList("a.prc\n");
     },
     {Success()},
     {"LoadLibraryExA", "DialogBoxParamA", "dialog shown", "CreateFileA", "PltInstallFile",
      "CloseHandle", "FreeLibrary", "MessageBoxA"}},
    {"EmptyList",
     [] {
         InstallPalmDesktop();
         ChooseFirstUserWithList("");
     },
     {Success()},
     {"LoadLibraryExA", "DialogBoxParamA", "dialog shown", "CreateFileA", "CloseHandle",
      "FreeLibrary", "MessageBoxA"}},
};

void PrintTo(const Ending &ending, std::ostream *out)
{
    *out << ending.name;
}

class RunEndingTest : public ProgramTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(RunEndingTest, ShowsItsReportsAndReleasesTheLibraryInOrder)
{
    GetParam().setUp();
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(Reports(), GetParam().reports);

    std::vector<std::string> milestones;
    for (const std::string &event : StandIn.events) {
        for (const char *milestone : {"LoadLibraryExA", "DialogBoxParamA", "dialog shown",
                                      "CreateFileA", "PltInstallFile", "MessageBoxA",
                                      "CloseHandle", "FreeLibrary"}) {
            if (event.rfind(milestone, 0) == 0)
                milestones.push_back(milestone);
        }
    }
    EXPECT_EQ(milestones, GetParam().milestones);
}

INSTANTIATE_TEST_SUITE_P(Endings, RunEndingTest, ::testing::ValuesIn(Endings),
                         [](const ::testing::TestParamInfo<Ending> &info) {
                             return info.param.name;
                         });

// How the run finds the library: the registry's two locations, in order, and
// the path it builds from the value it finds there.
struct Lookup {
    const char *name;
    std::function<void()> setUp;
    // The library path asked for, or "" when the run reports the directory missing.
    std::string loaded;
    bool secondLocationOpened;
};

const std::string Long246 = "C:\\" + std::string(243, 'd');

const std::vector<Lookup> Lookups = {
    {"FirstLocation",
     [] {
         SetPalmPath(HKEY_CURRENT_USER, PalmDesktopCoreKey, "C:\\Palm");
         SetPalmPath(HKEY_LOCAL_MACHINE, PalmAppPathKey, "D:\\Other");
     },
     "C:\\Palm\\instaide.dll", false},
    {"FirstKeyWithoutPath",
     [] {
         StandIn.registry[{HKEY_CURRENT_USER, PalmDesktopCoreKey}]["Other"] = "x";
         SetPalmPath(HKEY_LOCAL_MACHINE, PalmAppPathKey, "D:\\Palm");
     },
     "D:\\Palm\\instaide.dll", true},
    {"FirstKeyAbsent",
     [] { SetPalmPath(HKEY_LOCAL_MACHINE, PalmAppPathKey, "D:\\Palm"); },
     "D:\\Palm\\instaide.dll", true},
    {"NeitherKeyHasPath",
     [] {
         StandIn.registry[{HKEY_CURRENT_USER, PalmDesktopCoreKey}];
         StandIn.registry[{HKEY_LOCAL_MACHINE, PalmAppPathKey}];
     },
     "", true},
    {"BothValuesTooLong",
     [] {
         SetPalmPath(HKEY_CURRENT_USER, PalmDesktopCoreKey, std::string(300, 'c'));
         SetPalmPath(HKEY_LOCAL_MACHINE, PalmAppPathKey, std::string(260, 'd'));
     },
     "", true},
    {"TrailingBackslashKept",
     [] { SetPalmPath(HKEY_CURRENT_USER, PalmDesktopCoreKey, "C:\\Palm\\"); },
     "C:\\Palm\\\\instaide.dll", false},
    // A value stored without its zero, after a first location whose value
    // overflowed the buffer: nothing of the first value may stay behind it.
    {"UnterminatedValueAfterOverlongOne",
     [] {
         SetPalmPath(HKEY_CURRENT_USER, PalmDesktopCoreKey, std::string(300, 'c'));
         StandIn.registry[{HKEY_LOCAL_MACHINE, PalmAppPathKey}]["Path"] = "D:\\Palm";
     },
     "D:\\Palm\\instaide.dll", true},
    {"LongestDirectoryThatFits",
     [] { SetPalmPath(HKEY_CURRENT_USER, PalmDesktopCoreKey, Long246); },
     Long246 + "\\instaide.dll", false},
};

void PrintTo(const Lookup &lookup, std::ostream *out)
{
    *out << lookup.name;
}

class RunLookupTest : public ProgramTest, public ::testing::WithParamInterface<Lookup> {};

TEST_P(RunLookupTest, LoadsTheLibraryFromTheFirstLocationWithAPath)
{
    GetParam().setUp();
    EXPECT_EQ(RunProgram(), 0);

    std::vector<std::string> loads = EventsStartingWith("LoadLibraryExA ");
    if (GetParam().loaded.empty()) {
        EXPECT_TRUE(loads.empty());
        EXPECT_EQ(Reports(), std::vector<std::string>{Failure(DirectoryNotFound)});
    } else {
        EXPECT_EQ(loads, std::vector<std::string>{"LoadLibraryExA " + GetParam().loaded +
                                                  " flags 2304"});
    }
    EXPECT_EQ(EventsStartingWith("RegOpenKeyExA HKEY_LOCAL_MACHINE").size(),
              GetParam().secondLocationOpened ? 1u : 0u);
    for (const std::string &open : EventsStartingWith("RegOpenKeyExA "))
        EXPECT_NE(open.find(" options 0 access 131097"), std::string::npos) << open;
    for (DWORD size : StandIn.querySizesOnEntry)
        EXPECT_EQ(size, 260u);
}

INSTANTIATE_TEST_SUITE_P(Lookups, RunLookupTest, ::testing::ValuesIn(Lookups),
                         [](const ::testing::TestParamInfo<Lookup> &info) {
                             return info.param.name;
                         });

// A directory that leaves no room for the library's name in the 260-byte
// path cannot be loaded from; nothing is written past the path buffer.
TEST_F(ProgramTest, DirectoryTooLongForTheLibraryNameIsReportedAsLibraryNotFound)
{
    for (const std::string &value :
         {"C:\\" + std::string(244, 'd') + '\0', "C:\\" + std::string(257, 'd')}) {
        SetUp();
        StandIn.registry[{HKEY_CURRENT_USER, PalmDesktopCoreKey}]["Path"] = value;
        EXPECT_EQ(RunProgram(), 0);
        EXPECT_TRUE(EventsStartingWith("LoadLibraryExA").empty());
        EXPECT_EQ(Reports(), std::vector<std::string>{Failure(LibraryNotFound)});
    }
}

// Where the DLLs of the run come from, decided at its start, before Windows
// loads any for the first message box: on a Windows with the newer loader
// calls only the system directory, joined by Palm Desktop's before its
// library is loaded; on older ones the best they allow. A directory that is
// not a full path is never loaded from, since it would be looked for in this
// program's folder or the working directory.
struct DllSearch {
    const char *name;
    const char *directory; // the "Path" value; none when NULL
    std::set<std::string> kernel32Lacks;
    bool addDllDirectoryFails;
    // The loader calls and message boxes in order.
    std::vector<std::string> calls;
};

const char OnlySystemAndUserDirectories[] = "SetDefaultDllDirectories 3072";
const char ImportsFromItsDirectoryAndSystem[] = " flags 2304";
const char AlteredSearchPath[] = " flags 8";
const char ReportShown[] = "MessageBoxA Tellwick Installation Error";

std::string LoadFrom(const std::string &directory, const char *flags)
{
    return "LoadLibraryExA " + directory + "\\instaide.dll" + flags;
}

const std::vector<DllSearch> DllSearches = {
    {"Windows8AndLater", "C:\\Palm", {}, false,
     {OnlySystemAndUserDirectories, "AddDllDirectory C:\\Palm",
      LoadFrom("C:\\Palm", ImportsFromItsDirectoryAndSystem), ReportShown}},
    {"NetworkShare", "\\\\server\\palm", {}, false,
     {OnlySystemAndUserDirectories, "AddDllDirectory \\\\server\\palm",
      LoadFrom("\\\\server\\palm", ImportsFromItsDirectoryAndSystem), ReportShown}},
    {"ForwardSlashes", "c:/Palm", {}, false,
     {OnlySystemAndUserDirectories, "AddDllDirectory c:/Palm",
      LoadFrom("c:/Palm", ImportsFromItsDirectoryAndSystem), ReportShown}},
    // Without Palm Desktop's directory the system directory alone is left;
    // the older, unsafe order never comes back.
    {"DirectoryNotAdded", "C:\\Palm", {}, true,
     {OnlySystemAndUserDirectories, "AddDllDirectory C:\\Palm",
      LoadFrom("C:\\Palm", ImportsFromItsDirectoryAndSystem), ReportShown}},
    {"VistaAnd7WithoutTheUpdate", "C:\\Palm", {"SetDefaultDllDirectories", "AddDllDirectory"},
     false,
     {"SetDllDirectoryA ", "SetDllDirectoryA C:\\Palm", LoadFrom("C:\\Palm", AlteredSearchPath),
      ReportShown}},
    {"WindowsXpBeforeServicePack1", "C:\\Palm",
     {"SetDefaultDllDirectories", "AddDllDirectory", "SetDllDirectoryA"}, false,
     {LoadFrom("C:\\Palm", AlteredSearchPath), ReportShown}},
    {"NoPalmDesktop", NULL, {}, false, {OnlySystemAndUserDirectories, ReportShown}},
    {"NoPalmDesktopOnVista", NULL, {"SetDefaultDllDirectories", "AddDllDirectory"}, false,
     {"SetDllDirectoryA ", ReportShown}},
    {"RelativeDirectory", "Palm", {}, false, {OnlySystemAndUserDirectories, ReportShown}},
    {"DriveRelativeDirectory", "C:Palm", {}, false, {OnlySystemAndUserDirectories, ReportShown}},
    {"RootWithoutDrive", "\\Palm", {}, false, {OnlySystemAndUserDirectories, ReportShown}},
    {"EmptyDirectory", "", {}, false, {OnlySystemAndUserDirectories, ReportShown}},
};

void PrintTo(const DllSearch &search, std::ostream *out)
{
    *out << search.name;
}

class RunDllSearchTest : public ProgramTest, public ::testing::WithParamInterface<DllSearch> {};

TEST_P(RunDllSearchTest, DecidesWhereDllsComeFromBeforeAnyIsLoaded)
{
    const DllSearch &search = GetParam();
    if (search.directory != NULL) {
        SetPalmPath(HKEY_CURRENT_USER, PalmDesktopCoreKey, search.directory);
        PlaceInstAide(std::string(search.directory) + "\\instaide.dll");
    }
    for (const std::string &name : search.kernel32Lacks)
        StandIn.kernel32.exports.erase(name);
    StandIn.addDllDirectoryFails = search.addDllDirectoryFails;
    EXPECT_EQ(RunProgram(), 0);

    const char *const loaderCalls[] = {"SetDefaultDllDirectories ", "AddDllDirectory ",
                                       "SetDllDirectoryA ", "LoadLibraryExA ", "MessageBoxA "};
    std::vector<std::string> calls;
    for (const std::string &event : StandIn.events)
        for (const char *call : loaderCalls)
            if (event.rfind(call, 0) == 0)
                calls.push_back(event);
    EXPECT_EQ(calls, search.calls);
    // Loaded, the library has no users here, which the dialog reports.
    const char *report = search.directory == NULL ? DirectoryNotFound
                         : EventsStartingWith("LoadLibraryExA ").empty() ? LibraryNotFound
                                                                          : NoUsers;
    EXPECT_EQ(Reports(), std::vector<std::string>{Failure(report)});
}

INSTANTIATE_TEST_SUITE_P(DllSearches, RunDllSearchTest, ::testing::ValuesIn(DllSearches),
                         [](const ::testing::TestParamInfo<DllSearch> &info) {
                             return info.param.name;
                         });

} // namespace
