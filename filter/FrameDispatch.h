#pragma once
// Per-frame dispatch from the output stream to the active input, and the placeholder pictures shown when that
// input cannot deliver. Process-wide: shared by every filter object of the module.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Fills frame (width x height, the inputs' render size) from the active input without waiting for any switch: its newest frame; the placeholder for a producer result it gives instead (black for a result without
// one, or while the placeholders are still being drawn); black when no input is active. An input that has
// nothing new leaves the frame as it is, so that the stream repeats its last frame.
void RenderFrame(uint8_t* frame, int width, int height);

// The placeholder for producer result `code` into the width x height frame: its picture once drawn, black until then and for a result
// without a picture. A worker draws it when that result begins (a result other than the previous one).
void FillPlaceholderFrame(uint8_t* frame, int width, int height, HRESULT code);

// Draws the placeholder for `code` on the calling thread (never the streaming thread) and makes it the current
// one, so that an input that fails from its start shows its placeholder from the first frame.
void PreparePlaceholder(HRESULT code, int width, int height);

// The folder holding "Data\..." placeholder pictures: the module directory unless replaced. Tests replace it to
// read the shipped pictures without loading the module; an empty string goes back to the module directory. Also
// forgets the drawn placeholders, so that the next need draws them again.
void SetPlaceholderFolder(const std::wstring& folder);
// Waits until the placeholder of the latest result is drawn; false when the timeout passed first.
bool WaitForPlaceholders(DWORD milliseconds);
