#pragma once
// The frame scaler's row operations in vector instructions, one set for each instruction set (FrameScalerSimd.cpp).
// Each does the bulk of a row and says how far it got; FrameScaler finishes the row with the same arithmetic in
// portable C++, so that every path gives the same bytes.
#include <cstddef>
#include <cstdint>

#include "filter/FrameScaler.h"

namespace frame_scaler {

// Rounds a * b / 2^15 to nearest (halves up), for 0 <= a, b < 2^15: the vertical weights' product.
inline int32_t MulRound(int32_t a, int32_t b) { return (a * b + 16384) >> 15; }

// At most this many taps a destination pixel along y when summing across first, and in either direction when
// summing down first.
constexpr int kMaxTaps = 16;
constexpr int kMaxDownTaps = 64;
// At most this many windows of 16 source bytes serve one group of 8 destination values.
constexpr int kMaxGatherWindows = 4;

// The horizontal pass's tables (see FrameScaler::GatherPlan), 16 bytes a mask or a part's weights: groups is even,
// the groups 2k and 2k + 1 side by side, mask (part, window) of group g in unit
// ((g / 2 * parts + part) * windows + window) * 2 + g % 2, its part's weights in unit (g / 2 * parts + part) * 2 +
// g % 2.
// With one window a part, periods * period pairs of groups from pair start on may repeat every period pairs (up
// to kMaxGatherPeriod), their windows advance bytes further each time.
struct GatherTables {
    const int32_t* offsets;
    const uint8_t* masks;
    const int8_t* weights;
    int groups;
    int parts;
    int windows;
    int start;
    int period;
    int periods;
    int32_t advance;
};
constexpr int kMaxGatherPeriod = 3;

struct Kernels {
    // sums[v] for the destination values of groups whole groups of 8: each the sum of its taps' source bytes
    // times their weights.
    void (*gather)(const uint8_t* row, const GatherTables& tables, int16_t* sums) = nullptr;
    // out[i] = min(255, (sum over t < taps of MulRound(rows[t][i], weights[t]) + 64) >> 7), with one tap of
    // weight 2^15 when taps is 1 (the row itself), for i below the returned count (at most count).
    size_t (*vertical)(const int16_t* const* rows, const int16_t* weights, int taps, size_t count,
                       uint8_t* out) = nullptr;
    // sums[i] = the sum over t < taps of MulRound(row[t * stride + i] << 7, weights[t]), with one tap of weight
    // 2^15 when taps is 1 (the byte << 7), for i below the returned count (at most bytes).
    size_t (*weighRows)(const uint8_t* row, ptrdiff_t stride, const int16_t* weights, int taps, size_t bytes,
                        int16_t* sums) = nullptr;
    // The destination pixels from a row of such sums: out[3j + c] = min(255, (2^20 + the sum over k of
    // sums[3 * (first[j] + k) + c] * weight k) >> 21), the weights in pairs, pairs[j * pairsPerPixel + k / 2]
    // holding weight k in its low and weight k + 1 in its high 16 bits, for the first returned pixels (at most
    // pixels). Reads up to 3 * (2 * pairsPerPixel + 1) sums past a pixel's first, which must be there.
    int (*weighPixels)(const int16_t* sums, const int32_t* first, const uint32_t* pairs, int pairsPerPixel,
                       int pixels, uint8_t* out) = nullptr;
    // Boxes of 2 source pixels by rows source rows (rows apart by stride from row): (sum + half) >> shift for
    // the first returned destination pixels (at most pixels).
    int (*boxPairs)(const uint8_t* row, ptrdiff_t stride, int rows, int shift, int pixels, uint8_t* out) = nullptr;
    // sums[i] = the sum of byte i of rows rows (1 or an even number), for i below the returned count (at most
    // bytes).
    size_t (*sumRows)(const uint8_t* row, ptrdiff_t stride, int rows, size_t bytes, uint16_t* sums) = nullptr;
    // Runs of 1 << runBits pixels (1, 4 or 8) of sums: (sum + half) >> shift for the first returned destination
    // pixels (at most pixels). Reads up to 3 * 16 + 3 * 8 sums past the last run, which must be there.
    int (*sumRuns)(const uint16_t* sums, int runBits, int shift, int pixels, uint8_t* out) = nullptr;
};

// The operations for the given instruction set; null where it has none (portable: none at all).
const Kernels& KernelsFor(FrameScaler::Instructions instructions);
// What this processor runs.
FrameScaler::Instructions DetectInstructions();

}  // namespace frame_scaler
