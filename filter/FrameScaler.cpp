#include "filter/FrameScaler.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "filter/FrameScalerKernels.h"

using frame_scaler::GatherTables;
using frame_scaler::Kernels;
using frame_scaler::KernelsFor;
using frame_scaler::MulRound;

namespace {

// Across: horizontal weights in 1/128, so that the products of a byte and a signed byte weight add up within
// 16 bits, for at most this many taps a pixel; vertical weights in 1/32768.
constexpr int kNarrowBits = 7;
constexpr int kNarrowTaps = 4;
constexpr int kWeightBits = 15;
// Down: weights in 1/32768 along y and 1/16384 along x (a whole weight then fits a signed 16-bit value), for at
// most frame_scaler::kMaxDownTaps taps a pixel (the rounding of each row's products then stays far below a
// level).
constexpr int kDownAcrossBits = 14;
// Wide: more taps.
constexpr int kWideBits = 24;

// log2 of source / destination when that is 1, 2, 4 or 8, otherwise -1.
int BoxBits(int source, int destination)
{
    for (int bits = 0; bits <= 3; ++bits) {
        if (source == destination << bits) return bits;
    }
    return -1;
}

uint8_t RoundedByte(int32_t sum) { return static_cast<uint8_t>(std::min(255, (sum + 64) >> 7)); }

}  // namespace

FrameScaler::Instructions FrameScaler::Supported()
{
    static const Instructions detected = frame_scaler::DetectInstructions();
    return detected;
}

void FrameScaler::UseInstructions(Instructions instructions)
{
    instructions_ = std::min(instructions, Supported());
}

FrameScaler::Axis FrameScaler::MakeAxis(int source, int destination, int unitBits)
{
    Axis axis;
    axis.source = source;
    axis.destination = destination;
    axis.area = source >= 2 * int64_t{destination};
    axis.unitBits = unitBits;
    const int64_t unit = int64_t{1} << unitBits;
    const size_t count = static_cast<size_t>(destination);
    axis.first.resize(count);
    axis.taps.resize(count);

    if (!axis.area) {
        // Measured in 1 / (2 * destination) of a source pixel, the centre of destination pixel j lies at
        // (2j + 1) * source - destination from the centre of source pixel 0; the second tap gets the fraction
        // past the first, to nearest unit.
        const int64_t span = 2 * int64_t{destination};
        std::vector<uint32_t> second(count);
        for (int j = 0; j < destination; ++j) {
            const int64_t at = (2 * int64_t{j} + 1) * source - destination;
            int64_t pixel = 0;
            int64_t weight = 0;
            if (at > 0) {
                pixel = at / span;
                weight = (at % span * unit + destination) / span;
            }
            if (weight == unit) {
                ++pixel;
                weight = 0;
            }
            if (pixel >= source - 1) {
                pixel = source - 1;
                weight = 0;
            }
            axis.first[j] = static_cast<int32_t>(pixel);
            axis.taps[j] = weight ? 2 : 1;
            second[j] = static_cast<uint32_t>(weight);
            axis.maxTaps = std::max(axis.maxTaps, static_cast<int>(axis.taps[j]));
        }
        axis.weights.assign(count * axis.maxTaps, 0);
        for (size_t j = 0; j < count; ++j) {
            axis.weights[j * axis.maxTaps] = static_cast<uint32_t>(unit - second[j]);
            if (axis.taps[j] == 2) axis.weights[j * axis.maxTaps + 1] = second[j];
        }
        return axis;
    }

    // Measured in 1/destination of a source pixel, source pixel i covers [i * destination, (i + 1) * destination)
    // and destination pixel j covers [j * source, (j + 1) * source): every overlap is a whole number and the
    // overlaps of one destination pixel add up to source.
    for (int j = 0; j < destination; ++j) {
        const int64_t low = int64_t{j} * source;
        const int64_t high = low + source;
        axis.first[j] = static_cast<int32_t>(low / destination);
        axis.taps[j] = static_cast<int32_t>((high + destination - 1) / destination - axis.first[j]);
        axis.maxTaps = std::max(axis.maxTaps, static_cast<int>(axis.taps[j]));
    }
    axis.weights.assign(count * axis.maxTaps, 0);
    std::vector<int64_t> remainders;
    std::vector<int> order;
    for (int j = 0; j < destination; ++j) {
        const int64_t low = int64_t{j} * source;
        const int64_t high = low + source;
        const int taps = axis.taps[j];
        uint32_t* weights = &axis.weights[static_cast<size_t>(j) * axis.maxTaps];
        remainders.assign(static_cast<size_t>(taps), 0);
        int64_t given = 0;
        for (int t = 0; t < taps; ++t) {
            const int64_t i = axis.first[j] + t;
            const int64_t overlap = std::min(high, (i + 1) * destination) - std::max(low, i * destination);
            weights[t] = static_cast<uint32_t>(overlap * unit / source);
            remainders[t] = overlap * unit % source;
            given += weights[t];
        }
        // The units lost to rounding down go to the taps that lost the most (the earlier tap on a tie), so that
        // the weights add up to exactly one unit and a uniform colour stays exactly that colour.
        order.resize(static_cast<size_t>(taps));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return remainders[a] > remainders[b]; });
        for (int k = 0; given + k < unit; ++k) ++weights[order[k]];
    }
    return axis;
}

bool FrameScaler::Prepare(int srcWidth, int srcHeight, int dstWidth, int dstHeight)
{
    prepared_ = false;
    auto fits = [](int size) { return size > 0 && size <= kFrameScalerMaxSize; };
    if (!fits(srcWidth) || !fits(srcHeight) || !fits(dstWidth) || !fits(dstHeight)) return false;
    x_ = MakeAxis(srcWidth, dstWidth, kNarrowBits);
    y_ = MakeAxis(srcHeight, dstHeight, kWeightBits);
    boxXBits_ = BoxBits(srcWidth, dstWidth);
    boxYBits_ = BoxBits(srcHeight, dstHeight);
    if (srcWidth == dstWidth && srcHeight == dstHeight) {
        method_ = Method::Copy;
    } else if (x_.maxTaps <= kNarrowTaps && y_.maxTaps <= frame_scaler::kMaxTaps) {
        method_ = Method::Across;
    } else if (x_.maxTaps <= frame_scaler::kMaxDownTaps && y_.maxTaps <= frame_scaler::kMaxDownTaps) {
        method_ = Method::Down;
        x_ = MakeAxis(srcWidth, dstWidth, kDownAcrossBits);
    } else {
        method_ = Method::Wide;
        x_ = MakeAxis(srcWidth, dstWidth, kWideBits);
        y_ = MakeAxis(srcHeight, dstHeight, kWideBits);
    }
    downPairsPerPixel_ = method_ == Method::Down ? (x_.maxTaps + 1) / 2 : 0;
    downPairs_.assign(static_cast<size_t>(downPairsPerPixel_) * dstWidth, 0);
    for (int j = 0; j < dstWidth && downPairsPerPixel_; ++j) {
        for (int t = 0; t < x_.taps[j]; ++t) {
            const uint32_t weight = x_.weights[static_cast<size_t>(j) * x_.maxTaps + t];
            downPairs_[static_cast<size_t>(j) * downPairsPerPixel_ + t / 2] |= weight << (16 * (t % 2));
        }
    }
    PrepareGather();
    prepared_ = true;
    return true;
}

void FrameScaler::PrepareGather()
{
    gather_ = GatherPlan{};
    const int rowBytes = 3 * x_.source;
    if (method_ != Method::Across || rowBytes < 16) return;

    // Every destination value's taps as source bytes and weights, 2 or 4 of them: a lone tap of the whole weight
    // in two halves (a signed byte holds at most 127), missing ones of weight 0 from no byte (-1). A part holds
    // 16 of them in the order the multiplication of pairs and the pairwise addition of parts take them.
    const int values = 3 * x_.destination;
    const int groups = ((values + 7) / 8 + 1) / 2 * 2;
    const int parts = x_.maxTaps <= 2 ? 1 : 2;
    const int taps = 2 * parts;
    std::vector<int> bytes(static_cast<size_t>(groups) * 8 * taps, -1);
    std::vector<int> weights(bytes.size(), 0);
    for (int v = 0; v < values; ++v) {
        const int j = v / 3;
        int* byte = &bytes[static_cast<size_t>(v) * taps];
        int* weight = &weights[static_cast<size_t>(v) * taps];
        for (int t = 0; t < x_.taps[j]; ++t) {
            byte[t] = 3 * (x_.first[j] + t) + v % 3;
            weight[t] = static_cast<int>(x_.weights[static_cast<size_t>(j) * x_.maxTaps + t]);
        }
        if (x_.taps[j] == 1) {
            byte[1] = byte[0];
            weight[0] = weight[1] = 1 << (kNarrowBits - 1);
        }
    }
    // Lane of tap t of value i (of 8) of a group, and its part: pairs of all 8 values, or 4 values' 4 taps.
    auto part = [&](int i) { return parts == 1 ? 0 : i / 4; };
    auto lane = [&](int i, int t) { return parts == 1 ? 2 * i + t : 4 * (i % 4) + t; };

    // Each part's windows: from its lowest byte not yet covered 16 bytes on, moved back to end at the row's end;
    // a byte is taken from the first window that holds it.
    std::vector<std::vector<int>> starts(static_cast<size_t>(groups) * parts);
    int windows = 1;
    for (int g = 0; g < groups; ++g) {
        for (int p = 0; p < parts; ++p) {
            std::vector<int> needed;
            for (int i = 0; i < 8; ++i) {
                for (int t = 0; t < taps && part(i) == p; ++t) {
                    const int byte = bytes[(static_cast<size_t>(g) * 8 + i) * taps + t];
                    if (byte >= 0) needed.push_back(byte);
                }
            }
            std::sort(needed.begin(), needed.end());
            std::vector<int>& at = starts[static_cast<size_t>(g) * parts + p];
            for (int byte : needed) {
                if (at.empty() || byte >= at.back() + 16) at.push_back(std::min(byte, rowBytes - 16));
            }
            if (at.empty()) at.push_back(0);
            windows = std::max(windows, static_cast<int>(at.size()));
        }
    }
    if (windows > frame_scaler::kMaxGatherWindows) return;

    gather_.offsets.resize(static_cast<size_t>(groups) * parts * windows);
    gather_.masks.assign(gather_.offsets.size() * 16, 0x80);
    gather_.weights.assign(static_cast<size_t>(groups) * parts * 16, 0);
    for (int g = 0; g < groups; ++g) {
        for (int p = 0; p < parts; ++p) {
            const std::vector<int>& at = starts[static_cast<size_t>(g) * parts + p];
            for (int w = 0; w < windows; ++w) {
                const size_t index = (static_cast<size_t>(g) * parts + p) * windows + w;
                gather_.offsets[index] = at[std::min<size_t>(w, at.size() - 1)];
            }
        }
        for (int i = 0; i < 8; ++i) {
            const int unit = (g / 2 * parts + part(i)) * 2 + g % 2;
            const std::vector<int>& at = starts[static_cast<size_t>(g) * parts + part(i)];
            for (int t = 0; t < taps; ++t) {
                const size_t k = (static_cast<size_t>(g) * 8 + i) * taps + t;
                gather_.weights[unit * 16 + lane(i, t)] = static_cast<int8_t>(weights[k]);
                if (bytes[k] < 0) continue;
                int w = 0;
                while (bytes[k] >= at[w] + 16) ++w;
                const size_t mask = ((static_cast<size_t>(g / 2) * parts + part(i)) * windows + w) * 2 + g % 2;
                gather_.masks[mask * 16 + lane(i, t)] = static_cast<uint8_t>(bytes[k] - at[w]);
            }
        }
    }
    gather_.groups = groups;
    gather_.parts = parts;
    gather_.windows = windows;

    // Repetition: a pair of groups with the tables of the pair period pairs before, its windows advance bytes on;
    // from the first pair, or from the second (where the first pixel is held at the edge).
    const int pairs = groups / 2;
    const size_t offsetsPerPair = 2 * static_cast<size_t>(parts) * windows;
    const size_t masksPerPair = offsetsPerPair * 16;
    const size_t weightsPerPair = 2 * static_cast<size_t>(parts) * 16;
    auto repeats = [&](size_t now, size_t then, int32_t advance) {
        bool same = std::equal(&gather_.masks[now * masksPerPair], &gather_.masks[(now + 1) * masksPerPair],
                               &gather_.masks[then * masksPerPair]) &&
                    std::equal(&gather_.weights[now * weightsPerPair], &gather_.weights[(now + 1) * weightsPerPair],
                               &gather_.weights[then * weightsPerPair]);
        for (size_t k = 0; k < offsetsPerPair && same; ++k) {
            same = gather_.offsets[now * offsetsPerPair + k] == gather_.offsets[then * offsetsPerPair + k] + advance;
        }
        return same;
    };
    for (int start = 0; start <= 1 && windows == 1; ++start) {
        for (int period = 1; period <= frame_scaler::kMaxGatherPeriod; ++period) {
            if (pairs < start + 2 * period) break;
            const int32_t advance =
                gather_.offsets[(start + period) * offsetsPerPair] - gather_.offsets[start * offsetsPerPair];
            int end = start + period;
            while (end < pairs && repeats(end, end - period, advance)) ++end;
            const int periods = (end - start) / period;
            if (periods >= 2 && periods * period > gather_.periods * gather_.period) {
                gather_.start = start;
                gather_.period = period;
                gather_.periods = periods;
                gather_.advance = advance;
            }
        }
    }
}

bool FrameScaler::IsPreparedFor(int srcWidth, int srcHeight, int dstWidth, int dstHeight) const
{
    return prepared_ && x_.source == srcWidth && y_.source == srcHeight && x_.destination == dstWidth &&
           y_.destination == dstHeight;
}

size_t FrameScaler::SourceBytes() const
{
    return prepared_ ? PaddedRowBytes(x_.source) * static_cast<size_t>(y_.source) : 0;
}

size_t FrameScaler::DestinationBytes() const
{
    return prepared_ ? PaddedRowBytes(x_.destination) * static_cast<size_t>(y_.destination) : 0;
}

FrameScaler::Method FrameScaler::MethodFor(Instructions instructions) const
{
    if (method_ == Method::Copy || boxXBits_ < 0 || boxYBits_ < 0) return method_;
    const Kernels& kernels = KernelsFor(instructions);
    const bool boxes = boxXBits_ == 1 ? kernels.boxPairs != nullptr : kernels.sumRows && kernels.sumRuns;
    return boxes ? Method::Boxes : method_;
}

void FrameScaler::Scale(const uint8_t* source, uint8_t* destination) const
{
    if (method_ == Method::Copy) {
        std::memcpy(destination, source, SourceBytes());
        return;
    }
    const size_t stride = PaddedRowBytes(x_.destination);
    Scale(source, static_cast<ptrdiff_t>(PaddedRowBytes(x_.source)), destination, static_cast<ptrdiff_t>(stride));
    const size_t written = static_cast<size_t>(x_.destination) * 3;
    for (int y = 0; y < y_.destination; ++y) std::memset(destination + y * stride + written, 0, stride - written);
}

void FrameScaler::Scale(const uint8_t* source, ptrdiff_t sourceStride, uint8_t* destination,
                        ptrdiff_t destinationStride) const
{
    switch (MethodFor(instructions_)) {
    case Method::Copy:
        for (int y = 0; y < y_.destination; ++y) {
            std::memcpy(destination + y * destinationStride, source + y * sourceStride,
                        static_cast<size_t>(x_.destination) * 3);
        }
        return;
    case Method::Boxes: return ScaleBoxes(source, sourceStride, destination, destinationStride);
    case Method::Across: return ScaleAcross(source, sourceStride, destination, destinationStride);
    case Method::Down: return ScaleDown(source, sourceStride, destination, destinationStride);
    case Method::Wide: return ScaleWide(source, sourceStride, destination, destinationStride);
    }
}

void FrameScaler::HorizontalSums(const uint8_t* row, int16_t* sums) const
{
    for (int j = 0; j < x_.destination; ++j) {
        const uint32_t* weights = &x_.weights[static_cast<size_t>(j) * x_.maxTaps];
        const uint8_t* pixels = row + 3 * static_cast<size_t>(x_.first[j]);
        for (int c = 0; c < 3; ++c) {
            uint32_t sum = 0;
            for (int t = 0; t < x_.taps[j]; ++t) sum += weights[t] * pixels[3 * t + c];
            sums[3 * j + c] = static_cast<int16_t>(sum);
        }
    }
}

// Each source row a destination row needs is summed along x once, into a ring of as many rows as a destination
// row has taps (source rows are needed in order), then the destination row is formed from its rows' sums.
void FrameScaler::ScaleAcross(const uint8_t* source, ptrdiff_t sourceStride, uint8_t* destination,
                              ptrdiff_t destinationStride) const
{
    const Kernels& kernels = KernelsFor(instructions_);
    const size_t values = static_cast<size_t>(x_.destination) * 3;
    // The vector path stores whole groups of 8 values, and an even number of groups.
    const size_t stride = (values + 15) / 16 * 16 + 16;
    const int ringRows = y_.maxTaps;
    std::vector<int16_t> ring(static_cast<size_t>(ringRows) * stride);
    std::vector<int> held(static_cast<size_t>(ringRows), -1);
    const GatherTables tables{gather_.offsets.data(), gather_.masks.data(), gather_.weights.data(), gather_.groups,
                              gather_.parts,          gather_.windows,      gather_.start,           gather_.period,
                              gather_.periods,        gather_.advance};
    const bool gather = kernels.gather && gather_.groups > 0;
    const int16_t* rows[frame_scaler::kMaxTaps];
    int16_t weights[frame_scaler::kMaxTaps];
    for (int y = 0; y < y_.destination; ++y) {
        const int taps = y_.taps[y];
        for (int t = 0; t < taps; ++t) {
            const int row = y_.first[y] + t;
            int16_t* sums = &ring[static_cast<size_t>(row % ringRows) * stride];
            if (held[row % ringRows] != row) {
                const uint8_t* pixels = source + row * sourceStride;
                if (gather) {
                    kernels.gather(pixels, tables, sums);
                } else {
                    HorizontalSums(pixels, sums);
                }
                held[row % ringRows] = row;
            }
            rows[t] = sums;
            // A lone tap weighs the whole unit, which 16 bits do not hold; it is taken as it is.
            weights[t] = taps == 1 ? 0 : static_cast<int16_t>(y_.weights[static_cast<size_t>(y) * y_.maxTaps + t]);
        }
        uint8_t* out = destination + y * destinationStride;
        size_t i = kernels.vertical ? kernels.vertical(rows, weights, taps, values, out) : 0;
        for (; i < values; ++i) {
            int32_t sum = rows[0][i];
            if (taps > 1) {
                sum = 0;
                for (int t = 0; t < taps; ++t) sum += MulRound(rows[t][i], weights[t]);
            }
            out[i] = RoundedByte(sum);
        }
    }
}

// Boxes of whole powers of two: plain sums of the box's bytes, rounded once. The other methods give the same bytes
// for these ratios (each weight then a power of two that divides the sums exactly).
void FrameScaler::ScaleBoxes(const uint8_t* source, ptrdiff_t sourceStride, uint8_t* destination,
                             ptrdiff_t destinationStride) const
{
    const Kernels& kernels = KernelsFor(instructions_);
    const int run = 1 << boxXBits_;
    const int rows = 1 << boxYBits_;
    const int shift = boxXBits_ + boxYBits_;
    const uint32_t half = 1u << (shift - 1);
    const int pixels = x_.destination;
    const size_t bytes = static_cast<size_t>(x_.source) * 3;
    // Room for the sums past the last run that the vector path reads.
    std::vector<uint16_t> sums(run == 2 ? 0 : bytes + 3 * 16 + 3 * 8);
    for (int y = 0; y < y_.destination; ++y) {
        const uint8_t* row = source + static_cast<ptrdiff_t>(y) * rows * sourceStride;
        uint8_t* out = destination + y * destinationStride;
        if (run == 2) {
            for (int j = kernels.boxPairs(row, sourceStride, rows, shift, pixels, out); j < pixels; ++j) {
                for (int c = 0; c < 3; ++c) {
                    uint32_t sum = half;
                    for (int r = 0; r < rows; ++r) {
                        const uint8_t* at = row + r * sourceStride + 6 * j + c;
                        sum += at[0] + at[3];
                    }
                    out[3 * j + c] = static_cast<uint8_t>(sum >> shift);
                }
            }
            continue;
        }
        for (size_t i = kernels.sumRows(row, sourceStride, rows, bytes, sums.data()); i < bytes; ++i) {
            uint32_t sum = 0;
            for (int r = 0; r < rows; ++r) sum += row[r * sourceStride + static_cast<ptrdiff_t>(i)];
            sums[i] = static_cast<uint16_t>(sum);
        }
        for (int j = kernels.sumRuns(sums.data(), boxXBits_, shift, pixels, out); j < pixels; ++j) {
            for (int c = 0; c < 3; ++c) {
                uint32_t sum = half;
                for (int t = 0; t < run; ++t) sum += sums[3 * (static_cast<size_t>(j) * run + t) + c];
                out[3 * j + c] = static_cast<uint8_t>(sum >> shift);
            }
        }
    }
}

// The destination row's source rows weighed into one row of 16-bit values (each row's products rounded), then
// each destination value weighed from those along x, in 32 bits (at most 32767 << 14).
void FrameScaler::ScaleDown(const uint8_t* source, ptrdiff_t sourceStride, uint8_t* destination,
                            ptrdiff_t destinationStride) const
{
    const Kernels& kernels = KernelsFor(instructions_);
    const size_t bytes = static_cast<size_t>(x_.source) * 3;
    // Room for the pairs of taps past a pixel's last that the vector path reads.
    std::vector<int16_t> sums(bytes + 3 * (2 * downPairsPerPixel_ + 1) + 8);
    int16_t weights[frame_scaler::kMaxDownTaps];
    const int shift = kNarrowBits + kDownAcrossBits;
    for (int y = 0; y < y_.destination; ++y) {
        const int taps = y_.taps[y];
        const uint8_t* row = source + y_.first[y] * sourceStride;
        for (int t = 0; t < taps; ++t) {
            weights[t] = taps == 1 ? 0 : static_cast<int16_t>(y_.weights[static_cast<size_t>(y) * y_.maxTaps + t]);
        }
        size_t i = kernels.weighRows ? kernels.weighRows(row, sourceStride, weights, taps, bytes, sums.data()) : 0;
        for (; i < bytes; ++i) {
            int32_t sum = row[i] << kNarrowBits;
            if (taps > 1) {
                sum = 0;
                for (int t = 0; t < taps; ++t) {
                    sum += MulRound(row[t * sourceStride + static_cast<ptrdiff_t>(i)] << kNarrowBits, weights[t]);
                }
            }
            sums[i] = static_cast<int16_t>(sum);
        }
        uint8_t* out = destination + y * destinationStride;
        int x = kernels.weighPixels ? kernels.weighPixels(sums.data(), x_.first.data(), downPairs_.data(),
                                                          downPairsPerPixel_, x_.destination, out)
                                    : 0;
        for (; x < x_.destination; ++x) {
            const uint32_t* across = &x_.weights[static_cast<size_t>(x) * x_.maxTaps];
            const int16_t* column = &sums[static_cast<size_t>(x_.first[x]) * 3];
            for (int c = 0; c < 3; ++c) {
                int32_t sum = 1 << (shift - 1);
                for (int t = 0; t < x_.taps[x]; ++t) sum += static_cast<int32_t>(across[t]) * column[3 * t + c];
                out[3 * x + c] = static_cast<uint8_t>(std::min(255, sum >> shift));
            }
        }
    }
}

// Any ratio, one value at a time: column sums of the weighted source rows, then weighted sums of those along the
// row. Weights of 1 << 24 units keep the result within a fraction of a level of the exact filter even for
// thousands of taps; a column sum is at most 255 << 24, which still fits 32 bits, and a pixel's sum 255 << 48.
void FrameScaler::ScaleWide(const uint8_t* source, ptrdiff_t sourceStride, uint8_t* destination,
                            ptrdiff_t destinationStride) const
{
    const size_t lanes = static_cast<size_t>(x_.source) * 3;
    const int shift = x_.unitBits + y_.unitBits;
    const uint64_t half = uint64_t{1} << (shift - 1);
    std::vector<uint32_t> sums(lanes);
    for (int y = 0; y < y_.destination; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        const uint32_t* rowWeights = &y_.weights[static_cast<size_t>(y) * y_.maxTaps];
        for (int t = 0; t < y_.taps[y]; ++t) {
            const uint8_t* row = source + (y_.first[y] + t) * sourceStride;
            const uint32_t weight = rowWeights[t];
            for (size_t i = 0; i < lanes; ++i) sums[i] += weight * row[i];
        }
        uint8_t* out = destination + y * destinationStride;
        for (int x = 0; x < x_.destination; ++x) {
            const uint32_t* weights = &x_.weights[static_cast<size_t>(x) * x_.maxTaps];
            const uint32_t* column = &sums[static_cast<size_t>(x_.first[x]) * 3];
            for (int c = 0; c < 3; ++c) {
                uint64_t sum = half;
                for (int t = 0; t < x_.taps[x]; ++t) sum += uint64_t{weights[t]} * column[3 * t + c];
                out[3 * x + c] = static_cast<uint8_t>(sum >> shift);
            }
        }
    }
}
