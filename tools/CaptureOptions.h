#pragma once
// The Win32-free part of veltrane-capture: its command line, exit codes and usage text, the choice among the
// formats a device offers, the frames collected from the grabber and how they are laid out and reported.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Exit codes of veltrane-capture; each failure has its own so that scripts and tests can tell them apart.
enum CaptureExitCode : int {
    kCaptureOk = 0,
    kCaptureUsage = 1,          // bad command line
    kCaptureNoDevice = 2,       // no video input device of that name
    kCaptureNoCapturePin = 3,   // the device has no capture output pin
    kCaptureSizeRefused = 4,    // the size cannot be set (no such RGB24 format, no format choice, refused)
    kCaptureTimeout = 5,        // fewer frames than asked for arrived within the timeout
    kCaptureGraphFailed = 6,    // the graph could not be built, connected or run
    kCaptureWriteFailed = 7,    // the output folder or a picture could not be written
};

constexpr int kMaxCaptureFrames = 300;
constexpr int kMaxCaptureDimension = 8192;
constexpr unsigned kDefaultCaptureTimeoutMs = 10000;
constexpr unsigned kMaxCaptureTimeoutMs = 3600000;

struct CaptureOptions {
    bool list = false;
    std::wstring device;
    std::wstring outFolder;
    int frames = 1;
    int width = 0;  // 0 x 0: keep the device's current format
    int height = 0;
    bool noClock = false;
    unsigned timeoutMs = kDefaultCaptureTimeoutMs;
};

// The usage text, ending with a newline, listing options and exit codes.
const char* CaptureUsage();

// Reads the arguments after the program name. Empty on success, otherwise one line saying what is wrong.
std::string ParseCaptureOptions(const std::vector<std::wstring>& args, CaptureOptions* options);

// "WxH" with both between 1 and kMaxCaptureDimension; false (outputs untouched) otherwise.
bool ParseFrameSize(const std::wstring& text, int* width, int* height);

// One media type a device offers, as much of it as the size choice needs.
struct OfferedFormat {
    bool rgb24 = false;  // video, RGB24, with a VIDEOINFOHEADER
    int width = 0;
    int height = 0;      // negative for a top-down type
};

// Index of the first offered RGB24 format of width x |height| == the wanted size, or -1.
int FindOfferedSize(const std::vector<OfferedFormat>& offered, int width, int height);

// A sample as the grabber handed it over: its bytes and its times (100 ns units).
struct CapturedFrame {
    bool hasStart = false;
    bool hasEnd = false;
    long long start = 0;
    long long end = 0;
    std::vector<uint8_t> bytes;
};

// Keeps the first `target` frames offered to it. Not thread-safe: the caller serialises Add and the reads.
class FrameCollector {
public:
    explicit FrameCollector(int target) : target_(target < 0 ? 0 : target) {}
    // Copies the sample when fewer than target frames are kept and it is not closed; true when the frame was kept.
    bool Add(const uint8_t* data, size_t size, bool hasStart, long long start, bool hasEnd, long long end);
    bool Complete() const { return static_cast<int>(frames_.size()) >= target_; }
    // Accepts no frame after this (e.g. once the time allowed is over).
    void Close() { closed_ = true; }
    int Count() const { return static_cast<int>(frames_.size()); }
    int Target() const { return target_; }
    const std::vector<CapturedFrame>& Frames() const { return frames_; }

private:
    int target_;
    bool closed_ = false;
    std::vector<CapturedFrame> frames_;
};

// Bytes per row of an RGB24 DIB: 3 per pixel, rounded up to a multiple of 4.
size_t Rgb24Stride(int width);

// Turns an RGB24 DIB of width x height (negative height: rows top-down) into packed bottom-up rows of width * 3
// bytes, as SaveFramePng reads them. False (packed untouched) when the size is invalid or data holds too few bytes.
bool PackRgb24Frame(const uint8_t* data, size_t size, int width, int height, std::vector<uint8_t>* packed);

// File name of frame `index`: "frame-0000.png".
std::wstring CaptureFrameFileName(int index);

// The stdout line of frame `index`: "frame 0 start 0 end 333333", with "none" for a time the sample lacks.
std::string CaptureFrameLine(int index, const CapturedFrame& frame);
