// What the screen shows: pictures of windows, and which standard icon a
// message box carries, found by its looks because the icon's handle belongs
// to the installer's process and means nothing in ours.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The pixels of a rectangle of the screen, top row first, one 0x00RRGGBB
// value each.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
};

Picture CaptureScreen(const RECT &area);

// Writes the picture as a 32-bit BMP file; false when the file cannot be written.
bool SaveBmp(const Picture &picture, const std::wstring &path);

// How far the picture is from the icon drawn over the colour of the
// picture's top left corner, which an icon's transparent corner lets
// through: the mean difference per colour channel, 0 to 255.
double DifferenceFromIcon(const Picture &picture, HICON icon);

// Below this the picture shows the icon. Drawn by the same Wine, a match is
// exact; the standard information and question icons differ by only 5.
const double SameIcon = 1;

// "exclamation", "information", "error" or "question" for the standard icon
// that the picture shows, "unknown" for anything else.
const wchar_t *StandardIconShown(const Picture &picture);
