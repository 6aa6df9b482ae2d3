#include "tests/host/instaide_double.h"

#include <cstring>

#include "instaide/instaide.h"
#include "win32_stand_in/win32_stand_in_control.h"

InstAideDouble InstAide;

namespace {

int WINAPI DoublePltInstallFile(const char *userName, const char *filePath)
{
    int call = InstAide.installCalls++;
    int result = call < static_cast<int>(InstAide.installResults.size())
                     ? InstAide.installResults[call]
                     : 0;
    StandIn.events.push_back(std::string("PltInstallFile ") + userName + " | " + filePath +
                             " -> " + std::to_string(result));
    return result;
}

int WINAPI DoublePltGetUserCount()
{
    int count = InstAide.countOverridden ? InstAide.count : static_cast<int>(InstAide.users.size());
    StandIn.events.push_back("PltGetUserCount -> " + std::to_string(count));
    return count;
}

int WINAPI DoublePltGetUser(int index, char *name, int *size)
{
    StandIn.events.push_back("PltGetUser " + std::to_string(index) + " size " +
                             std::to_string(*size));
    if (InstAide.changesSize)
        *size = 1;
    if (index == InstAide.getUserFailsAt)
        return -1;
    if (index == InstAide.unterminatedNameAt) {
        std::memset(name, 'n', 256);
        return 0;
    }
    const std::string &user = InstAide.users.at(index);
    std::memcpy(name, user.c_str(), user.size() + 1);
    return 0;
}

} // namespace

void ResetInstAide()
{
    InstAide = InstAideDouble();
}

void PlaceInstAide(const std::string &path, const std::set<std::string> &missing)
{
    StandInLibrary library;
    library.exports["PltInstallFile"] = StandInExport(DoublePltInstallFile);
    library.exports["PltGetUserCount"] = StandInExport(DoublePltGetUserCount);
    library.exports["PltGetUser"] = StandInExport(DoublePltGetUser);
    for (const std::string &name : missing)
        library.exports.erase(name);
    StandIn.libraries[path] = library;
}
