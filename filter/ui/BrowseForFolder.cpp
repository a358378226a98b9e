#include "filter/ui/BrowseForFolder.h"

#include "filter/framework/ComRef.h"

#include <shlobj.h>

namespace {

int CALLBACK SelectInitialFolder(HWND browser, UINT message, LPARAM /*lParam*/, LPARAM path)
{
    if (message == BFFM_INITIALIZED && path) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, path);
    return 0;
}

}  // namespace

bool BrowseForFolder(const wchar_t* title, wchar_t* path, const wchar_t* root, HWND owner)
{
    if (!path) return false;
    ComRef<IMalloc> allocator;
    if (FAILED(SHGetMalloc(allocator.Put())) || !allocator) return false;

    BROWSEINFOW browse = {};
    browse.hwndOwner = owner;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    browse.lpfn = &SelectInitialFolder;
    browse.lParam = reinterpret_cast<LPARAM>(path);

    LPITEMIDLIST rootItem = nullptr;
    if (root) {
        ComRef<IShellFolder> desktop;
        if (SUCCEEDED(SHGetDesktopFolder(desktop.Put())) && desktop) {
            // A root that cannot be parsed leaves the browser at the desktop.
            if (FAILED(desktop->ParseDisplayName(owner, nullptr, const_cast<LPWSTR>(root), nullptr, &rootItem,
                                                 nullptr)))
                rootItem = nullptr;
        }
    }
    browse.pidlRoot = rootItem;

    bool chosen = false;
    if (LPITEMIDLIST item = SHBrowseForFolderW(&browse)) {
        chosen = SHGetPathFromIDListW(item, path) != FALSE;
        allocator->Free(item);
    }
    if (rootItem) allocator->Free(rootItem);
    return chosen;
}
