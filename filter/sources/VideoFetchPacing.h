#pragma once
// When the video input copies a new picture out of its Sample Grabber. Free of Win32 so that it is built and
// tested natively as well.
//
// Rule: a call that holds no picture yet always fetches. Otherwise it fetches once at least half a frame
// interval (the stream's AvgTimePerFrame) has passed since the last fetch, so that every picture of the video is
// looked at, but a host asking for frames faster than the video plays does not copy the grabber's buffer for
// nothing. A stream that states no frame interval is looked at every 40 ms (25 looks a second). The gap is never
// longer than one second, whatever a stream claims. A fetched sample whose bytes are those of the picture held
// (same fingerprint) is not decoded again.
#include <cstddef>
#include <cstdint>

// Milliseconds of a frame interval given in 100-nanosecond units, truncated; 0 for none (zero or negative).
uint32_t FrameIntervalMilliseconds(int64_t avgTimePerFrame);

class VideoFetchPacing {
public:
    static constexpr uint32_t kUnstatedGapMilliseconds = 40;
    static constexpr uint32_t kLongestGapMilliseconds = 1000;

    // Forgets the interval and the last fetch (a new start of the file).
    void Reset();
    // Whether a call at `now` (millisecond tick, may wrap) fetches, given whether a picture is held.
    bool ShouldFetch(bool pictureHeld, uint32_t now) const;
    // Records a fetch at `now`.
    void Fetched(uint32_t now);
    // Records the frame interval the grabbed stream states (milliseconds, 0 for none).
    void SetFrameInterval(uint32_t milliseconds) { intervalMs_ = milliseconds; }
    uint32_t FrameInterval() const { return intervalMs_; }
    // The least time between two fetches while a picture is held.
    uint32_t FetchGap() const;

private:
    uint32_t intervalMs_ = 0;
    uint32_t lastFetch_ = 0;
    bool fetched_ = false;
};

// A 64-bit fingerprint of a grabbed sample's bytes, to recognise a sample that was already decoded.
uint64_t SampleFingerprint(const uint8_t* data, size_t size);
