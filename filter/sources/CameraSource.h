#pragma once
// The camera input: a real camera of the machine, opened by friendly name in a private graph. Each sample the
// camera delivers is fitted into the frame on the graph's own thread, with the border picture laid over it when
// one is active; the stream copies the newest frame. A camera that stops delivering (device lost, or no new
// sample for two seconds) shows the "no camera" placeholder until frames come again.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "filter/framework/CritSec.h"
#include "filter/sources/BorderPicture.h"
#include "filter/sources/CameraBorder.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/FrameInput.h"
#include "filter/sources/PrivateGraph.h"
#include "filter/sources/Workers.h"

class CameraInput : public FrameInput {
public:
    // How long a camera may go without a new sample before it counts as gone.
    static constexpr uint32_t kStallMilliseconds = 2000;

    CameraInput(const std::wstring& name, int32_t useBorder, const std::wstring& borderFile);
    ~CameraInput() override { Stop(); }

    // S_OK with the graph running; E_FRAME_NOCAMERA for an empty name, an unknown name, the virtual camera's own
    // name or a graph that could not be built or run.
    HRESULT Start(int width, int height) override;
    // S_OK, S_FALSE before the first sample, E_FRAME_NOCAMERA when the camera is not running or stopped
    // delivering.
    HRESULT Fill(uint8_t* frame, size_t size) override;
    void Stop() override;

    // Whether the graph runs (started and not stopped).
    bool Running();
    const std::wstring& Name() const { return name_; }

    // The border follows the settings through these: UseBorder switched on or off, a BorderFile chosen (which
    // shows at once, even while borders are off).
    void SetBorderEnabled(bool on);
    void AssignBorder(const std::wstring& path);
    std::wstring ActiveBorder();
    std::wstring HeldBorder();
    bool BorderPictureHeld() { return borderPicture_.HoldsPicture(); }

    // The millisecond clock of the stall rule (GetTickCount unless replaced, e.g. by tests; null restores it).
    static void SetTickSource(uint32_t (*tick)());

private:
    void OnSample(const VIDEOINFOHEADER& format, const uint8_t* data, size_t bytes);
    void WatchEvents(HANDLE stop);

    const std::wstring name_;
    CCritSec lock_;  // the fields below
    CameraBorder border_;
    HRESULT status_ = E_FRAME_NOCAMERA;
    std::vector<uint8_t> ready_;  // the newest frame, empty before the first sample
    uint32_t started_ = 0;        // tick of the start
    uint32_t lastSample_ = 0;     // tick of the newest sample
    bool deviceLost_ = false;
    int width_ = 0;
    int height_ = 0;

    BorderPicture borderPicture_;
    FrameScaler scaler_;  // the graph's thread only
    PrivateGraph graph_;
    WorkerThread events_;
};

// Shows the property pages of every video input device named name, one after the other (modal), in a frame
// owned by `owner` at 30, 30 from its corner (null: an unowned frame at 30, 30 on the screen). S_OK unless binding
// a device failed.
HRESULT ShowCameraProperties(const std::wstring& name, HWND owner = nullptr);
