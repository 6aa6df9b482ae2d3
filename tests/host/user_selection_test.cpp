// The user selection dialog: how it fills its list, what OK, Cancel and the
// other ways out leave behind, and its report for every failure.
#include <functional>
#include <string>
#include <vector>

#include "tests/host/program_test.h"
#include "user_selection/user_selection.h"

namespace {

const char PreviousName[] = "left from before";

class DialogTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        std::strcpy(SelectedUserName, PreviousName);
    }

    void TearDown() override
    {
        if (InstAideModule != NULL)
            FreeLibrary(InstAideModule);
        ProgramTest::TearDown();
    }

    static INT_PTR ShowDialog(const std::set<std::string> &missingExports = {})
    {
        PlaceInstAide(InstAideInPalmDirectory, missingExports);
        InstAideModule = LoadLibraryA(InstAideInPalmDirectory);
        return DialogBoxParamA(reinterpret_cast<HINSTANCE>(0x400000),
                               MAKEINTRESOURCEA(IDD_USER_SELECTION), NULL,
                               UserSelectionDialogProc, 0);
    }

    static std::vector<std::string> GetUserCalls() { return EventsStartingWith("PltGetUser "); }
};

struct Failure {
    const char *name;
    std::function<void()> setUp;
    std::set<std::string> missingExports;
    std::string caption;
    std::string text;
    bool whileShown; // met after the dialog became visible
};

const char InstallationError[] = "Tellwick Installation Error";
const char AppError[] = "Application Error";
const char CountEntryMissing[] =
    "Unable to access user count. Please make sure Palm Desktop is properly installed.";
const char NoUsers[] = "There are no users to install the Quillmere Tellwick to.";
const char NamesEntryMissing[] =
    "Unable to access user names. Please make sure Palm Desktop is properly installed.";
const char NameNotRead[] = "An error occured while trying to access user names. Please make "
                           "sure Palm Desktop is properly installed.";
const char NameNotAdded[] =
    "Could not add user to list. Please make sure you have closed all other programs.";
const char NoDefaultSelection[] =
    "Could not set default selection. Please make sure you have closed all other programs.";
const char NoSelectionIndex[] = "Could not get current selection index. Please make sure you "
                                "have closed all other programs.";
const char NoSelectionText[] = "Could not get current selection text. Please make sure you "
                               "have closed all other programs.";

void TwoUsersThenOk()
{
    InstAide.users = {"amy", "Bob"};
    StandIn.dialogSteps = {{StandInDialogStep::OkButton, 0}};
}

const std::vector<Failure> Failures = {
    {"CountEntryMissing", [] { InstAide.users = {"amy"}; }, {"PltGetUserCount"},
     InstallationError, CountEntryMissing, false},
    {"BothUserEntriesMissing", [] {}, {"PltGetUserCount", "PltGetUser"}, InstallationError,
     CountEntryMissing, false},
    {"NoUsers", [] {}, {}, InstallationError, NoUsers, false},
    {"NegativeCount",
     [] {
         InstAide.countOverridden = true;
         InstAide.count = -3;
     },
     {}, InstallationError, NoUsers, false},
    // With no users, the names entry is never looked up, so its absence goes unremarked.
    {"NoUsersAndNoNamesEntry", [] {}, {"PltGetUser"}, InstallationError, NoUsers, false},
    {"NamesEntryMissing", [] { InstAide.users = {"amy"}; }, {"PltGetUser"}, InstallationError,
     NamesEntryMissing, false},
    {"NameNotRead",
     [] {
         InstAide.users = {"a", "b", "c", "d", "e"};
         InstAide.getUserFailsAt = 2;
     },
     {}, InstallationError, NameNotRead, false},
    {"NameWithoutZeroByte",
     [] {
         InstAide.users = {"amy", "Bob"};
         InstAide.unterminatedNameAt = 1;
     },
     {}, InstallationError, NameNotRead, false},
    {"ListFull",
     [] {
         InstAide.users = {"amy", "Bob"};
         StandIn.addStringFailsAt = 1;
         StandIn.addStringFailure = CB_ERRSPACE;
     },
     {}, AppError, NameNotAdded, false},
    {"ListRefusesName",
     [] {
         InstAide.users = {"amy"};
         StandIn.addStringFailsAt = 0;
         StandIn.addStringFailure = CB_ERR;
     },
     {}, AppError, NameNotAdded, false},
    {"NoDefaultSelection",
     [] {
         InstAide.users = {"amy"};
         StandIn.setCurSelFails = true;
     },
     {}, AppError, NoDefaultSelection, false},
    {"NoSelectionIndex",
     [] {
         TwoUsersThenOk();
         StandIn.getCurSelFails = true;
     },
     {}, AppError, NoSelectionIndex, true},
    {"NoSelectionLength",
     [] {
         TwoUsersThenOk();
         StandIn.getLbTextLenFails = true;
     },
     {}, AppError, NoSelectionText, true},
    {"NoSelectionText",
     [] {
         TwoUsersThenOk();
         StandIn.getLbTextFails = true;
     },
     {}, AppError, NoSelectionText, true},
    // An entry too long for SelectedUserName is refused, never copied past it.
    {"SelectionTooLong",
     [] {
         InstAide.users = {"amy"};
         StandIn.extraListEntries = {std::string(256, 'z')};
         StandIn.dialogSteps = {{StandInDialogStep::Pick, 1}, {StandInDialogStep::Enter, 0}};
     },
     {}, AppError, NoSelectionText, true},
};

void PrintTo(const Failure &failure, std::ostream *out)
{
    *out << failure.name;
}

class DialogFailureTest : public DialogTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(DialogFailureTest, ReportsOnceAndEndsWithoutAUser)
{
    GetParam().setUp();
    EXPECT_EQ(ShowDialog(GetParam().missingExports), 0);

    ASSERT_EQ(StandIn.messageBoxes.size(), 1u);
    const StandInMessageBox &box = StandIn.messageBoxes[0];
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.caption, GetParam().caption);
    EXPECT_EQ(box.text, GetParam().text);
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(box.dialogVisible, GetParam().whileShown);
    // A failure while filling ends the dialog before it is ever shown.
    EXPECT_EQ(StandIn.dialogShown, GetParam().whileShown);
    EXPECT_STREQ(SelectedUserName, PreviousName);
    EXPECT_EQ(EventsStartingWith("WM_INITDIALOG"), std::vector<std::string>{"WM_INITDIALOG -> 1"});
    EXPECT_EQ(EventsStartingWith("EndDialog"), std::vector<std::string>{"EndDialog 0"});
}

INSTANTIATE_TEST_SUITE_P(Failures, DialogFailureTest, ::testing::ValuesIn(Failures),
                         [](const ::testing::TestParamInfo<Failure> &info) {
                             return info.param.name;
                         });

TEST_F(DialogTest, ReportIsClosedBeforeTheDialogEnds)
{
    ShowDialog();
    std::vector<std::string> endings;
    for (const std::string &event : StandIn.events)
        if (event.rfind("MessageBoxA", 0) == 0 || event.rfind("EndDialog", 0) == 0)
            endings.push_back(event);
    EXPECT_EQ(endings, (std::vector<std::string>{"MessageBoxA Tellwick Installation Error",
                                                 "EndDialog 0"}));
}

TEST_F(DialogTest, StopsAskingForNamesAtTheFirstFailure)
{
    InstAide.users = {"a", "b", "c", "d", "e"};
    InstAide.getUserFailsAt = 2;
    ShowDialog();
    EXPECT_EQ(GetUserCalls(), (std::vector<std::string>{"PltGetUser 0 size 256",
                                                        "PltGetUser 1 size 256",
                                                        "PltGetUser 2 size 256"}));
}

TEST_F(DialogTest, NoUsersMeansTheNamesEntryIsNeverLookedUp)
{
    InstAide.countOverridden = true;
    InstAide.count = 0;
    ShowDialog();
    EXPECT_EQ(EventsStartingWith("GetProcAddress"),
              std::vector<std::string>{"GetProcAddress PltGetUserCount"});
}

TEST_F(DialogTest, SizeValueIsSetTo256BeforeEveryCall)
{
    InstAide.users = {"amy", "Bob", "Zed"};
    InstAide.changesSize = true;
    StandIn.dialogSteps = {{StandInDialogStep::CancelButton, 0}};
    ShowDialog();
    EXPECT_EQ(GetUserCalls(), (std::vector<std::string>{"PltGetUser 0 size 256",
                                                        "PltGetUser 1 size 256",
                                                        "PltGetUser 2 size 256"}));
}

// What the user does once the list is shown, and what the dialog then leaves
// behind for the install.
struct Choice {
    const char *name;
    std::vector<std::string> users;
    std::vector<StandInDialogStep> steps;
    std::vector<std::string> listed;
    INT_PTR result;
    std::string chosen; // SelectedUserName afterwards
};

const std::string Name255(255, 'n');

const std::vector<Choice> Choices = {
    {"SortedFirstNameChosenWithEnter", {"Zed", "amy", "Bob"}, {{StandInDialogStep::Enter, 0}},
     {"amy", "Bob", "Zed"}, 1, "amy"},
    {"OkButton", {"Zed", "amy", "Bob"}, {{StandInDialogStep::OkButton, 0}}, {"amy", "Bob", "Zed"},
     1, "amy"},
    {"AnotherNamePicked", {"Zed", "amy", "Bob"},
     {{StandInDialogStep::Pick, 2}, {StandInDialogStep::OkButton, 0}}, {"amy", "Bob", "Zed"}, 1,
     "Zed"},
    {"OneUser", {"solo"}, {{StandInDialogStep::Enter, 0}}, {"solo"}, 1, "solo"},
    {"SameNameTwice", {"amy", "amy"}, {{StandInDialogStep::Pick, 1}, {StandInDialogStep::Enter, 0}},
     {"amy", "amy"}, 1, "amy"},
    {"EmptyName", {"", "amy"}, {{StandInDialogStep::Enter, 0}}, {"", "amy"}, 1, ""},
    {"LongestName", {Name255}, {{StandInDialogStep::Enter, 0}}, {Name255}, 1, Name255},
    {"CancelButton", {"amy"}, {{StandInDialogStep::CancelButton, 0}}, {"amy"}, 0, PreviousName},
    {"Escape", {"amy"}, {{StandInDialogStep::Escape, 0}}, {"amy"}, 0, PreviousName},
    {"CloseCommand", {"amy"}, {{StandInDialogStep::CloseCommand, 0}}, {"amy"}, 0, PreviousName},
    {"PickThenCancel", {"amy", "Bob"},
     {{StandInDialogStep::Pick, 1}, {StandInDialogStep::CancelButton, 0}}, {"amy", "Bob"}, 0,
     PreviousName},
    {"ListNotificationsIgnored", {"amy"},
     {{StandInDialogStep::OtherCommand, 0}, {StandInDialogStep::Enter, 0}}, {"amy"}, 1, "amy"},
};

void PrintTo(const Choice &choice, std::ostream *out)
{
    *out << choice.name;
}

class DialogChoiceTest : public DialogTest, public ::testing::WithParamInterface<Choice> {};

TEST_P(DialogChoiceTest, EndsWithTheChosenNameOrNone)
{
    InstAide.users = GetParam().users;
    StandIn.dialogSteps = GetParam().steps;
    EXPECT_EQ(ShowDialog(), GetParam().result);
    EXPECT_TRUE(StandIn.dialogShown);
    EXPECT_TRUE(StandIn.messageBoxes.empty());
    EXPECT_EQ(StandIn.listEntries, GetParam().listed);
    EXPECT_EQ(std::string(SelectedUserName), GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(Choices, DialogChoiceTest, ::testing::ValuesIn(Choices),
                         [](const ::testing::TestParamInfo<Choice> &info) {
                             return info.param.name;
                         });

TEST_F(DialogTest, FirstNameInSortedOrderIsSelectedWhenShown)
{
    InstAide.users = {"Zed", "amy", "Bob"};
    StandIn.dialogSteps = {{StandInDialogStep::CancelButton, 0}};
    ShowDialog();
    EXPECT_EQ(StandIn.listSelection, 0);
    EXPECT_EQ(StandIn.listEntries.at(0), "amy");
}

// Commands it does not handle are left to the dialog manager; the close
// command reaches the procedure as Cancel.
TEST_F(DialogTest, HandlesOnlyOkAndCancel)
{
    InstAide.users = {"amy"};
    StandIn.dialogSteps = {{StandInDialogStep::OtherCommand, 0},
                           {StandInDialogStep::Pick, 0},
                           {StandInDialogStep::CloseCommand, 0}};
    ShowDialog();
    std::vector<std::string> handled;
    for (const std::string &event : StandIn.events)
        if (event.rfind("WM_", 0) == 0)
            handled.push_back(event);
    EXPECT_EQ(handled, (std::vector<std::string>{"WM_INITDIALOG -> 1",
                                                 "WM_COMMAND CBN_DROPDOWN -> 0",
                                                 "WM_COMMAND CBN_SELCHANGE -> 0",
                                                 "WM_SYSCOMMAND SC_CLOSE -> 0", "WM_CLOSE -> 0",
                                                 "WM_COMMAND IDCANCEL -> 1"}));
}

} // namespace
