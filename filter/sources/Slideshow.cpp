#include "filter/sources/Slideshow.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Durations come from stored settings and may be any 32-bit value; a negative duration is taken as zero.
uint32_t Duration(int32_t milliseconds) { return milliseconds > 0 ? static_cast<uint32_t>(milliseconds) : 0u; }

// Transition kinds other than the two animated ones (including values no version ever stored) change at once.
bool IsAnimated(int32_t type) { return type == kChangeRightToLeft || type == kChangeStrips; }

constexpr int kStripCount = 20;

}  // namespace

void Slideshow::Start(const SlideshowSettings& settings)
{
    settings_ = settings;
    settings_.width = std::max(settings.width, 0);
    settings_.height = std::max(settings.height, 0);
    pictures_.clear();
    ResetSequence();
}

void Slideshow::SetPictureList(std::vector<std::wstring> pictures)
{
    pictures_ = std::move(pictures);
    ResetSequence();
}

void Slideshow::ResetSequence()
{
    ClearFrames();
    index_ = 0;
    lastChange_ = 0;
    inTransition_ = false;
}

void Slideshow::ClearFrames()
{
    // Release the memory as well: a stopped input keeps no frame buffers.
    std::vector<uint8_t>().swap(current_);
    std::vector<uint8_t>().swap(next_);
    currentPending_ = false;
    nextPending_ = false;
}

size_t Slideshow::FrameSize() const { return FrameBytes(settings_.width, settings_.height); }

bool Slideshow::LoadInto(size_t index, std::vector<uint8_t>& frame)
{
    if (!loader_.LoadPicture(pictures_[index], settings_.width, settings_.height, frame)) {
        frame.clear();
        return false;
    }
    // The loader promises a frame of the right size; make sure of it, whatever it did.
    frame.resize(FrameSize());
    return true;
}

void Slideshow::LoadMissingFrames()
{
    if (index_ >= pictures_.size()) index_ = 0;
    if (current_.empty()) {
        if (!currentPending_) currentIndex_ = index_;
        currentPending_ = !LoadInto(currentIndex_ < pictures_.size() ? currentIndex_ : 0, current_);
    }
    if (pictures_.size() >= 2 && next_.empty()) {
        if (!nextPending_) index_ = index_ + 1 < pictures_.size() ? index_ + 1 : 0;
        nextPending_ = !LoadInto(index_, next_);
    }
}

void Slideshow::FinishChange(uint32_t now)
{
    current_.swap(next_);
    std::vector<uint8_t>().swap(next_);
    inTransition_ = false;
    lastChange_ = now;
}

// Differences of ticks are taken modulo 2^32, so a wrap of the millisecond counter changes nothing.
void Slideshow::AdvanceClock(uint32_t now)
{
    if (lastChange_ == 0) {
        lastChange_ = now;
        return;
    }
    if (now - lastChange_ <= Duration(settings_.changedTime)) return;

    if (!IsAnimated(settings_.picChType)) {
        // With a single picture it is loaded again; otherwise the change waits for the next picture to be ready.
        if (!next_.empty() || pictures_.size() < 2) FinishChange(now);
    } else if (!inTransition_) {
        if (!next_.empty()) {
            transitionStart_ = now;
            inTransition_ = true;
        }
    } else if (now - transitionStart_ > Duration(settings_.morphingTime)) {
        FinishChange(now);
    }
}

FrameResult Slideshow::FillFrame(uint8_t* sample, size_t size, uint32_t now)
{
    if (pictures_.empty()) return E_FRAME_NOPICTURES;

    AdvanceClock(now);
    LoadMissingFrames();

    if (sample == nullptr || current_.size() != size) return kFrameNotWritten;

    if (!inTransition_ || next_.size() != size) {
        std::memcpy(sample, current_.data(), size);
        return kFrameWritten;
    }

    uint32_t elapsed = now - transitionStart_;
    uint32_t duration = Duration(settings_.morphingTime);
    if (settings_.picChType == kChangeRightToLeft) {
        BlendRightToLeft(current_.data(), next_.data(), sample, settings_.width, settings_.height, elapsed, duration);
    } else {
        BlendStrips(current_.data(), next_.data(), sample, settings_.width, settings_.height, elapsed, duration);
    }
    return kFrameWritten;
}

void BlendRightToLeft(const uint8_t* current, const uint8_t* next, uint8_t* out, int width, int height,
                      uint32_t elapsed, uint32_t duration)
{
    const size_t row = FrameRowBytes(width);
    // Bytes of each row, counted from its right end, that already show the next picture.
    size_t uncovered = duration == 0 ? row : static_cast<size_t>(uint64_t{elapsed} * row / duration);
    uncovered = std::min(uncovered, row);
    const size_t kept = row - uncovered;
    for (int y = 0; y < height; ++y) {
        const size_t at = static_cast<size_t>(y) * row;
        std::memcpy(out + at, current + at, kept);
        std::memcpy(out + at + kept, next + at + kept, uncovered);
    }
}

void BlendStrips(const uint8_t* current, const uint8_t* next, uint8_t* out, int width, int height,
                 uint32_t elapsed, uint32_t duration)
{
    const size_t row = FrameRowBytes(width);
    const size_t widest = row / kStripCount;
    // Bytes of each strip, from its left edge, that already show the next picture.
    size_t shown = duration == 0 ? widest
                                 : static_cast<size_t>(uint64_t{elapsed} * row / (uint64_t{kStripCount} * duration));
    if (shown * kStripCount > row) shown = widest;

    // Every row takes the same bytes from the next picture, so one byte mask made per frame selects them; the rows
    // are then blended a machine word at a time instead of through twenty small copies each.
    std::vector<uint64_t> mask((row + 7) / 8, 0);
    auto* maskBytes = reinterpret_cast<uint8_t*>(mask.data());
    for (int k = 0; k < kStripCount; ++k) {
        std::memset(maskBytes + static_cast<size_t>(k) * row / kStripCount, 0xFF, shown);
    }
    const size_t words = row / 8;
    for (int y = 0; y < height; ++y) {
        const size_t at = static_cast<size_t>(y) * row;
        for (size_t w = 0; w < words; ++w) {
            uint64_t c, n;
            std::memcpy(&c, current + at + w * 8, 8);
            std::memcpy(&n, next + at + w * 8, 8);
            const uint64_t blended = (n & mask[w]) | (c & ~mask[w]);
            std::memcpy(out + at + w * 8, &blended, 8);
        }
        for (size_t i = words * 8; i < row; ++i) {
            out[at + i] = maskBytes[i] ? next[at + i] : current[at + i];
        }
    }
}
