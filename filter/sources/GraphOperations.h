#pragma once
// Building blocks of the private DirectShow graphs of the camera and video inputs: pin search and connection,
// the Sample Grabber and Null Renderer they end in, and the copy of the newest sample the grabber holds.
#include <windows.h>
#include <dshow.h>

#include <memory>

#include "filter/framework/ComRef.h"
#include "filter/framework/DirectShowIds.h"
#include "filter/sources/GdiplusCanvas.h"

// The first pin of filter, in the order of its pin enumerator, with the given direction whose connection state is
// `connected` (a pin counts as free when ConnectedTo fails with VFW_E_NOT_CONNECTED). S_OK with *pin holding a
// reference, VFW_E_NOT_FOUND when there is none (then *pin is null), E_POINTER for a null argument, or the failure
// of the enumeration.
HRESULT FindFreePin(IBaseFilter* filter, PIN_DIRECTION direction, bool connected, IPin** pin);

// Connects output to the first free input pin of filter with intelligent connect (converters may be added).
// E_POINTER for a null argument; VFW_E_NOT_FOUND when filter has no free input; otherwise the result of Connect.
HRESULT ConnectToFreeInput(IGraphBuilder* graph, IPin* output, IBaseFilter* filter);

// Connects the first free output pin of upstream to the first free input pin of downstream.
HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* upstream, IBaseFilter* downstream);

// Tries each pin of source, in enumeration order, with ConnectToFreeInput into target and stops at the first
// that connects. pins and lastPin keep the enumerator and the pin last tried (a source's state holds them until
// it stops). S_OK, the last failure when no pin connects, VFW_E_NOT_FOUND when source has no pin at all.
HRESULT ConnectFirstConnectablePin(IGraphBuilder* graph, IBaseFilter* source, IBaseFilter* target,
                                   ComRef<IEnumPins>& pins, ComRef<IPin>& lastPin);

// Creates a Sample Grabber, adds it to graph as "Sample Grabber" and asks it for 24-bit RGB video in any format.
// Whatever was obtained before a failing step stays in filter and grabber for the caller to release.
HRESULT AddSampleGrabber(IGraphBuilder* graph, ComRef<IBaseFilter>& filter, ComRef<ISampleGrabber>& grabber);

// Creates a Null Renderer and adds it to graph as "Null Filter".
HRESULT AddNullRenderer(IGraphBuilder* graph, ComRef<IBaseFilter>& renderer);

// The system reference clock shared by the graphs of this process that play at their natural pace; null when it
// cannot be created. It is made once and never released: under Wine, releasing a system clock whose advise thread
// has run can wait forever for that thread, and a graph releasing its own clock would hang its caller.
IReferenceClock* SharedSystemClock();
// Lets graph run on the shared clock. S_FALSE (the graph keeps its default clock) when there is none; otherwise the
// result of IMediaFilter::SetSyncSource.
HRESULT UseSharedSystemClock(IGraphBuilder* graph);

// Frees the format block and the object of a media type filled in by DirectShow, and clears them.
void FreeMediaTypeFields(AM_MEDIA_TYPE& type);

// A copy of the newest sample of a Sample Grabber and the video format it is in.
struct GrabbedSample {
    std::unique_ptr<DibImage> pixels;  // the sample's bytes, ready to be decoded as a BMP image
    VIDEOINFOHEADER format{};          // of the grabber's connected media type

    // The pixels as a GDI+ bitmap (see DibImage::Decode); E_UNEXPECTED when nothing was fetched.
    HRESULT Decode(StreamBitmap* bitmap);
};

// Copies the grabber's newest sample into sample (sized for it) and reads the connected format.
// S_OK when a sample was copied; S_FALSE when the grabber holds an empty sample, or the sample changed size
// between the size query and the copy (try again on the next frame); the failure of GetCurrentBuffer or
// GetConnectedMediaType unchanged (e.g. before the first sample arrived); E_OUTOFMEMORY when the copy cannot be
// allocated; VFW_E_INVALIDMEDIATYPE when the format is not a VIDEOINFOHEADER; E_POINTER for null arguments.
HRESULT FetchGrabbedSample(ISampleGrabber* grabber, GrabbedSample* sample);
