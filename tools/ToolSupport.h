#pragma once
// Small helpers shared by the command-line tools and the Windows tests: GDI+ for the lifetime of main, the encoder
// for a picture format, frames written as PNG files.
#include <windows.h>

#include <cstdint>
#include <string>

class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Started() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

// The class id of GDI+'s image encoder for mime (e.g. L"image/png"); false when GDI+ has none (or is not started).
bool FindImageEncoder(const wchar_t* mime, CLSID* clsid);

// Writes a bottom-up 24-bit frame of width x height as a PNG file.
bool SaveFramePng(const uint8_t* frame, int width, int height, const std::wstring& path);

// Writes a width x height JPEG of a colourful test pattern (for measuring decoding).
bool SaveTestJpeg(int width, int height, const std::wstring& path);

// Milliseconds from a high-resolution counter.
double NowMilliseconds();
