#pragma once
// The private DirectShow graph of the camera and the video inputs: a source (a camera's filter, or a file's
// source filter with the splitter and decoder intelligent connect puts after it) -> Sample Grabber asking for
// 24-bit RGB -> Null Renderer. Each sample the grabber sees is handed to the owner's handler on the graph's own
// thread; the owner turns it into its ready-made frame there, so the stream only ever copies.
#include <windows.h>
#include <dshow.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "filter/FrameScaler.h"
#include "filter/framework/ComRef.h"
#include "filter/framework/DirectShowIds.h"

class GrabberCallback;

class PrivateGraph {
public:
    // Called on the graph's thread with the connected format and the bytes of one sample.
    using SampleHandler = std::function<void(const VIDEOINFOHEADER& format, const uint8_t* data, size_t bytes)>;

    PrivateGraph() = default;
    ~PrivateGraph() { Release(); }
    PrivateGraph(const PrivateGraph&) = delete;
    PrivateGraph& operator=(const PrivateGraph&) = delete;

    // A camera: source is its bound filter. The graph runs without a reference clock (a live camera paces itself;
    // the Null Renderer then takes each sample as it comes). The failure of the step that could not be done.
    HRESULT BuildFromDevice(IBaseFilter* source, SampleHandler onSample);
    // A file, played at its own pace on the shared system clock. E_FRAME_NOFILE when no source filter opens it;
    // E_FRAME_NOTSUPPORTED when no stream connects to the grabber as video, or its frames are larger than
    // maxSide on a side; another step's failure unchanged.
    HRESULT BuildFromFile(const std::wstring& path, int maxSide, SampleHandler onSample);
    HRESULT Run();
    // Back to the start of the file, while running.
    HRESULT SeekToStart();
    // Signalled while graph events are waiting (null without a graph).
    HANDLE EventHandle();
    // Takes the next graph event without waiting; false when there is none.
    bool NextEvent(long* code);
    // The grabber's connected format (valid after a build succeeded).
    const VIDEOINFOHEADER& Format() const { return format_; }
    // Stops the graph, ends the handler calls and lets go of everything. Harmless without a graph.
    void Release();

private:
    HRESULT CreateGraph();
    HRESULT Finish(SampleHandler onSample, int maxSide);

    ComRef<IGraphBuilder> graph_;
    ComRef<IMediaControl> control_;
    ComRef<IMediaEventEx> events_;
    ComRef<IBaseFilter> source_;
    ComRef<IBaseFilter> grabberFilter_;
    ComRef<ISampleGrabber> grabber_;
    ComRef<IBaseFilter> renderer_;
    ComRef<IEnumPins> sourcePins_;
    ComRef<IPin> lastPin_;
    GrabberCallback* callback_ = nullptr;  // one reference, ours
    VIDEOINFOHEADER format_{};
};

// Turns one grabbed sample into a width x height frame (bottom-up packed 24-bit rows), fitted with black bands:
// copied when it is packed 24-bit bottom-up rows of that very size, scaled by `scaler` (kept prepared by the
// caller for the next sample) when it is 24-bit rows of another size, decoded by GDI+ otherwise. False when it
// cannot be made (a sample shorter than its format says, no memory); frame is then left as it was.
bool ConvertSampleToFrame(const VIDEOINFOHEADER& format, const uint8_t* data, size_t bytes, int width, int height,
                          FrameScaler& scaler, std::vector<uint8_t>& frame);
