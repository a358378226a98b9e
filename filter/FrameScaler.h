#pragma once
// Frame downscaling, free of Win32: the stream renders its inputs at 640 x 480 and scales them into the samples of
// a host connected at a smaller size.
#include <cstddef>
#include <cstdint>
#include <vector>

// Largest width or height the scaler takes.
constexpr int kFrameScalerMaxSize = 16384;

// Bytes of one row of width packed 24-bit pixels, rounded up to a multiple of 4 as in a bitmap.
constexpr size_t PaddedRowBytes(int width) { return (static_cast<size_t>(width) * 3 + 3) / 4 * 4; }

// Area-averaging downscale of packed 24-bit frames (blue, green, red). Each destination pixel is the average of
// the source area it covers (partial source pixels weighted by the covered fraction), rounded to nearest (halves
// up). Rows are processed in storage order, so bottom-up frames stay bottom-up. Row strides are 3 * width rounded
// up to a multiple of 4 bytes; the padding bytes of the destination are written as zeros (a same-size copy takes
// them from the source).
class FrameScaler {
public:
    // Precomputes the weights for srcWidth x srcHeight -> dstWidth x dstHeight. False (and not prepared) unless
    // 0 < dst <= src <= kFrameScalerMaxSize in both directions.
    bool Prepare(int srcWidth, int srcHeight, int dstWidth, int dstHeight);
    bool IsPreparedFor(int srcWidth, int srcHeight, int dstWidth, int dstHeight) const;
    size_t SourceBytes() const;       // stride * height of the source
    size_t DestinationBytes() const;  // stride * height of the destination
    // Writes DestinationBytes() bytes. Only call when prepared. Same-size preparation is a plain copy. Keeps no
    // state, so one prepared scaler may serve several threads.
    void Scale(const uint8_t* source, uint8_t* destination) const;

    // The weights along one direction: destination pixel j averages the source pixels first[j] to
    // first[j] + taps[j] - 1, source pixel first[j] + t with weight weights[j * maxTaps + t], in units of which
    // every destination pixel's weights sum to exactly 1 << unitBits.
    struct Axis {
        int source = 0;
        int destination = 0;
        int unitBits = 0;
        int maxTaps = 0;
        std::vector<int32_t> first;
        std::vector<int32_t> taps;
        std::vector<uint32_t> weights;
    };
    // Weights for source -> destination pixels (0 < destination <= source). With a ratio whose reduced source
    // term divides 8 every weight is a whole number of eighths, and unitBits is 3; otherwise unitBits is 24.
    static Axis MakeAxis(int source, int destination);

private:
    void ScaleGeneral(const uint8_t* source, uint8_t* destination) const;
    void ScaleEighths(const uint8_t* source, uint8_t* destination) const;
    void PrepareEighths();

    bool prepared_ = false;
    bool copy_ = false;
    bool eighths_ = false;  // both directions in whole eighths: the 16-bit vector path
    Axis x_;
    Axis y_;
    // The horizontal pass of the 16-bit path, with the horizontal weights divided by 1 << xWeightBits_. With unit
    // weights each destination pixel adds the next x_.maxTaps source pixels. Otherwise vector v of 8 destination
    // values, r = v % periodVectors_, adds loadsPerVector_ loads of 8 sums: load k from lane
    // loadLanes_[r] + 3 * k + v / periodVectors_ * periodLanes_ on, weighed by loadWeights_[r * loadsPerVector_ + k]
    // (0 for the values it does not serve).
    int xWeightBits_ = 0;
    bool unitWeights_ = false;
    int loadsPerVector_ = 0;
    int periodVectors_ = 0;
    size_t periodLanes_ = 0;
    struct alignas(16) EightLanes {
        uint16_t lane[8];
    };
    std::vector<uint32_t> loadLanes_;
    std::vector<EightLanes> loadWeights_;
};
