// The frame scaler's vector paths: the row operations of FrameScalerSimd.inl compiled once for each instruction
// set, each copy with only its own set enabled (so that the module still runs on a processor without the others),
// and the choice among them at run time.
#include "filter/FrameScalerKernels.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#define VELTRANE_SCALER_X86 1
#include <immintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif
#else
#define VELTRANE_SCALER_X86 0
#endif

#if VELTRANE_SCALER_X86

#if defined(__GNUC__)
// 32-bit Windows keeps the stack 4-byte aligned, and vector spills need 16: the entry points realign it.
#if defined(__i386__)
#define VELTRANE_SCALER_ENTRY __attribute__((force_align_arg_pointer))
#else
#define VELTRANE_SCALER_ENTRY
#endif
// Loops over a fixed number of rows, taps or windows, unrolled.
#define VELTRANE_SCALER_UNROLL _Pragma("GCC unroll 16")
#else
#define VELTRANE_SCALER_ENTRY
#define VELTRANE_SCALER_UNROLL
#endif

// ---- SSE2: 16-bit sums and rounding, no byte shuffles.
#if defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("sse2")
#endif
namespace frame_scaler {
namespace sse2 {

struct Vector {
    using T = __m128i;
    static constexpr int kBytes = 16;
    static constexpr int kLanes = 1;
    static T Zero() { return _mm_setzero_si128(); }
    static T Load(const void* at) { return _mm_loadu_si128(static_cast<const __m128i*>(at)); }
    static void Store(void* at, T v) { _mm_storeu_si128(static_cast<__m128i*>(at), v); }
    static T Set16(int value) { return _mm_set1_epi16(static_cast<short>(value)); }
    static T Add16(T a, T b) { return _mm_add_epi16(a, b); }
    // (a * b + 2^14) >> 15 for 0 <= a, b < 2^15, from the 32-bit product's halves: twice the high half, plus the
    // low half rounded at its top bit (halved first, so that the sum stays within 16 bits).
    static T MulRound(T a, T b)
    {
        const __m128i high = _mm_mulhi_epu16(a, b);
        const __m128i low = _mm_mullo_epi16(a, b);
        const __m128i carry = _mm_srli_epi16(_mm_add_epi16(_mm_srli_epi16(low, 1), _mm_set1_epi16(0x2000)), 14);
        return _mm_add_epi16(_mm_slli_epi16(high, 1), carry);
    }
    // Bytes of a then b, in order, each 16-bit value clamped to 0..255.
    static T PackBytes(T a, T b) { return _mm_packus_epi16(a, b); }
    // 16-bit values from kBytes / 2 bytes.
    static T LoadWidened(const uint8_t* at)
    {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)), _mm_setzero_si128());
    }
    static T ShiftLeft7(T v) { return _mm_slli_epi16(v, 7); }
};

#define VELTRANE_SCALER_SHUFFLES 0
#include "filter/FrameScalerSimd.inl"
#undef VELTRANE_SCALER_SHUFFLES

}  // namespace sse2
}  // namespace frame_scaler
#if defined(__GNUC__)
#pragma GCC pop_options
#endif

// ---- SSSE3: byte shuffles, pairs of bytes times signed weights, rounding products.
#if defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("ssse3")
#endif
namespace frame_scaler {
namespace ssse3 {

struct Vector : sse2::Vector {
    static T MulRound(T a, T b) { return _mm_mulhrs_epi16(a, b); }
    static T Or(T a, T b) { return _mm_or_si128(a, b); }
    static T Set8(int value) { return _mm_set1_epi8(static_cast<char>(value)); }
    static T Repeat(const void* sixteen) { return Load(sixteen); }
    static T Shuffle(T bytes, T mask) { return _mm_shuffle_epi8(bytes, mask); }
    static T MulAddBytes(T bytes, T weights) { return _mm_maddubs_epi16(bytes, weights); }
    // Sums of neighbouring 16-bit values, those of a then those of b (in each lane).
    static T AddPairs(T a, T b) { return _mm_hadd_epi16(a, b); }
    static T Set32(int value) { return _mm_set1_epi32(value); }
    static T Add32(T a, T b) { return _mm_add_epi32(a, b); }
    // 32-bit sums of the products of neighbouring signed 16-bit values.
    static T MulAddPairs(T a, T b) { return _mm_madd_epi16(a, b); }
    // The 32 bits at each address, repeated through its lane.
    static T RepeatPairs(const uint32_t* first, const uint32_t*) { return _mm_set1_epi32(static_cast<int>(*first)); }
    static T Shift21(T v) { return _mm_srai_epi32(v, 21); }
    // The low 3 bytes of the first 32-bit value of each lane (each clamped to 0..255), at 3-byte steps; 4 bytes
    // are written a lane.
    static void StorePixels(uint8_t* at, T v)
    {
        const T bytes = _mm_packus_epi16(_mm_packs_epi32(v, v), v);
        const int pixel = _mm_cvtsi128_si32(bytes);
        std::memcpy(at, &pixel, 4);
    }
    // One 16-byte lane from each address (here the first).
    static T LoadLanes(const void* first, const void*) { return Load(first); }
    // Bytes of each lane of a, then of the same lane of b.
    static T PackLanes(T a, T b) { return _mm_packus_epi16(a, b); }
    // Bytes of the low and of the high halves of each lane of a and b, alternately.
    static T InterleaveLow(T a, T b) { return _mm_unpacklo_epi8(a, b); }
    static T InterleaveHigh(T a, T b) { return _mm_unpackhi_epi8(a, b); }
    // The 16-bit values from the halves of each lane as InterleaveLow and InterleaveHigh took them, in order.
    static void StoreInOrder(uint16_t* at, T low, T high)
    {
        Store(at, low);
        Store(at + 8, high);
    }
    // The first 12 bytes of each lane, one after the other.
    static T JoinLanes12(T v) { return v; }
    // 16 sums of Run values 3 apart, rounded and clamped to bytes.
    template <int Run>
    static __m128i SixteenBytes(const uint16_t* sums, T rounding)
    {
        __m128i low = Load(sums);
        __m128i high = Load(sums + 8);
        VELTRANE_SCALER_UNROLL
        for (int t = 1; t < Run; ++t) {
            low = Add16(low, Load(sums + 3 * t));
            high = Add16(high, Load(sums + 3 * t + 8));
        }
        return PackBytes(MulRound(low, rounding), MulRound(high, rounding));
    }
};

#define VELTRANE_SCALER_SHUFFLES 1
#include "filter/FrameScalerSimd.inl"
#undef VELTRANE_SCALER_SHUFFLES

}  // namespace ssse3
}  // namespace frame_scaler
#if defined(__GNUC__)
#pragma GCC pop_options
#endif

// ---- AVX2: the same in two lanes of 16 bytes.
#if defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace frame_scaler {
namespace avx2 {

struct Vector {
    using T = __m256i;
    static constexpr int kBytes = 32;
    static constexpr int kLanes = 2;
    static T Zero() { return _mm256_setzero_si256(); }
    static T Load(const void* at) { return _mm256_loadu_si256(static_cast<const __m256i*>(at)); }
    static void Store(void* at, T v) { _mm256_storeu_si256(static_cast<__m256i*>(at), v); }
    static T Set16(int value) { return _mm256_set1_epi16(static_cast<short>(value)); }
    static T Set8(int value) { return _mm256_set1_epi8(static_cast<char>(value)); }
    static T Add16(T a, T b) { return _mm256_add_epi16(a, b); }
    static T ShiftLeft7(T v) { return _mm256_slli_epi16(v, 7); }
    static T MulRound(T a, T b) { return _mm256_mulhrs_epi16(a, b); }
    static T Or(T a, T b) { return _mm256_or_si256(a, b); }
    static T Repeat(const void* sixteen)
    {
        return _mm256_broadcastsi128_si256(_mm_loadu_si128(static_cast<const __m128i*>(sixteen)));
    }
    static T Shuffle(T bytes, T mask) { return _mm256_shuffle_epi8(bytes, mask); }
    static T MulAddBytes(T bytes, T weights) { return _mm256_maddubs_epi16(bytes, weights); }
    static T AddPairs(T a, T b) { return _mm256_hadd_epi16(a, b); }
    static T Set32(int value) { return _mm256_set1_epi32(value); }
    static T Add32(T a, T b) { return _mm256_add_epi32(a, b); }
    static T MulAddPairs(T a, T b) { return _mm256_madd_epi16(a, b); }
    static T RepeatPairs(const uint32_t* first, const uint32_t* second)
    {
        return _mm256_blend_epi32(_mm256_set1_epi32(static_cast<int>(*first)),
                                  _mm256_set1_epi32(static_cast<int>(*second)), 0xF0);
    }
    static T Shift21(T v) { return _mm256_srai_epi32(v, 21); }
    static void StorePixels(uint8_t* at, T v)
    {
        const T bytes = _mm256_packus_epi16(_mm256_packs_epi32(v, v), v);
        const int first = _mm256_extract_epi32(bytes, 0);
        const int second = _mm256_extract_epi32(bytes, 4);
        std::memcpy(at, &first, 4);
        std::memcpy(at + 3, &second, 4);
    }
    // Broadcast loads and a blend rather than an insertion: no work for the shuffle units, the busiest here.
    static T LoadLanes(const void* first, const void* second)
    {
        return _mm256_blend_epi32(Repeat(first), Repeat(second), 0xF0);
    }
    static T LoadWidened(const uint8_t* at)
    {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
    }
    static T PackLanes(T a, T b) { return _mm256_packus_epi16(a, b); }
    static T InterleaveLow(T a, T b) { return _mm256_unpacklo_epi8(a, b); }
    static T InterleaveHigh(T a, T b) { return _mm256_unpackhi_epi8(a, b); }
    static void StoreInOrder(uint16_t* at, T low, T high)
    {
        Store(at, _mm256_permute2x128_si256(low, high, 0x20));
        Store(at + 16, _mm256_permute2x128_si256(low, high, 0x31));
    }
    static T PackBytes(T a, T b) { return _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8); }
    static T JoinLanes12(T v) { return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7)); }
    template <int Run>
    static __m128i SixteenBytes(const uint16_t* sums, T rounding)
    {
        __m256i sum = Load(sums);
        VELTRANE_SCALER_UNROLL
        for (int t = 1; t < Run; ++t) sum = Add16(sum, Load(sums + 3 * t));
        sum = MulRound(sum, rounding);
        return _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi16(sum, sum), 0x08));
    }
};

#define VELTRANE_SCALER_SHUFFLES 1
#include "filter/FrameScalerSimd.inl"
#undef VELTRANE_SCALER_SHUFFLES

}  // namespace avx2
}  // namespace frame_scaler
#if defined(__GNUC__)
#pragma GCC pop_options
#endif

namespace frame_scaler {

FrameScaler::Instructions DetectInstructions()
{
#if defined(__GNUC__)
    // The processor's features, and for AVX2 also the operating system's saving of the wide registers.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return FrameScaler::Instructions::Avx2;
    if (__builtin_cpu_supports("ssse3")) return FrameScaler::Instructions::Ssse3;
    if (__builtin_cpu_supports("sse2")) return FrameScaler::Instructions::Sse2;
#else
    int info[4];
    __cpuid(info, 0);
    const int leaves = info[0];
    __cpuid(info, 1);
    const bool sse2 = (info[3] & (1 << 26)) != 0;
    const bool ssse3 = (info[2] & (1 << 9)) != 0;
    const bool osSavesAvx = (info[2] & (1 << 27)) != 0 && (info[2] & (1 << 28)) != 0 && (_xgetbv(0) & 6) == 6;
    bool avx2 = false;
    if (leaves >= 7 && osSavesAvx) {
        __cpuidex(info, 7, 0);
        avx2 = (info[1] & (1 << 5)) != 0;
    }
    if (avx2) return FrameScaler::Instructions::Avx2;
    if (ssse3) return FrameScaler::Instructions::Ssse3;
    if (sse2) return FrameScaler::Instructions::Sse2;
#endif
    return FrameScaler::Instructions::Portable;
}

const Kernels& KernelsFor(FrameScaler::Instructions instructions)
{
    // Plain tables of addresses, filled without running any of the sets' code.
    static const Kernels none;
    static const Kernels sse2{nullptr, sse2::Vertical, sse2::WeighRows, nullptr, nullptr, nullptr, nullptr};
    static const Kernels ssse3{ssse3::Gather,   ssse3::Vertical, ssse3::WeighRows, ssse3::WeighPixels,
                               ssse3::BoxPairs, ssse3::SumRows,  ssse3::SumRuns};
    static const Kernels avx2{avx2::Gather,   avx2::Vertical, avx2::WeighRows, avx2::WeighPixels,
                              avx2::BoxPairs, avx2::SumRows,  avx2::SumRuns};
    switch (instructions) {
    case FrameScaler::Instructions::Sse2: return sse2;
    case FrameScaler::Instructions::Ssse3: return ssse3;
    case FrameScaler::Instructions::Avx2: return avx2;
    default: return none;
    }
}

}  // namespace frame_scaler

#else

namespace frame_scaler {

FrameScaler::Instructions DetectInstructions() { return FrameScaler::Instructions::Portable; }

const Kernels& KernelsFor(FrameScaler::Instructions)
{
    static const Kernels none;
    return none;
}

}  // namespace frame_scaler

#endif
