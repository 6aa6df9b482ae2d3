// The run from start to exit code: how each way through it ends, and how it
// finds Palm Desktop's install library.
#include <functional>
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

const std::string Long246(246, 'd');

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
        EXPECT_EQ(loads, std::vector<std::string>{"LoadLibraryExA " + GetParam().loaded + " flags 8"});
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
    for (const std::string &value : {std::string(247, 'd') + '\0', std::string(260, 'd')}) {
        SetUp();
        StandIn.registry[{HKEY_CURRENT_USER, PalmDesktopCoreKey}]["Path"] = value;
        EXPECT_EQ(RunProgram(), 0);
        EXPECT_TRUE(EventsStartingWith("LoadLibraryExA").empty());
        EXPECT_EQ(Reports(), std::vector<std::string>{Failure(LibraryNotFound)});
    }
}

} // namespace
