// veltrane-capture: opens a video input device the way a host does and writes the frames it delivers as PNG
// pictures, with one line per frame of its timestamps on stdout. `--list` prints the video input devices.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/CaptureGraph.h"
#include "tools/CaptureOptions.h"
#include "tools/ToolSupport.h"

namespace {

std::string Utf8(const std::wstring& text)
{
    if (text.empty()) return std::string();
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], bytes, nullptr, nullptr);
    return out;
}

std::string HexResult(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

int Fail(int code, const std::string& message)
{
    std::fprintf(stderr, "veltrane-capture: %s\n", message.c_str());
    return code;
}

class ComSession {
public:
    ComSession() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComSession()
    {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    HRESULT Result() const { return result_; }

private:
    HRESULT result_;
};

int ListDevices()
{
    for (const std::wstring& name : ListVideoInputs()) std::printf("%s\n", Utf8(name).c_str());
    return kCaptureOk;
}

// Creates the folder and any missing parents; true when it exists afterwards.
bool EnsureFolder(const std::wstring& folder, std::wstring* full)
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetFullPathNameW(folder.c_str(), MAX_PATH, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH) return false;
    *full = buffer;
    const int status = SHCreateDirectoryExW(nullptr, buffer, nullptr);
    if (status == ERROR_SUCCESS || status == ERROR_ALREADY_EXISTS || status == ERROR_FILE_EXISTS) {
        const DWORD attributes = GetFileAttributesW(buffer);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    return false;
}

// Writes every frame as a PNG and its line to stdout.
int WriteFrames(const std::vector<CapturedFrame>& frames, const std::wstring& folder, int width, int height)
{
    for (size_t i = 0; i < frames.size(); ++i) {
        const int index = static_cast<int>(i);
        std::vector<uint8_t> packed;
        if (!PackRgb24Frame(frames[i].bytes.data(), frames[i].bytes.size(), width, height, &packed)) {
            return Fail(kCaptureGraphFailed, "frame " + std::to_string(index) + " has " +
                                                 std::to_string(frames[i].bytes.size()) + " bytes, too few for " +
                                                 std::to_string(width) + "x" + std::to_string(height) + " RGB24");
        }
        const std::wstring path = folder + L"\\" + CaptureFrameFileName(index);
        if (!SaveFramePng(packed.data(), width, height < 0 ? -height : height, path)) {
            return Fail(kCaptureWriteFailed, "cannot write " + Utf8(path));
        }
        std::printf("%s\n", CaptureFrameLine(index, frames[i]).c_str());
    }
    std::fflush(stdout);
    return kCaptureOk;
}

int Capture(const CaptureOptions& options)
{
    const std::string device = "\"" + Utf8(options.device) + "\"";
    std::wstring folder;
    if (!EnsureFolder(options.outFolder, &folder)) {
        return Fail(kCaptureWriteFailed, "cannot create the folder " + Utf8(options.outFolder));
    }

    ComRef<IBaseFilter> filter;
    HRESULT hr = OpenVideoInput(options.device, filter);
    if (hr == VFW_E_NOT_FOUND) return Fail(kCaptureNoDevice, "no video input device named " + device);
    if (FAILED(hr)) return Fail(kCaptureGraphFailed, "cannot open " + device + ": " + HexResult(hr));

    // Outlives the graph, which calls it until stopped.
    FrameGrabberCallback callback(options.frames);
    CaptureGraph graph;
    hr = graph.Create(filter.Get());
    if (FAILED(hr)) return Fail(kCaptureGraphFailed, "cannot add " + device + " to a graph: " + HexResult(hr));

    ComRef<IPin> pin;
    hr = FindCapturePin(filter.Get(), pin);
    if (FAILED(hr)) return Fail(kCaptureNoCapturePin, device + " has no capture pin");

    if (options.width > 0) {
        const std::string size = std::to_string(options.width) + "x" + std::to_string(options.height);
        hr = SelectCaptureSize(pin.Get(), options.width, options.height);
        if (hr == E_NOINTERFACE) {
            return Fail(kCaptureSizeRefused, "cannot set the size " + size + ": " + device +
                                                 " has no stream configuration");
        }
        if (hr == VFW_E_NOT_FOUND) {
            return Fail(kCaptureSizeRefused, "cannot set the size " + size + ": " + device +
                                                 " does not offer it in RGB24");
        }
        if (FAILED(hr)) {
            return Fail(kCaptureSizeRefused, "cannot set the size " + size + ": " + device + " refused it (" +
                                                 HexResult(hr) + ")");
        }
    }

    hr = graph.Connect(pin.Get(), &callback);
    if (FAILED(hr)) return Fail(kCaptureGraphFailed, "cannot connect " + device + " to RGB24: " + HexResult(hr));
    int width = 0, height = 0;
    hr = graph.ConnectedSize(&width, &height);
    if (FAILED(hr)) return Fail(kCaptureGraphFailed, "cannot read the connected format: " + HexResult(hr));
    if (options.noClock) {
        hr = graph.RemoveClock();
        if (FAILED(hr)) return Fail(kCaptureGraphFailed, "cannot remove the reference clock: " + HexResult(hr));
    }

    hr = graph.Run();
    if (FAILED(hr)) {
        graph.Stop();
        return Fail(kCaptureGraphFailed, "cannot run the graph: " + HexResult(hr));
    }
    const bool complete = callback.WaitForFrames(options.timeoutMs);
    graph.Stop();
    const std::vector<CapturedFrame> frames = callback.TakeFrames();

    const int written = WriteFrames(frames, folder, width, height);
    if (written != kCaptureOk) return written;
    if (!complete) {
        return Fail(kCaptureTimeout, "only " + std::to_string(frames.size()) + " of " +
                                         std::to_string(options.frames) + " frames arrived within " +
                                         std::to_string(options.timeoutMs) + " ms");
    }
    return kCaptureOk;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    CaptureOptions options;
    const std::string problem = ParseCaptureOptions(args, &options);
    if (!problem.empty()) {
        std::fprintf(stderr, "veltrane-capture: %s\n%s", problem.c_str(), CaptureUsage());
        return kCaptureUsage;
    }

    ComSession com;
    if (FAILED(com.Result())) return Fail(kCaptureGraphFailed, "cannot start COM: " + HexResult(com.Result()));
    if (options.list) return ListDevices();

    GdiplusSession gdiplus;
    if (!gdiplus.Started()) return Fail(kCaptureWriteFailed, "cannot start GDI+ for writing pictures");
    return Capture(options);
}
