#pragma once
// The application's use of the "Veltrane" camera: a preview graph rendering the device's preview stream into a
// child window, listed in the running object table while it exists (when the table can be reached), and the
// camera's own property pages in a modal frame placed at the main dialog's corner.
#include "filter/framework/ComRef.h"

#include <windows.h>
#include <dshow.h>

class CamGrabber {
public:
    CamGrabber() = default;
    virtual ~CamGrabber();
    CamGrabber(const CamGrabber&) = delete;
    CamGrabber& operator=(const CamGrabber&) = delete;

    // S_OK when the preview runs in `owner`; S_FALSE when no device is named "Veltrane" (nothing else is built);
    // otherwise the failure of the step that failed, with what was built so far kept until destruction.
    HRESULT StartPreview(HWND owner);
    // Stops the graph, hides and detaches the video window, leaves the running object table. Safe to repeat and
    // after any failed step; releases nothing.
    void StopPreview();
    // S_FALSE when no camera is held; otherwise the property frame's result (after the user closed it) or the
    // failure of the step before it. S_OK without a frame when the camera lists no page that can be created.
    HRESULT ShowCameraSettings(HWND mainDialog);

    DWORD RotCookie() const { return rotCookie_; }

private:
    HRESULT FindCamera(ComRef<IBaseFilter>& camera);
    HRESULT RegisterInRunningObjectTable();

    HWND owner_ = nullptr;
    DWORD rotCookie_ = 0;
    // Released in the destructor, in this order.
    ComRef<IBaseFilter> source_;
    ComRef<ICaptureGraphBuilder2> builder_;
    ComRef<IGraphBuilder> graph_;
    ComRef<IMediaEventEx> events_;
    ComRef<IMediaControl> control_;
    ComRef<IVideoWindow> videoWindow_;
};
