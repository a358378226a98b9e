#include "filter/sources/GraphOperations.h"

#include <mmreg.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

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
        ASSERT_EQ(UseSharedSystemClock(graph.Get()), S_OK);
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

TEST(GraphOperations, GraphsShareTheOneSystemClockOfTheProcess)
{
    IReferenceClock* clock = SharedSystemClock();
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(SharedSystemClock(), clock);
    REFERENCE_TIME now = 0;
    EXPECT_EQ(clock->GetTime(&now), S_OK);
    EXPECT_EQ(UseSharedSystemClock(nullptr), E_POINTER);
    for (int i = 0; i < 2; ++i) {
        ClipGraph clip;
        ASSERT_NO_FATAL_FAILURE(clip.Build(L"clip-4x3.avi"));
        ComRef<IMediaFilter> filter;
        ASSERT_EQ(clip.graph->QueryInterface(IID_IMediaFilter, filter.PutVoid()), S_OK);
        ComRef<IReferenceClock> used;
        ASSERT_EQ(filter->GetSyncSource(used.Put()), S_OK);
        EXPECT_EQ(used.Get(), clock);
    }
    // Both graphs are gone; the clock still answers.
    EXPECT_EQ(clock->GetTime(&now), S_OK);
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

namespace {

// Sees CoTaskMemFree of one watched block through COM's allocator hook; every other allocation passes unchanged.
// It lives as long as the process: COM may keep calling it after the revocation while blocks it saw are alive.
class FreeWatch : public IMallocSpy {
public:
    void Watch(void* block)
    {
        frees_ = 0;
        watched_ = block;
    }
    LONG FreesOfWatched() const { return frees_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IMallocSpy)) return E_NOINTERFACE;
        *object = static_cast<IMallocSpy*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override { return request; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override { return actual; }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override
    {
        if (request && request == watched_.load()) ++frees_;
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override
    {
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    std::atomic<void*> watched_{nullptr};
    std::atomic<LONG> frees_{0};
};

FreeWatch g_freeWatch;

// A Sample Grabber whose current sample and connected type the test chooses. Like the real one, it answers a copy
// into a buffer smaller than the sample with E_OUTOFMEMORY. Its connected type carries a format block from the
// task allocator (watched by g_freeWatch) and, in pUnk, a reference to the grabber itself.
class FakeGrabber : public ISampleGrabber {
public:
    HRESULT bufferResult = S_OK;           // GetCurrentBuffer's failure, when one is wanted
    HRESULT typeResult = S_OK;             // GetConnectedMediaType's failure, when one is wanted
    std::vector<uint8_t> sample;           // the current sample
    long resizeAfterSizeQuery = 0;         // bytes the sample grows (or shrinks) by once its size was asked for
    GUID formatType = FORMAT_VideoInfo;
    std::vector<uint8_t> format;           // the format block's bytes
    bool nullFormat = false;               // no block at all (cbFormat still says format.size())

    LONG sizeQueries = 0, copies = 0, typeQueries = 0;
    LONG copyBufferSize = -1;              // the buffer size the caller announced for its copy
    void* formatBlock = nullptr;           // the block handed out last
    LONG Refs() const { return refs_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ISampleGrabber)) return E_NOINTERFACE;
        *object = static_cast<ISampleGrabber*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }

    HRESULT STDMETHODCALLTYPE SetOneShot(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetCurrentSample(IMediaSample**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCallback(ISampleGrabberCB*, LONG) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG* size, LONG* buffer) override
    {
        if (!size) return E_POINTER;
        if (FAILED(bufferResult)) return bufferResult;
        if (!buffer) {
            ++sizeQueries;
            *size = static_cast<LONG>(sample.size());
            sample.resize(static_cast<size_t>(static_cast<long>(sample.size()) + resizeAfterSizeQuery), 0xEE);
            return S_OK;
        }
        ++copies;
        copyBufferSize = *size;
        if (*size < static_cast<LONG>(sample.size())) return E_OUTOFMEMORY;
        std::memcpy(buffer, sample.data(), sample.size());
        *size = static_cast<LONG>(sample.size());
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* type) override
    {
        if (!type) return E_POINTER;
        ++typeQueries;
        if (FAILED(typeResult)) return typeResult;
        *type = AM_MEDIA_TYPE{};
        type->majortype = MEDIATYPE_Video;
        type->subtype = MEDIASUBTYPE_RGB24;
        type->formattype = formatType;
        type->cbFormat = static_cast<ULONG>(format.size());
        if (!nullFormat && !format.empty()) {
            formatBlock = CoTaskMemAlloc(format.size());
            if (!formatBlock) return E_OUTOFMEMORY;
            std::memcpy(formatBlock, format.data(), format.size());
            type->pbFormat = static_cast<BYTE*>(formatBlock);
            g_freeWatch.Watch(formatBlock);
        }
        AddRef();
        type->pUnk = this;
        return S_OK;
    }

private:
    volatile LONG refs_ = 1;  // the test's own
};

template <class Format>
std::vector<uint8_t> FormatBytes(const Format& format, size_t size = sizeof(Format))
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(&format);
    return std::vector<uint8_t>(bytes, bytes + size);
}

// A 4 x 2 RGB24 picture: rows of 12 bytes, no padding.
VIDEOINFOHEADER SmallRgb24()
{
    VIDEOINFOHEADER header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = 4;
    header.bmiHeader.biHeight = 2;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 24;
    header.bmiHeader.biCompression = BI_RGB;
    header.bmiHeader.biSizeImage = 24;
    return header;
}

std::vector<uint8_t> NumberedBytes(size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
    return bytes;
}

class FetchGrabbedSampleTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(CoRegisterMallocSpy(&g_freeWatch), S_OK); }
    // E_ACCESSDENIED when blocks allocated meanwhile (on any thread) are still alive: COM then lets the watch go
    // when the last of them is freed, which changes nothing for anyone else.
    static void TearDownTestSuite() { (void)CoRevokeMallocSpy(); }

    void SetUp() override
    {
        grabber.sample = NumberedBytes(24);
        grabber.format = FormatBytes(SmallRgb24());
    }
    void TearDown() override { EXPECT_EQ(grabber.Refs(), 1) << "the type's object reference is released"; }

    FakeGrabber grabber;
    GrabbedSample sample;
};

TEST_F(FetchGrabbedSampleTest, FormatsThatAreNoWholeVideoInfoHeaderAreRefusedAndFreed)
{
    WAVEFORMATEX wave{};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = 2;
    wave.nSamplesPerSec = 44100;
    wave.wBitsPerSample = 16;
    struct Case {
        const char* name;
        GUID formatType;
        std::vector<uint8_t> format;
        bool nullFormat;
    };
    const Case cases[] = {
        {"audio format", FORMAT_WaveFormatEx, FormatBytes(wave), false},
        {"short video info", FORMAT_VideoInfo, FormatBytes(SmallRgb24(), sizeof(VIDEOINFOHEADER) - 1), false},
        {"no format block", FORMAT_VideoInfo, FormatBytes(SmallRgb24()), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grabber.formatType = c.formatType;
        grabber.format = c.format;
        grabber.nullFormat = c.nullFormat;
        grabber.formatBlock = nullptr;
        g_freeWatch.Watch(nullptr);
        EXPECT_EQ(FetchGrabbedSample(&grabber, &sample), VFW_E_INVALIDMEDIATYPE);
        EXPECT_FALSE(sample.pixels);
        EXPECT_EQ(grabber.Refs(), 1);
        if (c.nullFormat) {
            EXPECT_EQ(grabber.formatBlock, nullptr);
        } else {
            ASSERT_NE(grabber.formatBlock, nullptr);
            EXPECT_EQ(g_freeWatch.FreesOfWatched(), 1) << "the format block is freed once";
        }
    }
}

TEST_F(FetchGrabbedSampleTest, FailuresOfTheGrabberArePassedUpUnchanged)
{
    grabber.bufferResult = VFW_E_WRONG_STATE;
    EXPECT_EQ(FetchGrabbedSample(&grabber, &sample), VFW_E_WRONG_STATE);
    EXPECT_FALSE(sample.pixels);
    EXPECT_EQ(grabber.typeQueries, 0);

    grabber.bufferResult = S_OK;
    grabber.typeResult = VFW_E_NOT_CONNECTED;
    EXPECT_EQ(FetchGrabbedSample(&grabber, &sample), VFW_E_NOT_CONNECTED);
    EXPECT_FALSE(sample.pixels);
}

TEST_F(FetchGrabbedSampleTest, EmptySampleGivesFalseWithoutACopy)
{
    grabber.sample.clear();
    EXPECT_EQ(FetchGrabbedSample(&grabber, &sample), S_FALSE);
    EXPECT_FALSE(sample.pixels);
    EXPECT_EQ(grabber.copies, 0);
}

TEST_F(FetchGrabbedSampleTest, SampleThatChangesSizeBeforeTheCopyGivesFalse)
{
    // Grown: the grabber refuses to copy into the room of the size first answered.
    grabber.resizeAfterSizeQuery = 1000;
    EXPECT_EQ(FetchGrabbedSample(&grabber, &sample), S_FALSE);
    EXPECT_FALSE(sample.pixels);
    EXPECT_EQ(grabber.copies, 1);
    EXPECT_EQ(grabber.copyBufferSize, 24) << "the copy is offered exactly the room allocated";

    // Shrunk: the copy leaves part of the buffer unwritten.
    grabber.sample = NumberedBytes(24);
    grabber.resizeAfterSizeQuery = -12;
    EXPECT_EQ(FetchGrabbedSample(&grabber, &sample), S_FALSE);
    EXPECT_FALSE(sample.pixels);
    EXPECT_EQ(grabber.copies, 2);
}

TEST_F(FetchGrabbedSampleTest, WholeRgb24SampleIsCopiedWithItsFormat)
{
    EXPECT_EQ(FetchGrabbedSample(&grabber, &sample), S_OK);
    ASSERT_TRUE(sample.pixels);
    ASSERT_EQ(sample.pixels->PixelBytes(), 24u);
    EXPECT_EQ(std::memcmp(sample.pixels->Pixels(), grabber.sample.data(), 24), 0);
    EXPECT_EQ(grabber.copyBufferSize, 24);
    EXPECT_EQ(sample.format.bmiHeader.biWidth, 4);
    EXPECT_EQ(sample.format.bmiHeader.biHeight, 2);
    EXPECT_EQ(sample.format.bmiHeader.biBitCount, 24);
    ASSERT_NE(grabber.formatBlock, nullptr);
    EXPECT_EQ(g_freeWatch.FreesOfWatched(), 1);

    // The copy decodes as the picture it is.
    StreamBitmap bitmap;
    EXPECT_EQ(sample.Decode(&bitmap), S_OK);
    EXPECT_TRUE(bitmap);
}

}  // namespace
