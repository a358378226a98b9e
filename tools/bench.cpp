// Measures the per-frame costs of the frame sources at 640 x 480, and of scaling such a frame down for a host
// connected at 320 x 240 or 80 x 60, against a plain copy of one frame, in one run:
//
//   veltrane-bench [--repeat N] [--cameras TEST-CAMERA-DLL] [--video CLIP] [--border PNG]
//                  [--camera-module VELTRANE-AX --pictures FOLDER]
//
// Each figure is the median of N runs (default 200; decoding and capturing: fewer), in milliseconds and as a ratio
// to the copy. The camera paths need the test cameras (registered from the given module for the run), the video
// fetch a 1280 x 720 clip; the desktop capture copies the whole primary monitor. With the camera module, the
// registered "Veltrane" device is also measured as a host sees it: frames per second pulled by a graph without a
// reference clock in each input mode, the time to its first sample, and in pictures mode the frames per second a
// graph with its clock receives at 10 and at 30 frames per second, with this process's processor time.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <shellapi.h>
#include <vector>

#include "filter/FrameScaler.h"
#include "filter/settings/SettingsStore.h"
#include "filter/sources/CameraSource.h"
#include "filter/sources/DesktopSource.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/GdiplusCanvas.h"
#include "filter/sources/PicturesSource.h"
#include "filter/sources/Slideshow.h"
#include "filter/sources/VideoSource.h"
#include "tools/BenchCamera.h"
#include "tools/ToolSupport.h"

namespace {

uint32_t g_tick = 1;
uint32_t BenchTick() { return g_tick; }

constexpr size_t kFrame = FrameBytes(kFrameWidth, kFrameHeight);

// Keeps the compiler from dropping work whose result is never read.
volatile uint8_t g_sink;

double MedianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    times.reserve(runs);
    work();  // warm caches and first-use allocations
    for (int i = 0; i < runs; ++i) {
        double start = NowMilliseconds();
        work();
        times.push_back(NowMilliseconds() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct Figure {
    std::string name;
    double ms;
    double goalRatio;  // goal as a multiple of the copy, or 0
    double goalMs;     // goal in milliseconds, or 0
    bool hd = false;   // measured against the copy of a 1920 x 1080 frame, not of a 640 x 480 one
};

double g_hdMemcpyMs = 0;

void Report(const Figure& figure, double memcpyMs)
{
    const double ratio = figure.ms / (figure.hd ? g_hdMemcpyMs : memcpyMs);
    printf("%-46s %9.3f ms %9.2f x memcpy", figure.name.c_str(), figure.ms, ratio);
    if (figure.goalRatio > 0) {
        printf("  (goal %.1f x: %s)", figure.goalRatio, ratio <= figure.goalRatio ? "met" : "MISSED");
    } else if (figure.goalMs > 0) {
        printf("  (goal %.0f ms: %s)", figure.goalMs, figure.ms <= figure.goalMs ? "met" : "MISSED");
    }
    printf("\n");
}

// Fills frames until an input delivers one, for at most ten seconds.
bool WaitForFrame(FrameInput& input, std::vector<uint8_t>& frame)
{
    for (ULONGLONG deadline = GetTickCount64() + 10000; GetTickCount64() < deadline; Sleep(10)) {
        if (input.Fill(frame.data(), frame.size()) == S_OK) return true;
    }
    return false;
}

// The test cameras of a module, registered for as long as this object lives.
class TestCameras {
public:
    explicit TestCameras(const std::wstring& module)
    {
        module_ = LoadLibraryW(module.c_str());
        auto reg = Export("DllRegisterServer");
        registered_ = reg && SUCCEEDED(reg());
    }
    ~TestCameras()
    {
        auto unreg = Export("DllUnregisterServer");
        if (registered_ && unreg) unreg();
        if (module_) FreeLibrary(module_);
    }
    bool Registered() const { return registered_; }

private:
    using Entry = HRESULT(WINAPI*)();
    Entry Export(const char* name) const
    {
        return module_ ? reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
    }

    HMODULE module_ = nullptr;
    bool registered_ = false;
};

void MeasureCamera(const wchar_t* camera, const std::wstring& border, const char* name, double goalRatio,
                   double goalMs, int repeat, std::vector<Figure>& figures, int width = kFrameWidth,
                   int height = kFrameHeight, bool hd = false)
{
    std::vector<uint8_t> frame(FrameBytes(width, height));
    CameraInput input(camera, border.empty() ? 0 : 1, border);
    HRESULT started = input.Start(width, height);
    if (started >= 0 && WaitForFrame(input, frame)) {
        // Time for the border to be prepared before the frames are timed.
        Sleep(500);
        double ms = MedianMs(repeat, [&] { input.Fill(frame.data(), frame.size()); });
        figures.push_back({name, ms, goalRatio, goalMs, hd});
    } else {
        fprintf(stderr, "veltrane-bench: %ls delivered no frame (0x%08lx)\n", camera, static_cast<unsigned long>(started));
    }
    input.Stop();
}

// The longest Fill of an input over `seconds`, asked for a frame every 33 ms as a 30-frames-per-second host asks.
double LongestFillMs(FrameInput& input, int seconds)
{
    std::vector<uint8_t> frame(kFrame);
    double longest = 0;
    const double end = NowMilliseconds() + seconds * 1000.0;
    while (NowMilliseconds() < end) {
        const double start = NowMilliseconds();
        (void)input.Fill(frame.data(), frame.size());
        longest = std::max(longest, NowMilliseconds() - start);
        Sleep(33);
    }
    return longest;
}

struct LongestFill {
    std::string mode;
    double startMs = 0;  // Start on the calling (a host's) thread
    double longestMs = 0;
};

// Starts input and measures its longest frame; `afterStart` runs right after the start (a border assigned, ...).
LongestFill MeasureLongestFill(const char* mode, FrameInput& input, int seconds,
                               const std::function<void()>& afterStart = nullptr)
{
    LongestFill result;
    result.mode = mode;
    const double start = NowMilliseconds();
    (void)input.Start(kFrameWidth, kFrameHeight);
    result.startMs = NowMilliseconds() - start;
    if (afterStart) afterStart();
    result.longestMs = LongestFillMs(input, seconds);
    input.Stop();
    return result;
}

std::wstring TempFolder()
{
    wchar_t base[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, base);
    std::wstring folder = (n > 0 && n < MAX_PATH) ? base : L".\\";
    folder += L"veltrane-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int repeat = 200;
    std::wstring cameraModule, videoClip, border, veltraneModule, pictures, oneFrameClip, largeFolder;
    int longestFillSeconds = 0;
    for (int i = 1; argv && i + 1 < argc; i += 2) {
        std::wstring option = argv[i];
        if (option == L"--repeat") repeat = std::max(3, _wtoi(argv[i + 1]));
        else if (option == L"--cameras") cameraModule = argv[i + 1];
        else if (option == L"--video") videoClip = argv[i + 1];
        else if (option == L"--border") border = argv[i + 1];
        else if (option == L"--camera-module") veltraneModule = argv[i + 1];
        else if (option == L"--pictures") pictures = argv[i + 1];
        else if (option == L"--one-frame-clip") oneFrameClip = argv[i + 1];
        else if (option == L"--large-folder") largeFolder = argv[i + 1];
        else if (option == L"--longest-fill") longestFillSeconds = std::max(1, _wtoi(argv[i + 1]));
    }
    if (argv) LocalFree(argv);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);

    GdiplusSession gdiplus;
    if (!gdiplus.Started()) {
        fprintf(stderr, "veltrane-bench: GDI+ could not be started\n");
        return 1;
    }
    std::vector<Figure> figures;

    std::vector<uint8_t> a(kFrame, 0x11), b(kFrame, 0x22), out(kFrame);
    const double memcpyMs = MedianMs(repeat, [&] {
        memcpy(out.data(), a.data(), kFrame);
        g_sink = out[kFrame / 2];
    });
    figures.push_back({"memcpy of 921600 bytes", memcpyMs, 0, 0});

    constexpr size_t kHdFrame = FrameBytes(1920, 1080);
    std::vector<uint8_t> hdA(kHdFrame, 0x11), hdB(kHdFrame, 0x22), hdOut(kHdFrame);
    g_hdMemcpyMs = MedianMs(repeat, [&] {
        memcpy(hdOut.data(), hdA.data(), kHdFrame);
        g_sink = hdOut[kHdFrame / 2];
    });
    figures.push_back({"memcpy of 6220800 bytes (M)", g_hdMemcpyMs, 0, 0, true});
    struct HdScale {
        const char* name;
        int sw, sh, dw, dh;
        double goal;
    };
    for (const HdScale& hs : {HdScale{"scale 1280 x 720 up to 1920 x 1080", 1280, 720, 1920, 1080, 4.0},
                              HdScale{"scale 1920 x 1080 down to 640 x 480 (fitted: 640 x 360)", 1920, 1080, 640, 360, 1.5}}) {
        FrameScaler scaler;
        scaler.Prepare(hs.sw, hs.sh, hs.dw, hs.dh);
        std::vector<uint8_t> source(FrameBytes(hs.sw, hs.sh), 0x33), scaled(FrameBytes(hs.dw, hs.dh));
        figures.push_back({hs.name, MedianMs(repeat, [&] {
                               scaler.Scale(source.data(), static_cast<ptrdiff_t>(FrameRowBytes(hs.sw)), scaled.data(),
                                            static_cast<ptrdiff_t>(FrameRowBytes(hs.dw)));
                               g_sink = scaled[scaled.size() / 2];
                           }),
                           hs.goal, 0, true});
    }
    figures.push_back({"slideshow \"RightToLeft\" blend frame at 1920 x 1080", MedianMs(repeat, [&] {
                           BlendRightToLeft(hdA.data(), hdB.data(), hdOut.data(), 1920, 1080, 500, 1000);
                           g_sink = hdOut[kHdFrame / 2];
                       }),
                       4.0, 0, true});
    figures.push_back({"slideshow \"ad type\" blend frame at 1920 x 1080", MedianMs(repeat, [&] {
                           BlendStrips(hdA.data(), hdB.data(), hdOut.data(), 1920, 1080, 500, 1000);
                           g_sink = hdOut[kHdFrame / 2];
                       }),
                       4.0, 0, true});

    // A host connected at a smaller size: the rendered frame scaled down into its sample.
    for (int n : {4, 1}) {
        FrameScaler scaler;
        scaler.Prepare(kFrameWidth, kFrameHeight, kFrameWidth * n / 8, kFrameHeight * n / 8);
        std::vector<uint8_t> scaled(scaler.DestinationBytes());
        const std::string name = "scale a 640 x 480 frame to " + std::to_string(kFrameWidth * n / 8) + " x " +
                                 std::to_string(kFrameHeight * n / 8);
        figures.push_back({name, MedianMs(repeat, [&] {
                               scaler.Scale(a.data(), scaled.data());
                               g_sink = scaled[scaled.size() / 2];
                           }),
                           0, 0});
    }

    // The slideshow's steady frame, through the real pictures input (lock, clock and copy).
    std::wstring folder = TempFolder();
    std::wstring jpeg = folder + L"\\large.jpg";
    std::wstring second = folder + L"\\second.jpg";
    if (!SaveTestJpeg(4000, 3000, jpeg) || !SaveTestJpeg(640, 480, second)) {
        fprintf(stderr, "veltrane-bench: cannot write the test pictures\n");
        return 1;
    }
    SetPicturesTickSource(&BenchTick);
    SetPicturesLoadWait(INFINITE);
    FilterSettings slideshow;
    slideshow.PicturesDirectory = folder;
    slideshow.ChangedTime = 1000000;
    slideshow.PicChType = 1;
    PicturesInput slides(slideshow);
    slides.Start(kFrameWidth, kFrameHeight);
    slides.WaitUntilScanned(INFINITE);
    slides.Fill(out.data(), out.size());  // loads both pictures, outside the measurement
    figures.push_back({"slideshow steady frame (copy)", MedianMs(repeat, [&] {
                           slides.Fill(out.data(), out.size());
                           g_sink = out[kFrame / 2];
                       }),
                       1.5, 0});
    figures.push_back({"slideshow \"RightToLeft\" blend frame", MedianMs(repeat, [&] {
                           BlendRightToLeft(a.data(), b.data(), out.data(), kFrameWidth, kFrameHeight, 500, 1000);
                           g_sink = out[kFrame / 2];
                       }),
                       4.0, 0});
    figures.push_back({"slideshow \"ad type\" blend frame", MedianMs(repeat, [&] {
                           BlendStrips(a.data(), b.data(), out.data(), kFrameWidth, kFrameHeight, 500, 1000);
                           g_sink = out[kFrame / 2];
                       }),
                       4.0, 0});
    std::vector<uint8_t> loaded;
    figures.push_back({"load a 4000 x 3000 JPEG into a frame", MedianMs(std::max(3, repeat / 20), [&] {
                           LoadPictureFrame(jpeg, kFrameWidth, kFrameHeight, loaded);
                           g_sink = loaded.empty() ? 0 : loaded[kFrame / 2];
                       }),
                       0, 0});
    slides.Stop();
    {
        PicturesInput slidesHd(slideshow);
        slidesHd.Start(1920, 1080);
        slidesHd.WaitUntilScanned(INFINITE);
        slidesHd.Fill(hdOut.data(), hdOut.size());  // loads the picture, outside the measurement
        figures.push_back({"slideshow steady frame at 1920 x 1080 (copy)", MedianMs(repeat, [&] {
                               slidesHd.Fill(hdOut.data(), hdOut.size());
                               g_sink = hdOut[kHdFrame / 2];
                           }),
                           1.5, 0, true});
        slidesHd.Stop();
    }
    WaitForPictureLoads(INFINITE);
    DeleteFileW(jpeg.c_str());
    DeleteFileW(second.c_str());
    RemoveDirectoryW(folder.c_str());

    std::unique_ptr<TestCameras> testCameras;
    if (!cameraModule.empty()) testCameras.reset(new TestCameras(cameraModule));
    if (testCameras) {
        TestCameras& cameras = *testCameras;
        if (cameras.Registered()) {
            MeasureCamera(L"Test Camera", L"", "camera 640 x 480, unscaled", 3.0, 0, repeat, figures);
            if (!border.empty()) {
                MeasureCamera(L"Test Camera", border, "camera 640 x 480 with border", 0, 15, repeat / 4, figures);
            }
            MeasureCamera(L"Test Camera 720p", L"", "camera scaled from 1280 x 720", 0, 15, repeat / 4, figures);
            MeasureCamera(L"Test Camera 1080p", L"", "camera 1920 x 1080, unscaled", 1.5, 0, repeat / 4, figures, 1920,
                          1080, true);
            if (!border.empty()) {
                MeasureCamera(L"Test Camera 1080p", border, "camera 1920 x 1080 with border", 3.0, 0, repeat / 4,
                              figures, 1920, 1080, true);
            }
            MeasureCamera(L"Test Camera 720p", L"", "camera 1280 x 720 into 1920 x 1080", 4.0, 0, repeat / 4,
                          figures, 1920, 1080, true);
        } else {
            fprintf(stderr, "veltrane-bench: the test cameras could not be registered\n");
        }
    }

    if (!videoClip.empty()) {
        std::vector<uint8_t> frame(kFrame);
        VideoInput video(videoClip);
        if (video.Start(kFrameWidth, kFrameHeight) >= 0 && WaitForFrame(video, frame)) {
            // The clip plays on meanwhile; each frame copies the newest picture the graph's thread made.
            std::vector<double> times;
            for (int i = 0; i < std::max(3, repeat / 10); ++i) {
                Sleep(45);
                double start = NowMilliseconds();
                video.Fill(frame.data(), frame.size());
                times.push_back(NowMilliseconds() - start);
            }
            std::sort(times.begin(), times.end());
            figures.push_back({"video frame from a 1280 x 720 H.264 clip", times[times.size() / 2], 1.5, 0});
        } else {
            fprintf(stderr, "veltrane-bench: the video clip delivered no frame\n");
        }
        video.Stop();
    }

    LoadSettings();
    const std::vector<MonitorRecord> monitors = MonitorList();
    if (!monitors.empty()) {
        const MonitorRecord& monitor = monitors[static_cast<size_t>(PrimaryMonitorPosition())];
        std::vector<uint8_t> frame(kFrame);
        FrameScaler captureScaler;
        std::string name = "desktop capture of " + std::to_string(monitor.Width) + " x " +
                           std::to_string(monitor.Height) + " (capture thread)";
        figures.push_back({name, MedianMs(std::max(3, repeat / 20), [&] {
                               CaptureMonitorFrame(monitor, kFrameWidth, kFrameHeight, captureScaler, frame);
                           }),
                           0, 0});
        DesktopInput desktop(monitor);
        desktop.Start(kFrameWidth, kFrameHeight);
        if (WaitForFrame(desktop, frame)) {
            figures.push_back({"desktop frame (streaming thread's part)", MedianMs(repeat, [&] {
                                   desktop.Fill(frame.data(), frame.size());
                               }),
                               1.5, 0});
        }
        desktop.Stop();
    }

    std::vector<LongestFill> longest;
    if (longestFillSeconds > 0) {
        if (!largeFolder.empty()) {
            FilterSettings settings;
            settings.PicturesDirectory = largeFolder;
            settings.ChangedTime = 1000;
            settings.MorphingTime = 500;
            SetPicturesLoadWait(0);
            SetPicturesTickSource(nullptr);
            PicturesInput slides(settings);
            longest.push_back(MeasureLongestFill("pictures", slides, longestFillSeconds));
            WaitForPictureLoads(INFINITE);
        }
        if (!oneFrameClip.empty()) {
            VideoInput video(oneFrameClip);
            longest.push_back(MeasureLongestFill("video", video, longestFillSeconds));
        }
        if (testCameras && testCameras->Registered()) {
            CameraInput camera(L"Test Camera", 1, L"");
            longest.push_back(MeasureLongestFill("camera", camera, longestFillSeconds,
                                                 [&] { camera.AssignBorder(border); }));
        }
        if (!monitors.empty()) {
            DesktopInput desktop(monitors[static_cast<size_t>(PrimaryMonitorPosition())]);
            longest.push_back(MeasureLongestFill("desktop", desktop, longestFillSeconds));
        }
    }

    CameraBenchResults device;
    if (!veltraneModule.empty()) {
        CameraBenchInputs inputs;
        inputs.module = veltraneModule;
        inputs.pictures = pictures;
        inputs.camera = testCameras && testCameras->Registered() ? L"Test Camera" : L"";
        inputs.hdCamera = testCameras && testCameras->Registered() ? L"Test Camera 1080p" : L"";
        inputs.video = videoClip;
        device = MeasureRegisteredCamera(inputs);
        if (device.modes.empty()) fprintf(stderr, "veltrane-bench: the camera module could not be registered\n");
    }
    testCameras.reset();

    printf("Per-frame costs at %d x %d (medians; memcpy of %d runs)\n", kFrameWidth, kFrameHeight, repeat);
    for (const Figure& figure : figures) Report(figure, memcpyMs);
    for (const LongestFill& fill : longest) {
        printf("longest frame of the %-8s input over %d s: %6.2f ms  (goal 5 ms: %s); its start took %.1f ms\n",
               fill.mode.c_str(), longestFillSeconds, fill.longestMs, fill.longestMs <= 5 ? "met" : "MISSED",
               fill.startMs);
    }
    for (const CameraModeRun& run : device.modes) {
        if (!run.delivered) {
            printf("\"Veltrane\" device, %s mode: no frame delivered\n", run.mode.c_str());
            continue;
        }
        printf("\"Veltrane\" device, %-8s mode at %4d x %4d, no clock: %8.0f frames/s", run.mode.c_str(), run.width,
               run.height, run.framesPerSecond);
        const double goal = run.width > 640 ? 200 : 500;
        if (run.mode == "pictures" || (run.mode == "camera" && run.width == 640)) {
            printf("  (goal %.0f: %s)", goal, run.framesPerSecond >= goal ? "met" : "MISSED");
        }
        printf("\n");
        if (run.mode == "pictures") {
            printf("\"Veltrane\" device, first sample in pictures mode at %d x %d: %.1f ms  (goal 500 ms: %s)\n",
                   run.width, run.height, run.firstSampleMs, run.firstSampleMs <= 500 ? "met" : "MISSED");
        }
    }
    for (const CameraPacedRun& run : device.paced) {
        const double tolerance = run.formatRate > 10 ? 2 : 1;
        if (!run.delivered) {
            printf("\"Veltrane\" device, %s mode at %d x %d, %.0f frames/s with the graph's clock: no frame delivered\n",
                   run.mode.c_str(), run.width, run.height, run.formatRate);
            continue;
        }
        printf("\"Veltrane\" device, %-8s mode at %4d x %4d, %2.0f frames/s with the graph's clock: %6.1f frames/s, "
               "processor %5.1f %% of the time  (goal %.0f +- %.0f: %s)\n",
               run.mode.c_str(), run.width, run.height, run.formatRate, run.framesPerSecond, run.processorShare * 100,
               run.formatRate, tolerance, std::fabs(run.framesPerSecond - run.formatRate) <= tolerance ? "met" : "MISSED");
    }
    CoUninitialize();
    return 0;
}
