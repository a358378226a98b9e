#include "filter/sources/FolderScan.h"

#include <windows.h>

#include <memory>
#include <set>
#include <tuple>

#include "filter/sources/PictureFiles.h"

namespace {

// Deeper than any folder tree a user keeps pictures in; only reached through links or pathological nesting.
constexpr size_t kMaxFolderDepth = 128;

using FolderIdentity = std::tuple<DWORD, DWORD, DWORD>;  // volume serial, file index high, file index low

bool IdentifyFolder(const std::wstring& folder, FolderIdentity* identity)
{
    HANDLE handle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL ok = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!ok) return false;
    *identity = FolderIdentity(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
    return true;
}

// Closes a folder listing however its loop is left.
struct FindCloser {
    void operator()(HANDLE find) const { (void)FindClose(find); }  // a failed close leaks nothing we could free
};
using FindHandle = std::unique_ptr<void, FindCloser>;

class FolderScanner {
public:
    FolderScanner(std::vector<std::wstring>& pictures, size_t maxPictures)
        : pictures_(pictures), maxPictures_(maxPictures)
    {
    }

    void Scan(const std::wstring& folder)
    {
        if (depth_ >= kMaxFolderDepth || Full()) return;
        // A folder met again through a link (to itself, an ancestor or any folder already walked) is skipped; one
        // that cannot be identified is walked, and the depth cap ends any loop through it.
        FolderIdentity identity;
        if (IdentifyFolder(folder, &identity) && !visited_.insert(identity).second) return;

        WIN32_FIND_DATAW entry;
        HANDLE first = FindFirstFileW((folder + L"\\*.*").c_str(), &entry);
        if (first == INVALID_HANDLE_VALUE) return;
        FindHandle find(first);
        ++depth_;
        do {
            std::wstring name = entry.cFileName;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (name != L"." && name != L"..") Scan(folder + L"\\" + name);
            } else if (IsPictureFileName(name)) {
                pictures_.push_back(folder + L"\\" + name);
            }
        } while (!Full() && FindNextFileW(find.get(), &entry));
        --depth_;
    }

private:
    bool Full() const { return pictures_.size() >= maxPictures_; }

    std::vector<std::wstring>& pictures_;
    const size_t maxPictures_;
    size_t depth_ = 0;
    std::set<FolderIdentity> visited_;
};

}  // namespace

void ScanPictureFolder(const std::wstring& folder, std::vector<std::wstring>& pictures, size_t maxPictures) noexcept
{
    try {
        FolderScanner(pictures, maxPictures).Scan(folder);
    } catch (...) {
        // Out of memory for a path or the list: the pictures found so far stay.
    }
}
