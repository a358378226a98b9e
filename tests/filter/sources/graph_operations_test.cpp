#include "filter/sources/GraphOperations.h"

#include <gtest/gtest.h>

namespace {

std::wstring Clip(const wchar_t* name) { return std::wstring(VELTRANE_VIDEO_DIR) + L"/" + name; }

void CreateGrabber(ComRef<IBaseFilter>& filter)
{
    ASSERT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               filter.PutVoid()),
              S_OK);
}

PIN_DIRECTION Direction(IPin* pin)
{
    PIN_DIRECTION direction = PINDIR_INPUT;
    EXPECT_EQ(pin->QueryDirection(&direction), S_OK);
    return direction;
}

// A graph of file source -> Sample Grabber -> Null Renderer built with the shared operations.
struct ClipGraph {
    ComRef<IGraphBuilder> graph;
    ComRef<IBaseFilter> source, grabberFilter, renderer;
    ComRef<ISampleGrabber> grabber;
    ComRef<IEnumPins> pins;
    ComRef<IPin> lastPin;

    void Build(const wchar_t* clip)
    {
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   graph.PutVoid()),
                  S_OK);
        ASSERT_EQ(AddSampleGrabber(graph.Get(), grabberFilter, grabber), S_OK);
        ASSERT_EQ(graph->AddSourceFilter(Clip(clip).c_str(), L"Source", source.Put()), S_OK);
        ASSERT_EQ(ConnectFirstConnectablePin(graph.Get(), source.Get(), grabberFilter.Get(), pins, lastPin), S_OK);
        ASSERT_EQ(AddNullRenderer(graph.Get(), renderer), S_OK);
        ASSERT_EQ(ConnectFilters(graph.Get(), grabberFilter.Get(), renderer.Get()), S_OK);
    }
};

}  // namespace

TEST(GraphOperations, NullArgumentsAreRefused)
{
    ComRef<IBaseFilter> grabber;
    ASSERT_NO_FATAL_FAILURE(CreateGrabber(grabber));
    ComRef<IGraphBuilder> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.PutVoid()),
              S_OK);
    ComRef<IPin> pin;
    ASSERT_EQ(FindFreePin(grabber.Get(), PINDIR_OUTPUT, false, pin.Put()), S_OK);

    EXPECT_EQ(FindFreePin(nullptr, PINDIR_INPUT, false, pin.Put()), E_POINTER);
    EXPECT_EQ(FindFreePin(grabber.Get(), PINDIR_INPUT, false, nullptr), E_POINTER);
    EXPECT_EQ(ConnectToFreeInput(nullptr, pin.Get(), grabber.Get()), E_POINTER);
    EXPECT_EQ(ConnectToFreeInput(graph.Get(), nullptr, grabber.Get()), E_POINTER);
    EXPECT_EQ(ConnectToFreeInput(graph.Get(), pin.Get(), nullptr), E_POINTER);
    EXPECT_EQ(ConnectFilters(nullptr, grabber.Get(), grabber.Get()), E_POINTER);
    EXPECT_EQ(ConnectFilters(graph.Get(), nullptr, grabber.Get()), E_POINTER);
    EXPECT_EQ(ConnectFilters(graph.Get(), grabber.Get(), nullptr), E_POINTER);
    ComRef<IBaseFilter> filter;
    ComRef<ISampleGrabber> sampleGrabber;
    EXPECT_EQ(AddSampleGrabber(nullptr, filter, sampleGrabber), E_POINTER);
    EXPECT_EQ(AddNullRenderer(nullptr, filter), E_POINTER);
    EXPECT_EQ(FetchGrabbedSample(nullptr, nullptr), E_POINTER);
}

TEST(GraphOperations, FindsTheFreePinsOfAnUnconnectedGrabber)
{
    ComRef<IBaseFilter> grabber;
    ASSERT_NO_FATAL_FAILURE(CreateGrabber(grabber));
    ComRef<IPin> input, output, connected;
    ASSERT_EQ(FindFreePin(grabber.Get(), PINDIR_INPUT, false, input.Put()), S_OK);
    EXPECT_EQ(Direction(input.Get()), PINDIR_INPUT);
    ASSERT_EQ(FindFreePin(grabber.Get(), PINDIR_OUTPUT, false, output.Put()), S_OK);
    EXPECT_EQ(Direction(output.Get()), PINDIR_OUTPUT);
    EXPECT_EQ(FindFreePin(grabber.Get(), PINDIR_INPUT, true, connected.Put()), VFW_E_NOT_FOUND);
    EXPECT_FALSE(connected);
    EXPECT_EQ(FindFreePin(grabber.Get(), PINDIR_OUTPUT, true, connected.Put()), VFW_E_NOT_FOUND);
}

TEST(GraphOperations, ConnectedPinsAreFoundAsConnectedOnly)
{
    ClipGraph clip;
    ASSERT_NO_FATAL_FAILURE(clip.Build(L"clip-4x3.avi"));

    ComRef<IPin> input, output, none;
    ASSERT_EQ(FindFreePin(clip.grabberFilter.Get(), PINDIR_INPUT, true, input.Put()), S_OK);
    ASSERT_EQ(FindFreePin(clip.grabberFilter.Get(), PINDIR_OUTPUT, true, output.Put()), S_OK);
    EXPECT_EQ(FindFreePin(clip.grabberFilter.Get(), PINDIR_INPUT, false, none.Put()), VFW_E_NOT_FOUND);
    EXPECT_EQ(FindFreePin(clip.grabberFilter.Get(), PINDIR_OUTPUT, false, none.Put()), VFW_E_NOT_FOUND);

    // The grabber's output leads to the renderer's input.
    ComRef<IPin> peer;
    ASSERT_EQ(output->ConnectedTo(peer.Put()), S_OK);
    PIN_INFO info{};
    ASSERT_EQ(peer->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, clip.renderer.Get());
    if (info.pFilter) info.pFilter->Release();

    // The grabber was asked for 24-bit RGB and got it.
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(clip.grabber->GetConnectedMediaType(&type), S_OK);
    EXPECT_TRUE(type.majortype == MEDIATYPE_Video);
    EXPECT_TRUE(type.subtype == MEDIASUBTYPE_RGB24);
    FreeMediaTypeFields(type);

    // Nothing is left to connect to: the renderer's only input is taken.
    EXPECT_EQ(ConnectFilters(clip.graph.Get(), clip.grabberFilter.Get(), clip.renderer.Get()), VFW_E_NOT_FOUND);
}

TEST(GraphOperations, FetchBeforeAnySampleFailsAndAfterRunGivesTheGrabbedFormat)
{
    ClipGraph clip;
    ASSERT_NO_FATAL_FAILURE(clip.Build(L"clip-4x3.avi"));
    ASSERT_EQ(clip.grabber->SetBufferSamples(TRUE), S_OK);
    GrabbedSample sample;
    EXPECT_TRUE(FAILED(FetchGrabbedSample(clip.grabber.Get(), &sample)));
    EXPECT_FALSE(sample.pixels);

    ComRef<IMediaControl> control;
    ASSERT_EQ(clip.graph->QueryInterface(IID_IMediaControl, control.PutVoid()), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    HRESULT hr = E_FAIL;
    const DWORD deadline = GetTickCount() + 10000;
    while ((hr = FetchGrabbedSample(clip.grabber.Get(), &sample)) != S_OK && GetTickCount() < deadline) Sleep(10);
    ASSERT_EQ(hr, S_OK);
    ASSERT_TRUE(sample.pixels);
    EXPECT_EQ(sample.format.bmiHeader.biWidth, 320);
    EXPECT_EQ(sample.format.bmiHeader.biHeight, 240);  // positive: bottom-up rows
    EXPECT_EQ(sample.format.bmiHeader.biBitCount, 24);
    EXPECT_EQ(sample.pixels->PixelBytes(), size_t{320} * 240 * 3);
    StreamBitmap bitmap;
    EXPECT_EQ(sample.Decode(&bitmap), S_OK);
    EXPECT_TRUE(bitmap);
    EXPECT_EQ(control->Stop(), S_OK);
}
