#include "filter/ui/VideoFileDialog.h"

#include <commdlg.h>

bool ChooseVideoFile(HWND owner, wchar_t* file)
{
    static const wchar_t kFilter[] = L"All Files\0*.*\0";
    OPENFILENAMEW open = {};
    open.lStructSize = sizeof(open);
    open.hwndOwner = owner;
    open.lpstrFilter = kFilter;
    open.nFilterIndex = 1;
    open.lpstrFile = file;
    open.nMaxFile = MAX_PATH;
    // The process's current directory is the host's: Zelmora, for one, reads its skins relative to it.
    open.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    return GetOpenFileNameW(&open) != FALSE;
}
