#include "filter/settings/ModuleDirectory.h"

#include <windows.h>

#include <vector>

namespace {

constexpr DWORD kLongestPath = 32768;

std::wstring ModulePath(HMODULE module)
{
    // GetModuleFileNameW fills the whole buffer when the path is cut; grow until it fits.
    for (DWORD capacity = MAX_PATH; capacity <= kLongestPath; capacity *= 2) {
        std::vector<wchar_t> buffer(capacity);
        DWORD length = GetModuleFileNameW(module, buffer.data(), capacity);
        if (length == 0) return std::wstring();
        if (length < capacity) return std::wstring(buffer.data(), length);
    }
    return std::wstring();
}

}  // namespace

std::wstring FindModuleDirectory(const wchar_t* moduleName)
{
    if (!moduleName) return std::wstring();
    HMODULE module = GetModuleHandleW(moduleName);
    if (!module) return std::wstring();
    std::wstring path = ModulePath(module);
    size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return std::wstring();
    path.resize(separator);
    return path + L'\\';
}
