#include "filter/FrameScaler.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#if defined(__SSE2__) || defined(_M_X64)
#define VELTRANE_SCALER_SSE2 1
#include <emmintrin.h>
#else
#define VELTRANE_SCALER_SSE2 0
#endif

namespace {

int Log2(int powerOfTwo)
{
    int bits = 0;
    while ((1 << bits) < powerOfTwo) ++bits;
    return bits;
}

#if VELTRANE_SCALER_SSE2
// Rows of sums up to this many lanes live on the stack (a 640-pixel row needs 1920 and a little slack).
constexpr size_t kStackLanes = 4096;

inline __m128i Load(const void* at) { return _mm_loadu_si128(static_cast<const __m128i*>(at)); }

// Rounds sums to nearest (halves up) and divides them by 1 << shift.
struct Divider {
    explicit Divider(int shift)
        : rounding(_mm_set1_epi16(static_cast<short>(1 << (shift - 1)))), count(_mm_cvtsi32_si128(shift))
    {
    }
    __m128i operator()(__m128i sums) const { return _mm_srl_epi16(_mm_add_epi16(sums, rounding), count); }
    __m128i rounding;
    __m128i count;
};

struct WeightedLoads {
    const uint32_t* lanes;
    const __m128i* weights;
    int count;
    int periodVectors;
    size_t periodLanes;
};

// sums[i] = the rows' bytes i times their weights, added up (plain sums when every weight is 1).
template <bool Weighted, int Count>
void SumRows(const uint8_t* const* rows, const uint16_t* weights, size_t bytes, uint16_t* sums)
{
    __m128i weight[Count];
    for (int t = 0; t < Count; ++t) weight[t] = _mm_set1_epi16(static_cast<short>(weights[t]));
    const __m128i zero = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
        __m128i low = zero;
        __m128i high = zero;
        for (int t = 0; t < Count; ++t) {
            const __m128i v = Load(rows[t] + i);
            __m128i a = _mm_unpacklo_epi8(v, zero);
            __m128i b = _mm_unpackhi_epi8(v, zero);
            if (Weighted) {
                a = _mm_mullo_epi16(a, weight[t]);
                b = _mm_mullo_epi16(b, weight[t]);
            }
            low = _mm_add_epi16(low, a);
            high = _mm_add_epi16(high, b);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i + 8), high);
    }
    for (; i < bytes; ++i) {
        unsigned sum = 0;
        for (int t = 0; t < Count; ++t) sum += weights[t] * rows[t][i];
        sums[i] = static_cast<uint16_t>(sum);
    }
}

template <bool Weighted>
void SumRows(const uint8_t* const* rows, const uint16_t* weights, int count, size_t bytes, uint16_t* sums)
{
    switch (count) {
    case 1: return SumRows<Weighted, 1>(rows, weights, bytes, sums);
    case 2: return SumRows<Weighted, 2>(rows, weights, bytes, sums);
    case 3: return SumRows<Weighted, 3>(rows, weights, bytes, sums);
    case 4: return SumRows<Weighted, 4>(rows, weights, bytes, sums);
    case 5: return SumRows<Weighted, 5>(rows, weights, bytes, sums);
    case 6: return SumRows<Weighted, 6>(rows, weights, bytes, sums);
    case 7: return SumRows<Weighted, 7>(rows, weights, bytes, sums);
    default: return SumRows<Weighted, 8>(rows, weights, bytes, sums);
    }
}

// Adds Run neighbouring source pixels per destination pixel (integer ratios, where every tap weighs the same),
// two pixels to a vector: lanes 0-2 and 4-6, each load bringing one source pixel of each. Four pixels are packed
// from 4 to 3 bytes a pixel a 64-bit half at a time, and the second 8-byte store reaches two bytes into the next
// pixel, written afterwards.
template <int Run>
void AddPixelRuns(const uint16_t* sums, int width, const Divider& divide, uint8_t* out)
{
    auto two = [&](int x) {
        const uint16_t* at = sums + 3 * Run * x;
        auto load = [&](int t) {
            const __m128d low = _mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at + 3 * t)));
            return _mm_castpd_si128(_mm_loadh_pd(low, reinterpret_cast<const double*>(at + 3 * (Run + t))));
        };
        __m128i sum = load(0);
        for (int t = 1; t < Run; ++t) sum = _mm_add_epi16(sum, load(t));
        return divide(sum);
    };
    const __m128i low3 = _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF);
    int x = 0;
    for (; x + 5 <= width; x += 4) {
        __m128i bytes = _mm_packus_epi16(two(x), two(x + 2));
        bytes = _mm_or_si128(_mm_and_si128(bytes, low3), _mm_andnot_si128(low3, _mm_srli_epi64(bytes, 8)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 3 * x), bytes);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 3 * x + 6), _mm_unpackhi_epi64(bytes, bytes));
    }
    // The last pixels one at a time (the high half of each vector, past the row at its end, is left out).
    for (; x < width; ++x) {
        const __m128i sums = two(x);
        const uint32_t packed = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(sums, sums)));
        out[3 * x] = static_cast<uint8_t>(packed);
        out[3 * x + 1] = static_cast<uint8_t>(packed >> 8);
        out[3 * x + 2] = static_cast<uint8_t>(packed >> 16);
    }
}

void AddPixelRuns(int run, const uint16_t* sums, int width, const Divider& divide, uint8_t* out)
{
    switch (run) {
    case 2: return AddPixelRuns<2>(sums, width, divide, out);
    case 4: return AddPixelRuns<4>(sums, width, divide, out);
    default: return AddPixelRuns<8>(sums, width, divide, out);
    }
}

// Forms 8 destination values at a time, in their storage order, each vector a sum of Count weighted loads from
// the row of sums, 3 lanes (one source pixel) apart. The same number of loads for every vector keeps the loop
// free of unpredictable branches.
template <int Count>
void AddWeightedLoads(const uint16_t* sums, const WeightedLoads& loads, int count, int values, const Divider& divide,
                      uint8_t* out)
{
    const int n = Count > 0 ? Count : count;
    auto vector = [&](const uint16_t* base, int r) {
        const uint16_t* at = base + loads.lanes[r];
        const __m128i* weights = loads.weights + r * n;
        __m128i sum = _mm_mullo_epi16(Load(at), _mm_load_si128(weights));
        for (int k = 1; k < n; ++k) {
            sum = _mm_add_epi16(sum, _mm_mullo_epi16(Load(at + 3 * k), _mm_load_si128(weights + k)));
        }
        return _mm_packus_epi16(divide(sum), sum);
    };
    const int vectors = values / 8;
    const uint16_t* base = sums;
    int v = 0;
    for (; v + loads.periodVectors <= vectors; base += loads.periodLanes) {
        for (int r = 0; r < loads.periodVectors; ++r, ++v) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 8 * v), vector(base, r));
        }
    }
    for (int r = 0; v < vectors; ++r, ++v) _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 8 * v), vector(base, r));
    if (values > 8 * vectors) {
        uint8_t last[16];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(last), vector(base, vectors % loads.periodVectors));
        std::memcpy(out + 8 * vectors, last, static_cast<size_t>(values - 8 * vectors));
    }
}

void AddWeightedLoads(const uint16_t* sums, const WeightedLoads& loads, int values, const Divider& divide,
                      uint8_t* out)
{
    switch (loads.count) {
    case 1: return AddWeightedLoads<1>(sums, loads, 1, values, divide, out);
    case 2: return AddWeightedLoads<2>(sums, loads, 2, values, divide, out);
    case 3: return AddWeightedLoads<3>(sums, loads, 3, values, divide, out);
    case 4: return AddWeightedLoads<4>(sums, loads, 4, values, divide, out);
    case 5: return AddWeightedLoads<5>(sums, loads, 5, values, divide, out);
    case 9: return AddWeightedLoads<9>(sums, loads, 9, values, divide, out);
    default: return AddWeightedLoads<0>(sums, loads, loads.count, values, divide, out);
    }
}
#endif

}  // namespace

FrameScaler::Axis FrameScaler::MakeAxis(int source, int destination)
{
    Axis axis;
    axis.source = source;
    axis.destination = destination;
    const int reducedSource = source / std::gcd(source, destination);
    axis.unitBits = 8 % reducedSource == 0 ? 3 : 24;
    const int64_t unit = int64_t{1} << axis.unitBits;

    // Measured in 1/destination of a source pixel, source pixel i covers [i * destination, (i + 1) * destination)
    // and destination pixel j covers [j * source, (j + 1) * source): every overlap is a whole number and the
    // overlaps of one destination pixel add up to source.
    axis.first.resize(static_cast<size_t>(destination));
    axis.taps.resize(static_cast<size_t>(destination));
    for (int j = 0; j < destination; ++j) {
        const int64_t low = int64_t{j} * source;
        const int64_t high = low + source;
        axis.first[j] = static_cast<int32_t>(low / destination);
        axis.taps[j] = static_cast<int32_t>((high + destination - 1) / destination - axis.first[j]);
        axis.maxTaps = std::max(axis.maxTaps, static_cast<int>(axis.taps[j]));
    }
    axis.weights.assign(static_cast<size_t>(destination) * axis.maxTaps, 0);
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
    auto fits = [](int source, int destination) {
        return destination > 0 && destination <= source && source <= kFrameScalerMaxSize;
    };
    if (!fits(srcWidth, dstWidth) || !fits(srcHeight, dstHeight)) return false;
    x_ = MakeAxis(srcWidth, dstWidth);
    y_ = MakeAxis(srcHeight, dstHeight);
    copy_ = srcWidth == dstWidth && srcHeight == dstHeight;
    eighths_ = VELTRANE_SCALER_SSE2 && !copy_ && x_.unitBits == 3 && y_.unitBits == 3;
    if (eighths_) PrepareEighths();
    prepared_ = true;
    return true;
}

void FrameScaler::PrepareEighths()
{
    // Every weight is a whole number of eighths; a power of two common to all of them is taken out here and out
    // of each row's weights in Scale, and the final division shrinks to match, so that 2:1 and 4:1 rows and
    // columns need no products.
    uint32_t common = 0;
    for (uint32_t weight : x_.weights) common = std::gcd(common, weight);
    xWeightBits_ = Log2(static_cast<int>(common));
    unitWeights_ = x_.maxTaps % 2 == 0;
    for (int j = 0; j < x_.destination; ++j) unitWeights_ = unitWeights_ && x_.taps[j] == x_.maxTaps;
    for (uint32_t weight : x_.weights) unitWeights_ = unitWeights_ && weight == common;
    loadsPerVector_ = 0;
    periodVectors_ = 0;
    periodLanes_ = 0;
    loadLanes_.clear();
    loadWeights_.clear();
    if (unitWeights_) return;

    // Destination value o (pixel j = o / 3) takes its tap t from lane o + 3 * (first[j] + t - j) of the row of
    // sums. The offsets of one pixel's taps are consecutive and those of the next pixel start at or after its
    // last one, so a vector of 8 values needs one load for each of a run of consecutive offsets. Every vector gets
    // as many as the one that needs most, the spare ones weighing 0. The pattern repeats after lcm(3 * group, 8)
    // values, where group is the destination pixels that span a whole number of source pixels.
    const int divisor = std::gcd(x_.source, x_.destination);
    const int group = x_.destination / divisor;
    const int periodValues = std::lcm(3 * group, 8);
    const int values = 3 * x_.destination;
    periodVectors_ = std::min(periodValues, values + 7) / 8;
    periodLanes_ = static_cast<size_t>(periodValues / (3 * group)) * 3 * (x_.source / divisor);
    for (int r = 0; r < periodVectors_; ++r) {
        const int last = std::min(8 * r + 8, values) - 1;
        const int loads = x_.first[last / 3] + x_.taps[last / 3] - last / 3 - (x_.first[8 * r / 3] - 8 * r / 3);
        loadsPerVector_ = std::max(loadsPerVector_, loads);
    }
    loadWeights_.assign(static_cast<size_t>(periodVectors_) * loadsPerVector_, EightLanes{});
    for (int r = 0; r < periodVectors_; ++r) {
        const int lowest = x_.first[8 * r / 3] - 8 * r / 3;
        loadLanes_.push_back(static_cast<uint32_t>(8 * r + 3 * lowest));
        for (int value = 8 * r; value < std::min(8 * r + 8, values); ++value) {
            const int j = value / 3;
            for (int t = 0; t < x_.taps[j]; ++t) {
                const int k = x_.first[j] + t - j - lowest;
                loadWeights_[static_cast<size_t>(r) * loadsPerVector_ + k].lane[value % 8] =
                    static_cast<uint16_t>(x_.weights[static_cast<size_t>(j) * x_.maxTaps + t] >> xWeightBits_);
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

void FrameScaler::Scale(const uint8_t* source, uint8_t* destination) const
{
    if (copy_) {
        std::memcpy(destination, source, SourceBytes());
    } else if (eighths_) {
        ScaleEighths(source, destination);
    } else {
        ScaleGeneral(source, destination);
    }
}

// Any ratio, one value at a time: column sums of the weighted source rows, then weighted sums of those along the
// row. Weights of 1 << 24 units keep the result within a fraction of a level of the exact average even for
// thousands of taps; a column sum is at most 255 << 24, which still fits 32 bits, and a pixel's sum 255 << 48.
void FrameScaler::ScaleGeneral(const uint8_t* source, uint8_t* destination) const
{
    const size_t sourceStride = PaddedRowBytes(x_.source);
    const size_t destinationStride = PaddedRowBytes(x_.destination);
    const size_t lanes = static_cast<size_t>(x_.source) * 3;
    const size_t written = static_cast<size_t>(x_.destination) * 3;
    const int shift = x_.unitBits + y_.unitBits;
    const uint64_t half = uint64_t{1} << (shift - 1);
    std::vector<uint32_t> sums(lanes);
    for (int y = 0; y < y_.destination; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        const uint32_t* rowWeights = &y_.weights[static_cast<size_t>(y) * y_.maxTaps];
        for (int t = 0; t < y_.taps[y]; ++t) {
            const uint8_t* row = source + static_cast<size_t>(y_.first[y] + t) * sourceStride;
            const uint32_t weight = rowWeights[t];
            for (size_t i = 0; i < lanes; ++i) sums[i] += weight * row[i];
        }
        uint8_t* out = destination + static_cast<size_t>(y) * destinationStride;
        for (int x = 0; x < x_.destination; ++x) {
            const uint32_t* weights = &x_.weights[static_cast<size_t>(x) * x_.maxTaps];
            const uint32_t* column = &sums[static_cast<size_t>(x_.first[x]) * 3];
            for (int c = 0; c < 3; ++c) {
                uint64_t sum = half;
                for (int t = 0; t < x_.taps[x]; ++t) sum += uint64_t{weights[t]} * column[3 * t + c];
                out[3 * x + c] = static_cast<uint8_t>(sum >> shift);
            }
        }
        std::memset(out + written, 0, destinationStride - written);
    }
}

// Both directions in whole eighths: every sum fits 16 bits (at most 255 * 64), eight lanes to a vector. The
// weighted source rows of one destination row are added first (whole contiguous rows), then the destination's
// pixels are formed from that one row of sums.
void FrameScaler::ScaleEighths(const uint8_t* source, uint8_t* destination) const
{
#if VELTRANE_SCALER_SSE2
    const size_t sourceStride = PaddedRowBytes(x_.source);
    const size_t destinationStride = PaddedRowBytes(x_.destination);
    const size_t lanes = static_cast<size_t>(x_.source) * 3;
    const size_t written = static_cast<size_t>(x_.destination) * 3;
    // Loads of the horizontal pass reach at most this far past the row's sums.
    const size_t needed = lanes + 3 * static_cast<size_t>(std::max(loadsPerVector_, 2 * x_.maxTaps)) + 8;
    alignas(16) uint16_t stackSums[kStackLanes];
    std::vector<uint16_t> heapSums;
    uint16_t* sums = stackSums;
    if (needed > kStackLanes) {
        heapSums.resize(needed);
        sums = heapSums.data();
    }
    std::fill(sums + lanes, sums + needed, uint16_t{0});
    const WeightedLoads loads{loadLanes_.data(), reinterpret_cast<const __m128i*>(loadWeights_.data()), loadsPerVector_,
                              periodVectors_, periodLanes_};

    const uint8_t* rows[8];
    uint16_t rowWeights[8];
    for (int y = 0; y < y_.destination; ++y) {
        const int count = y_.taps[y];
        const uint32_t* weights = &y_.weights[static_cast<size_t>(y) * y_.maxTaps];
        uint32_t common = 0;
        for (int t = 0; t < count; ++t) common = std::gcd(common, weights[t]);
        const int rowBits = Log2(static_cast<int>(common));
        bool weighted = false;
        for (int t = 0; t < count; ++t) {
            rows[t] = source + static_cast<size_t>(y_.first[y] + t) * sourceStride;
            rowWeights[t] = static_cast<uint16_t>(weights[t] >> rowBits);
            weighted = weighted || rowWeights[t] != 1;
        }
        if (weighted) {
            SumRows<true>(rows, rowWeights, count, lanes, sums);
        } else {
            SumRows<false>(rows, rowWeights, count, lanes, sums);
        }
        // Weights in eighths each way: the sums are in 64ths, less the powers of two taken out of the weights.
        // (Both directions whole would be a copy, so at least one bit is left.)
        const Divider divide(6 - rowBits - xWeightBits_);
        uint8_t* out = destination + static_cast<size_t>(y) * destinationStride;
        if (unitWeights_) {
            AddPixelRuns(x_.maxTaps, sums, x_.destination, divide, out);
        } else {
            AddWeightedLoads(sums, loads, static_cast<int>(written), divide, out);
        }
        std::memset(out + written, 0, destinationStride - written);
    }
#else
    ScaleGeneral(source, destination);
#endif
}
