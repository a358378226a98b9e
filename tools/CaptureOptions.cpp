#include "tools/CaptureOptions.h"

#include <algorithm>
#include <cwchar>

namespace {

// A decimal number without sign, spaces or trailing characters, between minimum and maximum.
bool ParseNumber(const std::wstring& text, unsigned long long minimum, unsigned long long maximum,
                 unsigned long long* value)
{
    if (text.empty() || text.size() > 10) return false;
    unsigned long long result = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        result = result * 10 + static_cast<unsigned>(c - L'0');
    }
    if (result < minimum || result > maximum) return false;
    *value = result;
    return true;
}

std::string Narrow(const std::wstring& text)
{
    // Only for echoing an option name back in a message: anything outside ASCII becomes '?'.
    std::string out;
    for (wchar_t c : text) out += (c > 0 && c < 0x80) ? static_cast<char>(c) : '?';
    return out;
}

}  // namespace

const char* CaptureUsage()
{
    return "usage: veltrane-capture --list\n"
           "       veltrane-capture --device NAME --out FOLDER [--frames N] [--size WxH] [--no-clock]\n"
           "                        [--timeout-ms T]\n"
           "  --list          print the video input devices, one friendly name per line\n"
           "  --device NAME   the video input device to open (exact friendly name)\n"
           "  --out FOLDER    folder for frame-0000.png, frame-0001.png, ... (created when missing)\n"
           "  --frames N      frames to capture, 1 to 300 (default 1)\n"
           "  --size WxH      choose this RGB24 size through the device's stream configuration\n"
           "  --no-clock      run the graph without a reference clock (frames as fast as they come)\n"
           "  --timeout-ms T  time allowed for all frames to arrive (default 10000)\n"
           "Each frame is written as a top-down PNG picture, and one line per frame goes to stdout:\n"
           "  frame <n> start <t> end <t>      (times in 100 ns units, \"none\" when not set)\n"
           "Exit codes:\n"
           "  0 success\n"
           "  1 bad command line\n"
           "  2 no video input device of that name\n"
           "  3 the device has no capture pin\n"
           "  4 the size cannot be set (not offered in RGB24, no stream configuration, or refused)\n"
           "  5 not all frames arrived within the timeout (the frames that did are written)\n"
           "  6 the capture graph could not be built or run\n"
           "  7 the output folder or a picture could not be written\n";
}

bool ParseFrameSize(const std::wstring& text, int* width, int* height)
{
    const size_t separator = text.find_first_of(L"xX");
    if (separator == std::wstring::npos) return false;
    unsigned long long w = 0, h = 0;
    if (!ParseNumber(text.substr(0, separator), 1, kMaxCaptureDimension, &w) ||
        !ParseNumber(text.substr(separator + 1), 1, kMaxCaptureDimension, &h))
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

std::string ParseCaptureOptions(const std::vector<std::wstring>& args, CaptureOptions* options)
{
    CaptureOptions result;
    bool sawCapture = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& name = args[i];
        if (name == L"--list") {
            result.list = true;
            continue;
        }
        if (name == L"--no-clock") {
            result.noClock = true;
            sawCapture = true;
            continue;
        }
        const bool takesValue = name == L"--device" || name == L"--out" || name == L"--frames" ||
                                name == L"--size" || name == L"--timeout-ms";
        if (!takesValue) return "unknown argument " + Narrow(name);
        if (i + 1 >= args.size()) return Narrow(name) + " needs a value";
        const std::wstring& value = args[++i];
        sawCapture = true;
        unsigned long long number = 0;
        if (name == L"--device") {
            if (value.empty()) return "--device needs a name";
            result.device = value;
        } else if (name == L"--out") {
            if (value.empty()) return "--out needs a folder";
            result.outFolder = value;
        } else if (name == L"--frames") {
            if (!ParseNumber(value, 1, kMaxCaptureFrames, &number)) return "--frames must be 1 to 300";
            result.frames = static_cast<int>(number);
        } else if (name == L"--size") {
            if (!ParseFrameSize(value, &result.width, &result.height)) return "--size must be WxH, e.g. 640x480";
        } else {
            if (!ParseNumber(value, 1, kMaxCaptureTimeoutMs, &number)) return "--timeout-ms must be 1 to 3600000";
            result.timeoutMs = static_cast<unsigned>(number);
        }
    }
    if (result.list && sawCapture) return "--list takes no other argument";
    if (!result.list) {
        if (result.device.empty()) return "--device is required";
        if (result.outFolder.empty()) return "--out is required";
    }
    *options = result;
    return std::string();
}

int FindOfferedSize(const std::vector<OfferedFormat>& offered, int width, int height)
{
    for (size_t i = 0; i < offered.size(); ++i) {
        const OfferedFormat& format = offered[i];
        const int rows = format.height < 0 ? -format.height : format.height;
        if (format.rgb24 && format.width == width && rows == height) return static_cast<int>(i);
    }
    return -1;
}

bool FrameCollector::Add(const uint8_t* data, size_t size, bool hasStart, long long start, bool hasEnd,
                         long long end)
{
    if (closed_ || Complete()) return false;
    CapturedFrame frame;
    frame.hasStart = hasStart;
    frame.hasEnd = hasEnd;
    frame.start = hasStart ? start : 0;
    frame.end = hasEnd ? end : 0;
    if (data && size > 0) frame.bytes.assign(data, data + size);
    frames_.push_back(std::move(frame));
    return true;
}

size_t Rgb24Stride(int width)
{
    return width <= 0 ? 0 : (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

bool PackRgb24Frame(const uint8_t* data, size_t size, int width, int height, std::vector<uint8_t>* packed)
{
    if (!data || !packed || width <= 0 || width > kMaxCaptureDimension || height == 0 ||
        height < -kMaxCaptureDimension || height > kMaxCaptureDimension)
        return false;
    const bool topDown = height < 0;
    const size_t rows = static_cast<size_t>(topDown ? -height : height);
    const size_t stride = Rgb24Stride(width);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    // The last row needs only its pixels, not its padding.
    if (size < stride * (rows - 1) + rowBytes) return false;
    std::vector<uint8_t> out(rowBytes * rows);
    for (size_t row = 0; row < rows; ++row) {
        const size_t source = topDown ? rows - 1 - row : row;
        std::copy(data + source * stride, data + source * stride + rowBytes, out.begin() + row * rowBytes);
    }
    packed->swap(out);
    return true;
}

std::wstring CaptureFrameFileName(int index)
{
    wchar_t name[32];
    std::swprintf(name, sizeof name / sizeof name[0], L"frame-%04d.png", index);
    return name;
}

std::string CaptureFrameLine(int index, const CapturedFrame& frame)
{
    std::string line = "frame " + std::to_string(index) + " start ";
    line += frame.hasStart ? std::to_string(frame.start) : "none";
    line += " end ";
    line += frame.hasEnd ? std::to_string(frame.end) : "none";
    return line;
}
