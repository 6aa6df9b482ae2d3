#include "styles.h"

#include <cwchar>

namespace {

// A named value of the bits under mask; a type field such as BS_TYPEMASK has
// one entry for each of its values, 0 included.
struct Flag {
    DWORD mask;
    DWORD value;
    const wchar_t *name;
};

#define FLAG(name) {name, name, L## #name}
#define TYPE(mask, name) {mask, name, L## #name}

const Flag WindowFlags[] = {
    FLAG(WS_POPUP), FLAG(WS_CHILD), FLAG(WS_MINIMIZE), FLAG(WS_VISIBLE), FLAG(WS_DISABLED),
    FLAG(WS_CLIPSIBLINGS), FLAG(WS_CLIPCHILDREN), FLAG(WS_MAXIMIZE),
    TYPE(WS_CAPTION, WS_CAPTION), TYPE(WS_CAPTION, WS_BORDER), TYPE(WS_CAPTION, WS_DLGFRAME),
    FLAG(WS_VSCROLL), FLAG(WS_HSCROLL), FLAG(WS_SYSMENU), FLAG(WS_THICKFRAME),
};

// The same two bits mean one thing on a control and another on a window of its own.
const Flag ControlFlags[] = {FLAG(WS_GROUP), FLAG(WS_TABSTOP)};
const Flag TopLevelFlags[] = {FLAG(WS_MINIMIZEBOX), FLAG(WS_MAXIMIZEBOX)};

const Flag DialogFlags[] = {
    FLAG(DS_ABSALIGN), FLAG(DS_SYSMODAL), FLAG(DS_3DLOOK), FLAG(DS_FIXEDSYS), FLAG(DS_NOFAILCREATE),
    FLAG(DS_LOCALEDIT), FLAG(DS_SETFONT), FLAG(DS_MODALFRAME), FLAG(DS_NOIDLEMSG),
    FLAG(DS_SETFOREGROUND), FLAG(DS_CONTROL), FLAG(DS_CENTER), FLAG(DS_CENTERMOUSE),
    FLAG(DS_CONTEXTHELP),
};

const Flag ButtonFlags[] = {
    TYPE(BS_TYPEMASK, BS_PUSHBUTTON), TYPE(BS_TYPEMASK, BS_DEFPUSHBUTTON),
    TYPE(BS_TYPEMASK, BS_CHECKBOX), TYPE(BS_TYPEMASK, BS_AUTOCHECKBOX),
    TYPE(BS_TYPEMASK, BS_RADIOBUTTON), TYPE(BS_TYPEMASK, BS_3STATE),
    TYPE(BS_TYPEMASK, BS_AUTO3STATE), TYPE(BS_TYPEMASK, BS_GROUPBOX),
    TYPE(BS_TYPEMASK, BS_USERBUTTON), TYPE(BS_TYPEMASK, BS_AUTORADIOBUTTON),
    TYPE(BS_TYPEMASK, BS_OWNERDRAW),
    FLAG(BS_LEFTTEXT), FLAG(BS_ICON), FLAG(BS_BITMAP),
    TYPE(BS_CENTER, BS_CENTER), TYPE(BS_CENTER, BS_LEFT), TYPE(BS_CENTER, BS_RIGHT),
    TYPE(BS_VCENTER, BS_VCENTER), TYPE(BS_VCENTER, BS_TOP), TYPE(BS_VCENTER, BS_BOTTOM),
    FLAG(BS_PUSHLIKE), FLAG(BS_MULTILINE), FLAG(BS_NOTIFY), FLAG(BS_FLAT),
};

const Flag ComboBoxFlags[] = {
    TYPE(3, CBS_SIMPLE), TYPE(3, CBS_DROPDOWN), TYPE(3, CBS_DROPDOWNLIST),
    FLAG(CBS_OWNERDRAWFIXED), FLAG(CBS_OWNERDRAWVARIABLE), FLAG(CBS_AUTOHSCROLL),
    FLAG(CBS_OEMCONVERT), FLAG(CBS_SORT), FLAG(CBS_HASSTRINGS), FLAG(CBS_NOINTEGRALHEIGHT),
    FLAG(CBS_DISABLENOSCROLL), FLAG(CBS_UPPERCASE), FLAG(CBS_LOWERCASE),
};

const Flag ListBoxFlags[] = {
    FLAG(LBS_NOTIFY), FLAG(LBS_SORT), FLAG(LBS_NOREDRAW), FLAG(LBS_MULTIPLESEL),
    FLAG(LBS_OWNERDRAWFIXED), FLAG(LBS_OWNERDRAWVARIABLE), FLAG(LBS_HASSTRINGS),
    FLAG(LBS_USETABSTOPS), FLAG(LBS_NOINTEGRALHEIGHT), FLAG(LBS_MULTICOLUMN),
    FLAG(LBS_WANTKEYBOARDINPUT), FLAG(LBS_EXTENDEDSEL), FLAG(LBS_DISABLENOSCROLL),
    FLAG(LBS_NODATA), FLAG(LBS_NOSEL), FLAG(LBS_COMBOBOX),
};

const Flag StaticFlags[] = {
    TYPE(SS_TYPEMASK, SS_LEFT), TYPE(SS_TYPEMASK, SS_CENTER), TYPE(SS_TYPEMASK, SS_RIGHT),
    TYPE(SS_TYPEMASK, SS_ICON), TYPE(SS_TYPEMASK, SS_BLACKRECT), TYPE(SS_TYPEMASK, SS_GRAYRECT),
    TYPE(SS_TYPEMASK, SS_WHITERECT), TYPE(SS_TYPEMASK, SS_BLACKFRAME),
    TYPE(SS_TYPEMASK, SS_GRAYFRAME), TYPE(SS_TYPEMASK, SS_WHITEFRAME),
    TYPE(SS_TYPEMASK, SS_USERITEM), TYPE(SS_TYPEMASK, SS_SIMPLE),
    TYPE(SS_TYPEMASK, SS_LEFTNOWORDWRAP), TYPE(SS_TYPEMASK, SS_OWNERDRAW),
    TYPE(SS_TYPEMASK, SS_BITMAP), TYPE(SS_TYPEMASK, SS_ENHMETAFILE),
    TYPE(SS_TYPEMASK, SS_ETCHEDHORZ), TYPE(SS_TYPEMASK, SS_ETCHEDVERT),
    TYPE(SS_TYPEMASK, SS_ETCHEDFRAME),
    FLAG(SS_NOPREFIX), FLAG(SS_NOTIFY), FLAG(SS_CENTERIMAGE), FLAG(SS_RIGHTJUST),
    FLAG(SS_REALSIZEIMAGE), FLAG(SS_SUNKEN), FLAG(SS_EDITCONTROL),
    TYPE(SS_ELLIPSISMASK, SS_ENDELLIPSIS), TYPE(SS_ELLIPSISMASK, SS_PATHELLIPSIS),
    TYPE(SS_ELLIPSISMASK, SS_WORDELLIPSIS),
};

const Flag ExFlags[] = {
    FLAG(WS_EX_DLGMODALFRAME), FLAG(WS_EX_NOPARENTNOTIFY), FLAG(WS_EX_TOPMOST),
    FLAG(WS_EX_ACCEPTFILES), FLAG(WS_EX_TRANSPARENT), FLAG(WS_EX_MDICHILD),
    FLAG(WS_EX_TOOLWINDOW), FLAG(WS_EX_WINDOWEDGE), FLAG(WS_EX_CLIENTEDGE),
    FLAG(WS_EX_CONTEXTHELP), FLAG(WS_EX_RIGHT), FLAG(WS_EX_RTLREADING),
    FLAG(WS_EX_LEFTSCROLLBAR), FLAG(WS_EX_CONTROLPARENT), FLAG(WS_EX_STATICEDGE),
    FLAG(WS_EX_APPWINDOW), FLAG(WS_EX_LAYERED), FLAG(WS_EX_NOINHERITLAYOUT),
    FLAG(WS_EX_LAYOUTRTL), FLAG(WS_EX_COMPOSITED), FLAG(WS_EX_NOACTIVATE),
};

#undef FLAG
#undef TYPE

// Names the bits of one table that are still in remaining and takes them
// out. A field is named once: its value 0 must not also match the zeros that
// a named value leaves behind.
template <size_t Count>
void AddNames(std::wstring &names, DWORD &remaining, const Flag (&flags)[Count])
{
    DWORD taken = 0;
    for (const Flag &flag : flags) {
        if (flag.mask & taken)
            continue;
        if ((remaining & flag.mask) != flag.value)
            continue;
        if (!names.empty())
            names += L'|';
        names += flag.name;
        remaining &= ~flag.mask;
        taken |= flag.mask;
    }
}

void AddRest(std::wstring &names, DWORD remaining)
{
    if (remaining == 0) {
        if (names.empty())
            names = L"0";
        return;
    }
    wchar_t hex[16];
    std::swprintf(hex, sizeof hex / sizeof hex[0], L"0x%lX", static_cast<unsigned long>(remaining));
    if (!names.empty())
        names += L'|';
    names += hex;
}

} // namespace

std::wstring StyleNames(const std::wstring &className, DWORD style, bool topLevel)
{
    std::wstring names;
    DWORD remaining = style;
    AddNames(names, remaining, WindowFlags);
    if (topLevel)
        AddNames(names, remaining, TopLevelFlags);
    else
        AddNames(names, remaining, ControlFlags);
    DWORD lowWord = remaining & 0xFFFF;
    remaining &= ~0xFFFFUL;
    if (_wcsicmp(className.c_str(), L"#32770") == 0)
        AddNames(names, lowWord, DialogFlags);
    else if (_wcsicmp(className.c_str(), L"Button") == 0)
        AddNames(names, lowWord, ButtonFlags);
    else if (_wcsicmp(className.c_str(), L"ComboBox") == 0)
        AddNames(names, lowWord, ComboBoxFlags);
    else if (_wcsicmp(className.c_str(), L"ComboLBox") == 0)
        AddNames(names, lowWord, ListBoxFlags);
    else if (_wcsicmp(className.c_str(), L"Static") == 0)
        AddNames(names, lowWord, StaticFlags);
    AddRest(names, remaining | lowWord);
    return names;
}

std::wstring ExStyleNames(DWORD exStyle)
{
    std::wstring names;
    DWORD remaining = exStyle;
    AddNames(names, remaining, ExFlags);
    AddRest(names, remaining);
    return names;
}
