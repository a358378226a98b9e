#include "filter/sources/FolderScan.h"

#include <windows.h>

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

class FolderScanner {
public:
    explicit FolderScanner(std::vector<std::wstring>& pictures) : pictures_(pictures) {}

    void Scan(const std::wstring& folder)
    {
        if (ancestors_.size() >= kMaxFolderDepth) return;
        FolderIdentity identity;
        bool identified = IdentifyFolder(folder, &identity);
        if (identified) {
            for (const FolderIdentity& ancestor : ancestors_) {
                if (ancestor == identity) return;  // a link back into the branch being scanned
            }
        }
        ancestors_.push_back(identified ? identity : FolderIdentity());

        WIN32_FIND_DATAW entry;
        HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = entry.cFileName;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    if (name != L"." && name != L"..") Scan(folder + L"\\" + name);
                } else if (IsPictureFileName(name)) {
                    pictures_.push_back(folder + L"\\" + name);
                }
            } while (FindNextFileW(find, &entry));
            FindClose(find);
        }
        ancestors_.pop_back();
    }

private:
    std::vector<std::wstring>& pictures_;
    std::vector<FolderIdentity> ancestors_;
};

}  // namespace

void ScanPictureFolder(const std::wstring& folder, std::vector<std::wstring>& pictures)
{
    FolderScanner(pictures).Scan(folder);
}
