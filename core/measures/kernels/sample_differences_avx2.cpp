// The difference pass for processors with AVX2 (core/CMakeLists.txt sets
// the flags for this file alone); used only on processors that have it.
// 8-bit samples get loops of their own, written with intrinsics: the
// compiler's version of the plain loops keeps 48 lanes of sums and spills
// them, at half this speed.
#include <immintrin.h>

#include "sample_differences_builds.h"
#include "sample_differences_kernel.h"

namespace difference_detail {

#if defined(CITRA_AVX2_KERNELS)
namespace {

// Blocks of 96 bytes (a multiple of 1 to 4 channels), counted in byte lanes
// for at most 85 blocks (3 counts a block, 255 at most) before widening.
constexpr size_t kBlockBytes = 96;
constexpr size_t kBlocksPerGroup = 85;

// The squares of one block's 32 bytes go to four 32-bit vectors whose lane j
// holds byte s + j of the block for s = 0, 4, 8, 12 (lanes 4 to 7: bytes
// s + 16 + j); since 16 = 4 (mod 1 to 4 channels), lane j is channel
// (position + s + j) % C, and vectors with the same (position + s) % C add up.
template <int C>
void TallyBytesAvx2(const uint8_t* a, const uint8_t* b, size_t n, SampleDifferences& out) {
    const __m256i zero = _mm256_setzero_si256();
    uint64_t squares[C][8] = {};
    uint64_t zeros = 0;
    __m256i maxAbs = zero;
    size_t i = 0;
    while (n - i >= kBlockBytes) {
        const size_t blocks = std::min((n - i) / kBlockBytes, kBlocksPerGroup);
        __m256i sums[C];
        for (int t = 0; t < C; ++t) sums[t] = zero;
        __m256i zeroCounts = zero;
        for (size_t k = 0; k < blocks; ++k, i += kBlockBytes) {
            for (int r = 0; r < 3; ++r) {
                const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i + 32 * r));
                const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i + 32 * r));
                const __m256i ad = _mm256_or_si256(_mm256_subs_epu8(va, vb), _mm256_subs_epu8(vb, va));
                maxAbs = _mm256_max_epu8(maxAbs, ad);
                zeroCounts = _mm256_sub_epi8(zeroCounts, _mm256_cmpeq_epi8(ad, zero));
                const __m256i low = _mm256_unpacklo_epi8(ad, zero);
                const __m256i high = _mm256_unpackhi_epi8(ad, zero);
                const __m256i lowSquares = _mm256_mullo_epi16(low, low);
                const __m256i highSquares = _mm256_mullo_epi16(high, high);
                const int position = 32 * r;
                __m256i& s0 = sums[(position + 0) % C];
                s0 = _mm256_add_epi32(s0, _mm256_unpacklo_epi16(lowSquares, zero));
                __m256i& s4 = sums[(position + 4) % C];
                s4 = _mm256_add_epi32(s4, _mm256_unpackhi_epi16(lowSquares, zero));
                __m256i& s8 = sums[(position + 8) % C];
                s8 = _mm256_add_epi32(s8, _mm256_unpacklo_epi16(highSquares, zero));
                __m256i& s12 = sums[(position + 12) % C];
                s12 = _mm256_add_epi32(s12, _mm256_unpackhi_epi16(highSquares, zero));
            }
        }
        for (int t = 0; t < C; ++t) {
            alignas(32) uint32_t lanes[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sums[t]);
            for (int j = 0; j < 8; ++j) squares[t][j] += lanes[j];
        }
        alignas(32) uint8_t counts[32];
        _mm256_store_si256(reinterpret_cast<__m256i*>(counts), zeroCounts);
        for (uint8_t count : counts) zeros += count;
    }
    for (int t = 0; t < C; ++t)
        for (int j = 0; j < 8; ++j) out.squares[(t + j) % C] += squares[t][j];
    alignas(32) uint8_t largest[32];
    _mm256_store_si256(reinterpret_cast<__m256i*>(largest), maxAbs);
    for (uint8_t value : largest) out.maxAbs = std::max<uint32_t>(out.maxAbs, value);
    out.changed += i - zeros;
    TallyTail(a + i, b + i, n - i, C, out);
}

}  // namespace

void TallyAvx2(const uint8_t* a, const uint8_t* b, size_t n, int channels, SampleDifferences& out) {
    switch (channels) {
    case 1: return TallyBytesAvx2<1>(a, b, n, out);
    case 2: return TallyBytesAvx2<2>(a, b, n, out);
    case 3: return TallyBytesAvx2<3>(a, b, n, out);
    default: return TallyBytesAvx2<4>(a, b, n, out);
    }
}

void TallyAvx2(const uint16_t* a, const uint16_t* b, size_t n, int channels, SampleDifferences& out) {
    TallyWords(a, b, n, channels, out);
}
#endif

}  // namespace difference_detail
