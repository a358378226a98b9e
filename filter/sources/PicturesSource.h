#pragma once
// The pictures input: one slideshow per process, guarded by the pictures lock, decoding through GDI+ (which the
// caller keeps started while the input is used).
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "filter/framework/CritSec.h"

CCritSec& PicturesLock();

// Stores the settings, forgets the old list and frames and scans folder. S_OK, or E_FRAME_NOPICTURES when the
// folder path is empty or holds no picture.
HRESULT StartPicturesSource(const std::wstring& folder, int32_t changedTime, int32_t morphingTime,
                            int32_t picChType, int32_t repeat, int width, int height);
// A new folder: the sequence starts again with the first picture of the new list (empty path: empty list).
void SetPicturesFolder(const std::wstring& folder);
// Drops both ready-made frames; the list, the position and the times stay.
void ClearPicturesFrames();
// Live changes that a running slideshow uses from its next frame.
void SetPicturesChangedTime(int32_t milliseconds);
void SetPicturesChangeType(int32_t picChType);

// Frame producer of the pictures input: S_OK, S_FALSE (sample of another size, or the picture is still being
// decoded in the background: the sample keeps what it holds) or E_FRAME_NOPICTURES.
HRESULT FillPicturesFrame(BYTE* data, size_t size);

// The millisecond clock of the slideshow (GetTickCount unless replaced, e.g. by tests and tools).
using TickSource = uint32_t (*)();
void SetPicturesTickSource(TickSource source);
// How long a frame waits for a picture being decoded before it goes out without it (INFINITE: always waits).
void SetPicturesLoadWait(DWORD milliseconds);
// Waits until no picture is being decoded; false when the timeout passed first. A program that ends while the
// slideshow is in use calls it before it returns from main.
bool WaitForPictureLoads(DWORD milliseconds);
// A copy of the current picture list.
std::vector<std::wstring> PicturesList();
