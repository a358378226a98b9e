#include "filter/sources/PictureFiles.h"

#include <cwctype>

std::wstring FileExtension(const std::wstring& name)
{
    size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos) return std::wstring();
    // A dot inside a folder part of a path does not start an extension.
    size_t separator = name.find_last_of(L"\\/");
    if (separator != std::wstring::npos && separator > dot) return std::wstring();
    return name.substr(dot);
}

bool IsPictureFileName(const std::wstring& name)
{
    if (name.size() <= 2) return false;
    std::wstring extension = FileExtension(name);
    for (wchar_t& c : extension) {
        if (std::iswupper(static_cast<wint_t>(c))) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    static const wchar_t* const kPictureExtensions[] = {L".bmp", L".jpg", L".jpeg", L".gif", L".png", L".tif"};
    for (const wchar_t* accepted : kPictureExtensions) {
        if (extension == accepted) return true;
    }
    return false;
}
