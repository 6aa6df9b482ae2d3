// Window styles written as the names a dialog template uses, so that a
// transcript reads like the template it came from.
#pragma once

#include <windows.h>

#include <string>

// The style bits of a window of the given class, such as
// "WS_CHILD|WS_VISIBLE|WS_TABSTOP|BS_DEFPUSHBUTTON". Bits without a name
// follow as one hexadecimal number.
std::wstring StyleNames(const std::wstring &className, DWORD style, bool topLevel);

std::wstring ExStyleNames(DWORD exStyle);
