#pragma once
// The folder of the filter module, where its data files ("Data", "Borders") are found.
#include <string>

// Full path of the loaded module MODULENAME without its file name, ending in a backslash; empty when the
// process has no module of that name.
std::wstring FindModuleDirectory(const wchar_t* moduleName = L"Veltrane.ax");
