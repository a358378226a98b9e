#pragma once
#include <string>
#include <vector>

// Appends the full paths of the pictures in folder and in all its subfolders, depth first, in the order the file
// system lists the entries (a subfolder's pictures come where its entry is met). A folder that cannot be listed
// adds nothing. Folder links that lead back into a folder being scanned are not followed again.
void ScanPictureFolder(const std::wstring& folder, std::vector<std::wstring>& pictures);
