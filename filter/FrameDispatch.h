#pragma once
// Per-frame dispatch from the output stream to the active input, and the placeholder picture drawn when that
// input cannot deliver. Process-wide: shared by every filter object of the module and by its input switching.
#include "filter/framework/CritSec.h"

#include <windows.h>

#include <cstddef>
#include <string>

// Serialises FillFrame with starting and stopping inputs. Taken after the filter's state lock and before any
// input's own lock.
CCritSec& SourceLock();

// Raised while an input switch is in progress; FillFrame then skips the frame instead of waiting for the lock.
// Read without a lock.
void SetReconfiguring(bool reconfiguring);
bool IsReconfiguring();

// Fills one sample of `size` bytes from the input selected by CurrentGlobalType() (1 camera,
// 2 pictures, 3 video, 4 desktop; any other value leaves the buffer as it is). A negative producer result puts the
// matching placeholder in the buffer (black when its size differs from the 640 x 480 placeholder).
void FillFrame(BYTE* buffer, size_t size);

// Copies the placeholder for producer result `code` into the buffer, rebuilding it first when the code changed;
// a buffer whose size is not that of the placeholder is filled black. Call under the source lock.
void FillPlaceholderFrame(BYTE* buffer, size_t size, HRESULT code);

// Renders the placeholder for the last code into the process-wide placeholder frame. Call under the source lock.
void BuildPlaceholder();

// The folder holding "Data\..." placeholder pictures: the module directory unless replaced. Tests replace it to
// read the shipped pictures without loading the module; an empty string goes back to the module directory. Also
// forgets the built placeholder so that the next failure renders it again. Call under the source lock.
void SetPlaceholderFolder(const std::wstring& folder);
