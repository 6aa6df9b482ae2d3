// The fixture every host test of the program starts from: a fresh stand-in
// machine, a fresh install library double and the program's shared variables
// as they are when the program starts.
#ifndef TELLWICK_PROGRAM_TEST_H
#define TELLWICK_PROGRAM_TEST_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "installer/installer.h"
#include "tests/host/instaide_double.h"
#include "win32_stand_in/win32_stand_in_control.h"

const char PalmDesktopCoreKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core";
const char PalmAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Palm.exe";
const char PalmDirectory[] = "C:\\Palm";
const char InstAideInPalmDirectory[] = "C:\\Palm\\instaide.dll";

const char SuccessReport[] =
    "Installation to your handheld was a success. The next time you perform a HotSync "
    "operation, the files will be installed on your handheld.";

// A registry value as Windows stores a string: with its terminating zero.
inline void SetPalmPath(HKEY root, const char *subKey, const std::string &directory)
{
    StandIn.registry[{root, subKey}]["Path"] = directory + '\0';
}

// Palm Desktop installed in C:\Palm with the double as its library.
inline void InstallPalmDesktop()
{
    SetPalmPath(HKEY_CURRENT_USER, PalmDesktopCoreKey, PalmDirectory);
    PlaceInstAide(InstAideInPalmDirectory);
}

inline int RunProgram()
{
    static char commandLine[] = "/quiet extra arguments";
    return WinMain(reinterpret_cast<HINSTANCE>(0x400000), NULL, commandLine, 1);
}

// Each message box as "caption | text | type".
inline std::vector<std::string> Reports()
{
    std::vector<std::string> reports;
    for (const StandInMessageBox &box : StandIn.messageBoxes) {
        EXPECT_EQ(box.owner, nullptr) << "a report must not be owned by a window";
        reports.push_back(box.caption + " | " + box.text + " | " + std::to_string(box.type));
    }
    return reports;
}

// The recorded events that start with `prefix`, in order.
inline std::vector<std::string> EventsStartingWith(const std::string &prefix)
{
    std::vector<std::string> found;
    for (const std::string &event : StandIn.events)
        if (event.compare(0, prefix.size(), prefix) == 0)
            found.push_back(event);
    return found;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetStandIn();
        ResetInstAide();
        InstAideModule = NULL;
        std::memset(InstAidePath, 0, sizeof InstAidePath);
        std::memset(SelectedUserName, 0, sizeof SelectedUserName);
    }

    void TearDown() override
    {
        EXPECT_EQ(StandIn.openKeys, 0) << "a registry key was left open";
        EXPECT_EQ(StandIn.openLibraries, 0) << "the install library was not freed";
        EXPECT_EQ(StandIn.openFiles, 0) << "the File Install List was not closed";
    }
};

// The report types as the program passes them.
const std::string Exclamation = std::to_string(MB_OK | MB_ICONEXCLAMATION);
const std::string Information = std::to_string(MB_OK | MB_ICONINFORMATION);

#endif
