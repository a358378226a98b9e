#include "support/TestFiles.h"

#include <objidl.h>
#include <gdiplus.h>

#include <atomic>

#include "tools/ToolSupport.h"

using namespace Gdiplus;

namespace {

std::wstring Lower(std::wstring s)
{
    for (auto& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

std::wstring MimeTypeFor(const std::wstring& path)
{
    size_t dot = path.rfind(L'.');
    std::wstring ext = dot == std::wstring::npos ? L"" : Lower(path.substr(dot));
    if (ext == L".png") return L"image/png";
    if (ext == L".jpg" || ext == L".jpeg") return L"image/jpeg";
    if (ext == L".bmp") return L"image/bmp";
    if (ext == L".gif") return L"image/gif";
    if (ext == L".tif" || ext == L".tiff") return L"image/tiff";
    return L"";
}

}  // namespace

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    wchar_t base[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, base);
    if (n == 0 || n >= MAX_PATH) wcscpy(base, L"C:\\");
    for (;;) {
        path_ = std::wstring(base) + L"veltrane-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter++);
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

TempDir::~TempDir() { RemoveTree(path_); }

bool WriteTestPicture(const std::wstring& path, int width, int height, const PixelColour& colour)
{
    CLSID encoder;
    std::wstring mime = MimeTypeFor(path);
    if (mime.empty() || !FindImageEncoder(mime.c_str(), &encoder)) return false;

    bool withAlpha = mime == L"image/png";
    PixelFormat format = withAlpha ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    GpBitmap* bitmap = nullptr;
    if (DllExports::GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &bitmap) != Ok) return false;

    bool ok = false;
    Rect all(0, 0, width, height);
    BitmapData data{};
    if (DllExports::GdipBitmapLockBits(bitmap, &all, ImageLockModeWrite, format, &data) == Ok) {
        for (int y = 0; y < height; ++y) {
            auto* row = static_cast<BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
            for (int x = 0; x < width; ++x) {
                uint32_t c = colour(x, y);
                BYTE* p = row + x * (withAlpha ? 4 : 3);
                p[0] = static_cast<BYTE>(c);
                p[1] = static_cast<BYTE>(c >> 8);
                p[2] = static_cast<BYTE>(c >> 16);
                if (withAlpha) p[3] = static_cast<BYTE>(c >> 24);
            }
        }
        DllExports::GdipBitmapUnlockBits(bitmap, &data);
        ok = DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Ok;
    }
    DllExports::GdipDisposeImage(bitmap);
    return ok;
}

bool WriteSolidPicture(const std::wstring& path, int width, int height, uint32_t argb)
{
    return WriteTestPicture(path, width, height, [argb](int, int) { return argb; });
}

bool WriteBytesFile(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool CreateFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != FALSE; }

void RemoveTree(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link to a folder: remove the link itself, never what it points to.
        if (!RemoveDirectoryW(path.c_str())) DeleteFileW(path.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str());
}
