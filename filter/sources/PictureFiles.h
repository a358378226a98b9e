#pragma once
#include <string>

// True for a folder entry that the slideshow shows: a name longer than two characters whose extension (from the
// last '.', compared without regard to case) is .bmp, .jpg, .jpeg, .gif, .png or .tif.
bool IsPictureFileName(const std::wstring& name);

// The extension of a file name as the Windows path splitter gives it: from the last '.', dot included, or empty.
std::wstring FileExtension(const std::wstring& name);
