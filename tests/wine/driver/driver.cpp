// Runs the installer and works its windows as a person would, writing down
// what a person would see: the user selection dialog once it shows, every
// message box, and the exit code. The transcript goes to stdout in UTF-8.
//
//   driver.exe [--log FILE] [--shots DIR] [--directory DIR] INSTALLER_PATH [STEP ...]
//
// The installer starts in its own folder, as a double-click starts it, or in
// the working directory DIR. INSTALLER_PATH may also be a setup that runs the
// installer as its child: the windows worked are those of the process started
// and of every process it starts.
//
// Each step is given to the dialog in turn: enter, escape, ok (click OK),
// cancel (click Cancel), close (the window's close command), or pick:N
// (choose entry N of the list with the mouse; the next step follows at once).
// Every message box is described and dismissed by clicking OK. With --log a
// line "messagebox <caption>" is appended to FILE as each message box
// appears; with --shots pictures of the windows are saved in DIR.
//
// Everything waits at most 20 seconds in all: an installer still running
// then is killed and the transcript ends with "timeout". The exit code is 0
// when the installer ended by itself, 2 on a timeout, 3 when the dialog
// wanted a step that was not given, 1 when the driver could not start.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "screen.h"
#include "styles.h"

namespace {

const wchar_t DialogCaption[] = L"Quillmere Tellwick for Palm Installation";
const wchar_t DialogClass[] = L"#32770";
const DWORD TimeLimitMs = 20000;
const DWORD PollMs = 10;
const DWORD NotchLimitMs = 1000;

const int Finished = 0;
const int CannotStart = 1;
const int TimedOut = 2;
const int StepMissing = 3;

struct Options {
    std::wstring log;
    std::wstring shots;
    std::wstring directory;
    std::wstring installer;
    std::vector<std::wstring> steps;
};

std::string Utf8(const std::wstring &text)
{
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), NULL,
                                   0, NULL, NULL);
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size,
                        NULL, NULL);
    return utf8;
}

void Print(const std::wstring &line)
{
    std::string bytes = Utf8(line) + "\n";
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, NULL);
}

// A text in double quotes, with quotes, backslashes and control characters
// escaped, so that line breaks and spaces in names stay visible.
std::wstring Quoted(const std::wstring &text)
{
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            quoted += L'\\';
            quoted += c;
        } else if (c < 0x20 || c == 0x7F) {
            wchar_t escape[8];
            std::swprintf(escape, sizeof escape / sizeof escape[0], L"\\x%02X", c);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + L"\"";
}

std::wstring Number(long value) { return std::to_wstring(value); }

// Appends one line to the library's log, written as the library writes its
// own: bytes that are not printable ASCII as \xHH, a backslash as \\.
void AppendToLog(const std::wstring &path, const std::wstring &line)
{
    std::string bytes;
    for (unsigned char c : Utf8(line)) {
        if (c == '\\') {
            bytes += "\\\\";
        } else if (c < 0x20 || c >= 0x7F) {
            char escape[8];
            wsprintfA(escape, "\\x%02X", c);
            bytes += escape;
        } else {
            bytes += static_cast<char>(c);
        }
    }
    bytes += '\n';
    HANDLE log = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(log, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL);
    CloseHandle(log);
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256];
    int length = GetClassNameW(window, name, sizeof name / sizeof name[0]);
    return std::wstring(name, length > 0 ? length : 0);
}

// The window's own text. For a window of another process this is read
// without sending it a message, so a busy installer cannot block it.
std::wstring TextOf(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> text(length + 1);
    int copied = GetWindowTextW(window, text.data(), length + 1);
    return std::wstring(text.data(), copied > 0 ? copied : 0);
}

bool IsClass(HWND window, const wchar_t *name)
{
    return _wcsicmp(ClassOf(window).c_str(), name) == 0;
}

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)); }

// Dialog templates keep control ids in 16 bits, where -1 marks a static text.
long ControlId(HWND control) { return static_cast<short>(GetDlgCtrlID(control)); }

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != NULL;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND FirstChildOfClass(HWND parent, const wchar_t *className)
{
    for (HWND child : Children(parent))
        if (IsClass(child, className))
            return child;
    return NULL;
}

bool IsIconControl(HWND control)
{
    return IsClass(control, L"Static") && (StyleOf(control) & SS_TYPEMASK) == SS_ICON;
}

RECT Union(RECT a, RECT b)
{
    RECT both;
    UnionRect(&both, &a, &b);
    return both;
}

RECT WindowArea(HWND window)
{
    RECT area = {};
    GetWindowRect(window, &area);
    return area;
}

// The part of a picture of the area that shows the window.
Picture Crop(const Picture &picture, const RECT &area, HWND window)
{
    RECT part = WindowArea(window);
    OffsetRect(&part, -area.left, -area.top);
    RECT whole = {0, 0, picture.width, picture.height};
    IntersectRect(&part, &part, &whole);
    Picture cropped;
    cropped.width = part.right - part.left;
    cropped.height = part.bottom - part.top;
    for (int y = part.top; y < part.bottom; ++y)
        for (int x = part.left; x < part.right; ++x)
            cropped.pixels.push_back(picture.pixels[static_cast<size_t>(y) * picture.width + x]);
    return cropped;
}

struct WindowSearch {
    std::set<DWORD> processIds;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM parameter)
{
    WindowSearch &search = *reinterpret_cast<WindowSearch *>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (search.processIds.count(processId) != 0)
        search.windows.push_back(window);
    return TRUE;
}

// The process and every process it started, and they in turn: a setup runs
// the installer as its child.
std::set<DWORD> ProcessFamily(DWORD processId)
{
    std::set<DWORD> family = {processId};
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return family;
    std::vector<PROCESSENTRY32W> processes;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        processes.push_back(entry);
    CloseHandle(snapshot);
    for (size_t known = 0; known != family.size();) {
        known = family.size();
        for (const PROCESSENTRY32W &process : processes)
            if (family.count(process.th32ParentProcessID) != 0)
                family.insert(process.th32ProcessID);
    }
    return family;
}

// The program file of the process that owns the window.
std::wstring ProgramOf(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == NULL)
        return std::wstring();
    wchar_t path[MAX_PATH];
    DWORD length = MAX_PATH;
    BOOL found = QueryFullProcessImageNameW(process, 0, path, &length);
    CloseHandle(process);
    return found ? std::wstring(path, length) : std::wstring();
}

BOOL CALLBACK CollectNumberedResource(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR parameter)
{
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<WORD> *>(parameter)->push_back(
            static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

class Run {
public:
    explicit Run(const Options &options) : options_(options) {}

    int Main();

private:
    bool Start();
    bool Ended() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }
    bool OutOfTime() const { return GetTickCount() - started_ > TimeLimitMs; }
    template <typename Condition> bool WaitFor(Condition condition, DWORD limitMs = INFINITE);
    std::vector<HWND> Windows() const;
    HWND FindDialog() const;
    HWND FindOfClass(const wchar_t *className) const;
    HWND FindVisibleOfClass(const wchar_t *className) const;
    Picture SettledPicture(HWND window, const RECT &area);
    void SaveShot(const Picture &picture, const std::wstring &name);

    void DescribeDialog(HWND dialog);
    std::wstring ProgramIconShown(HWND control, const Picture &picture) const;
    void DescribeSelection(HWND combo);
    void DescribeFocus(HWND dialog);
    void HandleMessageBox(HWND box);
    bool GiveSteps(HWND dialog);
    void Pick(HWND dialog, long entry);
    void BringToFront(HWND window);
    void Press(WORD key);
    void ClickAt(POINT point);
    void Wheel(POINT point, int delta);
    void Click(HWND control);

    const Options &options_;
    PROCESS_INFORMATION process_ = {};
    DWORD started_ = 0;
    size_t nextStep_ = 0;
    int messageBoxCount_ = 0;
};

bool Run::Start()
{
    std::wstring directory = options_.directory;
    if (directory.empty()) {
        directory = options_.installer;
        size_t separator = directory.find_last_of(L"\\/");
        directory.erase(separator == std::wstring::npos ? 0 : separator + 1);
    }
    std::wstring commandLine = L"\"" + options_.installer + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    started_ = GetTickCount();
    return CreateProcessW(options_.installer.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL,
                          directory.empty() ? NULL : directory.c_str(), &startup, &process_);
}

// Waits until the condition holds; false when the installer ended or the
// time ran out first, the run's or the given limit.
template <typename Condition> bool Run::WaitFor(Condition condition, DWORD limitMs)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (Ended() || OutOfTime() || GetTickCount() - start > limitMs)
            return false;
        Sleep(PollMs);
    }
    return true;
}

std::vector<HWND> Run::Windows() const
{
    WindowSearch search = {ProcessFamily(process_.dwProcessId), {}};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

// The user selection dialog, shown or not yet.
HWND Run::FindDialog() const
{
    for (HWND window : Windows())
        if (IsClass(window, DialogClass) && TextOf(window) == DialogCaption)
            return window;
    return NULL;
}

HWND Run::FindOfClass(const wchar_t *className) const
{
    for (HWND window : Windows())
        if (IsClass(window, className))
            return window;
    return NULL;
}

HWND Run::FindVisibleOfClass(const wchar_t *className) const
{
    for (HWND window : Windows())
        if (IsWindowVisible(window) && IsClass(window, className))
            return window;
    return NULL;
}

// A picture of the area once the window has finished painting it: the
// installer paints when its queue runs empty, so the picture is taken again
// until two in a row agree.
Picture Run::SettledPicture(HWND window, const RECT &area)
{
    RedrawWindow(window, NULL, NULL,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Picture previous = CaptureScreen(area);
    for (int attempt = 0; attempt < 20; ++attempt) {
        DWORD_PTR result;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result);
        Sleep(40);
        Picture current = CaptureScreen(area);
        if (current.pixels == previous.pixels)
            return current;
        previous = current;
    }
    return previous;
}

void Run::SaveShot(const Picture &picture, const std::wstring &name)
{
    if (options_.shots.empty())
        return;
    std::wstring path = options_.shots;
    if (path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    if (!SaveBmp(picture, path + name))
        Print(L"cannot save " + Quoted(path + name));
}

void Run::DescribeDialog(HWND dialog)
{
    RECT area = WindowArea(dialog);
    Picture picture = SettledPicture(dialog, area);
    SaveShot(picture, L"dialog.bmp");
    Print(L"dialog " + Quoted(TextOf(dialog)));
    Print(L"  style " + StyleNames(DialogClass, StyleOf(dialog), true));
    Print(L"  exstyle " + ExStyleNames(static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE))));
    for (HWND control : Children(dialog)) {
        std::wstring className = ClassOf(control);
        // An icon control's text is only the icon's resource number, kept
        // in a form of Wine's own; what it shows tells more.
        std::wstring text = IsIconControl(control)
                                ? L"icon " +
                                      ProgramIconShown(control, Crop(picture, area, control))
                                : Quoted(TextOf(control));
        Print(L"  control " + Number(ControlId(control)) + L" " + className + L" " + text + L" " +
              StyleNames(className, StyleOf(control), false) +
              L" exstyle " +
              ExStyleNames(static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE))));
    }
    HWND combo = FirstChildOfClass(dialog, L"ComboBox");
    if (combo != NULL) {
        LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT index = 0; index < count; ++index) {
            // Only the W form carries the text across processes.
            LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
            std::vector<wchar_t> text(length > 0 ? length + 1 : 1);
            LRESULT copied = SendMessageW(combo, CB_GETLBTEXT, index,
                                          reinterpret_cast<LPARAM>(text.data()));
            std::wstring item(text.data(), copied > 0 && copied <= length ? copied : 0);
            Print(L"  item " + Number(index) + L" " + Quoted(item));
        }
        DescribeSelection(combo);
    }
    // The list that drops down is a window of its own, and it, not the
    // combo box, carries the scroll bar that the template asks for.
    HWND list = FindOfClass(L"ComboLBox");
    if (list != NULL)
        Print(L"  list " + StyleNames(L"ComboLBox", StyleOf(list), false) + L" exstyle " +
              ExStyleNames(static_cast<DWORD>(GetWindowLongW(list, GWL_EXSTYLE))));
    DescribeFocus(dialog);
}

// "#<number>" for the icon group of the installer's own that the picture
// shows, "unknown" when it shows none of them.
std::wstring Run::ProgramIconShown(HWND control, const Picture &picture) const
{
    HMODULE program = LoadLibraryExW(ProgramOf(control).c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (program == NULL)
        return L"unknown";
    std::vector<WORD> groups;
    EnumResourceNamesW(program, RT_GROUP_ICON, CollectNumberedResource,
                       reinterpret_cast<LONG_PTR>(&groups));
    std::wstring shown = L"unknown";
    for (WORD group : groups) {
        HICON icon = static_cast<HICON>(LoadImageW(program, MAKEINTRESOURCEW(group), IMAGE_ICON,
                                                   picture.width, picture.height, 0));
        if (DifferenceFromIcon(picture, icon) < SameIcon)
            shown = L"#" + Number(group);
        if (icon != NULL)
            DestroyIcon(icon);
    }
    FreeLibrary(program);
    return shown;
}

void Run::DescribeSelection(HWND combo)
{
    LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR) {
        Print(L"  selection none");
        return;
    }
    LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, selection, 0);
    std::vector<wchar_t> text(length > 0 ? length + 1 : 1);
    LRESULT copied =
        SendMessageW(combo, CB_GETLBTEXT, selection, reinterpret_cast<LPARAM>(text.data()));
    Print(L"  selection " + Number(selection) + L" " +
          Quoted(std::wstring(text.data(), copied > 0 && copied <= length ? copied : 0)));
}

void Run::DescribeFocus(HWND dialog)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info) ||
        info.hwndFocus == NULL) {
        Print(L"  focus none");
        return;
    }
    Print(L"  focus " + Number(ControlId(info.hwndFocus)) + L" " + ClassOf(info.hwndFocus) +
          L" " + Quoted(TextOf(info.hwndFocus)));
}

void Run::HandleMessageBox(HWND box)
{
    std::wstring caption = TextOf(box);
    if (!options_.log.empty())
        AppendToLog(options_.log, L"messagebox " + caption);
    HWND dialog = FindDialog();
    const wchar_t *dialogState =
        dialog == NULL ? L"none" : IsWindowVisible(dialog) ? L"visible" : L"hidden";

    RECT area = WindowArea(box);
    Picture picture = SettledPicture(box, area);
    SaveShot(picture, L"messagebox-" + Number(++messageBoxCount_) + L".bmp");

    Print(L"messagebox " + Quoted(caption));
    std::wstring icon = L"none";
    std::wstring buttons;
    HWND ok = NULL;
    for (HWND control : Children(box)) {
        if (!IsWindowVisible(control))
            continue;
        if (IsIconControl(control)) {
            icon = StandardIconShown(Crop(picture, area, control));
        } else if (IsClass(control, L"Static")) {
            Print(L"  text " + Quoted(TextOf(control)));
        } else if (IsClass(control, L"Button")) {
            buttons += L" " + Quoted(TextOf(control));
            if (GetDlgCtrlID(control) == IDOK)
                ok = control;
        }
    }
    Print(L"  icon " + icon);
    Print(L"  buttons" + buttons);
    Print(std::wstring(L"  dialog ") + dialogState);

    if (ok != NULL)
        Click(ok);
    WaitFor([box] { return !IsWindowVisible(box); });
}

void Run::BringToFront(HWND window)
{
    if (GetForegroundWindow() != window)
        SetForegroundWindow(window);
    WaitFor([window] { return GetForegroundWindow() == window; });
}

void Run::Press(WORD key)
{
    INPUT inputs[2] = {};
    for (INPUT &input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof inputs[0]);
}

// A mouse input that moves the pointer to `point` on the screen.
INPUT MouseMoveTo(POINT point)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(point.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(point.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

void Run::ClickAt(POINT point)
{
    INPUT inputs[3] = {MouseMoveTo(point), MouseMoveTo(point), MouseMoveTo(point)};
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(3, inputs, sizeof inputs[0]);
}

void Run::Wheel(POINT point, int delta)
{
    INPUT inputs[2] = {MouseMoveTo(point), MouseMoveTo(point)};
    inputs[1].mi.mouseData = static_cast<DWORD>(delta);
    inputs[1].mi.dwFlags = MOUSEEVENTF_WHEEL;
    SendInput(2, inputs, sizeof inputs[0]);
}

void Run::Click(HWND control)
{
    RECT area = WindowArea(control);
    ClickAt(POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2});
}

// Opens the list with a click and clicks the entry, as a person picks a name.
void Run::Pick(HWND dialog, long entry)
{
    HWND combo = FirstChildOfClass(dialog, L"ComboBox");
    if (combo == NULL) {
        Print(L"  no list");
        return;
    }
    Click(combo);
    HWND list = NULL;
    // The list shows while the installer is still handling the click that
    // opened it; a message sent to the combo box is answered only once it
    // has finished, and the list's place is final.
    if (!WaitFor([&] { return (list = FindVisibleOfClass(L"ComboLBox")) != NULL; }) ||
        !WaitFor([combo] { return SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0; })) {
        Print(L"  the list did not open");
        return;
    }
    if (!options_.shots.empty()) {
        RECT area = Union(WindowArea(dialog), WindowArea(list));
        SaveShot(SettledPicture(list, area), L"dialog-list.bmp");
    }
    long itemHeight = static_cast<long>(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
    RECT client = {};
    GetClientRect(list, &client);
    long shown = itemHeight > 0 ? client.bottom / itemHeight : 0;
    POINT centre = {client.right / 2, client.bottom / 2};
    ClientToScreen(list, &centre);
    // An entry out of sight is scrolled to with the mouse wheel. The wheel
    // arrives as input, after any message sent meanwhile, so each notch is
    // waited for until the list has moved; one that does not move it has
    // reached the list's end.
    long top = static_cast<long>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    while (entry < top || entry >= top + shown) {
        long before = top;
        Wheel(centre, entry < top ? WHEEL_DELTA : -WHEEL_DELTA);
        if (!WaitFor(
                [&] {
                    top = static_cast<long>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
                    return top != before;
                },
                NotchLimitMs))
            break;
    }
    POINT point = {client.right / 2, (entry - top) * itemHeight + itemHeight / 2};
    ClientToScreen(list, &point);
    ClickAt(point);
    WaitFor([list] { return !IsWindowVisible(list); });
    DescribeSelection(combo);
}

// Gives the dialog its steps up to the first that should end it; false when
// none was left or a step is not known.
bool Run::GiveSteps(HWND dialog)
{
    while (nextStep_ < options_.steps.size()) {
        const std::wstring &step = options_.steps[nextStep_++];
        Print(L"step " + step);
        if (step.compare(0, 5, L"pick:") == 0) {
            Pick(dialog, std::wcstol(step.c_str() + 5, NULL, 10));
            continue;
        }
        if (step == L"enter" || step == L"escape") {
            BringToFront(dialog);
            Press(step == L"enter" ? VK_RETURN : VK_ESCAPE);
        } else if (step == L"ok" || step == L"cancel") {
            HWND button = GetDlgItem(dialog, step == L"ok" ? IDOK : IDCANCEL);
            if (button == NULL) {
                Print(L"  no such button");
                return false;
            }
            Click(button);
        } else if (step == L"close") {
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            Print(L"  unknown step");
            return false;
        }
        return true;
    }
    Print(L"no step left for the dialog");
    return false;
}

int Run::Main()
{
    if (!Start()) {
        Print(L"cannot start " + Quoted(options_.installer));
        return CannotStart;
    }
    HWND described = NULL;
    std::set<HWND> handledBoxes;
    int result = Finished;
    while (!Ended()) {
        if (OutOfTime()) {
            Print(L"timeout");
            result = TimedOut;
            break;
        }
        HWND dialog = NULL;
        HWND box = NULL;
        for (HWND window : Windows()) {
            if (!IsWindowVisible(window) || !IsClass(window, DialogClass))
                continue;
            if (TextOf(window) == DialogCaption)
                dialog = window;
            else if (handledBoxes.count(window) == 0)
                box = window;
        }
        if (box != NULL) {
            handledBoxes.insert(box);
            HandleMessageBox(box);
        } else if (dialog != NULL && dialog != described) {
            described = dialog;
            DescribeDialog(dialog);
            if (!GiveSteps(dialog)) {
                result = StepMissing;
                break;
            }
        } else {
            Sleep(PollMs);
        }
    }
    if (result != Finished) {
        for (DWORD processId : ProcessFamily(process_.dwProcessId)) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
            if (process != NULL) {
                TerminateProcess(process, 1);
                WaitForSingleObject(process, 5000);
                CloseHandle(process);
            }
        }
        return result;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process_.hProcess, &exitCode);
    if (nextStep_ < options_.steps.size()) {
        std::wstring unused;
        for (size_t i = nextStep_; i < options_.steps.size(); ++i)
            unused += L" " + options_.steps[i];
        Print(L"unused steps:" + unused);
    }
    Print(L"exit " + Number(static_cast<long>(exitCode)));
    return Finished;
}

bool ParseOptions(int argc, wchar_t **argv, Options &options)
{
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        std::wstring name = argv[i];
        if (name == L"--log")
            options.log = argv[i + 1];
        else if (name == L"--shots")
            options.shots = argv[i + 1];
        else if (name == L"--directory")
            options.directory = argv[i + 1];
        else
            break;
    }
    if (i >= argc)
        return false;
    options.installer = argv[i];
    options.steps.assign(argv + i + 1, argv + argc);
    return true;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Print(L"usage: driver.exe [--log FILE] [--shots DIR] [--directory DIR] INSTALLER_PATH "
              L"[STEP ...]");
        return CannotStart;
    }
    Run run(options);
    return run.Main();
}
