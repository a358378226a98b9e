#include "filter/ui/BorderFiles.h"

#include "filter/ui/CodeModule.h"

#include <windows.h>

BorderFiles ListBorderFiles(const std::wstring& folder)
{
    BorderFiles borders;
    if (folder.empty()) return borders;
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((folder + L"*.png").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return borders;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        borders.names.emplace_back(found.cFileName);
        borders.paths.push_back(folder + found.cFileName);
    } while (FindNextFileW(search, &found));
    (void)FindClose(search);  // a search handle that fails to close leaks nothing we could free
    return borders;
}

std::wstring ModuleBorderFolder()
{
    const std::wstring directory = CodeModuleDirectory();
    return directory.empty() ? std::wstring() : directory + L"Borders\\";
}
