// How the File Install List's bytes become entries and file names, wherever
// the blocks it is read in happen to split it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/install_list_cutter.h"

namespace {

// The entries as cut from `list` when it arrives in blocks of `blockSize`.
std::vector<std::string> Cut(const std::string &list, size_t blockSize)
{
    std::vector<std::string> entries;
    InstallListCutter cutter = {};
    for (size_t start = 0; start < list.size(); start += blockSize) {
        const char *next = list.data() + start;
        const char *end = list.data() + std::min(list.size(), start + blockSize);
        while (CutInstallListEntry(cutter, next, end))
            entries.emplace_back(cutter.entry, cutter.length);
        if (cutter.ended)
            break;
    }
    while (FinishInstallList(cutter))
        entries.emplace_back(cutter.entry, cutter.length);
    return entries;
}

struct Cutting {
    const char *name;
    std::string list;
    std::vector<std::string> entries;
};

const std::string X258(258, 'x');
const std::string X259(259, 'x');

const std::vector<Cutting> Cuttings = {
    {"Empty", "", {}},
    {"EndMarkFirst", std::string("\x1A" "a.prc\n", 7), {}},
    {"TwoLines", "a.prc\nb.pdb\n", {"a.prc\n", "b.pdb\n"}},
    {"LastLineWithoutBreak", "a.prc\nb.pdb", {"a.prc\n", "b.pdb"}},
    {"CrLfReadAsLf", "a.prc\r\nb.pdb\r\n", {"a.prc\n", "b.pdb\n"}},
    {"LoneCrsAreOrdinary", "a\rb\rc\r", {"a\rb\rc\r"}},
    {"CrBeforeCrLf", "a\r\r\nb", {"a\r\n", "b"}},
    {"EmptyLines", "\n\na\n", {"\n", "\n", "a\n"}},
    {"ZeroBytesAreCut", std::string("\0a\nb\0c\n", 7), {std::string("\0a\n", 3), std::string("b\0c\n", 4)}},
    {"NothingAfterEndMark", "a\n\x1A" "b\n", {"a\n"}},
    {"EndMarkEndsLineWithoutBreak", "a\x1A" "b\n", {"a"}},
    {"CrBeforeEndMark", "a\r\x1A\n", {"a\r"}},
    {"LongestLineWithBreak", X258 + "\n", {X258 + "\n"}},
    {"LongestLastLine", X259, {X259}},
    {"FullEntryThenItsBreak", X259 + "\nb", {X259, "\n", "b"}},
    // The CR LF that ends a 258-byte line is one byte, so it fits the entry.
    {"CrLfAfter258Bytes", X258 + "\r\nb", {X258 + "\n", "b"}},
    {"LoneCrAs259thByte", X258 + "\rb", {X258 + "\r", "b"}},
    {"LoneCrAs259thByteAtEnd", X258 + "\r", {X258 + "\r"}},
    // Runs of ordinary bytes are skipped a word at a time; the bytes that
    // matter must be found wherever in a word they fall.
    {"BreaksAmidLongRuns", "abcdefghijklmno\nabcdefghijklmnop\r\nabcdefghijklmnopq\x1A" "rest\n",
     {"abcdefghijklmno\n", "abcdefghijklmnop\n", "abcdefghijklmnopq"}},
    {"ControlBytesAmidLongRuns", std::string("abcdefgh\tijklmnop\0qrstuvwxyz\x01" "0123456789\rABCDEFG\n", 48),
     {std::string("abcdefgh\tijklmnop\0qrstuvwxyz\x01" "0123456789\rABCDEFG\n", 48)}},
    {"LongLineInPieces", std::string(300, 'y') + "\n",
     {std::string(259, 'y'), std::string(41, 'y') + "\n"}},
};

void PrintTo(const Cutting &cutting, std::ostream *out)
{
    *out << cutting.name;
}

class CuttingTest : public ::testing::TestWithParam<Cutting> {};

TEST_P(CuttingTest, GivesTheSameEntriesForEveryBlockSize)
{
    const std::string &list = GetParam().list;
    for (size_t blockSize = 1; blockSize <= list.size() + 1; ++blockSize)
        EXPECT_EQ(Cut(list, blockSize), GetParam().entries) << "in blocks of " << blockSize;
}

INSTANTIATE_TEST_SUITE_P(Cuttings, CuttingTest, ::testing::ValuesIn(Cuttings),
                         [](const ::testing::TestParamInfo<Cutting> &info) {
                             return info.param.name;
                         });

struct Naming {
    const char *name;
    std::string entry;
    bool handedOver;
    std::string fileName;
};

const std::vector<Naming> Namings = {
    {"LineBreakRemoved", "a.prc\n", true, "a.prc"},
    {"NoLineBreak", "a.prc", true, "a.prc"},
    {"OnlyOneLineBreakRemoved", "a.prc\r\r\n", true, "a.prc\r"},
    {"BlanksKept", " \ta.prc \t\n", true, " \ta.prc \t"},
    {"EmptyLineGivesEmptyName", "\n", true, ""},
    {"ZeroByteFirstIsSkipped", std::string("\0a.prc\n", 7), false, ""},
    {"ZeroByteFirstOfEmptyLineIsSkipped", std::string("\0\n", 2), false, ""},
    {"ZeroByteEndsName", std::string("a.prc\0rest\n", 11), true, "a.prc"},
    {"ZeroByteBeforeBreak", std::string("a.prc\0\n", 7), true, "a.prc"},
};

void PrintTo(const Naming &naming, std::ostream *out)
{
    *out << naming.name;
}

class NamingTest : public ::testing::TestWithParam<Naming> {};

TEST_P(NamingTest, TakesTheTextBeforeTheFirstZeroLessOneLineBreak)
{
    std::vector<std::string> entries = Cut(GetParam().entry, GetParam().entry.size());
    ASSERT_EQ(entries.size(), 1u);
    InstallListCutter cutter = {};
    const char *next = GetParam().entry.data();
    const char *end = next + GetParam().entry.size();
    if (!CutInstallListEntry(cutter, next, end))
        ASSERT_TRUE(FinishInstallList(cutter));

    size_t nameLength = 0;
    ASSERT_EQ(InstallListFileName(cutter, nameLength), GetParam().handedOver);
    if (GetParam().handedOver) {
        EXPECT_EQ(std::string(cutter.entry, nameLength), GetParam().fileName);
        EXPECT_EQ(cutter.entry[nameLength], '\0');
    }
}

INSTANTIATE_TEST_SUITE_P(Namings, NamingTest, ::testing::ValuesIn(Namings),
                         [](const ::testing::TestParamInfo<Naming> &info) {
                             return info.param.name;
                         });

} // namespace
