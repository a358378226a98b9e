#pragma once
// The capture graph of veltrane-capture, built the way a host opens a camera: the device bound from its moniker in
// the video input category, its capture pin, an optional size chosen through IAMStreamConfig, then a Sample
// Grabber asking for RGB24 and a Null Renderer.
#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "filter/framework/ComRef.h"
#include "filter/framework/CritSec.h"
#include "filter/framework/DirectShowIds.h"
#include "tools/CaptureOptions.h"
#include "tools/OwnedGrabberCallback.h"

// Friendly names of the video input devices, in the system device enumerator's order.
std::vector<std::wstring> ListVideoInputs();

// Binds the first video input device named exactly `name` to a new filter. VFW_E_NOT_FOUND when there is none.
HRESULT OpenVideoInput(const std::wstring& name, ComRef<IBaseFilter>& device);

// The device's output pin of category PIN_CATEGORY_CAPTURE, asked of the capture graph builder and, should it not
// answer, of each output pin's IKsPropertySet. VFW_E_NOT_FOUND when the device has no such pin.
HRESULT FindCapturePin(IBaseFilter* device, ComRef<IPin>& pin);

// Sets the first RGB24 format of width x height among the pin's stream capabilities, with the frame period
// `frameTime` (100-ns units) when it is not 0. E_NOINTERFACE when the pin has no IAMStreamConfig, VFW_E_NOT_FOUND
// when it offers no such format, otherwise the failure of the pin.
HRESULT SelectCaptureSize(IPin* pin, int width, int height, REFERENCE_TIME frameTime = 0);

// Grabber callback keeping a copy of each of the first N samples with its times; an event is set once all came.
class FrameGrabberCallback : public OwnedGrabberCallback {
public:
    explicit FrameGrabberCallback(int frames);
    virtual ~FrameGrabberCallback();
    FrameGrabberCallback(const FrameGrabberCallback&) = delete;
    FrameGrabberCallback& operator=(const FrameGrabberCallback&) = delete;

    // True when all frames arrived within timeoutMs. Samples arriving later (a camera delivering while it is being
    // stopped, say) are not kept.
    bool WaitForFrames(DWORD timeoutMs);
    // The frames kept so far (call once the graph is stopped).
    std::vector<CapturedFrame> TakeFrames();

    HRESULT STDMETHODCALLTYPE SampleCB(double sampleTime, IMediaSample* sample) override;

private:
    CCritSec lock_;
    FrameCollector collector_;
    HANDLE complete_;
};

// device capture pin -> Sample Grabber (RGB24) -> Null Renderer, in a new filter graph.
class CaptureGraph {
public:
    // Creates the graph and adds the device to it.
    HRESULT Create(IBaseFilter* device);
    IGraphBuilder* Graph() const { return graph_.Get(); }
    // Adds the grabber (with callback) and the renderer and connects them after capturePin.
    HRESULT Connect(IPin* capturePin, ISampleGrabberCB* callback);
    // Instead of the grabber and the renderer: adds `renderer` (a filter with one input pin) and connects
    // capturePin straight to it.
    HRESULT ConnectRenderer(IPin* capturePin, IBaseFilter* renderer);
    // Lets the graph run without a reference clock.
    HRESULT RemoveClock();
    // Width and height (negative: top-down) of the grabber's connected RGB24 format.
    HRESULT ConnectedSize(int* width, int* height);
    HRESULT Run();
    HRESULT Pause();
    // Stops the graph; once it returns the streaming has ended and nothing is called back until the next Run.
    void Stop();

private:
    ComRef<IGraphBuilder> graph_;
    ComRef<IMediaControl> control_;
    ComRef<IBaseFilter> grabberFilter_;
    ComRef<ISampleGrabber> grabber_;
    ComRef<IBaseFilter> renderer_;
};
