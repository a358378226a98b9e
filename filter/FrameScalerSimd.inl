// The frame scaler's row operations (FrameScalerKernels.h) for one instruction set: included by FrameScalerSimd.cpp
// inside that set's namespace, after its Vector (the set's operations on one register of Vector::kLanes lanes of
// 16 bytes), with VELTRANE_SCALER_SHUFFLES saying whether the set shuffles bytes; without, only Vertical and
// WeighRows, which need no shuffles.

using T = Vector::T;

// Two registers of 16-bit values make one of bytes.
template <int Taps>
size_t VerticalTaps(const int16_t* const* rows, const int16_t* weights, int taps, size_t count, uint8_t* out)
{
    constexpr size_t kHalf = Vector::kBytes / 2;
    const int n = Taps > 0 ? Taps : taps;
    // Copies, which the stores to out cannot change, so that they stay in registers.
    const int16_t* row[kMaxTaps];
    T weight[kMaxTaps];
    for (int t = 0; t < n; ++t) {
        row[t] = rows[t];
        weight[t] = Vector::Set16(weights[t]);
    }
    // MulRound by 1 << 8 is (sum + 64) >> 7.
    const T toByte = Vector::Set16(1 << 8);
    size_t i = 0;
    for (; i + Vector::kBytes <= count; i += Vector::kBytes) {
        T low = Vector::Load(row[0] + i);
        T high = Vector::Load(row[0] + i + kHalf);
        if (n > 1) {
            low = Vector::MulRound(low, weight[0]);
            high = Vector::MulRound(high, weight[0]);
            VELTRANE_SCALER_UNROLL
            for (int t = 1; t < n; ++t) {
                low = Vector::Add16(low, Vector::MulRound(Vector::Load(row[t] + i), weight[t]));
                high = Vector::Add16(high, Vector::MulRound(Vector::Load(row[t] + i + kHalf), weight[t]));
            }
        }
        Vector::Store(out + i, Vector::PackBytes(Vector::MulRound(low, toByte), Vector::MulRound(high, toByte)));
    }
    return i;
}

VELTRANE_SCALER_ENTRY size_t Vertical(const int16_t* const* rows, const int16_t* weights, int taps, size_t count,
                                      uint8_t* out)
{
    switch (taps) {
    case 1: return VerticalTaps<1>(rows, weights, taps, count, out);
    case 2: return VerticalTaps<2>(rows, weights, taps, count, out);
    case 3: return VerticalTaps<3>(rows, weights, taps, count, out);
    case 4: return VerticalTaps<4>(rows, weights, taps, count, out);
    default: return VerticalTaps<0>(rows, weights, taps, count, out);
    }
}

// Two registers of 16-bit values an iteration, from Vector::kBytes bytes of each row.
template <int Taps>
size_t WeighRowsOf(const uint8_t* row, ptrdiff_t stride, const int16_t* weights, int taps, size_t bytes,
                   int16_t* sums)
{
    constexpr size_t kHalf = Vector::kBytes / 2;
    const int n = Taps > 0 ? Taps : taps;
    // A copy, which the stores to sums cannot change.
    int16_t weight[kMaxDownTaps];
    for (int t = 0; t < n; ++t) weight[t] = weights[t];
    size_t i = 0;
    for (; i + Vector::kBytes <= bytes; i += Vector::kBytes) {
        const uint8_t* at = row + i;
        T low = Vector::ShiftLeft7(Vector::LoadWidened(at));
        T high = Vector::ShiftLeft7(Vector::LoadWidened(at + kHalf));
        if (n > 1) {
            low = Vector::MulRound(low, Vector::Set16(weight[0]));
            high = Vector::MulRound(high, Vector::Set16(weight[0]));
            VELTRANE_SCALER_UNROLL
            for (int t = 1; t < n; ++t) {
                at += stride;
                const T w = Vector::Set16(weight[t]);
                low = Vector::Add16(low, Vector::MulRound(Vector::ShiftLeft7(Vector::LoadWidened(at)), w));
                const T next = Vector::ShiftLeft7(Vector::LoadWidened(at + kHalf));
                high = Vector::Add16(high, Vector::MulRound(next, w));
            }
        }
        Vector::Store(sums + i, low);
        Vector::Store(sums + i + kHalf, high);
    }
    return i;
}

VELTRANE_SCALER_ENTRY size_t WeighRows(const uint8_t* row, ptrdiff_t stride, const int16_t* weights, int taps,
                                       size_t bytes, int16_t* sums)
{
    switch (taps) {
    case 1: return WeighRowsOf<1>(row, stride, weights, taps, bytes, sums);
    case 2: return WeighRowsOf<2>(row, stride, weights, taps, bytes, sums);
    case 3: return WeighRowsOf<3>(row, stride, weights, taps, bytes, sums);
    case 4: return WeighRowsOf<4>(row, stride, weights, taps, bytes, sums);
    default: return WeighRowsOf<0>(row, stride, weights, taps, bytes, sums);
    }
}

#if VELTRANE_SCALER_SHUFFLES

// One destination pixel to a lane: for each pair of taps, the sums of its two source pixels channel by channel
// side by side, multiplied by the pair's weights and added in 32 bits. A pixel's 4 bytes are stored, the last
// one overwritten by the next pixel's, so the last pixel is left.
VELTRANE_SCALER_ENTRY int WeighPixels(const int16_t* sums, const int32_t* first, const uint32_t* pairs,
                                      int pairsPerPixel, int pixels, uint8_t* out)
{
    constexpr int kLanes = Vector::kLanes;
    alignas(16) static const int8_t kSideBySide[16] = {0, 1, 6, 7, 2, 3, 8, 9, 4, 5, 10, 11, -1, -1, -1, -1};
    const T sideBySide = Vector::Repeat(kSideBySide);
    const T rounding = Vector::Set32(1 << 20);
    int j = 0;
    for (; j + kLanes < pixels; j += kLanes) {
        const int16_t* a = sums + 3 * first[j];
        const int16_t* b = sums + 3 * first[j + kLanes - 1];
        const uint32_t* weightsA = pairs + static_cast<size_t>(j) * pairsPerPixel;
        const uint32_t* weightsB = weightsA + (kLanes - 1) * pairsPerPixel;
        T total = rounding;
        for (int k = 0; k < pairsPerPixel; ++k, a += 6, b += 6) {
            const T values = Vector::Shuffle(Vector::LoadLanes(a, b), sideBySide);
            const T weights = Vector::RepeatPairs(weightsA + k, weightsB + k);
            total = Vector::Add32(total, Vector::MulAddPairs(values, weights));
        }
        Vector::StorePixels(out + 3 * j, Vector::Shift21(total));
    }
    return j;
}

// One group of 8 values to a lane, the tables of two groups side by side: each part shuffled out of its windows
// and multiplied by its pairs of weights; two parts (4 taps a value) added pairwise.
template <int Parts, int Windows>
void GatherGroups(const uint8_t* row, const GatherTables& tables, int16_t* sums)
{
    constexpr int kLanes = Vector::kLanes;
    constexpr int kGroupWindows = Parts * Windows;
    const uint8_t* masks = tables.masks;
    const int8_t* weights = tables.weights;
    const int32_t* offsets = tables.offsets;
    const int32_t* const end = offsets + tables.groups * kGroupWindows;
    for (; offsets != end; offsets += 2 * kGroupWindows, masks += 2 * kGroupWindows * 16, weights += 2 * Parts * 16,
                           sums += 16) {
        for (int lane = 0; lane < 2; lane += kLanes) {
            T product[Parts];
            VELTRANE_SCALER_UNROLL
            for (int p = 0; p < Parts; ++p) {
                const int32_t* first = offsets + lane * kGroupWindows + p * Windows;
                const int32_t* second = first + (kLanes - 1) * kGroupWindows;
                const uint8_t* mask = masks + (p * Windows * 2 + lane) * 16;
                T pairs = Vector::Shuffle(Vector::LoadLanes(row + first[0], row + second[0]), Vector::Load(mask));
                VELTRANE_SCALER_UNROLL
                for (int w = 1; w < Windows; ++w) {
                    const T window = Vector::LoadLanes(row + first[w], row + second[w]);
                    pairs = Vector::Or(pairs, Vector::Shuffle(window, Vector::Load(mask + 32 * w)));
                }
                product[p] = Vector::MulAddBytes(pairs, Vector::Load(weights + (p * 2 + lane) * 16));
            }
            const T total = Parts == 1 ? product[0] : Vector::AddPairs(product[0], product[Parts - 1]);
            Vector::Store(sums + 8 * lane, total);
        }
    }
}

// The pairs of groups before the repeating ones, those with one period's tables held (in registers, as far as
// they go), then the rest.
template <int Parts, int Period>
void GatherRepeating(const uint8_t* row, const GatherTables& tables, int16_t* sums)
{
    constexpr int kLanes = Vector::kLanes;
    constexpr int kSteps = 2 / kLanes;
    // The tables from group g on.
    auto from = [&](int g, int groups) {
        return GatherTables{tables.offsets + g * Parts, tables.masks + g * Parts * 16, tables.weights + g * Parts * 16,
                            groups, Parts, 1, 0, 0, 0, 0};
    };
    const int start = 2 * tables.start;
    GatherGroups<Parts, 1>(row, from(0, start), sums);
    const GatherTables repeating = from(start, 2 * Period);
    T mask[Period][kSteps][Parts];
    T weight[Period][kSteps][Parts];
    int32_t first[Period][kSteps][Parts];
    int32_t second[Period][kSteps][Parts];
    for (int i = 0; i < Period; ++i) {
        for (int step = 0; step < kSteps; ++step) {
            for (int p = 0; p < Parts; ++p) {
                const int lane = step * kLanes;
                mask[i][step][p] = Vector::Load(repeating.masks + ((i * Parts + p) * 2 + lane) * 16);
                weight[i][step][p] = Vector::Load(repeating.weights + ((i * Parts + p) * 2 + lane) * 16);
                first[i][step][p] = repeating.offsets[(2 * i + lane) * Parts + p];
                second[i][step][p] = repeating.offsets[(2 * i + lane + kLanes - 1) * Parts + p];
            }
        }
    }
    const uint8_t* at = row;
    int16_t* to = sums + 8 * start;
    for (int k = 0; k < tables.periods; ++k, at += tables.advance) {
        VELTRANE_SCALER_UNROLL
        for (int i = 0; i < Period; ++i) {
            for (int step = 0; step < kSteps; ++step, to += 8 * kLanes) {
                T product[Parts];
                VELTRANE_SCALER_UNROLL
                for (int p = 0; p < Parts; ++p) {
                    const T window = Vector::LoadLanes(at + first[i][step][p], at + second[i][step][p]);
                    product[p] = Vector::MulAddBytes(Vector::Shuffle(window, mask[i][step][p]), weight[i][step][p]);
                }
                Vector::Store(to, Parts == 1 ? product[0] : Vector::AddPairs(product[0], product[Parts - 1]));
            }
        }
    }
    const int done = start + 2 * Period * tables.periods;
    GatherGroups<Parts, 1>(row, from(done, tables.groups - done), sums + 8 * done);
}

VELTRANE_SCALER_ENTRY void Gather(const uint8_t* row, const GatherTables& tables, int16_t* sums)
{
    using Groups = void (*)(const uint8_t*, const GatherTables&, int16_t*);
    static const Groups kBySize[2][kMaxGatherWindows] = {
        {GatherGroups<1, 1>, GatherGroups<1, 2>, GatherGroups<1, 3>, GatherGroups<1, 4>},
        {GatherGroups<2, 1>, GatherGroups<2, 2>, GatherGroups<2, 3>, GatherGroups<2, 4>},
    };
    static const Groups kRepeating[2][kMaxGatherPeriod] = {
        {GatherRepeating<1, 1>, GatherRepeating<1, 2>, GatherRepeating<1, 3>},
        {GatherRepeating<2, 1>, GatherRepeating<2, 2>, GatherRepeating<2, 3>},
    };
    if (tables.period > 0) {
        kRepeating[tables.parts - 1][tables.period - 1](row, tables, sums);
    } else {
        kBySize[tables.parts - 1][tables.windows - 1](row, tables, sums);
    }
}

// Chunks of 2 destination pixels, 12 source bytes: the two pixels of each pair of source pixels side by side,
// added by the multiplication by ones, then the rows added. A step takes 2 * kLanes chunks, lane l of its first
// register chunk 2l and of its second chunk 2l + 1, so that packing the two keeps the chunks in order. The last
// steps load the row's last 16 bytes for the chunk that ends there (with the mask moved to match), and store
// through a copy.
template <int Rows, bool Last>
T BoxPairStep(const uint8_t* row, ptrdiff_t stride, ptrdiff_t sourceBytes, int c, T ones, T rounding)
{
    alignas(16) static const int8_t kPairs[2][16] = {{0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1},
                                                     {4, 7, 5, 8, 6, 9, 10, 13, 11, 14, 12, 15, -1, -1, -1, -1}};
    alignas(16) static const int8_t kJoin[16] = {0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1};
    // Chunk k's bytes, and whether they are the row's last 16.
    auto late = [&](int k) { return 12 * ptrdiff_t{k} + 16 > sourceBytes; };
    auto at = [&](int k) { return Last && late(k) ? sourceBytes - 16 : 12 * ptrdiff_t{k}; };
    const int k[4] = {c, c + 2, c + 1, c + 3};
    const T low = Last ? Vector::LoadLanes(kPairs[late(k[0])], kPairs[late(k[1])]) : Vector::Repeat(kPairs[0]);
    const T high = Last ? Vector::LoadLanes(kPairs[late(k[2])], kPairs[late(k[3])]) : low;
    T first = Vector::Zero();
    T second = Vector::Zero();
    VELTRANE_SCALER_UNROLL
    for (int r = 0; r < Rows; ++r) {
        const uint8_t* line = row + r * stride;
        const T one = Vector::Shuffle(Vector::LoadLanes(line + at(k[0]), line + at(k[1])), low);
        const T other = Vector::Shuffle(Vector::LoadLanes(line + at(k[2]), line + at(k[3])), high);
        first = Vector::Add16(first, Vector::MulAddBytes(one, ones));
        second = Vector::Add16(second, Vector::MulAddBytes(other, ones));
    }
    const T bytes = Vector::PackLanes(Vector::MulRound(first, rounding), Vector::MulRound(second, rounding));
    return Vector::JoinLanes12(Vector::Shuffle(bytes, Vector::Repeat(kJoin)));
}

template <int Rows>
int BoxPairRows(const uint8_t* row, ptrdiff_t stride, int shift, int pixels, uint8_t* out)
{
    constexpr int kChunks = 2 * Vector::kLanes;
    const int chunks = pixels / 2;
    const ptrdiff_t sourceBytes = 12 * ptrdiff_t{chunks};
    if (chunks < 2) return 0;
    const T ones = Vector::Set8(1);
    const T rounding = Vector::Set16(1 << (15 - shift));
    int c = 0;
    for (; 12 * (c + kChunks - 1) + 16 <= sourceBytes && 6 * c + Vector::kBytes <= 3 * pixels; c += kChunks) {
        Vector::Store(out + 6 * c, BoxPairStep<Rows, false>(row, stride, sourceBytes, c, ones, rounding));
    }
    alignas(32) uint8_t result[Vector::kBytes];
    for (; c < chunks; c += kChunks) {
        // Chunks past the row's end repeat its last 16 bytes; their values are not kept.
        Vector::Store(result, BoxPairStep<Rows, true>(row, stride, sourceBytes, c, ones, rounding));
        const int done = chunks - c < kChunks ? chunks - c : kChunks;
        for (int i = 0; i < 6 * done; ++i) out[6 * c + i] = result[i];
    }
    return 2 * chunks;
}

VELTRANE_SCALER_ENTRY int BoxPairs(const uint8_t* row, ptrdiff_t stride, int rows, int shift, int pixels,
                                   uint8_t* out)
{
    switch (rows) {
    case 1: return BoxPairRows<1>(row, stride, shift, pixels, out);
    case 2: return BoxPairRows<2>(row, stride, shift, pixels, out);
    case 4: return BoxPairRows<4>(row, stride, shift, pixels, out);
    default: return BoxPairRows<8>(row, stride, shift, pixels, out);
    }
}

// Pairs of rows byte by byte side by side, added by the multiplication by ones; a lone row widened.
template <int Rows>
size_t SumRowsOf(const uint8_t* row, ptrdiff_t stride, size_t bytes, uint16_t* sums)
{
    size_t i = 0;
    if (Rows == 1) {
        for (; i + Vector::kBytes / 2 <= bytes; i += Vector::kBytes / 2) {
            Vector::Store(sums + i, Vector::LoadWidened(row + i));
        }
        return i;
    }
    const T ones = Vector::Set8(1);
    for (; i + Vector::kBytes <= bytes; i += Vector::kBytes) {
        T low = Vector::Zero();
        T high = Vector::Zero();
        VELTRANE_SCALER_UNROLL
        for (int r = 0; r < Rows; r += 2) {
            const T first = Vector::Load(row + r * stride + i);
            const T second = Vector::Load(row + (r + 1) * stride + i);
            low = Vector::Add16(low, Vector::MulAddBytes(Vector::InterleaveLow(first, second), ones));
            high = Vector::Add16(high, Vector::MulAddBytes(Vector::InterleaveHigh(first, second), ones));
        }
        Vector::StoreInOrder(sums + i, low, high);
    }
    return i;
}

VELTRANE_SCALER_ENTRY size_t SumRows(const uint8_t* row, ptrdiff_t stride, int rows, size_t bytes, uint16_t* sums)
{
    switch (rows) {
    case 1: return SumRowsOf<1>(row, stride, bytes, sums);
    case 2: return SumRowsOf<2>(row, stride, bytes, sums);
    case 4: return SumRowsOf<4>(row, stride, bytes, sums);
    default: return SumRowsOf<8>(row, stride, bytes, sums);
    }
}

// Blocks of 48 sums, 16 / Run destination pixels: each third of the block summed over the run and rounded as 16
// bytes, of which those that start a run (lane % (3 * Run) < 3) are shuffled to the front and stored in turn.
template <int Run>
struct RunBlocks {
    static constexpr int kPixels = 16 / Run;
    int8_t masks[3][16] = {};
    int starts[3] = {};
    int thirds = 0;
    constexpr RunBlocks()
    {
        int kept = 0;
        for (int third = 0; third < 3; ++third) {
            starts[third] = kept;
            int n = 0;
            for (int i = 0; i < 16; ++i) {
                masks[third][i] = -1;
                if ((16 * third + i) % (3 * Run) < 3) masks[third][n++] = static_cast<int8_t>(i);
            }
            if (n) thirds = third + 1;
            kept += n;
        }
    }
};

template <int Run>
int SumRunsOf(const uint16_t* sums, int shift, int pixels, uint8_t* out)
{
    alignas(16) static constexpr RunBlocks<Run> kBlocks{};
    constexpr int kPixels = RunBlocks<Run>::kPixels;
    const T rounding = Vector::Set16(1 << (15 - shift));
    auto block = [&](const uint16_t* at, uint8_t* to) {
        for (int third = 0; third < kBlocks.thirds; ++third) {
            const __m128i bytes = Vector::template SixteenBytes<Run>(at + 16 * third, rounding);
            const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(kBlocks.masks[third]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + kBlocks.starts[third]), _mm_shuffle_epi8(bytes, mask));
        }
    };
    // The last blocks store into a copy: their thirds' stores would reach past the row.
    const int reach = kBlocks.starts[kBlocks.thirds - 1] + 16;
    const int blocks = pixels / kPixels;
    int b = 0;
    for (; b < blocks && 3 * kPixels * b + reach <= 3 * pixels; ++b) block(sums + 48 * b, out + 3 * kPixels * b);
    uint8_t copy[48 + 16];
    for (; b < blocks; ++b) {
        block(sums + 48 * b, copy);
        for (int i = 0; i < 3 * kPixels; ++i) out[3 * kPixels * b + i] = copy[i];
    }
    return blocks * kPixels;
}

VELTRANE_SCALER_ENTRY int SumRuns(const uint16_t* sums, int runBits, int shift, int pixels, uint8_t* out)
{
    switch (runBits) {
    case 0: return SumRunsOf<1>(sums, shift, pixels, out);
    case 2: return SumRunsOf<4>(sums, shift, pixels, out);
    default: return SumRunsOf<8>(sums, shift, pixels, out);
    }
}

#endif
