#pragma once
// Files for Windows tests: a private temporary folder per test and pictures written through GDI+'s encoders.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// A new empty folder under the Wine prefix's temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Colour of the pixel at (x, y), counted from the top-left corner, as 0xAARRGGBB.
using PixelColour = std::function<uint32_t(int x, int y)>;

// Writes a width x height picture in the format given by the file extension (.png, .jpg/.jpeg, .bmp, .gif,
// .tif/.tiff). PNG keeps the alpha channel; the other formats are written from 24-bit pixels.
bool WriteTestPicture(const std::wstring& path, int width, int height, const PixelColour& colour);
bool WriteSolidPicture(const std::wstring& path, int width, int height, uint32_t argb);
bool WriteBytesFile(const std::wstring& path, const std::string& bytes);
bool CreateFolder(const std::wstring& path);
// Deletes a folder and everything below it (links are removed, not followed).
void RemoveTree(const std::wstring& path);
