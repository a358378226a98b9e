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
// A count, so that overlapping switches (from host threads and the tray) keep it raised until the last one
// ends. Raised before the new mode is stored: the streaming thread never runs the producer of an input that is
// not started yet. Read without a lock.
void BeginReconfiguring();
void EndReconfiguring();
bool IsReconfiguring();

class ReconfiguringScope {
public:
    ReconfiguringScope() { BeginReconfiguring(); }
    ~ReconfiguringScope() { EndReconfiguring(); }
    ReconfiguringScope(const ReconfiguringScope&) = delete;
    ReconfiguringScope& operator=(const ReconfiguringScope&) = delete;
};

// Fills one sample of `size` bytes from the input selected by CurrentGlobalType() (1 camera, 2 pictures, 3 video,
// 4 desktop). A negative producer result puts the matching placeholder in the buffer (black when its size differs
// from the 640 x 480 placeholder). False when no input is selected (any other GlobalType): the buffer is left as
// it is. True otherwise, also when a switch under way skipped the frame.
bool FillFrame(BYTE* buffer, size_t size);

// Copies the placeholder for producer result `code` into the buffer, rebuilding it first when the code changed;
// a buffer whose size is not that of the placeholder is filled black. Call under the source lock.
void FillPlaceholderFrame(BYTE* buffer, size_t size, HRESULT code);

// Renders the placeholder for the last code into the process-wide placeholder frame. Call under the source lock.
void BuildPlaceholder();

// The folder holding "Data\..." placeholder pictures: the module directory unless replaced. Tests replace it to
// read the shipped pictures without loading the module; an empty string goes back to the module directory. Also
// forgets the built placeholder so that the next failure renders it again. Call under the source lock.
void SetPlaceholderFolder(const std::wstring& folder);
