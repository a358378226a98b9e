#pragma once
// Small helpers shared by the command-line tools: GDI+ for the lifetime of main, frames written as PNG files.
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

// Writes a bottom-up 24-bit frame of width x height as a PNG file.
bool SaveFramePng(const uint8_t* frame, int width, int height, const std::wstring& path);

// Writes a width x height JPEG of a colourful test pattern (for measuring decoding).
bool SaveTestJpeg(int width, int height, const std::wstring& path);

// Milliseconds from a high-resolution counter.
double NowMilliseconds();
