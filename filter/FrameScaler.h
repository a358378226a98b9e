#pragma once
// Frame scaling, free of Win32: camera pictures, video frames and desktop captures fitted into the frame, and the
// frame scaled into the samples of a host connected at another size.
#include <cstddef>
#include <cstdint>
#include <vector>

// Largest width or height the scaler takes.
constexpr int kFrameScalerMaxSize = 16384;

// Bytes of one row of width packed 24-bit pixels, rounded up to a multiple of 4 as in a bitmap.
constexpr size_t PaddedRowBytes(int width) { return (static_cast<size_t>(width) * 3 + 3) / 4 * 4; }

// Resampling of packed 24-bit pixels (blue, green, red) from any size to any size, each direction on its own:
// where a direction shrinks by a factor of 2 or more, each destination pixel is the average of the source area
// it covers (partial source pixels weighted by the covered fraction); otherwise it is bilinear between the two
// source pixels around the source position (d + 0.5) * source / destination - 0.5, clamped to the edge pixels.
// Integer arithmetic throughout, rounded to nearest: within a level of the exact filter, and exact for uniform
// colours and for whole boxes of 1, 2, 4 or 8 pixels a side. The vector paths, chosen at run time from what the
// processor offers, give the same bytes as the portable one. Rows are processed in storage order, so bottom-up
// frames stay bottom-up.
class FrameScaler {
public:
    // The instruction sets the scaler has paths for, from the portable C++ up.
    enum class Instructions { Portable, Sse2, Ssse3, Avx2 };
    // The best of them that this processor (and its operating system) runs.
    static Instructions Supported();

    // Precomputes the weights for srcWidth x srcHeight -> dstWidth x dstHeight. False (and not prepared) unless
    // every size is within 1 to kFrameScalerMaxSize.
    bool Prepare(int srcWidth, int srcHeight, int dstWidth, int dstHeight);
    bool IsPreparedFor(int srcWidth, int srcHeight, int dstWidth, int dstHeight) const;
    size_t SourceBytes() const;       // PaddedRowBytes(source width) * source height
    size_t DestinationBytes() const;  // PaddedRowBytes(destination width) * destination height
    // Rows of PaddedRowBytes(width) bytes: writes DestinationBytes() bytes, the padding bytes as zeros (a
    // same-size copy takes them from the source). Only call when prepared.
    void Scale(const uint8_t* source, uint8_t* destination) const;
    // Rows sourceStride and destinationStride bytes apart (at least 3 * width, or negative). Writes only the
    // 3 * dstWidth bytes of each destination row, so the destination may be a rectangle inside a larger frame:
    // its first pixel and the frame's stride. A top-down source (a negative bitmap height) is given by the
    // address of its last row and minus its stride, so that it lands upright in a bottom-up destination.
    void Scale(const uint8_t* source, ptrdiff_t sourceStride, uint8_t* destination,
               ptrdiff_t destinationStride) const;
    // Scale and the functions above keep no state, so one prepared scaler may serve several threads.

    // The paths Scale takes: at most Supported() (the default), lower ones to compare them.
    void UseInstructions(Instructions instructions);

    // The weights along one direction: destination pixel j is made of the source pixels first[j] to
    // first[j] + taps[j] - 1, source pixel first[j] + t with weight weights[j * maxTaps + t], in units of which
    // every destination pixel's weights sum to exactly 1 << unitBits.
    struct Axis {
        int source = 0;
        int destination = 0;
        bool area = false;  // area averaging (shrinking by 2 or more), otherwise bilinear
        int unitBits = 0;
        int maxTaps = 0;
        std::vector<int32_t> first;
        std::vector<int32_t> taps;
        std::vector<uint32_t> weights;
    };
    // 0 < source, destination; 1 <= unitBits <= 24.
    static Axis MakeAxis(int source, int destination, int unitBits);

private:
    enum class Method { Copy, Boxes, Across, Down, Wide };
    Method MethodFor(Instructions instructions) const;
    void ScaleBoxes(const uint8_t* source, ptrdiff_t sourceStride, uint8_t* destination,
                    ptrdiff_t destinationStride) const;
    void ScaleAcross(const uint8_t* source, ptrdiff_t sourceStride, uint8_t* destination,
                     ptrdiff_t destinationStride) const;
    void ScaleDown(const uint8_t* source, ptrdiff_t sourceStride, uint8_t* destination,
                   ptrdiff_t destinationStride) const;
    void ScaleWide(const uint8_t* source, ptrdiff_t sourceStride, uint8_t* destination,
                   ptrdiff_t destinationStride) const;
    void HorizontalSums(const uint8_t* row, int16_t* sums) const;
    void PrepareGather();

    bool prepared_ = false;
    Instructions instructions_ = Supported();
    Method method_ = Method::Copy;
    // Across: each needed source row summed along x into 16-bit values, in 1/128 of a level (weights in units of
    // 1 << 7, at most 4 taps a pixel), then the sums of the destination row's source rows weighed along y (units
    // of 1 << 15) and rounded to bytes. Down, for more taps (up to 64): the destination row's source rows weighed
    // along y first (units of 1 << 15) into 16-bit values in 1/128 of a level, then those along x (units of
    // 1 << 14, in pairs of neighbouring taps: downPairs_).
    // Wide, for still more: weights in units of 1 << 24 both ways, 32-bit sums along y, then 64-bit ones along x.
    Axis x_;
    Axis y_;
    int downPairsPerPixel_ = 0;
    std::vector<uint32_t> downPairs_;
    // Ratios of whole powers of two (1, 2, 4 or 8) both ways: plain box sums, as log2 of the box's sides.
    int boxXBits_ = -1;
    int boxYBits_ = -1;
    // The horizontal pass of the byte-shuffling paths, in groups of 8 destination values made of `parts`
    // registers each: with 1, the pairs of taps of all 8 values; with 2, the 4 taps of 4 values in each. A part
    // is shuffled from `windows` windows of 16 source bytes, at offsets[(group * parts + part) * windows + window].
    // From pair `start` on, periods * period pairs of groups repeat every `period` pairs, `advance` source bytes
    // further on (period 0: none do).
    struct GatherPlan {
        int groups = 0;
        int parts = 0;
        int windows = 0;
        int start = 0;
        int period = 0;
        int periods = 0;
        int32_t advance = 0;
        std::vector<int32_t> offsets;
        std::vector<uint8_t> masks;
        std::vector<int8_t> weights;
    };
    GatherPlan gather_;
};
