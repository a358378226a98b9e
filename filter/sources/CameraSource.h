#pragma once
// The camera input: a real camera of the machine, opened by friendly name in a private graph that ends in a
// Sample Grabber and a Null Renderer; every output frame copies the newest grabbed picture, fitted into the frame
// and with the border picture over it when one is active. The graph runs on its own threads; the producer never
// waits for it.
#include <windows.h>

#include <cstdint>
#include <string>

#include "filter/framework/CritSec.h"

CCritSec& CameraLock();

// Opens the camera named name (the running one is kept as it is). S_OK or the result of running the graph;
// E_FRAME_NOCAMERA for an empty name, an unknown name or the virtual camera's own name; the failure of a step that
// could not be built (the caller then calls StopCameraSource).
HRESULT StartCameraSource(const std::wstring& name, int32_t useBorder, const std::wstring& borderFile, int width,
                          int height);
// Releases the graph and the decoded border picture; the camera name and the active border are cleared. Safe to
// call at any time.
void StopCameraSource();
// Whether a decoded border picture (a GDI+ bitmap) is kept; none is once the camera input has stopped.
bool CameraBorderPictureHeld();
// Frame producer of the camera input: S_OK, S_FALSE, E_FRAME_NOCAMERA, VFW_E_INVALIDMEDIATYPE or a failure of the
// grabber or of decoding (a black frame follows).
HRESULT FillCameraFrame(BYTE* data, size_t size);

// Shows the property pages of every video input device named name, one after the other (modal), in a frame
// owned by `owner` at 30, 30 from its corner (null: an unowned frame at 30, 30 on the screen). S_OK unless binding
// a device failed.
HRESULT ShowCameraProperties(const std::wstring& name, HWND owner = nullptr);

// The border over camera frames follows the settings through these: UseBorder switched on or off, a BorderFile
// chosen (which shows at once, even while borders are off).
void SetBorderEnabled(int32_t on);
void AssignBorderPath(const std::wstring& path);

std::wstring ActiveBorderPath();
std::wstring HeldBorderPath();
std::wstring CurrentCameraName();
