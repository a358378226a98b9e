#pragma once
// The video file input: one private DirectShow graph per process (file source -> Sample Grabber -> Null
// Renderer) playing the file on its own threads, guarded by the video lock. The producer converts the newest
// grabbed picture into the frame, fitted with black bands, and starts the file again when it has played to its
// end. Uses GDI+, which the caller keeps started while the input is used, and COM, initialised on every thread
// that calls in.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "filter/framework/CritSec.h"

CCritSec& VideoLock();

// Builds and runs the graph for the file at path, for width x height frames. S_OK (or the non-negative result of
// running it); E_FRAME_NOFILE when no source filter opens the file (missing, unreadable or an empty path);
// E_FRAME_NOTSUPPORTED when no stream of the file connects to the grabber as video (sound only, no decoder);
// E_INVALIDARG for a frame size that is not positive or is larger than 8192 x 8192; another failure of a graph
// step unchanged. On a negative result the caller calls StopVideoSource.
HRESULT StartVideoSource(const std::wstring& path, int32_t repeat, int width, int height);

// Releases the graph and the held picture; the path, the status and the repeat flag stay. Harmless when nothing
// runs.
void StopVideoSource();

// Frame producer of the video input. S_OK: the newest picture is in data; S_FALSE: nothing written (no picture
// yet, a fetch that failed, a sample that is not width x height x 3 bytes); E_FRAME_NOFILE (no file open) or
// E_FRAME_NOTSUPPORTED (the file has no playable video). Never waits for the graph: it asks the graph whether the
// file has ended without a time-out and copies what the grabber holds. At the end of the file it builds the graph
// again, so the file plays again from its start.
HRESULT FillVideoFrame(BYTE* data, size_t size);

// The millisecond clock that paces the fetches (GetTickCount unless replaced, e.g. by tests; null restores it).
void SetVideoTickSource(uint32_t (*tick)());
