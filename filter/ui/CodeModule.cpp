#include "filter/ui/CodeModule.h"

#include <vector>

HINSTANCE CodeModule()
{
    HMODULE module = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&CodeModule), &module)) return nullptr;
    return module;
}

std::wstring CodeModuleDirectory()
{
    HINSTANCE module = CodeModule();
    if (!module) return std::wstring();
    // GetModuleFileNameW fills the whole buffer when the path is cut; grow until it fits.
    std::wstring path;
    for (DWORD capacity = MAX_PATH; capacity <= 32768 && path.empty(); capacity *= 2) {
        std::vector<wchar_t> buffer(capacity);
        const DWORD length = GetModuleFileNameW(module, buffer.data(), capacity);
        if (length == 0) return std::wstring();
        if (length < capacity) path.assign(buffer.data(), length);
    }
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return std::wstring();
    path.resize(separator + 1);
    path.back() = L'\\';
    return path;
}
