// The registered camera under a host's rougher use: inputs switched from another thread while the graph runs,
// many filter objects created and released, and calls with bad arguments.
#include "CameraEndToEnd.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "filter/IData.h"
#include "filter/framework/CritSec.h"
#include "filter/sources/GdiplusCanvas.h"
#include "support/ProcessResources.h"

namespace {

// Sorts every delivered frame by what it shows, without keeping it: the picture, a whole test camera frame, or
// black (a camera that has not delivered yet). Anything else is part of one input and part of another.
class FrameSorter : public OwnedGrabberCallback {
public:
    explicit FrameSorter(std::vector<uint8_t> picture) : picture_(std::move(picture)) {}

    std::atomic<long> pictures{0};
    std::atomic<long> cameraFrames{0};
    std::atomic<long> black{0};
    std::atomic<long> torn{0};

    long Total() const { return pictures + cameraFrames + black + torn; }
    CapturedFrame FirstTorn()
    {
        CAutoLock lock(&lock_);
        return firstTorn_;
    }

    HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample* sample) override
    {
        BYTE* data = nullptr;
        if (!sample || FAILED(sample->GetPointer(&data)) || !data) return S_OK;
        CapturedFrame frame;
        frame.bytes.assign(data, data + std::max(0L, sample->GetActualDataLength()));
        if (frame.bytes == picture_)
            ++pictures;
        else if (IsTestCameraFrame(frame))
            ++cameraFrames;
        else if (IsAllZero(frame.bytes))
            ++black;
        else if (torn++ == 0) {
            CAutoLock lock(&lock_);
            firstTorn_ = std::move(frame);
        }
        return S_OK;
    }

private:
    const std::vector<uint8_t> picture_;
    CCritSec lock_;
    CapturedFrame firstTorn_;
};

struct Switcher {
    IData* data = nullptr;
    int switches = 0;
    std::atomic<int> done{0};
};

DWORD WINAPI SwitchModes(void* context)
{
    auto* switcher = static_cast<Switcher*>(context);
    for (int i = 0; i < switcher->switches; ++i) {
        (void)switcher->data->SetGlobalType(i % 2 == 0 ? kCameraMode : kPicturesMode);
        // Irregular gaps, from none to longer than a frame, so switches land at every point of a frame.
        Sleep(static_cast<DWORD>((i * 7) % 13));
        ++switcher->done;
    }
    return 0;
}

TEST_F(CameraEndToEnd, SwitchingInputsFromAnotherThreadNeverTearsAFrameOrDeadlocks)
{
    ASSERT_TRUE(WriteSolidPicture(folder_.File(L"red.png"), kWidth, kHeight, 0xFFFF0000u));
    std::vector<uint8_t> red;
    ASSERT_TRUE(LoadPictureFrame(folder_.File(L"red.png"), kWidth, kHeight, red));
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 600000, 100, 1));
    ASSERT_TRUE(settings_.String(L"ActiveCamera", L"Test Camera"));

    FrameSorter sorter(red);
    CameraGraph camera;
    ASSERT_EQ(camera.Open(), S_OK);
    ASSERT_EQ(camera.Connect(&sorter), S_OK);
    ASSERT_EQ(camera.graph.RemoveClock(), S_OK);
    ComRef<IData> data;
    ASSERT_EQ(camera.device->QueryInterface(IID_IData, data.PutVoid()), S_OK);
    ASSERT_GE(camera.graph.Run(), 0);

    Switcher switcher;
    switcher.data = data.Get();
    switcher.switches = 200;
    HANDLE thread = CreateThread(nullptr, 0, SwitchModes, &switcher, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    const DWORD waited = WaitForSingleObject(thread, 180000);
    CloseHandle(thread);
    if (waited != WAIT_OBJECT_0) {
        // The switching thread is stuck inside the camera: nothing can be cleaned up.
        ADD_FAILURE() << "deadlock: " << switcher.done << " of 200 switches done";
        std::fflush(nullptr);
        TerminateProcess(GetCurrentProcess(), 3);
    }

    // The stream goes on after the last switch (to the pictures).
    const long before = sorter.pictures;
    const ULONGLONG deadline = GetTickCount64() + kFirstFrameMs;
    while (sorter.pictures == before && GetTickCount64() < deadline) Sleep(20);
    EXPECT_GT(sorter.pictures, before);
    camera.graph.Stop();

    EXPECT_GT(sorter.cameraFrames, 0);
    EXPECT_EQ(sorter.torn, 0);
    if (sorter.torn > 0) {
        const CapturedFrame frame = sorter.FirstTorn();
        ADD_FAILURE() << "a torn frame of " << frame.bytes.size() << " bytes; top-left pixel "
                      << int(PixelAt(frame, 0, 0)[2]) << "," << int(PixelAt(frame, 0, 0)[1]) << ","
                      << int(PixelAt(frame, 0, 0)[0]);
    }
    std::printf("%ld frames: %ld pictures, %ld camera, %ld black\n", sorter.Total(), sorter.pictures.load(),
                sorter.cameraFrames.load(), sorter.black.load());
}

TEST_F(CameraEndToEnd, RunAndStopInQuickSuccessionNeverHangs)
{
    ASSERT_TRUE(WriteSolidPicture(folder_.File(L"red.png"), kWidth, kHeight, 0xFFFF0000u));
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    CameraGraph camera;
    ASSERT_NO_FATAL_FAILURE(Start(camera));
    camera.graph.Stop();
    // A host starting and stopping its preview faster than frames come.
    for (int i = 0; i < 100; ++i) {
        ASSERT_GE(camera.graph.Run(), 0) << i;
        if (i % 3 == 1) Sleep(1);
        camera.graph.Stop();
    }
    recorder_.TakeNew();
    ASSERT_GE(camera.graph.Run(), 0);
    std::vector<CapturedFrame> frames;
    EXPECT_TRUE(recorder_.WaitForCount(2, kFirstFrameMs, &frames));
    camera.graph.Stop();
}

// Handles that one enumeration of the video input category leaves open in this process however carefully its
// objects are released (Wine's device enumerator keeps a registry key per enumerator and per device).
size_t HandlesLeftByOneDeviceEnumeration()
{
    constexpr int kRounds = 10;
    (void)ListVideoInputDevices();
    const size_t before = CountOpenHandles();
    for (int i = 0; i < kRounds; ++i) (void)ListVideoInputDevices();
    const size_t after = CountOpenHandles();
    return after > before ? (after - before + kRounds - 1) / kRounds : 0;
}

TEST_F(CameraEndToEnd, ManyFilterObjectsComeAndGoLeavingNothingBehind)
{
    ASSERT_TRUE(WriteSolidPicture(folder_.File(L"red.png"), kWidth, kHeight, 0xFFFF0000u));
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    auto createAndRelease = [] {
        ComRef<IBaseFilter> filter;
        return CoCreateInstance(kVeltraneClass, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.PutVoid());
    };
    // The first object loads the module and may start the runtime's own lasting helpers.
    ASSERT_EQ(createAndRelease(), S_OK);
    constexpr size_t kObjects = 200;
    // Every object reads the camera list once when it loads the settings; a few more handles may be made once by
    // the runtime on the way (the shell's notification area, say). A leak per object shows as hundreds.
    constexpr size_t kOnceOnly = 8;
    const size_t runtimeAllowance = kObjects * HandlesLeftByOneDeviceEnumeration() + kOnceOnly;
    const size_t threadsBefore = CountThreads();
    const size_t handlesBefore = CountOpenHandles();
    ASSERT_NE(threadsBefore, 0u);
    ASSERT_NE(handlesBefore, 0u);
    for (size_t i = 0; i < kObjects; ++i) ASSERT_EQ(createAndRelease(), S_OK) << i;

    EXPECT_EQ(Module().CanUnloadNow(), S_OK);
    // Threads that were told to end may take a moment to be gone from the system's tables.
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while ((CountThreads() > threadsBefore || CountOpenHandles() > handlesBefore + runtimeAllowance) &&
           GetTickCount64() < deadline)
        Sleep(50);
    EXPECT_LE(CountThreads(), threadsBefore);
    EXPECT_LE(CountOpenHandles(), handlesBefore + runtimeAllowance) << "the runtime's share: " << runtimeAllowance;
}

TEST_F(CameraEndToEnd, BadArgumentsFromAHostAreRefusedAndTheCameraStillWorks)
{
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    CameraGraph camera;
    ASSERT_EQ(camera.Open(), S_OK);

    ComRef<IAMStreamConfig> config;
    ASSERT_EQ(camera.pin->QueryInterface(IID_IAMStreamConfig, config.PutVoid()), S_OK);
    int count = 0, size = 0;
    EXPECT_EQ(config->GetNumberOfCapabilities(nullptr, &size), E_POINTER);
    EXPECT_EQ(config->GetNumberOfCapabilities(&count, nullptr), E_POINTER);
    VIDEO_STREAM_CONFIG_CAPS caps;
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(config->GetStreamCaps(0, nullptr, reinterpret_cast<BYTE*>(&caps)), E_POINTER);
    EXPECT_EQ(config->GetStreamCaps(0, &type, nullptr), E_POINTER);
    EXPECT_EQ(config->GetFormat(nullptr), E_POINTER);
    EXPECT_EQ(config->SetFormat(nullptr), E_POINTER);
    // A sound format, and a video format whose block is too short to hold a VIDEOINFOHEADER.
    WAVEFORMATEX wave{};
    AM_MEDIA_TYPE audio{};
    audio.majortype = MEDIATYPE_Audio;
    audio.formattype = FORMAT_WaveFormatEx;
    audio.cbFormat = sizeof wave;
    audio.pbFormat = reinterpret_cast<BYTE*>(&wave);
    EXPECT_TRUE(FAILED(config->SetFormat(&audio)));
    BYTE shortBlock[16] = {};
    AM_MEDIA_TYPE shortVideo{};
    shortVideo.majortype = MEDIATYPE_Video;
    shortVideo.subtype = MEDIASUBTYPE_RGB24;
    shortVideo.formattype = FORMAT_VideoInfo;
    shortVideo.cbFormat = sizeof shortBlock;
    shortVideo.pbFormat = shortBlock;
    EXPECT_TRUE(FAILED(config->SetFormat(&shortVideo)));

    ComRef<IKsPropertySet> properties;
    ASSERT_EQ(camera.pin->QueryInterface(IID_IKsPropertySet, properties.PutVoid()), S_OK);
    // No buffer: only the size is reported; neither buffer nor size: refused; a short buffer is not written.
    DWORD returned = 0;
    EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr, 0, &returned), S_OK);
    EXPECT_EQ(returned, sizeof(GUID));
    EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, nullptr, 0, nullptr), E_POINTER);
    BYTE shortGuid[sizeof(GUID) - 1] = {};
    EXPECT_TRUE(FAILED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, shortGuid,
                                       sizeof shortGuid, nullptr)));
    EXPECT_TRUE(IsAllZero(std::vector<uint8_t>(shortGuid, shortGuid + sizeof shortGuid)));
    EXPECT_EQ(properties->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr), S_OK);

    ComRef<IData> data;
    ASSERT_EQ(camera.device->QueryInterface(IID_IData, data.PutVoid()), S_OK);
    EXPECT_EQ(data->GetPicturesDirectory(nullptr), E_POINTER);
    EXPECT_EQ(data->GetDesktopIndex(nullptr), E_POINTER);
    EXPECT_EQ(data->GetMonitorName(nullptr, 0), E_POINTER);
    // Setters keep 259 characters at most; getters write at most 260 including the terminator.
    for (size_t length : {259u, 260u, 1000u}) {
        const std::wstring path(length, L'p');
        ASSERT_EQ(data->SetVideoFile(path.c_str()), S_OK);
        wchar_t buffer[kIDataBufferChars + 8];
        wmemset(buffer, L'#', kIDataBufferChars + 8);
        ASSERT_EQ(data->GetVideoFile(buffer), S_OK);
        EXPECT_EQ(std::wcslen(buffer), std::min<size_t>(length, kIDataBufferChars - 1)) << length;
        for (size_t i = kIDataBufferChars; i < kIDataBufferChars + 8; ++i) EXPECT_EQ(buffer[i], L'#') << length;
    }
    int32_t index = -1;
    for (int32_t value : {INT_MIN, -1, 0, 1, 16, INT_MAX}) {
        ASSERT_EQ(data->SetDesktopIndex(value), S_OK);
        ASSERT_EQ(data->GetDesktopIndex(&index), S_OK);
        char name[kIDataBufferChars] = {};
        ASSERT_EQ(data->GetMonitorName(name, index), S_OK);
        EXPECT_NE(name[0], '\0') << value << " chose " << index;
    }

    // None of this changed what the camera delivers.
    ASSERT_EQ(data->SetGlobalType(kPicturesMode), S_OK);
    ASSERT_EQ(camera.Connect(&recorder_), S_OK);
    EXPECT_EQ(camera.width, kWidth);
    EXPECT_EQ(camera.height, kHeight);
    ASSERT_EQ(camera.graph.RemoveClock(), S_OK);
    ASSERT_GE(camera.graph.Run(), 0);
    std::vector<CapturedFrame> frames;
    EXPECT_TRUE(recorder_.WaitForCount(2, kFirstFrameMs, &frames));
    camera.graph.Stop();
}

}  // namespace
