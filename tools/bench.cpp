// Measures the per-frame costs of the frame sources at 640 x 480 against a plain copy of one frame, in one run:
//
//   veltrane-bench [--repeat N]
//
// Each figure is the median of N runs (default 200; decoding: N / 20, at least 3), in milliseconds and as a ratio
// to the copy.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "filter/sources/FrameFormat.h"
#include "filter/sources/GdiplusCanvas.h"
#include "filter/sources/PicturesSource.h"
#include "filter/sources/Slideshow.h"
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

void Report(const char* name, double ms, double memcpyMs, double goal)
{
    double ratio = ms / memcpyMs;
    if (goal > 0) {
        printf("%-44s %9.3f ms  %7.2f x memcpy  (goal %.1f x: %s)\n", name, ms, ratio, goal,
               ratio <= goal ? "met" : "MISSED");
    } else {
        printf("%-44s %9.3f ms  %7.2f x memcpy\n", name, ms, ratio);
    }
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

int main(int argc, char** argv)
{
    int repeat = 200;
    if (argc == 3 && strcmp(argv[1], "--repeat") == 0) repeat = std::max(3, atoi(argv[2]));

    GdiplusSession gdiplus;
    if (!gdiplus.Started()) {
        fprintf(stderr, "veltrane-bench: GDI+ could not be started\n");
        return 1;
    }

    std::vector<uint8_t> a(kFrame, 0x11), b(kFrame, 0x22), out(kFrame);
    const double memcpyMs = MedianMs(repeat, [&] {
        memcpy(out.data(), a.data(), kFrame);
        g_sink = out[kFrame / 2];
    });

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
    StartPicturesSource(folder, 1000000, 1000, 1, 1, kFrameWidth, kFrameHeight);
    FillPicturesFrame(out.data(), out.size());  // loads both pictures, outside the measurement
    const double steadyMs = MedianMs(repeat, [&] {
        FillPicturesFrame(out.data(), out.size());
        g_sink = out[kFrame / 2];
    });

    const double wipeMs = MedianMs(repeat, [&] {
        BlendRightToLeft(a.data(), b.data(), out.data(), kFrameWidth, kFrameHeight, 500, 1000);
        g_sink = out[kFrame / 2];
    });
    const double stripsMs = MedianMs(repeat, [&] {
        BlendStrips(a.data(), b.data(), out.data(), kFrameWidth, kFrameHeight, 500, 1000);
        g_sink = out[kFrame / 2];
    });

    std::vector<uint8_t> loaded;
    const double loadMs = MedianMs(std::max(3, repeat / 20), [&] {
        LoadPictureFrame(jpeg, kFrameWidth, kFrameHeight, loaded);
        g_sink = loaded.empty() ? 0 : loaded[kFrame / 2];
    });

    StartPicturesSource(L"", 3000, 1000, 2, 1, kFrameWidth, kFrameHeight);
    WaitForPictureLoads(INFINITE);
    DeleteFileW(jpeg.c_str());
    DeleteFileW(second.c_str());
    RemoveDirectoryW(folder.c_str());

    printf("Per-frame costs at %d x %d (median of %d runs)\n", kFrameWidth, kFrameHeight, repeat);
    Report("memcpy of 921600 bytes", memcpyMs, memcpyMs, 0);
    Report("slideshow steady frame (copy)", steadyMs, memcpyMs, 1.5);
    Report("slideshow \"RightToLeft\" blend frame", wipeMs, memcpyMs, 4.0);
    Report("slideshow \"ad type\" blend frame", stripsMs, memcpyMs, 4.0);
    Report("load a 4000 x 3000 JPEG into a frame", loadMs, memcpyMs, 0);
    return 0;
}
