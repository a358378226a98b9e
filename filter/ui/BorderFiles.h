#pragma once
// The border pictures offered for camera frames: the "*.png" files of a folder, in the order the system lists
// them.
#include <string>
#include <vector>

struct BorderFiles {
    std::vector<std::wstring> names;  // file names
    std::vector<std::wstring> paths;  // folder + file name, same order
};

// `folder` ends in a backslash; an empty or missing folder lists nothing.
BorderFiles ListBorderFiles(const std::wstring& folder);
// The "Borders" folder beside the module, with a trailing backslash; empty when the module's folder is unknown.
std::wstring ModuleBorderFolder();
