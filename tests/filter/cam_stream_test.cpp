// The camera's output pin against the real DirectShow runtime: its media types, stream configuration and
// property set, its buffer decision and time stamps, and the frame dispatch with its placeholder pictures.
#include "filter/CamStream.h"
#include "filter/FrameDispatch.h"
#include "filter/InputSwitching.h"
#include "filter/FrameScaler.h"
#include "filter/StreamFormats.h"
#include "filter/framework/ComRef.h"
#include "filter/framework/MediaType.h"
#include "filter/framework/ModuleObjects.h"
#include "filter/framework/Source.h"
#include "filter/settings/SettingsStore.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/GdiplusCanvas.h"
#include "filter/sources/GraphOperations.h"
#include "filter/sources/PicturesSource.h"
#include "filter/framework/SourceStream.h"
#include "support/TestFiles.h"
#include "tools/OwnedGrabberCallback.h"

#include <gtest/gtest.h>

#include <ks.h>
#include <ksmedia.h>

#include <algorithm>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

namespace {

// {9E41C6B2-57D3-4A8F-B0E1-2C7D5F93A614}
const CLSID CLSID_StreamTestFilter = {0x9e41c6b2, 0x57d3, 0x4a8f, {0xb0, 0xe1, 0x2c, 0x7d, 0x5f, 0x93, 0xa6, 0x14}};

constexpr size_t kFullFrameBytes = 921600;

// A source filter with one CCamStream, standing in for the camera filter object.
class CStreamTestFilter : public CSource {
public:
    explicit CStreamTestFilter(HRESULT* hr) : CSource(L"Stream test", nullptr, CLSID_StreamTestFilter)
    {
        if (!new (std::nothrow) CCamStream(hr, this)) *hr = E_OUTOFMEMORY;
    }
    CCamStream* Stream() { return static_cast<CCamStream*>(GetPin(0)); }
};

const VIDEOINFOHEADER& Header(const AM_MEDIA_TYPE& type)
{
    return *reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

// An RGB24 type of the listed kind, for width x height.
CMediaType ListedType(int width, int height)
{
    CMediaType type(&MEDIATYPE_Video);
    type.SetSubtype(&MEDIASUBTYPE_RGB24);
    type.SetFormatType(&FORMAT_VideoInfo);
    type.SetTemporalCompression(FALSE);
    auto* header = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    header->AvgTimePerFrame = 1000000;
    header->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header->bmiHeader.biWidth = width;
    header->bmiHeader.biHeight = height;
    header->bmiHeader.biPlanes = 1;
    header->bmiHeader.biBitCount = 24;
    header->bmiHeader.biCompression = BI_RGB;
    header->bmiHeader.biSizeImage = static_cast<DWORD>(width * 3 * height);
    type.SetSampleSize(header->bmiHeader.biSizeImage);
    return type;
}

void ExpectVideoSize(const AM_MEDIA_TYPE& type, int width, int height)
{
    ASSERT_TRUE(IsEqualGUID(type.formattype, FORMAT_VideoInfo));
    ASSERT_GE(type.cbFormat, sizeof(VIDEOINFOHEADER));
    ASSERT_NE(type.pbFormat, nullptr);
    EXPECT_EQ(Header(type).bmiHeader.biWidth, width);
    EXPECT_EQ(Header(type).bmiHeader.biHeight, height);
    EXPECT_EQ(Header(type).bmiHeader.biSizeImage, static_cast<DWORD>(width * height * 3));
}

bool AllBytesAre(const std::vector<BYTE>& bytes, BYTE value)
{
    return std::all_of(bytes.begin(), bytes.end(), [value](BYTE b) { return b == value; });
}

// An allocator that grants a chosen buffer size (or fails) and remembers what it was asked for.
class FakeAllocator : public IMemAllocator {
public:
    long grantExtra = 0;  // added to the requested size
    long grantBuffers = -1;  // the count granted; the requested one when negative
    HRESULT setResult = S_OK;
    ALLOCATOR_PROPERTIES requested{};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMemAllocator)) {
            *object = static_cast<IMemAllocator*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override
    {
        requested = *request;
        if (FAILED(setResult)) return setResult;
        *actual = *request;
        actual->cbBuffer += grantExtra;
        if (grantBuffers >= 0) actual->cBuffers = grantBuffers;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Commit() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Decommit() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample**, REFERENCE_TIME*, REFERENCE_TIME*, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample*) override { return E_NOTIMPL; }
};

// A real memory allocator with one committed buffer of `bytes`, and a sample taken from it.
struct RealSample {
    ComRef<IMemAllocator> allocator;
    ComRef<IMediaSample> sample;

    explicit RealSample(long bytes)
    {
        if (FAILED(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                    allocator.PutVoid())))
            return;
        ALLOCATOR_PROPERTIES request{1, bytes, 1, 0};
        ALLOCATOR_PROPERTIES actual{};
        if (FAILED(allocator->SetProperties(&request, &actual)) || FAILED(allocator->Commit())) return;
        if (FAILED(allocator->GetBuffer(sample.Put(), nullptr, nullptr, 0))) sample.Reset();
    }
    ~RealSample()
    {
        sample.Reset();
        if (allocator) (void)allocator->Decommit();  // nothing to do about a failure at the end of a test
    }
    std::vector<BYTE> Bytes()
    {
        BYTE* data = nullptr;
        if (!sample || FAILED(sample->GetPointer(&data))) return {};
        return std::vector<BYTE>(data, data + sample->GetSize());
    }
    void Fill(BYTE value)
    {
        BYTE* data = nullptr;
        if (sample && SUCCEEDED(sample->GetPointer(&data))) std::memset(data, value, sample->GetSize());
    }
};

// A sample whose buffer cannot be had; everything else goes to a real sample.
class NoBufferSample : public IMediaSample {
public:
    explicit NoBufferSample(IMediaSample* real) : real_(real) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        if (object) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) override
    {
        if (buffer) *buffer = nullptr;
        return E_FAIL;
    }
    long STDMETHODCALLTYPE GetSize() override { return real_->GetSize(); }
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* s, REFERENCE_TIME* e) override { return real_->GetTime(s, e); }
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* s, REFERENCE_TIME* e) override { return real_->SetTime(s, e); }
    HRESULT STDMETHODCALLTYPE IsSyncPoint() override { return real_->IsSyncPoint(); }
    HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL sync) override { return real_->SetSyncPoint(sync); }
    HRESULT STDMETHODCALLTYPE IsPreroll() override { return real_->IsPreroll(); }
    HRESULT STDMETHODCALLTYPE SetPreroll(BOOL preroll) override { return real_->SetPreroll(preroll); }
    long STDMETHODCALLTYPE GetActualDataLength() override { return real_->GetActualDataLength(); }
    HRESULT STDMETHODCALLTYPE SetActualDataLength(long length) override { return real_->SetActualDataLength(length); }
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) override { return real_->GetMediaType(type); }
    HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* type) override { return real_->SetMediaType(type); }
    HRESULT STDMETHODCALLTYPE IsDiscontinuity() override { return real_->IsDiscontinuity(); }
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL value) override { return real_->SetDiscontinuity(value); }
    HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* s, LONGLONG* e) override { return real_->GetMediaTime(s, e); }
    HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* s, LONGLONG* e) override { return real_->SetMediaTime(s, e); }

private:
    IMediaSample* real_;
};

// Records the times of the samples passing a Sample Grabber.
class TimeRecorder : public OwnedGrabberCallback {
public:
    TimeRecorder() : arrived_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) { InitializeCriticalSection(&lock_); }
    virtual ~TimeRecorder()
    {
        DeleteCriticalSection(&lock_);
        CloseHandle(arrived_);
    }

    HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample* sample) override
    {
        REFERENCE_TIME start = -1, end = -1;
        const HRESULT hr = sample->GetTime(&start, &end);
        const bool sync = sample->IsSyncPoint() == S_OK;
        EnterCriticalSection(&lock_);
        times_.push_back({SUCCEEDED(hr) ? start : -1, SUCCEEDED(hr) ? end : -1, sync});
        LeaveCriticalSection(&lock_);
        SetEvent(arrived_);
        return S_OK;
    }

    struct Stamp {
        REFERENCE_TIME start, end;
        bool sync;
    };
    // Waits (bounded) until at least `count` samples arrived; returns what was recorded.
    std::vector<Stamp> WaitFor(size_t count)
    {
        const DWORD deadline = GetTickCount() + 10000;
        for (;;) {
            std::vector<Stamp> now = Times();
            if (now.size() >= count || static_cast<LONG>(GetTickCount() - deadline) > 0) return now;
            WaitForSingleObject(arrived_, 500);
        }
    }
    std::vector<Stamp> Times()
    {
        EnterCriticalSection(&lock_);
        std::vector<Stamp> copy = times_;
        LeaveCriticalSection(&lock_);
        return copy;
    }
    void Clear()
    {
        EnterCriticalSection(&lock_);
        times_.clear();
        LeaveCriticalSection(&lock_);
    }

private:
    CRITICAL_SECTION lock_;
    HANDLE arrived_;
    std::vector<Stamp> times_;
};

class CamStreamTest : public testing::Test {
protected:
    void SetUp() override
    {
        objectsAtStart_ = ModuleObjectCount();
        globalTypeAtStart_ = CurrentGlobalType();
        HRESULT hr = S_OK;
        object_ = new CStreamTestFilter(&hr);
        ASSERT_EQ(hr, S_OK);
        ASSERT_EQ(object_->NonDelegatingQueryInterface(IID_IBaseFilter, filter_.PutVoid()), S_OK);
        stream_ = object_->Stream();
        ASSERT_NE(stream_, nullptr);
    }
    void TearDown() override
    {
        stream_ = nullptr;
        object_ = nullptr;
        filter_.Reset();
        StopAllInputs();
        UseRenderSize(RenderSize{kFrameWidth, kFrameHeight});
        SetPlaceholderFolder(L"");
        ProcessSettings().SetNumber(&FilterSettings::GlobalType, globalTypeAtStart_);
        EXPECT_EQ(ModuleObjectCount(), objectsAtStart_) << "framework objects leaked";
    }

    ComRef<IAMStreamConfig> Config()
    {
        ComRef<IAMStreamConfig> config;
        EXPECT_EQ(stream_->QueryInterface(IID_IAMStreamConfig, config.PutVoid()), S_OK);
        return config;
    }
    ComRef<IKsPropertySet> Properties()
    {
        ComRef<IKsPropertySet> properties;
        EXPECT_EQ(stream_->QueryInterface(IID_IKsPropertySet, properties.PutVoid()), S_OK);
        return properties;
    }
    // Pictures mode with an empty folder: the producer fails with E_FRAME_NOPICTURES once the scan is done, and
    // its placeholder is drawn.
    void UseEmptyPictures()
    {
        ProcessSettings().SetString(&FilterSettings::PicturesDirectory, emptyFolder_.Path());
        UseMode(Pictures);
        const std::shared_ptr<PicturesInput> pictures = ActiveInputAs<PicturesInput>();
        ASSERT_TRUE(pictures);
        ASSERT_TRUE(pictures->WaitUntilScanned(10000));
        std::vector<BYTE> first(kFullFrameBytes);
        RenderFrame(first.data(), kFrameWidth, kFrameHeight);  // the failure begins: its placeholder is drawn
        ASSERT_TRUE(WaitForPlaceholders(10000));
    }
    // The input of `mode` (none for a value outside 1 to 4) becomes the active one.
    void UseMode(int32_t mode)
    {
        ProcessSettings().SetNumber(&FilterSettings::GlobalType, mode);
        SwitchToSelectedInput();
    }
    void UsePlaceholderFolder(const std::wstring& folder) { SetPlaceholderFolder(folder); }

    CStreamTestFilter* object_ = nullptr;
    CCamStream* stream_ = nullptr;
    ComRef<IBaseFilter> filter_;
    TempDir emptyFolder_;

private:
    long objectsAtStart_ = 0;
    int32_t globalTypeAtStart_ = 0;
};

TEST_F(CamStreamTest, PinIsNamedVeltraneAndAnswersItsInterfaces)
{
    PIN_INFO info{};
    ASSERT_EQ(stream_->QueryPinInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Veltrane");
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    if (info.pFilter) info.pFilter->Release();

    ComRef<IAMStreamConfig> config = Config();
    ComRef<IKsPropertySet> properties = Properties();
    ComRef<IPin> pin;
    EXPECT_EQ(config->QueryInterface(IID_IPin, pin.PutVoid()), S_OK);
    EXPECT_EQ(static_cast<void*>(pin.Get()), static_cast<void*>(static_cast<IPin*>(stream_)));
    EXPECT_EQ(stream_->QueryInterface(IID_IAMStreamConfig, nullptr), E_POINTER);
}

TEST_F(CamStreamTest, EnumeratesElevenTypesCurrentFirstThenTheFourThreeAndTheHdSizes)
{
    ComRef<IEnumMediaTypes> types;
    ASSERT_EQ(stream_->EnumMediaTypes(types.Put()), S_OK);
    std::vector<AM_MEDIA_TYPE*> listed(12, nullptr);
    ULONG fetched = 0;
    EXPECT_EQ(types->Next(12, listed.data(), &fetched), S_FALSE);
    ASSERT_EQ(fetched, 11u);
    ExpectVideoSize(*listed[0], 640, 480);
    for (ULONG i = 1; i < fetched; ++i) {
        SCOPED_TRACE(i);
        const AM_MEDIA_TYPE& type = *listed[i];
        EXPECT_TRUE(IsEqualGUID(type.majortype, MEDIATYPE_Video));
        EXPECT_TRUE(IsEqualGUID(type.subtype, MEDIASUBTYPE_RGB24));
        EXPECT_TRUE(type.bFixedSizeSamples);
        EXPECT_FALSE(type.bTemporalCompression);
        EXPECT_EQ(type.cbFormat, sizeof(VIDEOINFOHEADER));
        const StreamSize size = StreamSizeOf(static_cast<int>(i));
        ExpectVideoSize(type, size.width, size.height);
        EXPECT_EQ(type.lSampleSize, Header(type).bmiHeader.biSizeImage);
        EXPECT_EQ(Header(type).AvgTimePerFrame, 1000000);
        EXPECT_EQ(Header(type).bmiHeader.biPlanes, 1);
        EXPECT_TRUE(IsRectEmpty(&Header(type).rcSource));
    }
    for (AM_MEDIA_TYPE* type : listed) DeleteMediaType(type);

    CMediaType type;
    EXPECT_EQ(stream_->GetMediaType(11, &type), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(stream_->GetMediaType(-1, &type), E_INVALIDARG);
    EXPECT_EQ(stream_->GetMediaType(0, nullptr), E_POINTER);
}

TEST_F(CamStreamTest, EveryEnumeratedTypeConnectsAndBecomesTheCurrentFormat)
{
    ComRef<IGraphBuilder> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.PutVoid()),
              S_OK);
    ASSERT_EQ(graph->AddFilter(filter_.Get(), L"Veltrane"), S_OK);
    ComRef<IBaseFilter> grabberFilter;
    ComRef<ISampleGrabber> grabber;
    ASSERT_EQ(AddSampleGrabber(graph.Get(), grabberFilter, grabber), S_OK);
    ComRef<IPin> grabberInput;
    ASSERT_EQ(FindFreePin(grabberFilter.Get(), PINDIR_INPUT, false, grabberInput.Put()), S_OK);
    ComRef<IAMStreamConfig> config = Config();

    for (int position = 1; position <= 10; ++position) {
        SCOPED_TRACE(position);
        CMediaType listed;
        ASSERT_EQ(stream_->GetMediaType(position, &listed), S_OK);
        EXPECT_EQ(stream_->QueryAccept(&listed), S_OK);
        ASSERT_EQ(graph->ConnectDirect(stream_, grabberInput.Get(), &listed), S_OK);
        AM_MEDIA_TYPE* current = nullptr;
        ASSERT_EQ(config->GetFormat(&current), S_OK);
        EXPECT_TRUE(listed == *current);
        DeleteMediaType(current);
        ASSERT_EQ(graph->Disconnect(stream_), S_OK);
        ASSERT_EQ(graph->Disconnect(grabberInput.Get()), S_OK);
    }
    // A type the stream cannot deliver is refused, and a refused connection leaves the current type as it was,
    // that of the last connection.
    CMediaType odd = ListedType(100, 100);
    EXPECT_EQ(stream_->QueryAccept(&odd), S_FALSE);
    EXPECT_TRUE(FAILED(graph->ConnectDirect(stream_, grabberInput.Get(), &odd)));
    CMediaType current;
    ASSERT_EQ(stream_->GetMediaType(0, &current), S_OK);
    ExpectVideoSize(current, 1920, 1080);
    EXPECT_EQ(graph->RemoveFilter(filter_.Get()), S_OK);
}

TEST_F(CamStreamTest, SetFormatWhileConnectedReconnectsThroughTheGraph)
{
    ComRef<IGraphBuilder> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.PutVoid()),
              S_OK);
    ASSERT_EQ(graph->AddFilter(filter_.Get(), L"Veltrane"), S_OK);
    ComRef<IBaseFilter> grabberFilter;
    ComRef<ISampleGrabber> grabber;
    ASSERT_EQ(AddSampleGrabber(graph.Get(), grabberFilter, grabber), S_OK);
    ASSERT_EQ(ConnectFilters(graph.Get(), filter_.Get(), grabberFilter.Get()), S_OK);

    CMediaType small = ListedType(320, 240);
    ComRef<IAMStreamConfig> config = Config();
    ASSERT_EQ(config->SetFormat(&small), S_OK);
    CMediaType connected;
    ASSERT_EQ(stream_->ConnectionMediaType(&connected), S_OK);
    ExpectVideoSize(connected, 320, 240);

    // Not while the filter runs or is paused: the buffers in use are of the connected size.
    ComRef<IMediaControl> control;
    ASSERT_EQ(graph.QueryInterface(IID_IMediaControl, control), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    CMediaType large = ListedType(560, 420);
    EXPECT_EQ(config->SetFormat(&large), VFW_E_NOT_STOPPED);
    ASSERT_EQ(control->Stop(), S_OK);
    ASSERT_EQ(stream_->ConnectionMediaType(&connected), S_OK);
    ExpectVideoSize(connected, 320, 240);
    EXPECT_EQ(graph->RemoveFilter(filter_.Get()), S_OK);
}

TEST_F(CamStreamTest, SetFormatAndGetFormat)
{
    ComRef<IAMStreamConfig> config = Config();
    CMediaType small = ListedType(160, 120);
    reinterpret_cast<VIDEOINFOHEADER*>(small.Format())->AvgTimePerFrame = 400000;
    ASSERT_EQ(config->SetFormat(&small), S_OK);
    AM_MEDIA_TYPE* current = nullptr;
    ASSERT_EQ(config->GetFormat(&current), S_OK);
    ASSERT_NE(current, nullptr);
    EXPECT_TRUE(small == *current);
    DeleteMediaType(current);
    CMediaType first;
    ASSERT_EQ(stream_->GetMediaType(0, &first), S_OK);
    EXPECT_TRUE(small == first);

    EXPECT_EQ(config->GetFormat(nullptr), E_POINTER);
}

TEST_F(CamStreamTest, SetFormatRefusesWhatTheStreamCannotDeliver)
{
    ComRef<IAMStreamConfig> config = Config();
    EXPECT_EQ(config->SetFormat(nullptr), E_POINTER);

    CMediaType audio = ListedType(320, 240);
    audio.SetType(&MEDIATYPE_Audio);
    EXPECT_EQ(config->SetFormat(&audio), VFW_E_INVALIDMEDIATYPE);

    CMediaType otherFormat = ListedType(320, 240);
    otherFormat.SetFormatType(&FORMAT_VideoInfo2);
    EXPECT_EQ(config->SetFormat(&otherFormat), VFW_E_INVALIDMEDIATYPE);

    CMediaType shortBlock = ListedType(320, 240);
    ASSERT_NE(shortBlock.ReallocFormatBuffer(40), nullptr);
    EXPECT_EQ(config->SetFormat(&shortBlock), VFW_E_INVALIDMEDIATYPE);

    CMediaType noBlock = ListedType(320, 240);
    noBlock.ResetFormatBuffer();
    EXPECT_EQ(config->SetFormat(&noBlock), VFW_E_INVALIDMEDIATYPE);

    CMediaType notOffered = ListedType(100, 100);
    EXPECT_EQ(config->SetFormat(&notOffered), VFW_E_INVALIDMEDIATYPE);

    // None of them replaced the current type.
    CMediaType current;
    ASSERT_EQ(stream_->GetMediaType(0, &current), S_OK);
    ExpectVideoSize(current, 640, 480);
}

TEST_F(CamStreamTest, StreamCapsDescribeTheIndexedSizeWithTheSameCaps)
{
    ComRef<IAMStreamConfig> config = Config();
    int count = 0, size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(count, 10);
    EXPECT_EQ(size, 128);
    EXPECT_EQ(config->GetNumberOfCapabilities(nullptr, &size), E_POINTER);
    EXPECT_EQ(config->GetNumberOfCapabilities(&count, nullptr), E_POINTER);

    // A frame period of the current type is carried into every described type.
    CMediaType slow = ListedType(80, 60);
    reinterpret_cast<VIDEOINFOHEADER*>(slow.Format())->AvgTimePerFrame = 2000000;
    ASSERT_EQ(config->SetFormat(&slow), S_OK);

    std::vector<BYTE> firstCaps;
    // Index 0 names 640 x 480, 8 and 9 the HD sizes; every index below the count answers.
    const StreamSize sizes[] = {{640, 480}, {80, 60},  {160, 120}, {240, 180},  {320, 240},
                                {400, 300}, {480, 360}, {560, 420}, {1280, 720}, {1920, 1080}};
    for (int index = 0; index < 10; ++index) {
        SCOPED_TRACE(index);
        AM_MEDIA_TYPE* type = nullptr;
        std::vector<BYTE> caps(128, 0xCD);
        ASSERT_EQ(config->GetStreamCaps(index, &type, caps.data()), S_OK);
        ASSERT_NE(type, nullptr);
        ExpectVideoSize(*type, sizes[index].width, sizes[index].height);
        EXPECT_EQ(type->cbFormat, sizeof(VIDEOINFOHEADER));
        EXPECT_TRUE(IsEqualGUID(type->subtype, MEDIASUBTYPE_RGB24));
        EXPECT_TRUE(type->bFixedSizeSamples);
        EXPECT_EQ(type->lSampleSize, Header(*type).bmiHeader.biSizeImage);
        EXPECT_EQ(Header(*type).AvgTimePerFrame, 2000000);
        // What SetFormat keeps of a described type is that type, field for field.
        ASSERT_EQ(config->SetFormat(type), S_OK);
        AM_MEDIA_TYPE* kept = nullptr;
        ASSERT_EQ(config->GetFormat(&kept), S_OK);
        EXPECT_TRUE(CMediaType(*kept) == CMediaType(*type));
        EXPECT_EQ(kept->bFixedSizeSamples, type->bFixedSizeSamples);
        EXPECT_EQ(kept->lSampleSize, type->lSampleSize);
        DeleteMediaType(kept);
        DeleteMediaType(type);
        if (index == 0) firstCaps = caps;
        VIDEO_STREAM_CONFIG_CAPS described{};
        std::memcpy(&described, caps.data(), sizeof(described));
        if (index < 8) {
            EXPECT_EQ(caps, firstCaps) << "the same for the 4:3 sizes";
        } else {
            EXPECT_EQ(described.MinOutputSize.cx, sizes[index].width) << "an HD entry describes only itself";
            EXPECT_EQ(described.MaxOutputSize.cy, sizes[index].height);
        }
    }
    VIDEO_STREAM_CONFIG_CAPS caps{};
    std::memcpy(&caps, firstCaps.data(), sizeof(caps));
    EXPECT_TRUE(IsEqualGUID(caps.guid, FORMAT_VideoInfo));
    EXPECT_EQ(caps.MaxOutputSize.cx, 640);
    EXPECT_EQ(caps.MinOutputSize.cy, 60);
    EXPECT_EQ(caps.CropGranularityX, 80);
    EXPECT_EQ(caps.MinFrameInterval, 200000);
    EXPECT_EQ(caps.MaxBitsPerSecond, 368640000);

    AM_MEDIA_TYPE* type = nullptr;
    BYTE block[128];
    EXPECT_EQ(config->GetStreamCaps(-1, &type, block), E_INVALIDARG);
    EXPECT_EQ(config->GetStreamCaps(INT_MIN, &type, block), E_INVALIDARG);
    // Past the last index: no more capabilities.
    EXPECT_EQ(config->GetStreamCaps(10, &type, block), S_FALSE);
    EXPECT_EQ(config->GetStreamCaps(INT_MAX, &type, block), S_FALSE);
    EXPECT_EQ(config->GetStreamCaps(10, nullptr, nullptr), S_FALSE) << "the index is looked at first";
    EXPECT_EQ(type, nullptr);
    EXPECT_EQ(config->GetStreamCaps(0, nullptr, block), E_POINTER);
    EXPECT_EQ(config->GetStreamCaps(0, &type, nullptr), E_POINTER);
}

TEST_F(CamStreamTest, StreamCapsOfIndex3Is240x180)
{
    ComRef<IAMStreamConfig> config = Config();
    AM_MEDIA_TYPE* type = nullptr;
    BYTE caps[128];
    ASSERT_EQ(config->GetStreamCaps(3, &type, caps), S_OK);
    ExpectVideoSize(*type, 240, 180);
    DeleteMediaType(type);
}

TEST_F(CamStreamTest, PinCategoryProperty)
{
    ComRef<IKsPropertySet> properties = Properties();
    GUID category = GUID_NULL;
    DWORD returned = 0;
    EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 16, &returned), S_OK);
    EXPECT_TRUE(IsEqualGUID(category, PIN_CATEGORY_CAPTURE));
    EXPECT_EQ(returned, 16u);

    returned = 0;
    EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr, 0, &returned), S_OK);
    EXPECT_EQ(returned, 16u);

    BYTE small[8] = {};
    EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, small, 8, &returned),
              E_UNEXPECTED);
    EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr, 0, nullptr), E_POINTER);
    EXPECT_EQ(properties->Get(AMPROPSETID_Pin, 1, nullptr, 0, &category, 16, &returned), E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(properties->Get(PIN_CATEGORY_CAPTURE, 0, nullptr, 0, &category, 16, &returned),
              E_PROP_SET_UNSUPPORTED);
    EXPECT_EQ(properties->Set(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 16), E_NOTIMPL);

    DWORD support = 0;
    EXPECT_EQ(properties->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &support), S_OK);
    EXPECT_EQ(support, static_cast<DWORD>(KSPROPERTY_SUPPORT_GET));
    EXPECT_EQ(properties->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr), S_OK);
    EXPECT_EQ(properties->QuerySupported(AMPROPSETID_Pin, 5, &support), E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(properties->QuerySupported(GUID_NULL, 0, &support), E_PROP_SET_UNSUPPORTED);
}

TEST_F(CamStreamTest, DecideBufferSizeAsksForSeveralFrameBuffersAndTakesAnyCount)
{
    FakeAllocator allocator;
    ALLOCATOR_PROPERTIES request{0, 100, 16, 8};
    EXPECT_EQ(stream_->DecideBufferSize(&allocator, &request), S_OK);
    EXPECT_EQ(allocator.requested.cBuffers, 3);
    EXPECT_EQ(allocator.requested.cbBuffer, static_cast<long>(kFullFrameBytes));
    EXPECT_EQ(allocator.requested.cbAlign, 16);
    EXPECT_EQ(allocator.requested.cbPrefix, 8);
    // Downstream asking for more gets more.
    request.cBuffers = 5;
    EXPECT_EQ(stream_->DecideBufferSize(&allocator, &request), S_OK);
    EXPECT_EQ(allocator.requested.cBuffers, 5);

    allocator.grantBuffers = 1;
    EXPECT_EQ(stream_->DecideBufferSize(&allocator, &request), S_OK);
    allocator.grantBuffers = 0;
    EXPECT_EQ(stream_->DecideBufferSize(&allocator, &request), E_FAIL);
    allocator.grantBuffers = -1;
    allocator.grantExtra = 4096;
    EXPECT_EQ(stream_->DecideBufferSize(&allocator, &request), S_OK);
    allocator.grantExtra = -1;
    EXPECT_EQ(stream_->DecideBufferSize(&allocator, &request), E_FAIL);
    allocator.setResult = VFW_E_ALREADY_COMMITTED;
    EXPECT_EQ(stream_->DecideBufferSize(&allocator, &request), VFW_E_ALREADY_COMMITTED);
    EXPECT_EQ(stream_->DecideBufferSize(nullptr, &request), E_POINTER);
}

TEST_F(CamStreamTest, FillBufferStampsConsecutiveFramePeriods)
{
    UseMode(7);
    RealSample real(static_cast<long>(kFullFrameBytes));
    ASSERT_TRUE(real.sample);
    for (REFERENCE_TIME expected = 0; expected < 3000000; expected += 1000000) {
        ASSERT_EQ(stream_->FillBuffer(real.sample.Get()), S_OK);
        REFERENCE_TIME start = -1, end = -1;
        ASSERT_EQ(real.sample->GetTime(&start, &end), S_OK);
        EXPECT_EQ(start, expected);
        EXPECT_EQ(end, expected + 1000000);
        EXPECT_EQ(real.sample->IsSyncPoint(), S_OK);
    }
    EXPECT_EQ(stream_->OnThreadCreate(), S_OK);
    ASSERT_EQ(stream_->FillBuffer(real.sample.Get()), S_OK);
    REFERENCE_TIME start = -1, end = -1;
    ASSERT_EQ(real.sample->GetTime(&start, &end), S_OK);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(stream_->FillBuffer(nullptr), E_POINTER);
}

TEST_F(CamStreamTest, RunningGraphDeliversStampedSamplesFromZeroOnEachRun)
{
    UseMode(7);
    ComRef<IGraphBuilder> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.PutVoid()),
              S_OK);
    ASSERT_EQ(graph->AddFilter(filter_.Get(), L"Veltrane"), S_OK);
    ComRef<IBaseFilter> grabberFilter, renderer;
    ComRef<ISampleGrabber> grabber;
    ASSERT_EQ(AddSampleGrabber(graph.Get(), grabberFilter, grabber), S_OK);
    ASSERT_EQ(AddNullRenderer(graph.Get(), renderer), S_OK);
    ASSERT_EQ(ConnectFilters(graph.Get(), filter_.Get(), grabberFilter.Get()), S_OK);
    ASSERT_EQ(ConnectFilters(graph.Get(), grabberFilter.Get(), renderer.Get()), S_OK);
    TimeRecorder recorder;
    ASSERT_EQ(grabber->SetCallback(&recorder, 0), S_OK);
    // Without a clock the renderer takes samples as fast as they come.
    ComRef<IMediaFilter> mediaFilter;
    ASSERT_EQ(graph.QueryInterface(IID_IMediaFilter, mediaFilter), S_OK);
    ASSERT_EQ(mediaFilter->SetSyncSource(nullptr), S_OK);
    ComRef<IMediaControl> control;
    ASSERT_EQ(graph.QueryInterface(IID_IMediaControl, control), S_OK);

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        recorder.Clear();
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        std::vector<TimeRecorder::Stamp> times = recorder.WaitFor(3);
        ASSERT_EQ(control->Stop(), S_OK);
        ASSERT_GE(times.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(times[i].start, static_cast<REFERENCE_TIME>(i) * 1000000) << i;
            EXPECT_EQ(times[i].end, static_cast<REFERENCE_TIME>(i + 1) * 1000000) << i;
            EXPECT_TRUE(times[i].sync) << i;
        }
    }
    ASSERT_EQ(grabber->SetCallback(nullptr, 0), S_OK);
}

TEST_F(CamStreamTest, LargerBufferGetsTheImageAndItsLengthAndAnUnknownModeGivesBlack)
{
    UsePlaceholderFolder(VELTRANE_TEST_DATA);
    UseEmptyPictures();
    std::vector<BYTE> placeholder(kFullFrameBytes);
    RenderFrame(placeholder.data(), kFrameWidth, kFrameHeight);
    ASSERT_FALSE(AllBytesAre(placeholder, 0));

    RealSample larger(static_cast<long>(kFullFrameBytes) * 2);
    ASSERT_TRUE(larger.sample);
    larger.Fill(0xA5);
    ASSERT_EQ(stream_->FillBuffer(larger.sample.Get()), S_OK);
    EXPECT_EQ(larger.sample->GetActualDataLength(), static_cast<long>(kFullFrameBytes));
    std::vector<BYTE> bytes = larger.Bytes();
    bytes.resize(kFullFrameBytes);
    EXPECT_TRUE(bytes == placeholder);

    // No input for the mode: black, never the buffer's old bytes.
    for (int32_t mode : {0, 7}) {
        UseMode(mode);
        larger.Fill(0xA5);
        ASSERT_EQ(stream_->FillBuffer(larger.sample.Get()), S_OK);
        bytes = larger.Bytes();
        bytes.resize(kFullFrameBytes);
        EXPECT_TRUE(AllBytesAre(bytes, 0)) << mode;
    }
}

TEST_F(CamStreamTest, SampleWithoutABufferOrTooSmallIsDroppedNotDelivered)
{
    UseMode(7);
    RealSample real(static_cast<long>(kFullFrameBytes));
    ASSERT_TRUE(real.sample);
    NoBufferSample broken(real.sample.Get());
    EXPECT_EQ(stream_->FillBuffer(&broken), CSourceStream::S_SAMPLE_DROPPED);
    RealSample tooSmall(static_cast<long>(kFullFrameBytes) - 3);
    ASSERT_TRUE(tooSmall.sample);
    EXPECT_EQ(stream_->FillBuffer(tooSmall.sample.Get()), CSourceStream::S_SAMPLE_DROPPED);
}

TEST_F(CamStreamTest, EmptyPicturesFolderShowsTheNoPicturesPlaceholder)
{
    UsePlaceholderFolder(VELTRANE_TEST_DATA);
    UseEmptyPictures();
    std::vector<BYTE> buffer(kFullFrameBytes, 0x5A);
    RenderFrame(buffer.data(), kFrameWidth, kFrameHeight);

    std::vector<uint8_t> expected;
    ASSERT_TRUE(LoadPictureFrame(std::wstring(VELTRANE_TEST_DATA) + L"Data\\nopictures.jpg", 640, 480, expected));
    ASSERT_EQ(expected.size(), buffer.size());
    // Drawn on a 32-bit canvas instead of a 24-bit one: the same picture up to rounding.
    size_t different = 0;
    for (size_t i = 0; i < buffer.size(); ++i)
        if (std::abs(static_cast<int>(buffer[i]) - static_cast<int>(expected[i])) > 8) ++different;
    EXPECT_LT(different, buffer.size() / 100);
    EXPECT_FALSE(AllBytesAre(buffer, 0));
}

TEST_F(CamStreamTest, PlaceholderIsFittedWithBlackBands)
{
    // A wide picture (8 : 3) fills 640 x 240 in the middle of the frame.
    TempDir module;
    ASSERT_TRUE(CreateFolder(module.File(L"Data")));
    ASSERT_TRUE(WriteSolidPicture(module.File(L"Data\\nopictures.jpg"), 800, 300, 0xFFFFFFFF));
    UsePlaceholderFolder(module.Path() + L"\\");
    UseEmptyPictures();
    std::vector<BYTE> frame(kFullFrameBytes, 0x5A);
    RenderFrame(frame.data(), kFrameWidth, kFrameHeight);

    auto pixel = [&frame](int x, int yFromTop) {
        return frame.data() + (static_cast<size_t>(479 - yFromTop) * 640 + static_cast<size_t>(x)) * 3;
    };
    for (int y : {0, 60, 119, 360, 479}) {
        SCOPED_TRACE(y);
        for (int x : {0, 320, 639}) EXPECT_EQ(pixel(x, y)[0] + pixel(x, y)[1] + pixel(x, y)[2], 0) << x;
    }
    for (int y : {125, 240, 354}) {
        SCOPED_TRACE(y);
        for (int x : {2, 320, 637}) EXPECT_GE(pixel(x, y)[1], 240) << x;
    }
}

TEST_F(CamStreamTest, MissingPlaceholderFileGivesBlack)
{
    TempDir module;
    UsePlaceholderFolder(module.Path() + L"\\");
    UseEmptyPictures();
    std::vector<BYTE> buffer(kFullFrameBytes, 0x5A);
    RenderFrame(buffer.data(), kFrameWidth, kFrameHeight);
    EXPECT_TRUE(AllBytesAre(buffer, 0));
}

TEST_F(CamStreamTest, SmallerConnectedSizeGetsTheFullFrameScaledDown)
{
    UsePlaceholderFolder(VELTRANE_TEST_DATA);
    UseEmptyPictures();
    std::vector<BYTE> full(kFullFrameBytes);
    RenderFrame(full.data(), kFrameWidth, kFrameHeight);

    ComRef<IAMStreamConfig> config = Config();
    for (int n : {1, 4, 7}) {
        SCOPED_TRACE(n);
        CMediaType small = ListedType(80 * n, 60 * n);
        ASSERT_EQ(config->SetFormat(&small), S_OK);
        FrameScaler scaler;
        ASSERT_TRUE(scaler.Prepare(640, 480, 80 * n, 60 * n));
        std::vector<BYTE> expected(scaler.DestinationBytes());
        scaler.Scale(full.data(), expected.data());

        RealSample sample(static_cast<long>(expected.size()));
        ASSERT_TRUE(sample.sample);
        sample.Fill(0x5A);
        ASSERT_EQ(stream_->FillBuffer(sample.sample.Get()), S_OK);
        EXPECT_TRUE(sample.Bytes() == expected);
    }
    // With no input selected the sample is black at every size.
    UseMode(7);
    RealSample black(static_cast<long>(FrameBytes(560, 420)));
    ASSERT_TRUE(black.sample);
    black.Fill(0x5A);
    ASSERT_EQ(stream_->FillBuffer(black.sample.Get()), S_OK);
    EXPECT_TRUE(AllBytesAre(black.Bytes(), 0));
}

}  // namespace
