// Finding the program's directory in its full path, in single-byte and
// double-byte code pages.
#include <gtest/gtest.h>

#include <string>

#include "installer/program_directory.h"

namespace {

struct Path {
    const char *name;
    std::string programPath;
    bool shiftJis;
    std::string directory;
};

const std::vector<Path> Paths = {
    {"Drive", "C:\\Program Files\\Tellwick\\Install.exe", false, "C:\\Program Files\\Tellwick\\"},
    {"Root", "C:\\Install.exe", false, "C:\\"},
    {"DriveWithoutDirectory", "C:Install.exe", false, "C:"},
    {"NoSeparator", "Install.exe", false, ""},
    {"Slashes", "C:/Palm/Tellwick/Install.exe", false, "C:/Palm/Tellwick/"},
    {"MixedSeparators", "C:\\Palm/Tellwick\\Install.exe", false, "C:\\Palm/Tellwick\\"},
    {"NetworkShare", "\\\\server\\share\\Tellwick\\Install.exe", false, "\\\\server\\share\\Tellwick\\"},
    {"Empty", "", false, ""},
    // 0x95 0x5C is one character in code page 932; its second byte is no separator.
    {"DoubleByteCharacterInFileName", "C:\\Palm\\\x95\x5C.exe", true, "C:\\Palm\\"},
    {"DoubleByteCharacterInDirectory", "C:\\\x95\x5C\\Install.exe", true, "C:\\\x95\x5C\\"},
    {"DoubleByteCharacterEndingDirectoryName", "C:\\a\x95\x5C\\b\x95\x5C" "c.exe", true,
     "C:\\a\x95\x5C\\"},
    {"SameBytesInSingleByteCodePage", "C:\\Palm\\\x95\x5C.exe", false, "C:\\Palm\\\x95\x5C"},
    {"LeadByteLast", "C:\\Palm\\a\x95", true, "C:\\Palm\\"},
    {"LeadByteBeforeSeparatorLast", "C:\\Palm\\\x95\\", true, "C:\\Palm\\"},
};

void PrintTo(const Path &path, std::ostream *out)
{
    *out << path.name;
}

class ProgramDirectoryTest : public ::testing::TestWithParam<Path> {};

TEST_P(ProgramDirectoryTest, EndsAtTheLastTrueSeparator)
{
    bool leadBytes[256] = {};
    const unsigned char shiftJis[12] = {0x81, 0x9F, 0xE0, 0xFC};
    if (GetParam().shiftJis)
        MarkLeadBytes(shiftJis, sizeof shiftJis, leadBytes);
    size_t length = ProgramDirectoryLength(GetParam().programPath.c_str(), leadBytes);
    EXPECT_EQ(GetParam().programPath.substr(0, length), GetParam().directory);
}

INSTANTIATE_TEST_SUITE_P(Paths, ProgramDirectoryTest, ::testing::ValuesIn(Paths),
                         [](const ::testing::TestParamInfo<Path> &info) {
                             return info.param.name;
                         });

TEST(LeadBytesTest, MarksEveryRangeUpToTheClosingZeros)
{
    const unsigned char ranges[12] = {0x81, 0x9F, 0xE0, 0xFF, 0, 0, 0x20, 0x20};
    bool leadBytes[256] = {};
    MarkLeadBytes(ranges, sizeof ranges, leadBytes);
    for (unsigned byte = 0; byte < 256; ++byte) {
        bool expected = (byte >= 0x81 && byte <= 0x9F) || byte >= 0xE0;
        EXPECT_EQ(leadBytes[byte], expected) << "byte " << byte;
    }
}

} // namespace
