#include "screen.h"

#include <cstdlib>

namespace {

// Draws into a 32-bit top-down DIB of the picture's size and reads it back.
class Canvas {
public:
    Canvas(int width, int height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(NULL);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits_, NULL, 0);
        ReleaseDC(NULL, screen);
        if (bitmap_ != NULL)
            previous_ = SelectObject(dc_, bitmap_);
        width_ = width;
        height_ = height;
    }
    ~Canvas()
    {
        if (bitmap_ != NULL) {
            SelectObject(dc_, previous_);
            DeleteObject(bitmap_);
        }
        DeleteDC(dc_);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    HDC dc() const { return dc_; }

    Picture Read() const
    {
        Picture picture;
        if (bitmap_ == NULL)
            return picture;
        GdiFlush();
        picture.width = width_;
        picture.height = height_;
        const DWORD *pixels = static_cast<const DWORD *>(bits_);
        picture.pixels.assign(pixels, pixels + static_cast<size_t>(width_) * height_);
        for (DWORD &pixel : picture.pixels)
            pixel &= 0xFFFFFF;
        return picture;
    }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_ = NULL;
    void *bits_ = NULL;
    int width_;
    int height_;
};

int Channel(DWORD pixel, int shift) { return (pixel >> shift) & 0xFF; }

// Mean difference per colour channel of two pictures of the same size.
double MeanDifference(const Picture &a, const Picture &b)
{
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (int shift : {0, 8, 16})
            sum += std::abs(Channel(a.pixels[i], shift) - Channel(b.pixels[i], shift));
    return sum / (3.0 * a.pixels.size());
}

} // namespace

Picture CaptureScreen(const RECT &area)
{
    Canvas canvas(area.right - area.left, area.bottom - area.top);
    HDC screen = GetDC(NULL);
    BitBlt(canvas.dc(), 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left,
           area.top, SRCCOPY | CAPTUREBLT);
    ReleaseDC(NULL, screen);
    return canvas.Read();
}

bool SaveBmp(const Picture &picture, const std::wstring &path)
{
    DWORD pixelBytes = static_cast<DWORD>(picture.pixels.size() * sizeof(DWORD));
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + pixelBytes;
    info.biSize = sizeof info;
    info.biWidth = picture.width;
    info.biHeight = -picture.height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written;
    bool ok = WriteFile(out, &file, sizeof file, &written, NULL) &&
              WriteFile(out, &info, sizeof info, &written, NULL) &&
              WriteFile(out, picture.pixels.data(), pixelBytes, &written, NULL);
    CloseHandle(out);
    return ok;
}

double DifferenceFromIcon(const Picture &picture, HICON icon)
{
    if (picture.pixels.empty() || icon == NULL)
        return 255;
    DWORD corner = picture.pixels[0];
    HBRUSH background =
        CreateSolidBrush(RGB(Channel(corner, 16), Channel(corner, 8), Channel(corner, 0)));
    RECT all = {0, 0, picture.width, picture.height};
    Canvas canvas(picture.width, picture.height);
    FillRect(canvas.dc(), &all, background);
    DeleteObject(background);
    DrawIconEx(canvas.dc(), 0, 0, icon, picture.width, picture.height, 0, NULL, DI_NORMAL);
    Picture drawn = canvas.Read();
    if (drawn.pixels.size() != picture.pixels.size())
        return 255;
    return MeanDifference(drawn, picture);
}

const wchar_t *StandardIconShown(const Picture &picture)
{
    struct Candidate {
        LPCWSTR id;
        const wchar_t *name;
    };
    const Candidate candidates[] = {
        {IDI_EXCLAMATION, L"exclamation"},
        {IDI_INFORMATION, L"information"},
        {IDI_ERROR, L"error"},
        {IDI_QUESTION, L"question"},
    };
    const wchar_t *best = L"unknown";
    double bestDifference = SameIcon;
    for (const Candidate &candidate : candidates) {
        double difference = DifferenceFromIcon(picture, LoadIconW(NULL, candidate.id));
        if (difference < bestDifference) {
            bestDifference = difference;
            best = candidate.name;
        }
    }
    return best;
}
