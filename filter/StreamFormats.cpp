#include "filter/StreamFormats.h"

#include <limits>

uint32_t BitmapImageBytes(int32_t width, int32_t height, int bitCount)
{
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min() || bitCount <= 0) return 0;
    const uint64_t rowBits = static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount);
    const uint64_t rowBytes = (rowBits + 31) / 32 * 4;
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);
    const uint64_t bytes = rowBytes * rows;
    if (bytes > std::numeric_limits<uint32_t>::max()) return 0;
    return static_cast<uint32_t>(bytes);
}

MediaTypePosition ClassifyMediaTypePosition(int position)
{
    if (position < 0) return MediaTypePosition::Invalid;
    if (position == 0) return MediaTypePosition::Current;
    if (position > kStreamSizeCount) return MediaTypePosition::NoMoreItems;
    return MediaTypePosition::Listed;
}

int StreamCapsSizeFor(int index)
{
    if (index == 0) return kStreamDefaultSizeIndex;
    if (index > 0 && index < kStreamSizeCount) return index < kStreamFourThreeCount ? index : index + 1;
    return 0;
}

StreamCapsIndex ClassifyStreamCapsIndex(int index)
{
    if (index < 0) return StreamCapsIndex::Invalid;
    return StreamCapsSizeFor(index) == 0 ? StreamCapsIndex::PastTheLast : StreamCapsIndex::Size;
}

int DeliverableSizeOf(const ProposedFormat& format)
{
    if (!format.video || !format.rgb24 || !format.videoInfo) return 0;
    if (format.formatBytes < kVideoInfoHeaderBytes) return 0;
    if (format.bitCount != kStreamBitCount || format.compression != 0) return 0;
    for (int n = 1; n <= kStreamSizeCount; ++n) {
        const StreamSize size = StreamSizeOf(n);
        if (format.width == size.width && format.height == size.height) return n;
    }
    return 0;
}

int64_t AcceptedFrameTime(int64_t requested)
{
    const StreamCapsValues caps = StreamCaps();
    if (requested < caps.minFrameInterval || requested > caps.maxFrameInterval) return kStreamFrameTime;
    return requested;
}

StreamCapsValues StreamCaps(int n)
{
    const bool hd = n > kStreamFourThreeCount && n <= kStreamSizeCount;
    const StreamSize smallest = hd ? StreamSizeOf(n) : StreamSizeOf(1);
    const StreamSize largest = hd ? StreamSizeOf(n) : StreamSizeOf(kStreamFourThreeCount);
    StreamCapsValues caps{};
    caps.videoStandard = 0;
    caps.inputSize = largest;
    caps.minCroppingSize = smallest;
    caps.maxCroppingSize = largest;
    caps.cropGranularityX = hd ? 0 : kStreamUnitWidth;
    caps.cropGranularityY = hd ? 0 : kStreamUnitHeight;
    caps.minOutputSize = smallest;
    caps.maxOutputSize = largest;
    // From 50 frames per second down to one frame in five seconds.
    caps.minFrameInterval = 200000;
    caps.maxFrameInterval = 50000000;
    caps.minBitsPerSecond = smallest.width * smallest.height * kStreamBitCount / 5;
    // The HD sizes at 50 frames per second would not fit the 32-bit field: they count at the 30 offered.
    caps.maxBitsPerSecond = largest.width * largest.height * kStreamBitCount * (hd ? 30 : 50);
    return caps;
}

PropertyOutcome ClassifyPropertyGet(bool isPinSet, uint32_t id, bool hasData, uint32_t dataBytes,
                                    bool hasReturned)
{
    if (!isPinSet) return PropertyOutcome::SetUnsupported;
    if (id != kPinCategoryPropertyId) return PropertyOutcome::IdUnsupported;
    if (!hasData && !hasReturned) return PropertyOutcome::NullPointer;
    if (!hasData) return PropertyOutcome::SizeOnly;
    if (dataBytes < kPinCategoryBytes) return PropertyOutcome::BufferTooSmall;
    return PropertyOutcome::Copy;
}

PropertyOutcome ClassifyPropertyQuery(bool isPinSet, uint32_t id)
{
    if (!isPinSet) return PropertyOutcome::SetUnsupported;
    if (id != kPinCategoryPropertyId) return PropertyOutcome::IdUnsupported;
    return PropertyOutcome::Copy;
}
