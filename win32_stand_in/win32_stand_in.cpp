// The host stand-in's behaviour. It answers as Windows does for the calls and
// arguments the program makes, and records what it was asked.
#include "win32_stand_in/win32_stand_in_control.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "user_selection/user_selection_resources.h"

Win32StandIn StandIn;

namespace {

struct OpenFile {
    const StandInFile *file;
    size_t offset;
};

struct DialogState {
    bool active = false;
    bool visible = false;
    bool ended = false;
    INT_PTR result = 0;
    std::vector<std::string> entries;
    int selection = CB_ERR;
    int addStringCalls = 0;
};

std::vector<std::pair<HKEY, std::string>> keys;
std::vector<const StandInLibrary *> modules;
std::vector<OpenFile> openFiles;
DialogState dialog;

HMODULE const Kernel32Handle = reinterpret_cast<HMODULE>(0x7C800000);
HWND const DialogHandle = reinterpret_cast<HWND>(0xD1A0);
const LPARAM OkButtonHandle = 0xB001;
const LPARAM CancelButtonHandle = 0xB002;
const LPARAM ListHandle = 0xB3EA;

template <typename Handle>
Handle HandleFor(size_t index, uintptr_t base)
{
    return reinterpret_cast<Handle>(base + index);
}

template <typename Handle>
size_t IndexOf(Handle handle, uintptr_t base, size_t count)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    return value >= base && value - base < count ? value - base : count;
}

const uintptr_t KeyBase = 0x4000;
const uintptr_t ModuleBase = 0x50000;
const uintptr_t FileBase = 0x6000;

std::string RootName(HKEY root)
{
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    return "unknown root";
}

void Fail(const char *what)
{
    std::fprintf(stderr, "win32 stand-in: %s\n", what);
    std::abort();
}

// Records a call that closes something, which must be open.
void Close(const char *call, bool known, int &open)
{
    StandIn.events.push_back(call);
    if (!known || open == 0)
        Fail((std::string(call) + " of something that is not open").c_str());
    --open;
}

// CBS_SORT orders entries alphabetically, ignoring case.
bool SortsBefore(const std::string &a, const std::string &b)
{
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
            return std::tolower(x) < std::tolower(y);
        });
}

INT_PTR Deliver(DLGPROC proc, UINT message, WPARAM wParam, LPARAM lParam, const char *name)
{
    INT_PTR handled = proc(DialogHandle, message, wParam, lParam);
    StandIn.events.push_back(std::string(name) + " -> " + std::to_string(handled));
    return handled;
}

// What the dialog manager does with one step of the user's.
void Perform(DLGPROC proc, const StandInDialogStep &step)
{
    switch (step.kind) {
    case StandInDialogStep::OkButton:
    case StandInDialogStep::Enter:
        Deliver(proc, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), OkButtonHandle, "WM_COMMAND IDOK");
        break;
    case StandInDialogStep::CancelButton:
    case StandInDialogStep::Escape:
        Deliver(proc, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), CancelButtonHandle,
                "WM_COMMAND IDCANCEL");
        break;
    case StandInDialogStep::CloseCommand:
        // Unhandled, the close command becomes WM_CLOSE, and WM_CLOSE becomes
        // the Cancel button's command.
        if (!Deliver(proc, WM_SYSCOMMAND, SC_CLOSE, 0, "WM_SYSCOMMAND SC_CLOSE") &&
            !Deliver(proc, WM_CLOSE, 0, 0, "WM_CLOSE"))
            Deliver(proc, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), CancelButtonHandle,
                    "WM_COMMAND IDCANCEL");
        break;
    case StandInDialogStep::Pick:
        if (step.entry < 0 || static_cast<size_t>(step.entry) >= dialog.entries.size())
            Fail("a step picks an entry the list does not have");
        dialog.selection = step.entry;
        Deliver(proc, WM_COMMAND, MAKEWPARAM(UserNameList, CBN_SELCHANGE), ListHandle,
                "WM_COMMAND CBN_SELCHANGE");
        break;
    case StandInDialogStep::OtherCommand:
        Deliver(proc, WM_COMMAND, MAKEWPARAM(UserNameList, CBN_DROPDOWN), ListHandle,
                "WM_COMMAND CBN_DROPDOWN");
        break;
    }
}

LRESULT ListMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    size_t index = wParam;
    bool valid = index < dialog.entries.size();
    switch (message) {
    case CB_ADDSTRING: {
        if (dialog.addStringCalls++ == StandIn.addStringFailsAt)
            return StandIn.addStringFailure;
        std::string text(reinterpret_cast<const char *>(lParam));
        auto place = std::upper_bound(dialog.entries.begin(), dialog.entries.end(), text, SortsBefore);
        return dialog.entries.insert(place, text) - dialog.entries.begin();
    }
    case CB_SETCURSEL:
        if (StandIn.setCurSelFails || !valid) {
            dialog.selection = CB_ERR;
            return CB_ERR;
        }
        dialog.selection = static_cast<int>(index);
        return dialog.selection;
    case CB_GETCURSEL:
        return StandIn.getCurSelFails ? CB_ERR : dialog.selection;
    case CB_GETLBTEXTLEN:
        return StandIn.getLbTextLenFails || !valid ? CB_ERR : dialog.entries[index].size();
    case CB_GETLBTEXT:
        if (StandIn.getLbTextFails || !valid)
            return CB_ERR;
        // As on Windows, no size comes with the buffer: the whole text goes in.
        std::memcpy(reinterpret_cast<char *>(lParam), dialog.entries[index].c_str(),
                    dialog.entries[index].size() + 1);
        return dialog.entries[index].size();
    }
    Fail("a list message the stand-in does not know");
    return 0;
}

// The ANSI code page's bytes as the stand-in widens them: a lead byte and the
// byte after it make one character, any other byte one of its own.
bool IsLeadByte(BYTE byte)
{
    const std::vector<BYTE> &ranges = StandIn.leadByteRanges;
    for (size_t i = 0; i + 1 < ranges.size(); i += 2)
        if (byte >= ranges[i] && byte <= ranges[i + 1])
            return true;
    return false;
}

std::string Narrowed(LPCWSTR wide)
{
    std::string text;
    for (; *wide != 0; ++wide) {
        if (*wide > 0xFF)
            text += static_cast<char>(*wide >> 8);
        text += static_cast<char>(*wide & 0xFF);
    }
    return text;
}

BOOL WINAPI StandInSetDefaultDllDirectories(DWORD directoryFlags)
{
    StandIn.events.push_back("SetDefaultDllDirectories " + std::to_string(directoryFlags));
    return TRUE;
}

DLL_DIRECTORY_COOKIE WINAPI StandInAddDllDirectory(LPCWSTR directory)
{
    StandIn.events.push_back("AddDllDirectory " + Narrowed(directory));
    static int cookie;
    return StandIn.addDllDirectoryFails ? NULL : &cookie;
}

BOOL WINAPI StandInSetDllDirectoryA(LPCSTR directory)
{
    StandIn.events.push_back(std::string("SetDllDirectoryA ") + directory);
    return TRUE;
}

} // namespace

void ResetStandIn()
{
    StandIn = Win32StandIn();
    StandIn.kernel32.exports = {
        {"SetDefaultDllDirectories", StandInExport(StandInSetDefaultDllDirectories)},
        {"AddDllDirectory", StandInExport(StandInAddDllDirectory)},
        {"SetDllDirectoryA", StandInExport(StandInSetDllDirectoryA)},
    };
    keys.clear();
    modules.clear();
    openFiles.clear();
    dialog = DialogState();
}

std::vector<BYTE> ShiftJisLeadByteRanges()
{
    return {0x81, 0x9F, 0xE0, 0xFC};
}

LSTATUS WINAPI RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    StandIn.events.push_back("RegOpenKeyExA " + RootName(root) + "\\" + subKey + " options " +
                             std::to_string(options) + " access " + std::to_string(access));
    auto key = std::make_pair(root, std::string(subKey));
    if (StandIn.registry.find(key) == StandIn.registry.end())
        return ERROR_FILE_NOT_FOUND;
    if (StandIn.openKeys != 0)
        Fail("a second key is opened while one is still open");
    keys.push_back(key);
    ++StandIn.openKeys;
    *result = HandleFor<HKEY>(keys.size() - 1, KeyBase);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                LPBYTE data, LPDWORD dataSize)
{
    StandIn.events.push_back(std::string("RegQueryValueExA ") + valueName);
    StandIn.querySizesOnEntry.push_back(*dataSize);
    size_t index = IndexOf(key, KeyBase, keys.size());
    if (index == keys.size() || reserved != NULL || type != NULL)
        Fail("RegQueryValueExA with arguments the program never passes");
    const auto &values = StandIn.registry[keys[index]];
    auto value = values.find(valueName);
    if (value == values.end())
        return ERROR_FILE_NOT_FOUND;
    const std::string &bytes = value->second;
    DWORD room = *dataSize;
    *dataSize = static_cast<DWORD>(bytes.size());
    if (bytes.size() > room) {
        // Windows leaves the buffer undefined here; what it may hold is a
        // first part of the data.
        std::memcpy(data, bytes.data(), room);
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY key)
{
    Close("RegCloseKey", IndexOf(key, KeyBase, keys.size()) != keys.size(), StandIn.openKeys);
    return ERROR_SUCCESS;
}

static HMODULE Load(LPCSTR fileName)
{
    auto library = StandIn.libraries.find(fileName);
    if (library == StandIn.libraries.end())
        return NULL;
    modules.push_back(&library->second);
    ++StandIn.openLibraries;
    return HandleFor<HMODULE>(modules.size() - 1, ModuleBase);
}

HMODULE WINAPI LoadLibraryA(LPCSTR fileName)
{
    StandIn.events.push_back(std::string("LoadLibraryA ") + fileName);
    return Load(fileName);
}

HMODULE WINAPI LoadLibraryExA(LPCSTR fileName, HANDLE reserved, DWORD flags)
{
    StandIn.events.push_back(std::string("LoadLibraryExA ") + fileName + " flags " +
                             std::to_string(flags));
    if (reserved != NULL)
        Fail("LoadLibraryExA with a file handle");
    return Load(fileName);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name)
{
    StandIn.events.push_back(std::string("GetProcAddress ") + name);
    const StandInLibrary *library = &StandIn.kernel32;
    if (module != Kernel32Handle) {
        size_t index = IndexOf(module, ModuleBase, modules.size());
        if (index == modules.size())
            Fail("GetProcAddress on a module that was never loaded");
        library = modules[index];
    }
    auto found = library->exports.find(name);
    return found == library->exports.end() ? NULL : found->second;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    if (moduleName == NULL || strcasecmp(moduleName, "kernel32.dll") != 0)
        Fail("GetModuleHandleA for a module the program does not ask for");
    return Kernel32Handle;
}

BOOL WINAPI FreeLibrary(HMODULE module)
{
    Close("FreeLibrary", IndexOf(module, ModuleBase, modules.size()) != modules.size(),
          StandIn.openLibraries);
    return TRUE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    if (module != NULL || size == 0)
        Fail("GetModuleFileNameA for another module or into no buffer");
    if (StandIn.modulePathFails)
        return 0;
    // Like Windows from Vista on: a path that does not fit is cut, still
    // zero-terminated, and the whole buffer size is returned.
    const std::string &path = StandIn.modulePath;
    size_t copied = std::min<size_t>(path.size(), size - 1);
    std::memcpy(fileName, path.data(), copied);
    fileName[copied] = '\0';
    return path.size() < size ? static_cast<DWORD>(path.size()) : size;
}

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                               int wideSize)
{
    if (codePage != CP_ACP || flags != 0 || length != -1)
        Fail("MultiByteToWideChar with arguments the program never passes");
    int count = 0;
    for (const BYTE *next = reinterpret_cast<const BYTE *>(text);; ++next) {
        wchar_t character = *next;
        if (IsLeadByte(*next) && next[1] != 0) {
            character = static_cast<wchar_t>(next[0] << 8 | next[1]);
            ++next;
        }
        if (count == wideSize)
            return 0; // ERROR_INSUFFICIENT_BUFFER, with the buffer filled
        wide[count++] = character;
        if (character == 0)
            return count;
    }
}

UINT WINAPI GetACP()
{
    return StandIn.codePage;
}

BOOL WINAPI GetCPInfo(UINT codePage, LPCPINFO info)
{
    if (codePage != StandIn.codePage || StandIn.leadByteRanges.size() > MAX_LEADBYTES - 2)
        return FALSE;
    *info = CPINFO();
    info->MaxCharSize = StandIn.leadByteRanges.empty() ? 1 : 2;
    info->DefaultChar[0] = '?';
    std::copy(StandIn.leadByteRanges.begin(), StandIn.leadByteRanges.end(), info->LeadByte);
    return TRUE;
}

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                          HANDLE templateFile)
{
    StandIn.events.push_back(std::string("CreateFileA ") + fileName + " access " +
                             std::to_string(access) + " share " + std::to_string(shareMode) +
                             " disposition " + std::to_string(disposition));
    if (security != NULL || templateFile != NULL || (flags & ~FILE_ATTRIBUTE_NORMAL) != 0)
        Fail("CreateFileA with arguments the program never passes");
    auto file = StandIn.files.find(fileName);
    if (file == StandIn.files.end() || !file->second.opens)
        return INVALID_HANDLE_VALUE;
    openFiles.push_back(OpenFile{&file->second, 0});
    ++StandIn.openFiles;
    return HandleFor<HANDLE>(openFiles.size() - 1, FileBase);
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read,
                     LPOVERLAPPED overlapped)
{
    size_t index = IndexOf(handle, FileBase, openFiles.size());
    if (index == openFiles.size() || overlapped != NULL || read == NULL)
        Fail("ReadFile on a file that was never opened");
    ++StandIn.readFileCalls;
    if (StandIn.readFileCalls == 1 || toRead < StandIn.smallestReadRequest)
        StandIn.smallestReadRequest = toRead;
    OpenFile &open = openFiles[index];
    *read = 0;
    if (open.offset >= open.file->readFailsAt)
        return FALSE;
    size_t available = std::min(open.file->bytes.size(), open.file->readFailsAt) - open.offset;
    size_t count = std::min<size_t>(toRead, available);
    std::memcpy(buffer, open.file->bytes.data() + open.offset, count);
    open.offset += count;
    *read = static_cast<DWORD>(count);
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE handle)
{
    Close("CloseHandle", IndexOf(handle, FileBase, openFiles.size()) != openFiles.size(),
          StandIn.openFiles);
    return TRUE;
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                               LPARAM initParam)
{
    StandIn.events.push_back("DialogBoxParamA " +
                             std::to_string(reinterpret_cast<uintptr_t>(templateName)));
    if (templateName != MAKEINTRESOURCEA(IDD_USER_SELECTION) || owner != NULL)
        Fail("DialogBoxParamA for a template or owner the program does not have");
    if (StandIn.dialogCannotBeCreated)
        return -1;
    dialog = DialogState();
    dialog.active = true;
    Deliver(dialogProc, WM_INITDIALOG, OkButtonHandle, initParam, "WM_INITDIALOG");
    if (!dialog.ended) {
        for (const std::string &entry : StandIn.extraListEntries)
            dialog.entries.push_back(entry);
        dialog.visible = true;
        StandIn.dialogShown = true;
        StandIn.events.push_back("dialog shown");
        for (const StandInDialogStep &step : StandIn.dialogSteps) {
            Perform(dialogProc, step);
            if (dialog.ended)
                break;
        }
        if (!dialog.ended)
            Fail("the dialog is still open after the user's last step");
    }
    StandIn.listEntries = dialog.entries;
    StandIn.listSelection = dialog.selection;
    dialog.active = false;
    dialog.visible = false;
    StandIn.events.push_back("dialog ended " + std::to_string(dialog.result));
    return dialog.result;
}

BOOL WINAPI EndDialog(HWND handle, INT_PTR result)
{
    if (handle != DialogHandle || !dialog.active)
        Fail("EndDialog for a dialog that is not running");
    StandIn.events.push_back("EndDialog " + std::to_string(result));
    dialog.ended = true;
    dialog.result = result;
    return TRUE;
}

LRESULT WINAPI SendDlgItemMessageA(HWND handle, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (handle != DialogHandle || !dialog.active || id != UserNameList)
        Fail("a message for a control the running dialog does not have");
    return ListMessage(message, wParam, lParam);
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    StandIn.events.push_back(std::string("MessageBoxA ") + caption);
    StandIn.messageBoxes.push_back(StandInMessageBox{owner, text, caption, type, dialog.visible});
    return IDOK;
}

void WINAPI InitCommonControls() {}
