#pragma once
#include <cstddef>
#include <string>
#include <vector>

// The picture list stops growing here: far more pictures than a slideshow ever shows, and a bound on the time and
// memory a scan of a huge folder tree takes.
constexpr size_t kMaxScannedPictures = 100000;

// Appends the full paths of the pictures in folder and in all its subfolders, depth first, in the order the file
// system lists the entries (a subfolder's pictures come where its entry is met), and stops once pictures holds
// maxPictures entries. A folder that cannot be listed adds nothing. Every folder is walked at most once, however
// many links lead to it. Never throws: when memory runs out the list keeps what it had.
void ScanPictureFolder(const std::wstring& folder, std::vector<std::wstring>& pictures,
                       size_t maxPictures = kMaxScannedPictures) noexcept;
