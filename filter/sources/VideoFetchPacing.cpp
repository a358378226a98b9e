#include "filter/sources/VideoFetchPacing.h"

#include <algorithm>
#include <cstring>

uint32_t FrameIntervalMilliseconds(int64_t avgTimePerFrame)
{
    if (avgTimePerFrame <= 0) return 0;
    const int64_t milliseconds = avgTimePerFrame / 10000;
    return milliseconds > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(milliseconds);
}

void VideoFetchPacing::Reset()
{
    intervalMs_ = 0;
    lastFetch_ = 0;
    fetched_ = false;
}

uint32_t VideoFetchPacing::FetchGap() const
{
    if (intervalMs_ == 0) return kUnstatedGapMilliseconds;
    return std::min(intervalMs_ / 2, kLongestGapMilliseconds);
}

bool VideoFetchPacing::ShouldFetch(bool pictureHeld, uint32_t now) const
{
    if (!pictureHeld || !fetched_) return true;
    // Unsigned subtraction gives the elapsed time across a wrap of the tick as well.
    return now - lastFetch_ >= FetchGap();
}

void VideoFetchPacing::Fetched(uint32_t now)
{
    lastFetch_ = now;
    fetched_ = true;
}

uint64_t SampleFingerprint(const uint8_t* data, size_t size)
{
    // FNV-1a over 8-byte words (then the tail bytes), with a fold after each word: every byte counts, and a 720p sample takes about a
    // millisecond, far less than decoding and scaling it.
    constexpr uint64_t kOffset = 14695981039346656037ull;
    constexpr uint64_t kPrime = 1099511628211ull;
    uint64_t hash = kOffset ^ size;
    if (!data) return hash;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        hash = (hash ^ word) * kPrime;
        hash ^= hash >> 32;  // lets the high bytes of a word reach the low bits as well
    }
    for (; i < size; ++i) hash = (hash ^ data[i]) * kPrime;
    return hash;
}
