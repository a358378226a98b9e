// The frame scaler's row operations (FrameScalerKernels.h) for one instruction set: included by FrameScalerSimd.cpp
// inside that set's namespace, after its Vector (the set's operations on one register of Vector::kLanes lanes of
// 16 bytes), with VELTRANE_SCALER_SHUFFLES saying whether the set shuffles bytes. Without, only Vertical.

using T = Vector::T;

// Two registers of 16-bit values make one of bytes.
template <int Taps>
size_t VerticalTaps(const int16_t* const* rows, const int16_t* weights, int taps, size_t count, uint8_t* out)
{
    constexpr size_t kHalf = Vector::kBytes / 2;
    const int n = Taps > 0 ? Taps : taps;
    T weight[kMaxTaps];
    for (int t = 0; t < n; ++t) weight[t] = Vector::Set16(weights[t]);
    // MulRound by 1 << 8 is (sum + 64) >> 7.
    const T toByte = Vector::Set16(1 << 8);
    size_t i = 0;
    for (; i + Vector::kBytes <= count; i += Vector::kBytes) {
        T low = Vector::Load(rows[0] + i);
        T high = Vector::Load(rows[0] + i + kHalf);
        if (n > 1) {
            low = Vector::MulRound(low, weight[0]);
            high = Vector::MulRound(high, weight[0]);
            for (int t = 1; t < n; ++t) {
                low = Vector::Add16(low, Vector::MulRound(Vector::Load(rows[t] + i), weight[t]));
                high = Vector::Add16(high, Vector::MulRound(Vector::Load(rows[t] + i + kHalf), weight[t]));
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

#if VELTRANE_SCALER_SHUFFLES

// One group of 8 values to a lane, the tables of two groups side by side: each part shuffled out of its windows
// and multiplied by its pairs of weights; two parts (4 taps a value) added pairwise.
template <int Parts, int Windows>
void GatherGroups(const uint8_t* row, const GatherTables& tables, int16_t* sums)
{
    constexpr int kLanes = Vector::kLanes;
    const uint8_t* masks = tables.masks;
    const int8_t* weights = tables.weights;
    for (int g = 0; g < tables.groups; g += 2, masks += Parts * Windows * 32, weights += Parts * 32) {
        for (int lane = 0; lane < 2; lane += kLanes) {
            T product[Parts];
            for (int p = 0; p < Parts; ++p) {
                const int32_t* first = tables.offsets + ((g + lane) * Parts + p) * Windows;
                const int32_t* second = first + (kLanes - 1) * Parts * Windows;
                const uint8_t* mask = masks + (p * Windows * 2 + lane) * 16;
                T pairs = Vector::Shuffle(Vector::LoadLanes(row + first[0], row + second[0]), Vector::Load(mask));
                for (int w = 1; w < Windows; ++w) {
                    const T window = Vector::LoadLanes(row + first[w], row + second[w]);
                    pairs = Vector::Or(pairs, Vector::Shuffle(window, Vector::Load(mask + 32 * w)));
                }
                product[p] = Vector::MulAddBytes(pairs, Vector::Load(weights + (p * 2 + lane) * 16));
            }
            const T total = Parts == 1 ? product[0] : Vector::AddPairs(product[0], product[Parts - 1]);
            Vector::Store(sums + 8 * (g + lane), total);
        }
    }
}

VELTRANE_SCALER_ENTRY void Gather(const uint8_t* row, const GatherTables& tables, int16_t* sums)
{
    using Groups = void (*)(const uint8_t*, const GatherTables&, int16_t*);
    static const Groups kBySize[2][kMaxGatherWindows] = {
        {GatherGroups<1, 1>, GatherGroups<1, 2>, GatherGroups<1, 3>, GatherGroups<1, 4>},
        {GatherGroups<2, 1>, GatherGroups<2, 2>, GatherGroups<2, 3>, GatherGroups<2, 4>},
    };
    kBySize[tables.parts - 1][tables.windows - 1](row, tables, sums);
}

// Chunks of 2 destination pixels, 12 source bytes: the two pixels of each pair of source pixels side by side,
// added by the multiplication by ones, then the rows added. A step takes 2 * kLanes chunks, lane l of its first
// register chunk 2l and of its second chunk 2l + 1, so that packing the two keeps the chunks in order. The last
// chunks, whose loads and stores would reach past the rows, are done on copies.
VELTRANE_SCALER_ENTRY int BoxPairs(const uint8_t* row, ptrdiff_t stride, int rows, int shift, int pixels,
                                   uint8_t* out)
{
    constexpr int kChunks = 2 * Vector::kLanes;
    constexpr int kLoaded = 12 * kChunks + 4;
    alignas(16) static const int8_t kPairs[16] = {0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1};
    alignas(16) static const int8_t kJoin[16] = {0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1};
    const T pairs = Vector::Repeat(kPairs);
    const T join = Vector::Repeat(kJoin);
    const T ones = Vector::Set8(1);
    const T rounding = Vector::Set16(1 << (15 - shift));
    auto step = [&](const uint8_t* at, ptrdiff_t rowStride, uint8_t* to) {
        T first = Vector::Zero();
        T second = Vector::Zero();
        for (int r = 0; r < rows; ++r, at += rowStride) {
            const T low = Vector::Shuffle(Vector::LoadLanes(at, at + 24), pairs);
            const T high = Vector::Shuffle(Vector::LoadLanes(at + 12, at + 36), pairs);
            first = Vector::Add16(first, Vector::MulAddBytes(low, ones));
            second = Vector::Add16(second, Vector::MulAddBytes(high, ones));
        }
        const T bytes = Vector::PackLanes(Vector::MulRound(first, rounding), Vector::MulRound(second, rounding));
        Vector::Store(to, Vector::JoinLanes12(Vector::Shuffle(bytes, join)));
    };
    const int chunks = pixels / 2;
    const ptrdiff_t sourceBytes = 12 * ptrdiff_t{chunks};
    int c = 0;
    for (; 12 * c + kLoaded <= sourceBytes && 6 * c + Vector::kBytes <= 3 * pixels; c += kChunks) {
        step(row + 12 * c, stride, out + 6 * c);
    }
    alignas(32) uint8_t copy[8][kLoaded];
    alignas(32) uint8_t result[Vector::kBytes];
    for (; c < chunks; c += kChunks) {
        const ptrdiff_t bytes = sourceBytes - 12 * c < kLoaded ? sourceBytes - 12 * c : kLoaded;
        for (int r = 0; r < rows; ++r) {
            for (int i = 0; i < kLoaded; ++i) copy[r][i] = i < bytes ? row[r * stride + 12 * c + i] : 0;
        }
        step(copy[0], kLoaded, result);
        const int done = chunks - c < kChunks ? chunks - c : kChunks;
        for (int i = 0; i < 6 * done; ++i) out[6 * c + i] = result[i];
    }
    return 2 * chunks;
}

VELTRANE_SCALER_ENTRY size_t SumRows(const uint8_t* row, ptrdiff_t stride, int rows, size_t bytes, uint16_t* sums)
{
    constexpr size_t kStep = Vector::kBytes / 2;
    size_t i = 0;
    for (; i + kStep <= bytes; i += kStep) {
        const uint8_t* at = row + i;
        T sum = Vector::LoadWidened(at);
        for (int r = 1; r < rows; ++r) {
            at += stride;
            sum = Vector::Add16(sum, Vector::LoadWidened(at));
        }
        Vector::Store(sums + i, sum);
    }
    return i;
}

// Blocks of 48 sums, 16 / run destination pixels: each third of the block summed over the run and rounded as 16
// bytes, of which those that start a run (lane % (3 * run) < 3) are shuffled to the front and stored in turn.
VELTRANE_SCALER_ENTRY int SumRuns(const uint16_t* sums, int runBits, int shift, int pixels, uint8_t* out)
{
    const int run = 1 << runBits;
    const int blockPixels = 16 >> runBits;
    alignas(16) int8_t masks[3][16];
    int starts[3] = {};
    int thirds = 0;
    int kept = 0;
    for (int third = 0; third < 3; ++third) {
        starts[third] = kept;
        int n = 0;
        for (int i = 0; i < 16; ++i) {
            masks[third][i] = -1;
            if ((16 * third + i) % (3 * run) < 3) masks[third][n++] = static_cast<int8_t>(i);
        }
        if (n) thirds = third + 1;
        kept += n;
    }
    const T rounding = Vector::Set16(1 << (15 - shift));
    const int outBytes = 3 * pixels;
    int block = 0;
    for (; (block + 1) * blockPixels <= pixels && 3 * blockPixels * block + starts[thirds - 1] + 16 <= outBytes;
         ++block) {
        const uint16_t* at = sums + 48 * block;
        uint8_t* to = out + 3 * blockPixels * block;
        for (int third = 0; third < thirds; ++third) {
            const __m128i bytes = Vector::SixteenBytes(at + 16 * third, run, rounding);
            const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(masks[third]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + starts[third]), _mm_shuffle_epi8(bytes, mask));
        }
    }
    return block * blockPixels;
}

#endif
