#pragma once
// The numbers behind the output pin's formats, free of Win32: the eleven media types (the current one first, then
// 80 x 60 times 1 to 8, 1280 x 720 and 1920 x 1080), the stream capabilities of each size, the frame rates hosts
// are offered, and the argument rules of the pin's property set. The pin turns these into DirectShow structures
// and HRESULTs.
#include <cstddef>
#include <cstdint>

// Frame period of every offered type: 100 ms, ten frames per second (100-ns units).
constexpr int64_t kStreamFrameTime = 1000000;
constexpr int kStreamBitCount = 24;
// Ten sizes, numbered 1 to 10: 80 x 60 times n for n = 1 to 8 (the 4:3 family), then 1280 x 720 and 1920 x 1080.
constexpr int kStreamFourThreeCount = 8;
constexpr int kStreamSizeCount = 10;
constexpr int kStreamUnitWidth = 80;
constexpr int kStreamUnitHeight = 60;
// The size the pin starts with, which the inputs render for every size of the 4:3 family.
constexpr int kStreamDefaultSizeIndex = kStreamFourThreeCount;
// Buffers the stream asks its allocator for (it works with any count granted).
constexpr long kStreamBufferCount = 3;
// Bytes of VIDEO_STREAM_CONFIG_CAPS and of VIDEOINFOHEADER, as the pin reports and writes them.
constexpr int kStreamCapsBytes = 128;
constexpr size_t kVideoInfoHeaderBytes = 88;

struct StreamSize {
    int width;
    int height;
};

// The size numbered n (1 to 10); 0 x 0 for another number.
constexpr StreamSize StreamSizeOf(int n)
{
    return n >= 1 && n <= kStreamFourThreeCount ? StreamSize{kStreamUnitWidth * n, kStreamUnitHeight * n}
           : n == kStreamFourThreeCount + 1      ? StreamSize{1280, 720}
           : n == kStreamSizeCount               ? StreamSize{1920, 1080}
                                                 : StreamSize{0, 0};
}
// The size the inputs render for a stream of size n: 640 x 480 for the 4:3 family (smaller sizes are scaled down
// from it), the size itself for the HD sizes.
constexpr StreamSize RenderSizeFor(int n)
{
    return n > kStreamFourThreeCount ? StreamSizeOf(n) : StreamSizeOf(kStreamDefaultSizeIndex);
}

// The frame periods hosts are offered for every size, largest rate first: 30, 25, 20, 15, 10 and 5 frames per
// second (100-ns units).
constexpr int kOfferedFrameRateCount = 6;
constexpr int64_t kOfferedFrameTimes[kOfferedFrameRateCount] = {333333, 400000, 500000, 666667, 1000000, 2000000};

// Bytes of an uncompressed bitmap: rows of width * bitCount bits rounded up to whole 32-bit words, times the
// height (its absolute value, as a negative height only flips the row order). 0 for sizes of zero or less, and
// for sizes whose byte count does not fit in 32 bits.
uint32_t BitmapImageBytes(int32_t width, int32_t height, int bitCount);

// What GetMediaType answers for a position.
enum class MediaTypePosition { Invalid, Current, Listed, NoMoreItems };
MediaTypePosition ClassifyMediaTypePosition(int position);

// The size n (1 to 10) that GetStreamCaps describes for an index: 0 means 640 x 480 (8); 1 to 7 mean themselves;
// 8 and 9 the HD sizes (9 and 10). 0 for an index outside 0 to 9, which is refused.
int StreamCapsSizeFor(int index);

// What GetStreamCaps answers for an index: a size, no such index (past the last), or a refused argument.
enum class StreamCapsIndex { Size, PastTheLast, Invalid };
StreamCapsIndex ClassifyStreamCapsIndex(int index);

// The fields of a format a host proposes through SetFormat, as far as the stream reads them.
struct ProposedFormat {
    bool video = false;      // major type video
    bool rgb24 = false;      // subtype RGB24
    bool videoInfo = false;  // format type VideoInfo
    uint32_t formatBytes = 0;
    int bitCount = 0;
    uint32_t compression = 0;  // 0 is BI_RGB
    int32_t width = 0;
    int32_t height = 0;
    int64_t frameTime = 0;
};

// The size n (1 to 10) of a format the stream can deliver: uncompressed 24-bit bottom-up rows of one of the
// offered sizes, described by a whole VIDEOINFOHEADER. 0 for anything else. Other header fields (such as an
// image size a host did not recompute after editing the width and height) are not looked at: the stream sets
// them itself.
int DeliverableSizeOf(const ProposedFormat& format);

// The frame period kept from a proposed format: one within the capabilities' interval range as it is,
// anything else (0 included) the default ten frames per second.
int64_t AcceptedFrameTime(int64_t requested);

// The values of VIDEO_STREAM_CONFIG_CAPS for size n: the same for every size of the 4:3 family; an HD size
// describes exactly itself (its own input, cropping and output size).
struct StreamCapsValues {
    int32_t videoStandard;
    StreamSize inputSize;
    StreamSize minCroppingSize;
    StreamSize maxCroppingSize;
    int32_t cropGranularityX, cropGranularityY;
    int32_t cropAlignX, cropAlignY;
    StreamSize minOutputSize;
    StreamSize maxOutputSize;
    int32_t outputGranularityX, outputGranularityY;
    int32_t stretchTapsX, stretchTapsY, shrinkTapsX, shrinkTapsY;
    int64_t minFrameInterval;
    int64_t maxFrameInterval;
    int32_t minBitsPerSecond;
    int32_t maxBitsPerSecond;
};
StreamCapsValues StreamCaps(int n = kStreamDefaultSizeIndex);

// The pin category property of IKsPropertySet: a 16-byte GUID in property set AMPROPSETID_Pin, id 0.
constexpr uint32_t kPinCategoryPropertyId = 0;
constexpr uint32_t kPinCategoryBytes = 16;

enum class PropertyOutcome {
    SetUnsupported,  // another property set
    IdUnsupported,   // another property in the pin set
    NullPointer,     // neither a buffer nor a place for the size
    SizeOnly,        // no buffer: only the size is reported
    BufferTooSmall,  // the size is reported, the buffer cannot take the value
    Copy             // the value goes into the buffer
};

// Get of a property: which outcome the arguments lead to. The size is reported whenever a place for it is given
// and the outcome is SizeOnly, BufferTooSmall or Copy.
PropertyOutcome ClassifyPropertyGet(bool isPinSet, uint32_t id, bool hasData, uint32_t dataBytes,
                                    bool hasReturned);
// QuerySupported: SetUnsupported, IdUnsupported or Copy (the support flags are reported when a place is given).
PropertyOutcome ClassifyPropertyQuery(bool isPinSet, uint32_t id);
