// The File Install List stage: which requests go to the install library, in
// what order, and what the user is told about each refusal.
#include <string>
#include <vector>

#include "tests/host/program_test.h"

namespace {

const char ProgramPath[] = "C:\\Program Files\\Tellwick\\TellwickPalmInstall.exe";
const char Directory[] = "C:\\Program Files\\Tellwick\\";
const char ListPath[] = "C:\\Program Files\\Tellwick\\TellwickPalm Files.txt";
const char ListNotOpened[] = "Unable to open File Install List for reading.";

std::string MayBeInstalled(const std::string &name)
{
    return "The file " + name + " could not be installed.  It may already be installed.";
}

std::string InstallError(const std::string &name)
{
    return "The file " + name +
           " could not be installed.  There was an error while trying to install it.";
}

class InstallListTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        PlaceInstAide(InstAideInPalmDirectory);
        InstAideModule = LoadLibraryA(InstAideInPalmDirectory);
        StandIn.modulePath = ProgramPath;
    }

    void TearDown() override
    {
        FreeLibrary(InstAideModule);
        ProgramTest::TearDown();
    }

    // Runs the stage for "amy"; true when it left the outcome a success.
    static bool Install()
    {
        bool installSucceeded = true;
        InstallFileInstallList(
            "amy", BindEntry<PltInstallFileEntry>(InstAideModule, "PltInstallFile"),
            installSucceeded);
        return installSucceeded;
    }

    static bool Install(const std::string &list)
    {
        StandIn.files[ListPath].bytes = list;
        return Install();
    }

    // The full paths handed to the library, each for "amy".
    static std::vector<std::string> Requests()
    {
        std::vector<std::string> paths;
        for (const std::string &event : EventsStartingWith("PltInstallFile ")) {
            const std::string prefix = "PltInstallFile amy | ";
            EXPECT_EQ(event.compare(0, prefix.size(), prefix), 0) << event;
            paths.push_back(event.substr(prefix.size(), event.rfind(" -> ") - prefix.size()));
        }
        return paths;
    }

    static std::vector<std::string> Texts()
    {
        std::vector<std::string> texts;
        for (const StandInMessageBox &box : StandIn.messageBoxes) {
            EXPECT_EQ(box.owner, nullptr);
            EXPECT_EQ(box.caption, "Tellwick Installation Error");
            EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
            texts.push_back(box.text);
        }
        return texts;
    }
};

std::vector<std::string> InDirectory(const std::vector<std::string> &names)
{
    std::vector<std::string> paths;
    for (const std::string &name : names)
        paths.push_back(Directory + name);
    return paths;
}

struct Listing {
    const char *name;
    std::string list;
    std::vector<std::string> handedOver;
};

const std::vector<Listing> Listings = {
    {"Empty", "", {}},
    {"EndMarkFirst", "\x1A" "a.prc\n", {}},
    {"TwoNames", "a.prc\nb.pdb\n", {"a.prc", "b.pdb"}},
    {"LastLineWithoutBreak", "a.prc\nb.pdb", {"a.prc", "b.pdb"}},
    {"CrLf", "a.prc\r\nb.pdb\r\n", {"a.prc", "b.pdb"}},
    {"CrOnlyLinesAreOneLine", "a.prc\rb.pdb\r", {"a.prc\rb.pdb\r"}},
    {"EmptyLineBetween", "a.prc\n\nb.pdb\n", {"a.prc", "", "b.pdb"}},
    {"EmptyLineAtEnd", "a.prc\r\n\r\n", {"a.prc", ""}},
    {"ZeroByteFirstSkipsTheLine", std::string("\0a.prc\nb.pdb\n", 13), {"b.pdb"}},
    {"ZeroByteLaterEndsTheName", std::string("a.prc\0 b.pdb\nc.pdb\n", 19), {"a.prc", "c.pdb"}},
    {"BlanksKept", " a.prc\t\n\tb.pdb \n", {" a.prc\t", "\tb.pdb "}},
    {"ByteOrderMarkKept", "\xEF\xBB\xBF" "a.prc\n", {"\xEF\xBB\xBF" "a.prc"}},
    {"NothingAfterEndMark", "a.prc\n\x1A" "b.pdb\nc.pdb\n", {"a.prc"}},
    {"DuplicateHandedOverTwice", "a.prc\na.prc\n", {"a.prc", "a.prc"}},
    {"SubdirectoryAndAbsoluteName", "sub\\a.prc\nC:\\b.pdb\n", {"sub\\a.prc", "C:\\b.pdb"}},
};

void PrintTo(const Listing &listing, std::ostream *out)
{
    *out << listing.name;
}

class ListingTest : public InstallListTest, public ::testing::WithParamInterface<Listing> {};

TEST_P(ListingTest, HandsOverEveryNameInListOrder)
{
    EXPECT_TRUE(Install(GetParam().list));
    EXPECT_EQ(Requests(), InDirectory(GetParam().handedOver));
    EXPECT_TRUE(StandIn.messageBoxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Listings, ListingTest, ::testing::ValuesIn(Listings),
                         [](const ::testing::TestParamInfo<Listing> &info) {
                             return info.param.name;
                         });

TEST_F(InstallListTest, OpensTheListBesideTheProgramForReadingOnly)
{
    Install("a.prc\n");
    EXPECT_EQ(EventsStartingWith("CreateFileA"),
              std::vector<std::string>{std::string("CreateFileA ") + ListPath + " access " +
                                       std::to_string(GENERIC_READ) + " share 3 disposition 3"});
    EXPECT_EQ(EventsStartingWith("PltInstallFile amy | "),
              std::vector<std::string>{std::string("PltInstallFile amy | ") + Directory +
                                       "a.prc -> 0"});
}

TEST_F(InstallListTest, ReportsEachRefusalAndGoesOn)
{
    InstAide.installResults = {-512, 1, 0, -1, 0};
    EXPECT_FALSE(Install("a.prc\nb.pdb\nc.prc\nd.pdb\ne.prc\n"));
    EXPECT_EQ(Requests(), InDirectory({"a.prc", "b.pdb", "c.prc", "d.pdb", "e.prc"}));
    EXPECT_EQ(Texts(), (std::vector<std::string>{MayBeInstalled("a.prc"), InstallError("b.pdb"),
                                                 InstallError("d.pdb")}));
    // Each report is closed before the next entry is handed over.
    std::vector<std::string> order;
    for (const std::string &event : StandIn.events)
        if (event.rfind("PltInstallFile", 0) == 0 || event.rfind("MessageBoxA", 0) == 0)
            order.push_back(event.substr(0, event.find(' ')));
    EXPECT_EQ(order, (std::vector<std::string>{"PltInstallFile", "MessageBoxA", "PltInstallFile",
                                               "MessageBoxA", "PltInstallFile", "PltInstallFile",
                                               "MessageBoxA", "PltInstallFile"}));
}

TEST_F(InstallListTest, ShowsTheNameExactlyAsListed)
{
    InstAide.installResults = {1, -512, 1};
    Install("100% %s %n.prc\n\nBob's file.pdb\n");
    EXPECT_EQ(Texts(), (std::vector<std::string>{InstallError("100% %s %n.prc"), MayBeInstalled(""),
                                                 InstallError("Bob's file.pdb")}));
}

TEST_F(InstallListTest, RefusesAFullPathTooLongForThePathBufferWithoutHandingItOver)
{
    // 26 + 229 = 255 characters fit; one more would have to be cut.
    const std::string fits(229, 'f');
    const std::string tooLong(230, 't');
    const std::string longest(259, 'l');
    EXPECT_FALSE(Install(fits + "\n" + tooLong + "\n" + longest + "\nz.prc\n"));
    // The 259-byte line fills an entry of its own; its line break is the next one.
    EXPECT_EQ(Requests(), InDirectory({fits, "", "z.prc"}));
    // The report holds the whole name, longer as it is than 259 characters.
    EXPECT_EQ(Texts(), (std::vector<std::string>{InstallError(tooLong), InstallError(longest)}));
}

TEST_F(InstallListTest, CutsALongLineIntoEntries)
{
    const std::string line(300, 'y');
    EXPECT_FALSE(Install(line + "\n"));
    EXPECT_EQ(Requests(), InDirectory({line.substr(259)}));
    EXPECT_EQ(Texts(), std::vector<std::string>{InstallError(line.substr(0, 259))});
}

TEST_F(InstallListTest, ReadsTheListInBlocks)
{
    std::string list;
    for (int i = 0; i < 2000; ++i)
        list += "file" + std::to_string(i) + ".prc\r\n";
    EXPECT_TRUE(Install(list));
    EXPECT_EQ(Requests().size(), 2000u);
    EXPECT_GE(StandIn.smallestReadRequest, 4096u);
    EXPECT_LE(StandIn.readFileCalls, static_cast<int>(list.size() / 4096 + 2));
}

TEST_F(InstallListTest, ReadErrorEndsTheListSilently)
{
    std::string list;
    for (int i = 0; i < 1000; ++i)
        list += "file" + std::to_string(i) + ".prc\n";
    StandIn.files[ListPath].readFailsAt = 8192;
    EXPECT_TRUE(Install(list));
    std::vector<std::string> requests = Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_LT(requests.size(), 1000u);
    EXPECT_EQ(requests.front(), std::string(Directory) + "file0.prc");
    EXPECT_TRUE(StandIn.messageBoxes.empty());
}

// Every way the list can fail to open: the one report, no request.
struct Unopened {
    const char *name;
    std::function<void()> setUp;
};

const std::vector<Unopened> Unopeneds = {
    {"Missing", [] {}},
    {"Locked", [] { StandIn.files[ListPath].opens = false; }},
    {"NoProgramPath",
     [] {
         StandIn.files[ListPath].bytes = "a.prc\n";
         StandIn.modulePathFails = true;
     }},
    {"ProgramPathCut",
     [] {
         StandIn.modulePath = "C:\\" + std::string(260, 'p') + "\\Install.exe";
         StandIn.files[StandIn.modulePath.substr(0, 255)] = StandInFile();
     }},
    {"ListPathTooLong",
     [] {
         std::string directory = "C:\\" + std::string(231, 'd') + "\\";
         StandIn.modulePath = directory + "I.exe";
         StandIn.files[(directory + "TellwickPalm Files.txt").substr(0, 255)] = StandInFile();
     }},
};

void PrintTo(const Unopened &unopened, std::ostream *out)
{
    *out << unopened.name;
}

class UnopenedListTest : public InstallListTest, public ::testing::WithParamInterface<Unopened> {};

TEST_P(UnopenedListTest, ReportsOnceAndInstallsNothing)
{
    GetParam().setUp();
    EXPECT_FALSE(Install());
    EXPECT_EQ(Texts(), std::vector<std::string>{ListNotOpened});
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(StandIn.readFileCalls, 0);
}

INSTANTIATE_TEST_SUITE_P(Unopeneds, UnopenedListTest, ::testing::ValuesIn(Unopeneds),
                         [](const ::testing::TestParamInfo<Unopened> &info) {
                             return info.param.name;
                         });

TEST_F(InstallListTest, LongestListPathIsOpened)
{
    // 233 + 22 = 255 characters: the longest list path there is room for.
    std::string directory = "C:\\" + std::string(229, 'd') + "\\";
    StandIn.modulePath = directory + "I.exe";
    StandIn.files[directory + "TellwickPalm Files.txt"].bytes = "";
    EXPECT_TRUE(Install());
    EXPECT_TRUE(StandIn.messageBoxes.empty());
}

TEST_F(InstallListTest, NetworkShareWithoutDriveLetter)
{
    StandIn.modulePath = "\\\\server\\palm\\Tellwick\\TellwickPalmInstall.exe";
    StandIn.files["\\\\server\\palm\\Tellwick\\TellwickPalm Files.txt"].bytes = "a.prc\n";
    EXPECT_TRUE(Install());
    EXPECT_EQ(Requests(), std::vector<std::string>{"\\\\server\\palm\\Tellwick\\a.prc"});
}

TEST_F(InstallListTest, DoubleByteDirectoryNameInCodePage932)
{
    // The directory's name is one double-byte character whose second byte is 0x5C.
    const std::string directory = "C:\\\x95\x5C\\";
    StandIn.codePage = 932;
    StandIn.leadByteRanges = ShiftJisLeadByteRanges();
    StandIn.modulePath = directory + "\x95\x5C.exe";
    StandIn.files[directory + "TellwickPalm Files.txt"].bytes = "a.prc\n";
    EXPECT_TRUE(Install());
    EXPECT_EQ(Requests(), std::vector<std::string>{directory + "a.prc"});
}

} // namespace
