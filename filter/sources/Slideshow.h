#pragma once
// The pictures slideshow without any platform code: picture list, the two ready-made frames (current and next),
// the change clock and the two transitions. Decoding is done by a PictureLoader; time comes in as a millisecond
// tick, so the whole behaviour is testable without a clock or a decoder.
#include <cstdint>
#include <string>
#include <vector>

#include "filter/sources/FrameFormat.h"

enum PictureChange : int32_t {
    kChangeRightToLeft = 1,  // "RightToLeft": the next picture uncovers the current one from the right edge
    kChangeStrips = 2,       // "ad type": twenty vertical strips uncover the next picture from their left edges
    kChangeNone = 3,         // "none": the next picture replaces the current one at once
};

class PictureLoader {
public:
    virtual ~PictureLoader() = default;
    // Fills frame with the picture at path fitted into width x height, in frame layout (width * height * 3 bytes),
    // and returns true. A picture that cannot be decoded gives a black frame. A loader that decodes in the
    // background returns false while the picture is not ready yet; the slideshow then asks again at a later frame
    // and meanwhile keeps showing what it has.
    virtual bool LoadPicture(const std::wstring& path, int width, int height, std::vector<uint8_t>& frame) = 0;
};

struct SlideshowSettings {
    int32_t changedTime = 3000;   // milliseconds a picture stays
    int32_t morphingTime = 1000;  // milliseconds a transition lasts
    int32_t picChType = kChangeStrips;
    int32_t repeat = 1;           // carried for the settings; the slideshow always loops
    int width = kFrameWidth;
    int height = kFrameHeight;
};

class Slideshow {
public:
    explicit Slideshow(PictureLoader& loader) : loader_(loader) {}

    // Takes new settings and starts over with an empty list and no frames (the start of the pictures input).
    void Start(const SlideshowSettings& settings);
    // Replaces the picture list and starts the sequence again at its first picture.
    void SetPictureList(std::vector<std::wstring> pictures);
    // Drops both ready-made frames; list, index and times stay.
    void ClearFrames();

    // Live changes that a running slideshow uses from its next frame.
    void SetChangedTime(int32_t milliseconds) { settings_.changedTime = milliseconds; }
    void SetPicChType(int32_t type) { settings_.picChType = type; }

    // Produces the frame for the tick now into sample (size bytes).
    FrameResult FillFrame(uint8_t* sample, size_t size, uint32_t now);

    const std::vector<std::wstring>& Pictures() const { return pictures_; }
    const SlideshowSettings& Settings() const { return settings_; }
    size_t Index() const { return index_; }
    bool InTransition() const { return inTransition_; }

private:
    void ResetSequence();
    void AdvanceClock(uint32_t now);
    void FinishChange(uint32_t now);
    bool LoadInto(size_t index, std::vector<uint8_t>& frame);
    void LoadMissingFrames();
    size_t FrameSize() const;

    PictureLoader& loader_;
    SlideshowSettings settings_;
    std::vector<std::wstring> pictures_;
    std::vector<uint8_t> current_;
    std::vector<uint8_t> next_;
    size_t index_ = 0;  // the picture most recently asked for
    // A picture asked for but not ready yet: the current one (at currentIndex_), or the next one (at index_).
    bool currentPending_ = false;
    size_t currentIndex_ = 0;
    bool nextPending_ = false;
    uint32_t lastChange_ = 0;  // 0: the clock starts with the next frame
    bool inTransition_ = false;
    uint32_t transitionStart_ = 0;
};

// The transitions, row by row over width x height frames. elapsed and duration are milliseconds since the start of
// the transition and its length; a duration of 0 (or an elapsed time past it) gives the next picture whole.
void BlendRightToLeft(const uint8_t* current, const uint8_t* next, uint8_t* out, int width, int height,
                      uint32_t elapsed, uint32_t duration);
void BlendStrips(const uint8_t* current, const uint8_t* next, uint8_t* out, int width, int height,
                 uint32_t elapsed, uint32_t duration);
