// Our own instaide.dll, to run the installer under Wine against a Palm
// Desktop we control. It reads instaide.cfg beside it when it is loaded:
//
//   mode test | mode demo      test double (the default) or demo Palm Desktop
//   user <name>                one a line, in index order; \xHH for any byte, \\ for a backslash
//   count <n>                  PltGetUserCount's result instead of the number of users
//   getuser_fails_at <i>       PltGetUser returns -1 for this index
//   changes_size               PltGetUser writes 1 into the size value
//   install_results <r> ...    PltInstallFile's results for its calls in turn; 0 after them
//
// Built as instaide_loads_helper.dll, PltGetUserCount first loads
// palmhelp.dll by bare name and logs "helper <path it came from>", or
// "helper not found" and counts no users.
//
// In demo mode the users are the lines of users.txt beside it, and
// PltInstallFile queues a file as Palm Desktop does, by copying it into
// <user>\Install beside the library.
//
// Every event is appended to instaide.log beside it, one a line, with bytes
// that are not printable ASCII written as \xHH and a backslash as \\. The
// log is opened for each line and closed again, because other processes
// append to it too.
#include <windows.h>

#include <cstring>
#include <initializer_list>

#ifdef INSTAIDE_WITH_SIBLING
// Exported by instaide_sibling.dll, which must lie beside this library.
extern "C" __declspec(dllimport) void InstAideSibling();
#endif

namespace {

// Longer than the caller's 256-byte name buffer, so that names that do not
// fit it can be handed out.
const size_t MaxNameLength = 1024;
const int MaxUsers = 100;
const int MaxInstallResults = 100;
const int MayBeInstalled = -512;
const int Failed = -1;

struct User {
    char name[MaxNameLength];
    size_t length; // a name may hold zero bytes
};

char Directory[MAX_PATH]; // the library's own, ending with its separator
bool DemoMode;
User Users[MaxUsers];
int UserCount;
bool CountOverridden;
int CountOverride;
int GetUserFailsAt = -1; // the caller never asks for a negative index
bool ChangesSize;
int InstallResults[MaxInstallResults];
int InstallResultCount;
int InstallCalls;

// Joins `parts` into `out`; false when they do not fit.
bool JoinPath(char (&out)[MAX_PATH], std::initializer_list<const char *> parts)
{
    size_t length = 0;
    for (const char *part : parts) {
        size_t partLength = std::strlen(part);
        if (partLength >= sizeof out - length)
            return false;
        std::memcpy(out + length, part, partLength);
        length += partLength;
    }
    out[length] = 0;
    return true;
}

// The length of `path` up to and including its last separator. In code page
// 932 the second byte of a double-byte character may be 0x5C, and is then no
// separator.
size_t DirectoryLength(const char *path)
{
    size_t length = 0;
    for (size_t i = 0; path[i] != 0; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && path[i + 1] != 0)
            ++i;
        else if (path[i] == '\\' || path[i] == '/')
            length = i + 1;
    }
    return length;
}

class LogLine {
public:
    explicit LogLine(const char *text) { Append(text); }

    LogLine &Append(const char *text)
    {
        while (*text != 0)
            Put(*text++);
        return *this;
    }

    LogLine &AppendEscaped(const char *bytes, size_t count)
    {
        static const char Hex[] = "0123456789ABCDEF";
        for (size_t i = 0; i < count; ++i) {
            unsigned char byte = static_cast<unsigned char>(bytes[i]);
            if (byte == '\\') {
                Append("\\\\");
            } else if (byte < 0x20 || byte > 0x7E) {
                const char escape[] = {'\\', 'x', Hex[byte >> 4], Hex[byte & 0xF], 0};
                Append(escape);
            } else {
                Put(static_cast<char>(byte));
            }
        }
        return *this;
    }

    LogLine &AppendEscaped(const char *text) { return AppendEscaped(text, std::strlen(text)); }

    LogLine &AppendNumber(int number)
    {
        char digits[12];
        size_t count = 0;
        // Counting in the negative range reaches INT_MIN too.
        int rest = number < 0 ? number : -number;
        do {
            digits[count++] = static_cast<char>('0' - rest % 10);
            rest /= 10;
        } while (rest != 0);
        if (number < 0)
            Put('-');
        while (count > 0)
            Put(digits[--count]);
        return *this;
    }

    void Write()
    {
        Put('\n');
        char path[MAX_PATH];
        if (!JoinPath(path, {Directory, "instaide.log"}))
            return;
        // Append access alone makes every write land at the file's end, even
        // when another process wrote there in between.
        HANDLE log = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (log == INVALID_HANDLE_VALUE)
            return;
        DWORD written;
        WriteFile(log, text_, static_cast<DWORD>(length_), &written, NULL);
        CloseHandle(log);
    }

private:
    // Room for a user name and a path fully escaped; a longer line is cut,
    // keeping its line break.
    char text_[8 * MaxNameLength];
    size_t length_ = 0;

    void Put(char c)
    {
        if (length_ < sizeof text_ - 1 || (c == '\n' && length_ < sizeof text_))
            text_[length_++] = c;
    }
};

// Reads the file `name` beside the library into `buffer`, up to its size;
// returns the number of bytes read, 0 when there is no such file.
size_t ReadFileBeside(const char *name, char *buffer, size_t size)
{
    char path[MAX_PATH];
    if (!JoinPath(path, {Directory, name}))
        return 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    size_t length = 0;
    DWORD count;
    while (length < size &&
           ReadFile(file, buffer + length, static_cast<DWORD>(size - length), &count, NULL) &&
           count > 0)
        length += count;
    CloseHandle(file);
    return length;
}

// Calls `handle(line, length)` for each line of `text`, without its LF and
// a CR before it.
template <typename Handle> void ForEachLine(const char *text, size_t length, Handle handle)
{
    size_t start = 0;
    while (start < length) {
        const void *lineFeed = std::memchr(text + start, '\n', length - start);
        size_t end = lineFeed ? static_cast<const char *>(lineFeed) - text : length;
        size_t next = end + 1;
        if (end > start && text[end - 1] == '\r')
            --end;
        handle(text + start, end - start);
        start = next;
    }
}

void AddUser(const char *name, size_t length)
{
    if (UserCount == MaxUsers)
        return;
    User &user = Users[UserCount++];
    user.length = length < MaxNameLength ? length : MaxNameLength;
    std::memcpy(user.name, name, user.length);
}

// Adds the user whose name is written with \xHH and \\ escapes; any other
// backslash stands for itself.
void AddEscapedUser(const char *text, size_t length)
{
    char name[MaxNameLength];
    size_t nameLength = 0;
    auto hexDigit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < length && nameLength < sizeof name; ++i) {
        if (text[i] == '\\' && i + 1 < length && text[i + 1] == '\\') {
            name[nameLength++] = '\\';
            i += 1;
        } else if (text[i] == '\\' && i + 3 < length && text[i + 1] == 'x' &&
                   hexDigit(text[i + 2]) >= 0 && hexDigit(text[i + 3]) >= 0) {
            name[nameLength++] = static_cast<char>(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3]));
            i += 3;
        } else {
            name[nameLength++] = text[i];
        }
    }
    AddUser(name, nameLength);
}

// Parses the whole of `text` as a decimal int.
bool ParseNumber(const char *text, size_t length, int &number)
{
    bool negative = length > 0 && text[0] == '-';
    size_t i = negative ? 1 : 0;
    if (i == length)
        return false;
    long long value = 0;
    for (; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL)
            return false;
    }
    value = negative ? -value : value;
    if (value > 2147483647LL)
        return false;
    number = static_cast<int>(value);
    return true;
}

bool ParseInstallResults(const char *text, size_t length)
{
    size_t start = 0;
    while (start < length) {
        const void *space = std::memchr(text + start, ' ', length - start);
        size_t end = space ? static_cast<const char *>(space) - text : length;
        if (InstallResultCount == MaxInstallResults ||
            !ParseNumber(text + start, end - start, InstallResults[InstallResultCount]))
            return false;
        ++InstallResultCount;
        start = end + 1;
    }
    return true;
}

bool IsDirective(const char *line, size_t length, const char *directive, size_t &argument)
{
    size_t directiveLength = std::strlen(directive);
    if (length < directiveLength || std::memcmp(line, directive, directiveLength) != 0)
        return false;
    if (length == directiveLength) {
        argument = length;
        return true;
    }
    argument = directiveLength + 1;
    return line[directiveLength] == ' ';
}

bool ApplyDirective(const char *line, size_t length)
{
    size_t at;
    if (IsDirective(line, length, "mode", at)) {
        DemoMode = length - at == 4 && std::memcmp(line + at, "demo", 4) == 0;
        return DemoMode || (length - at == 4 && std::memcmp(line + at, "test", 4) == 0);
    }
    if (IsDirective(line, length, "user", at)) {
        AddEscapedUser(line + at, length - at);
        return true;
    }
    if (IsDirective(line, length, "count", at)) {
        CountOverridden = ParseNumber(line + at, length - at, CountOverride);
        return CountOverridden;
    }
    if (IsDirective(line, length, "getuser_fails_at", at))
        return ParseNumber(line + at, length - at, GetUserFailsAt);
    if (IsDirective(line, length, "changes_size", at)) {
        ChangesSize = true;
        return at == length;
    }
    if (IsDirective(line, length, "install_results", at))
        return ParseInstallResults(line + at, length - at);
    return length == 0;
}

void ReadConfiguration()
{
    static char text[1 << 20];
    size_t length = ReadFileBeside("instaide.cfg", text, sizeof text);
    // A line the library does not understand shows in the log, so that a
    // mistyped scenario fails instead of testing something else.
    ForEachLine(text, length, [](const char *line, size_t lineLength) {
        if (!ApplyDirective(line, lineLength))
            LogLine("bad cfg line ").AppendEscaped(line, lineLength).Write();
    });
}

void ReadDemoUsers()
{
    static char text[MaxUsers * MaxNameLength];
    size_t length = ReadFileBeside("users.txt", text, sizeof text);
    ForEachLine(text, length, [](const char *line, size_t lineLength) {
        if (lineLength > 0)
            AddUser(line, lineLength);
    });
}

bool IsUser(const char *name)
{
    for (int i = 0; i < UserCount; ++i) {
        if (std::strlen(name) == Users[i].length &&
            std::memcmp(name, Users[i].name, Users[i].length) == 0)
            return true;
    }
    return false;
}

// Queues the file for the user's next HotSync operation by copying it into
// <user>\Install beside the library.
int QueueFile(const char *userName, const char *filePath)
{
    DWORD attributes = GetFileAttributesA(filePath);
    if (!IsUser(userName) || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Failed;
    char userDirectory[MAX_PATH];
    char installDirectory[MAX_PATH];
    char queuedPath[MAX_PATH];
    if (!JoinPath(userDirectory, {Directory, userName}) ||
        !JoinPath(installDirectory, {userDirectory, "\\Install"}) ||
        !JoinPath(queuedPath, {installDirectory, "\\", filePath + DirectoryLength(filePath)}))
        return Failed;
    if (GetFileAttributesA(queuedPath) != INVALID_FILE_ATTRIBUTES)
        return MayBeInstalled;
    CreateDirectoryA(userDirectory, NULL);
    CreateDirectoryA(installDirectory, NULL);
    return CopyFileA(filePath, queuedPath, TRUE) ? 0 : Failed;
}

} // namespace

extern "C" int WINAPI PltGetUserCount()
{
#ifdef INSTAIDE_LOADS_HELPER
    // As Palm Desktop's own libraries may, it loads a DLL of Palm Desktop's
    // by bare name while it runs, and cannot count users without it.
    HMODULE helper = LoadLibraryA("palmhelp.dll");
    if (helper == NULL) {
        LogLine("helper not found").Write();
        return 0;
    }
    char helperPath[MAX_PATH] = {};
    GetModuleFileNameA(helper, helperPath, sizeof helperPath - 1);
    LogLine("helper ").AppendEscaped(helperPath).Write();
    FreeLibrary(helper);
#endif
    int result = CountOverridden ? CountOverride : UserCount;
    LogLine("count -> ").AppendNumber(result).Write();
    return result;
}

extern "C" int WINAPI PltGetUser(int index, char *name, int *size)
{
    int sizeOnEntry = *size;
    int result = index == GetUserFailsAt || index < 0 || index >= UserCount ? Failed : 0;
    if (result == 0 && sizeOnEntry > 0) {
        // Never more than the caller said its buffer holds; a name that fills
        // it goes without its terminating zero, as the caller must cope with.
        const User &user = Users[index];
        size_t room = static_cast<size_t>(sizeOnEntry);
        size_t count = user.length < room ? user.length : room;
        std::memcpy(name, user.name, count);
        if (count < room)
            name[count] = 0;
    }
    if (ChangesSize)
        *size = 1;
    LogLine("getuser ")
        .AppendNumber(index)
        .Append(" size ")
        .AppendNumber(sizeOnEntry)
        .Append(" -> ")
        .AppendNumber(result)
        .Write();
    return result;
}

extern "C" int WINAPI PltInstallFile(const char *userName, const char *filePath)
{
    int result;
    if (DemoMode)
        result = QueueFile(userName, filePath);
    else
        result = InstallCalls < InstallResultCount ? InstallResults[InstallCalls] : 0;
    ++InstallCalls;
    LogLine("install ")
        .AppendEscaped(userName)
        .Append(" | ")
        .AppendEscaped(filePath)
        .Append(" -> ")
        .AppendNumber(result)
        .Write();
    return result;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(module);
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(module, path, sizeof path);
        // Without its own directory the library finds neither its settings
        // nor its log; refusing to load says so at once.
        if (length == 0 || length >= sizeof path)
            return FALSE;
        size_t directoryLength = DirectoryLength(path);
        std::memcpy(Directory, path, directoryLength);
        Directory[directoryLength] = 0;
#ifdef INSTAIDE_WITH_SIBLING
        InstAideSibling();
#endif
        LogLine("attach").Write();
        ReadConfiguration();
        if (DemoMode)
            ReadDemoUsers();
    } else if (reason == DLL_PROCESS_DETACH) {
        LogLine(reserved == NULL ? "detach freelibrary" : "detach process-exit").Write();
    }
    return TRUE;
}
