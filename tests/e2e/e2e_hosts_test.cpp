// The registered camera as hosts of every kind use it: each offered size, the formats a host may ask for, the pace
// of a live source against the graph's clock, a preview through the capture graph builder's Smart Tee into a video
// renderer, and filter objects of one process sharing the live inputs.
#include "CameraEndToEnd.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "filter/FrameScaler.h"
#include "filter/IData.h"
#include "filter/framework/MediaType.h"
#include "filter/sources/GdiplusCanvas.h"
#include "filter/sources/GraphOperations.h"
#include "support/CoverWindow.h"
#include "support/WaitUntil.h"
#include "tools/GreedySink.h"

namespace {

// A call into a graph still running after this long is taken as hung.
constexpr DWORD kHangMs = 10000;

double Milliseconds(LONGLONG counterTicks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return counterTicks * 1000.0 / frequency.QuadPart;
}

LONGLONG Counter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Handles the messages of windows of this thread until nothing is waiting.
void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

struct WatchedCall {
    std::function<void()> call;
};

DWORD WINAPI RunWatchedCall(void* context)
{
    std::unique_ptr<WatchedCall> watched(static_cast<WatchedCall*>(context));
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    watched->call();
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

// Runs `call` on a thread of its own while this thread keeps handling its windows' messages (a video renderer's
// window may belong to it). The milliseconds the call took, or -1 when it had not returned after kHangMs: its
// thread is then left inside the call.
double TimedCall(std::function<void()> call)
{
    auto* watched = new WatchedCall{std::move(call)};
    const LONGLONG started = Counter();
    HANDLE thread = CreateThread(nullptr, 0, RunWatchedCall, watched, 0, nullptr);
    if (!thread) {
        delete watched;
        return -1;
    }
    const ULONGLONG deadline = GetTickCount64() + kHangMs;
    bool returned = false;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) break;
        const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, static_cast<DWORD>(deadline - now),
                                                      QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) {
            returned = true;
            break;
        }
        PumpMessages();
    }
    const double elapsed = Milliseconds(Counter() - started);
    CloseHandle(thread);
    return returned ? elapsed : -1;
}

// A host's graph of the camera whose state changes are watched: one that does not return within kHangMs fails the
// test, and the graph is then left to the hung call, never released, so that the test run goes on.
class WatchedGraph {
public:
    WatchedGraph() : camera_(new CameraGraph) {}
    ~WatchedGraph()
    {
        if (camera_) (void)Stop();
    }
    WatchedGraph(const WatchedGraph&) = delete;
    WatchedGraph& operator=(const WatchedGraph&) = delete;

    CameraGraph* operator->() const { return camera_.get(); }

    // What the graph answered, or E_ABORT when the call hung.
    HRESULT Run() { return Change("Run", [](CaptureGraph& graph) { return graph.Run(); }).result; }
    // The milliseconds the call took, or -1 when it hung.
    double Pause() { return Change("Pause", [](CaptureGraph& graph) { return graph.Pause(); }).ms; }
    double Stop()
    {
        return Change("Stop", [](CaptureGraph& graph) {
                   graph.Stop();
                   return S_OK;
               })
            .ms;
    }

private:
    struct Outcome {
        HRESULT result;
        double ms;
    };

    Outcome Change(const char* what, HRESULT (*change)(CaptureGraph&))
    {
        if (!camera_) return {E_ABORT, -1};
        CaptureGraph* graph = &camera_->graph;
        // Shared with the call's thread, which may outlive this frame.
        auto result = std::make_shared<std::atomic<HRESULT>>(E_ABORT);
        const double ms = TimedCall([graph, change, result] { *result = change(*graph); });
        if (ms < 0) {
            ADD_FAILURE() << what << " did not return within " << kHangMs << " ms";
            (void)camera_.release();
            return {E_ABORT, -1};
        }
        return {result->load(), ms};
    }

    std::unique_ptr<CameraGraph> camera_;
};

// Opens the camera, sets the size and frame period when asked (through its stream capabilities, as hosts do),
// connects it straight to `sink` and runs it with the graph's clock or with none.
void RunToSink(WatchedGraph& camera, GreedySink* sink, bool clock, int width = 0, int height = 0,
               REFERENCE_TIME frameTime = 0)
{
    ASSERT_EQ(camera->Open(), S_OK);
    if (width > 0) {
        ASSERT_EQ(SelectCaptureSize(camera->pin.Get(), width, height, frameTime), S_OK);
    }
    ASSERT_EQ(camera->graph.ConnectRenderer(camera->pin.Get(), sink), S_OK);
    if (!clock) {
        ASSERT_EQ(camera->graph.RemoveClock(), S_OK);
    }
    ASSERT_GE(camera.Run(), 0);
}

// The area average of a 640 x 480 frame at width x height, as the camera's scaler computes it (which its own tests
// hold against an exact reference).
std::vector<uint8_t> ScaledDown(const std::vector<uint8_t>& full, int width, int height)
{
    FrameScaler scaler;
    if (!scaler.Prepare(kWidth, kHeight, width, height) || full.size() != scaler.SourceBytes()) return {};
    std::vector<uint8_t> scaled(scaler.DestinationBytes());
    scaler.Scale(full.data(), scaled.data());
    return scaled;
}

// The third sample of the camera at width x height, free running. The input is shared by the process's camera
// objects, so a graph kept running before (see KeepInputReady) has it ready with its picture.
void CaptureFrame(int width, int height, std::vector<uint8_t>* frame)
{
    ComRef<GreedySink> sink = GreedySink::Create(3);
    WatchedGraph camera;
    ASSERT_NO_FATAL_FAILURE(RunToSink(camera, sink.Get(), false, width, height));
    ASSERT_TRUE(sink->WaitForCount(3, kFirstFrameMs));
    ASSERT_GE(camera.Stop(), 0);
    std::vector<SinkArrival> arrivals = sink->Take();
    ASSERT_GE(arrivals.size(), 3u);
    *frame = std::move(arrivals[2].bytes);
}

// A picture with detail at every scale: one-pixel stripes, small squares and gradients, so that any scaler other
// than an area average gives other bytes.
uint32_t Detailed(int x, int y)
{
    const uint32_t red = (x % 2 == 0 ? 200u : 30u) + static_cast<uint32_t>(y % 16);
    const uint32_t green = ((x / 3 + y / 3) % 2 == 0 ? 0u : 160u) + static_cast<uint32_t>(x * 95 / 639);
    const uint32_t blue = static_cast<uint32_t>((x ^ y) & 0xFF);
    return 0xFF000000u | red << 16 | green << 8 | blue;
}

TEST_F(CameraEndToEnd, EveryOfferedSizeShowsTheFrameAreaAveragedDown)
{
    const std::wstring picture = folder_.File(L"detailed.png");
    ASSERT_TRUE(WriteTestPicture(picture, kWidth, kHeight, Detailed));
    std::vector<uint8_t> expected;
    ASSERT_TRUE(LoadPictureFrame(picture, kWidth, kHeight, expected));
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 600000, 100, 3));
    CameraGraph keeper;
    ASSERT_NO_FATAL_FAILURE(KeepInputReady(keeper));

    std::vector<uint8_t> full;
    ASSERT_NO_FATAL_FAILURE(CaptureFrame(kWidth, kHeight, &full));
    ASSERT_TRUE(full == expected) << "the 640 x 480 frame is not the picture";
    for (int n = 1; n <= 7; ++n) {
        const int width = 80 * n, height = 60 * n;
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        std::vector<uint8_t> frame;
        ASSERT_NO_FATAL_FAILURE(CaptureFrame(width, height, &frame));
        EXPECT_TRUE(frame == ScaledDown(full, width, height));
    }
}

TEST_F(CameraEndToEnd, AtASmallerSizeAFailingInputShowsItsPlaceholderAreaAveragedDown)
{
    std::vector<uint8_t> placeholder;
    ASSERT_TRUE(LoadPictureFrame(CameraFolder() + L"Data\\nopictures.jpg", kWidth, kHeight, placeholder));
    ASSERT_FALSE(IsAllZero(placeholder));
    // The folder is empty.
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    CameraGraph keeper;
    ASSERT_NO_FATAL_FAILURE(KeepInputReady(keeper));
    std::vector<uint8_t> frame;
    ASSERT_NO_FATAL_FAILURE(CaptureFrame(320, 240, &frame));
    EXPECT_TRUE(frame == ScaledDown(placeholder, 320, 240));
}

ComRef<IAMStreamConfig> StreamConfigOf(CameraGraph& camera)
{
    ComRef<IAMStreamConfig> config;
    if (camera.pin) (void)camera.pin->QueryInterface(IID_IAMStreamConfig, config.PutVoid());
    return config;
}

const VIDEOINFOHEADER& HeaderOf(const AM_MEDIA_TYPE& type)
{
    return *reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

// Frees a media type handed out by the pin when the holder goes.
struct PinType {
    AM_MEDIA_TYPE* type = nullptr;
    ~PinType() { DeleteMediaType(type); }
    AM_MEDIA_TYPE** Put()
    {
        DeleteMediaType(type);
        type = nullptr;
        return &type;
    }
    bool IsVideoInfo() const { return type && type->pbFormat && type->cbFormat >= sizeof(VIDEOINFOHEADER); }
};

TEST_F(CameraEndToEnd, StreamCapsDescribeTenSizesAndAnswerPastTheLastIndex)
{
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    CameraGraph camera;
    ASSERT_EQ(camera.Open(), S_OK);
    ComRef<IAMStreamConfig> config = StreamConfigOf(camera);
    ASSERT_TRUE(config);
    int count = 0, size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(count, 10);
    EXPECT_EQ(size, static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)));

    // Every index below the count answers: 0 is 640 x 480, 8 and 9 the HD sizes.
    const int widths[] = {640, 80, 160, 240, 320, 400, 480, 560, 1280, 1920};
    const int heights[] = {480, 60, 120, 180, 240, 300, 360, 420, 720, 1080};
    for (int index = 0; index < 10; ++index) {
        SCOPED_TRACE(index);
        VIDEO_STREAM_CONFIG_CAPS caps{};
        PinType type;
        ASSERT_EQ(config->GetStreamCaps(index, type.Put(), reinterpret_cast<BYTE*>(&caps)), S_OK);
        ASSERT_TRUE(type.IsVideoInfo());
        EXPECT_TRUE(IsEqualGUID(type.type->majortype, MEDIATYPE_Video));
        EXPECT_TRUE(IsEqualGUID(type.type->subtype, MEDIASUBTYPE_RGB24));
        EXPECT_TRUE(IsEqualGUID(type.type->formattype, FORMAT_VideoInfo));
        EXPECT_TRUE(IsEqualGUID(caps.guid, FORMAT_VideoInfo));
        const BITMAPINFOHEADER& bitmap = HeaderOf(*type.type).bmiHeader;
        EXPECT_EQ(bitmap.biWidth, widths[index]);
        EXPECT_EQ(bitmap.biHeight, heights[index]);
        EXPECT_EQ(bitmap.biBitCount, 24);
        EXPECT_EQ(bitmap.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(bitmap.biSizeImage, static_cast<DWORD>(widths[index] * heights[index] * 3));
    }
    struct Past {
        int index;
        HRESULT expected;
    };
    for (const Past& past : {Past{10, S_FALSE}, Past{11, S_FALSE}, Past{INT_MAX, S_FALSE}, Past{-1, E_INVALIDARG},
                             Past{INT_MIN, E_INVALIDARG}}) {
        VIDEO_STREAM_CONFIG_CAPS caps{};
        PinType type;
        EXPECT_EQ(config->GetStreamCaps(past.index, type.Put(), reinterpret_cast<BYTE*>(&caps)), past.expected)
            << past.index;
        EXPECT_EQ(type.type, nullptr) << past.index;
    }
}

std::string DescribeFormat(int width, int height, REFERENCE_TIME frameTime)
{
    return "RGB24 " + std::to_string(width) + " x " + std::to_string(height) + ", 24 bits, " +
           std::to_string(width * height * 3) + " bytes, every " + std::to_string(frameTime) + " x 100 ns";
}

std::string DescribeFormat(const AM_MEDIA_TYPE& type)
{
    const VIDEOINFOHEADER& header = HeaderOf(type);
    return std::string(IsEqualGUID(type.subtype, MEDIASUBTYPE_RGB24) ? "RGB24 " : "not RGB24 ") +
           std::to_string(header.bmiHeader.biWidth) + " x " + std::to_string(header.bmiHeader.biHeight) + ", " +
           std::to_string(header.bmiHeader.biBitCount) + " bits, " + std::to_string(header.bmiHeader.biSizeImage) +
           " bytes, every " + std::to_string(header.AvgTimePerFrame) + " x 100 ns";
}

struct FormatCase {
    const char* what;
    // The type from GetStreamCaps the host starts from, and what it changes in it.
    int capsIndex;
    std::function<void(AM_MEDIA_TYPE&, VIDEOINFOHEADER&)> edit;
    // Accepted: the current type afterwards (frame period 0: the one the offered type had). Refused (0 x 0):
    // VFW_E_INVALIDMEDIATYPE and no change.
    int width;
    int height;
    REFERENCE_TIME frameTime;
};

TEST_F(CameraEndToEnd, SetFormatTakesOfferedTypesAsHostsEditThemAndRefusesAnyOther)
{
    auto size = [](LONG width, LONG height) {
        return [width, height](AM_MEDIA_TYPE&, VIDEOINFOHEADER& header) {
            header.bmiHeader.biWidth = width;
            header.bmiHeader.biHeight = height;
        };
    };
    auto frameTime = [](REFERENCE_TIME time) {
        return [time](AM_MEDIA_TYPE&, VIDEOINFOHEADER& header) { header.AvgTimePerFrame = time; };
    };
    auto none = [](AM_MEDIA_TYPE&, VIDEOINFOHEADER&) {};
    const FormatCase cases[] = {
        {"640 x 480 as offered", 0, none, 640, 480, 0},
        {"240 x 180 as offered", 3, none, 240, 180, 0},
        {"560 x 420 as offered", 7, none, 560, 420, 0},
        {"1280 x 720 as offered", 8, none, 1280, 720, 0},
        {"1920 x 1080 as offered, at 30 frames per second", 9, frameTime(333333), 1920, 1080, 333333},
        {"edited to 320 x 240, image size left at 640 x 480's", 0, size(320, 240), 320, 240, 0},
        {"edited to 80 x 60, image size 0", 0,
         [](AM_MEDIA_TYPE& type, VIDEOINFOHEADER& header) {
             header.bmiHeader.biWidth = 80;
             header.bmiHeader.biHeight = 60;
             header.bmiHeader.biSizeImage = 0;
             type.lSampleSize = 0;
         },
         80, 60, 0},
        {"30 frames per second", 0, frameTime(333333), 640, 480, 333333},
        {"50 frames per second", 0, frameTime(200000), 640, 480, 200000},
        {"one frame in five seconds", 0, frameTime(50000000), 640, 480, 50000000},
        {"no frame period", 0, frameTime(0), 640, 480, 1000000},
        {"a period just too short", 0, frameTime(199999), 640, 480, 1000000},
        {"a period just too long", 0, frameTime(50000001), 640, 480, 1000000},
        {"a negative period", 0, frameTime(-333333), 640, 480, 1000000},
        {"RGB32 subtype", 0, [](AM_MEDIA_TYPE& type, VIDEOINFOHEADER&) { type.subtype = MEDIASUBTYPE_RGB32; }, 0, 0,
         0},
        {"YUY2 subtype", 0, [](AM_MEDIA_TYPE& type, VIDEOINFOHEADER&) { type.subtype = MEDIASUBTYPE_YUY2; }, 0, 0, 0},
        {"32 bits per pixel", 0,
         [](AM_MEDIA_TYPE&, VIDEOINFOHEADER& header) { header.bmiHeader.biBitCount = 32; }, 0, 0, 0},
        {"BI_BITFIELDS", 0,
         [](AM_MEDIA_TYPE&, VIDEOINFOHEADER& header) { header.bmiHeader.biCompression = BI_BITFIELDS; }, 0, 0, 0},
        {"top-down rows", 0, size(640, -480), 0, 0, 0},
        {"100 x 100", 0, size(100, 100), 0, 0, 0},
        {"1280 x 960", 0, size(1280, 960), 0, 0, 0},
        {"another format type", 0,
         [](AM_MEDIA_TYPE& type, VIDEOINFOHEADER&) { type.formattype = FORMAT_VideoInfo2; }, 0, 0, 0},
        {"a format block one byte short", 0,
         [](AM_MEDIA_TYPE& type, VIDEOINFOHEADER&) { type.cbFormat = sizeof(VIDEOINFOHEADER) - 1; }, 0, 0, 0},
    };

    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    CameraGraph camera;
    ASSERT_EQ(camera.Open(), S_OK);
    ComRef<IAMStreamConfig> config = StreamConfigOf(camera);
    ASSERT_TRUE(config);
    VIDEO_STREAM_CONFIG_CAPS caps{};
    // The type each case starts from: 160 x 120 at 20 frames per second.
    PinType known;
    ASSERT_EQ(config->GetStreamCaps(2, known.Put(), reinterpret_cast<BYTE*>(&caps)), S_OK);
    ASSERT_TRUE(known.IsVideoInfo());
    reinterpret_cast<VIDEOINFOHEADER*>(known.type->pbFormat)->AvgTimePerFrame = 500000;

    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(config->SetFormat(known.type), S_OK);
        PinType offered;
        ASSERT_EQ(config->GetStreamCaps(c.capsIndex, offered.Put(), reinterpret_cast<BYTE*>(&caps)), S_OK);
        ASSERT_TRUE(offered.IsVideoInfo());
        const REFERENCE_TIME offeredFrameTime = HeaderOf(*offered.type).AvgTimePerFrame;
        c.edit(*offered.type, *reinterpret_cast<VIDEOINFOHEADER*>(offered.type->pbFormat));
        const bool accepted = c.width > 0;
        EXPECT_EQ(config->SetFormat(offered.type), accepted ? S_OK : VFW_E_INVALIDMEDIATYPE);

        PinType current;
        ASSERT_EQ(config->GetFormat(current.Put()), S_OK);
        ASSERT_TRUE(current.IsVideoInfo());
        EXPECT_EQ(DescribeFormat(*current.type),
                  accepted ? DescribeFormat(c.width, c.height, c.frameTime ? c.frameTime : offeredFrameTime)
                           : DescribeFormat(160, 120, 500000));
    }
}

TEST_F(CameraEndToEnd, TheFilterTellsTheGraphItIsASource)
{
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    CameraGraph camera;
    ASSERT_EQ(camera.Open(), S_OK);
    ComRef<IAMFilterMiscFlags> flags;
    ASSERT_EQ(camera.device->QueryInterface(IID_IAMFilterMiscFlags, flags.PutVoid()), S_OK);
    EXPECT_EQ(flags->GetMiscFlags(), static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_SOURCE));
}

// Samples per second over `seconds` from the first one (which does not count).
double RateAfterTheFirst(const std::vector<SinkArrival>& arrivals, double seconds)
{
    if (arrivals.empty()) return 0;
    const double first = Milliseconds(arrivals.front().counter);
    const auto inWindow = std::count_if(arrivals.begin() + 1, arrivals.end(), [&](const SinkArrival& arrival) {
        return Milliseconds(arrival.counter) - first <= seconds * 1000;
    });
    return static_cast<double>(inWindow) / seconds;
}

// All that arrives within `seconds` after the first sample (the measurement is the pace itself).
std::vector<SinkArrival> ArrivalsOver(GreedySink& sink, double seconds)
{
    if (!sink.WaitForCount(1, kFirstFrameMs)) return {};
    Sleep(static_cast<DWORD>(seconds * 1000) + 500);
    return sink.Take();
}

TEST_F(CameraEndToEnd, WithTheGraphsClockSamplesComeAtTheFormatsRateNeverEarly)
{
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    struct Pace {
        REFERENCE_TIME frameTime;  // set through SetFormat; 0: the default format
        double rate;
        double tolerance;
        int width;
        int height;
    };
    for (const Pace& pace : {Pace{0, 10, 1, kWidth, kHeight}, Pace{333333, 30, 2, kWidth, kHeight},
                             Pace{333333, 30, 2, 1920, 1080}}) {
        SCOPED_TRACE(testing::Message() << pace.rate << " at " << pace.width << " x " << pace.height);
        const REFERENCE_TIME interval = pace.frameTime ? pace.frameTime : kFrameTime;
        ComRef<GreedySink> sink = GreedySink::Create(0);
        WatchedGraph camera;
        ASSERT_NO_FATAL_FAILURE(RunToSink(camera, sink.Get(), true, pace.frameTime ? pace.width : 0,
                                          pace.frameTime ? pace.height : 0, pace.frameTime));
        // Samples that came while the graph was still pausing on its way to running (the camera delivers while
        // paused) are not paced by the clock yet.
        const LONGLONG ran = Counter();
        const std::vector<SinkArrival> arrivals = ArrivalsOver(*sink.Get(), 2.0);
        ASSERT_GE(camera.Stop(), 0);
        ASSERT_FALSE(arrivals.empty());
        std::vector<SinkArrival> running;
        std::copy_if(arrivals.begin(), arrivals.end(), std::back_inserter(running),
                     [ran](const SinkArrival& arrival) { return arrival.counter >= ran; });
        EXPECT_NEAR(RateAfterTheFirst(running, 2.0), pace.rate, pace.tolerance);
        size_t early = 0;
        for (size_t i = 0; i < arrivals.size(); ++i) {
            const SinkArrival& arrival = arrivals[i];
            ASSERT_TRUE(arrival.hasStart && arrival.hasEnd) << i;
            ASSERT_EQ(arrival.start, static_cast<REFERENCE_TIME>(i) * interval) << i;
            ASSERT_EQ(arrival.end, arrival.start + interval) << i;
            if (arrival.counter < ran) continue;
            ASSERT_TRUE(arrival.hasStreamTime) << "sample " << i << " came before the graph ran";
            // 1 ms: the clock's own resolution.
            if (arrival.streamTime < arrival.start - 10000 && early++ == 0)
                ADD_FAILURE() << "sample " << i << " came at " << arrival.streamTime / 10000.0 << " ms, due at "
                              << arrival.start / 10000.0 << " ms";
        }
        EXPECT_EQ(early, 0u);
    }
}

TEST_F(CameraEndToEnd, WithoutAClockTheCameraRunsFree)
{
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    ComRef<GreedySink> sink = GreedySink::Create(0);
    WatchedGraph camera;
    ASSERT_NO_FATAL_FAILURE(RunToSink(camera, sink.Get(), false));
    const std::vector<SinkArrival> arrivals = ArrivalsOver(*sink.Get(), 1.0);
    ASSERT_GE(camera.Stop(), 0);
    EXPECT_GT(RateAfterTheFirst(arrivals, 1.0), 100);
}

TEST_F(CameraEndToEnd, PauseAndStopReturnWithinAboutAFrameInterval)
{
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    ComRef<GreedySink> sink = GreedySink::Create(0);
    WatchedGraph camera;
    ASSERT_NO_FATAL_FAILURE(RunToSink(camera, sink.Get(), true));
    // One interval of 100 ms, and as much again for the graph's own work.
    constexpr double kLimitMs = 200;
    for (int cycle = 0; cycle < 5; ++cycle) {
        SCOPED_TRACE(cycle);
        ASSERT_TRUE(sink->WaitForCount(sink->Count() + 2, kFirstFrameMs));
        const double paused = camera.Pause();
        ASSERT_GE(paused, 0);
        EXPECT_LE(paused, kLimitMs);
        ASSERT_GE(camera.Run(), 0);
        ASSERT_TRUE(sink->WaitForCount(sink->Count() + 2, kFirstFrameMs));
        const double stopped = camera.Stop();
        ASSERT_GE(stopped, 0);
        EXPECT_LE(stopped, kLimitMs);
        ASSERT_GE(camera.Run(), 0);
    }
}

// Counts, from the first whole test camera frame on, the frames that are one and those that are not.
class CameraFrameCounter : public OwnedGrabberCallback {
public:
    std::atomic<long> cameraFrames{0};
    std::atomic<long> others{0};

    HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample* sample) override
    {
        BYTE* data = nullptr;
        if (!sample || FAILED(sample->GetPointer(&data)) || !data) return S_OK;
        CapturedFrame frame;
        frame.bytes.assign(data, data + std::max(0L, sample->GetActualDataLength()));
        if (IsTestCameraFrame(frame))
            ++cameraFrames;
        else if (cameraFrames > 0)
            ++others;
        return S_OK;
    }
};

TEST_F(CameraEndToEnd, AnotherFilterObjectComingAndGoingLeavesTheLiveInputRunning)
{
    ASSERT_TRUE(settings_.Number(L"GlobalType", kCameraMode));
    ASSERT_TRUE(settings_.String(L"ActiveCamera", L"Test Camera"));
    CameraFrameCounter counter;
    WatchedGraph a;
    ASSERT_EQ(a->Open(), S_OK);
    ASSERT_EQ(a->Connect(&counter), S_OK);
    ASSERT_EQ(a->graph.RemoveClock(), S_OK);
    ASSERT_GE(a.Run(), 0);
    ASSERT_TRUE(WaitUntil([&] { return counter.cameraFrames > 0; }, kFirstFrameMs));

    for (int i = 0; i < 50; ++i) {
        ComRef<IBaseFilter> b;
        ASSERT_EQ(CoCreateInstance(kVeltraneClass, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, b.PutVoid()),
                  S_OK)
            << i;
    }
    // A's frames after the last object went.
    const long before = counter.cameraFrames + counter.others;
    EXPECT_TRUE(WaitUntil([&] { return counter.cameraFrames + counter.others >= before + 10; }, 5000));
    ASSERT_GE(a.Stop(), 0);
    EXPECT_EQ(counter.others, 0) << "frames other than the camera's, of "
                                 << counter.cameraFrames + counter.others;
}

TEST_F(CameraEndToEnd, AFilterObjectsUnsavedSettingsAreThoseOfANewObject)
{
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    auto create = [](ComRef<IData>& data) {
        ASSERT_EQ(CoCreateInstance(kVeltraneClass, nullptr, CLSCTX_INPROC_SERVER, IID_IData, data.PutVoid()), S_OK);
    };
    ComRef<IData> a, b;
    ASSERT_NO_FATAL_FAILURE(create(a));
    ASSERT_EQ(a->SetChangedTime(1234), S_OK);
    ASSERT_NO_FATAL_FAILURE(create(b));
    int32_t changed = 0;
    ASSERT_EQ(a->GetChangedTime(&changed), S_OK);
    EXPECT_EQ(changed, 1234);
    ASSERT_EQ(b->GetChangedTime(&changed), S_OK);
    EXPECT_EQ(changed, 1234);
}

// A picture whose left half is `left` and right half `right` (0xAARRGGBB).
PixelColour Halves(uint32_t left, uint32_t right)
{
    return [left, right](int x, int) { return x < kWidth / 2 ? left : right; };
}

bool IsNear(COLORREF shown, COLORREF expected)
{
    const int tolerance = 24;
    return std::abs(GetRValue(shown) - GetRValue(expected)) <= tolerance &&
           std::abs(GetGValue(shown) - GetGValue(expected)) <= tolerance &&
           std::abs(GetBValue(shown) - GetBValue(expected)) <= tolerance;
}

// Waits until the screen shows `colours` at a quarter and at three quarters of the width of the window's client
// area, halfway down; describes what it shows when it does not.
bool WindowShows(const wchar_t* caption, Colours colours, DWORD timeoutMs, std::string* shown)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    COLORREF left = CLR_INVALID, right = CLR_INVALID;
    *shown = "no window";
    do {
        PumpMessages();
        HWND window = FindWindowW(nullptr, caption);
        RECT client{};
        if (window && GetClientRect(window, &client) && client.right > 4 && client.bottom > 4) {
            POINT l{client.right / 4, client.bottom / 2}, r{client.right * 3 / 4, client.bottom / 2};
            ClientToScreen(window, &l);
            ClientToScreen(window, &r);
            HDC screen = GetDC(nullptr);
            left = GetPixel(screen, l.x, l.y);
            right = GetPixel(screen, r.x, r.y);
            ReleaseDC(nullptr, screen);
            *shown = DescribeColour(left) + " | " + DescribeColour(right);
            if (IsNear(left, colours.left) && IsNear(right, colours.right)) return true;
        }
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return false;
}

// Run in a process of its own (see CMakeLists.txt): when a Stop hangs, its graph is left in the process.
TEST_F(CameraEndToEnd, APreviewThroughASmartTeeShowsThePictureAndStopsWithinASecond)
{
    const Colours redBlue{RGB(255, 0, 0), RGB(0, 0, 255)}, blueRed{RGB(0, 0, 255), RGB(255, 0, 0)};
    TempDir swapped;
    ASSERT_TRUE(WriteTestPicture(folder_.File(L"red-blue.png"), kWidth, kHeight, Halves(0xFFFF0000u, 0xFF0000FFu)));
    ASSERT_TRUE(WriteTestPicture(swapped.File(L"blue-red.png"), kWidth, kHeight, Halves(0xFF0000FFu, 0xFFFF0000u)));
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 600000, 100, 3));

    WatchedGraph preview;
    ASSERT_EQ(preview->Open(), S_OK);
    ComRef<ICaptureGraphBuilder2> builder;
    ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                               builder.PutVoid()),
              S_OK);
    ASSERT_EQ(builder->SetFiltergraph(preview->graph.Graph()), S_OK);
    const HRESULT rendered =
        builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, preview->device.Get(), nullptr, nullptr);
    ASSERT_TRUE(SUCCEEDED(rendered)) << std::hex << rendered;
    // The graph's clock is the process's one system clock (Wine may hang releasing another).
    (void)UseSharedSystemClock(preview->graph.Graph());
    const wchar_t kCaption[] = L"Veltrane preview under test";
    ComRef<IVideoWindow> window;
    ASSERT_EQ(preview->graph.Graph()->QueryInterface(IID_IVideoWindow, window.PutVoid()), S_OK);
    BSTR caption = SysAllocString(kCaption);
    ASSERT_EQ(window->put_Caption(caption), S_OK);
    SysFreeString(caption);
    ASSERT_EQ(window->SetWindowPosition(0, 0, kWidth, kHeight), S_OK);
    ComRef<IData> data;
    ASSERT_EQ(preview->device->QueryInterface(IID_IData, data.PutVoid()), S_OK);

    // Each run shows the other picture, so that every run is seen to deliver.
    for (int cycle = 0; cycle < 20; ++cycle) {
        SCOPED_TRACE(cycle);
        const bool odd = cycle % 2 == 1;
        ASSERT_EQ(data->SetPicturesDirectory((odd ? swapped : folder_).Path().c_str()), S_OK);
        ASSERT_GE(preview.Run(), 0);
        std::string shown;
        EXPECT_TRUE(WindowShows(kCaption, odd ? blueRed : redBlue, kFirstFrameMs, &shown)) << shown;
        const double stopped = preview.Stop();
        ASSERT_GE(stopped, 0);
        EXPECT_LE(stopped, 1000);
        if (HasFailure()) break;
    }
}

}  // namespace
