#include "Engine/DestructibleSprite/ChunkRows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Engine/DestructibleSprite/Cell.h"

namespace {

bool g_simd = true;

void build_rows_plain(const uint16_t* flags, uint32_t* rows) {
    for (int32_t y = 0; y < 32; ++y) {
        uint32_t bits = 0;
        for (int32_t x = 0; x < 32; ++x) {
            bits |= (cell_active(flags[y * 32 + x]) ? 1u : 0u) << x;
        }
        rows[y] = bits;
    }
}

#if defined(__SSE2__)
void build_rows_sse2(const uint16_t* flags, uint32_t* rows) {
    const __m128i type_mask = _mm_set1_epi16(static_cast<int16_t>(kCellTypeMask | kCellRemovedBit));
    const __m128i zero = _mm_setzero_si128();
    const __m128i limit = _mm_set1_epi16(static_cast<int16_t>(kCellTypeMask + 1));
    for (int32_t y = 0; y < 32; ++y) {
        uint32_t bits = 0;
        for (int32_t half = 0; half < 2; ++half) {
            const uint16_t* at = flags + y * 32 + half * 16;
            // Type and removed bit together: active exactly when they read 1 to 31.
            const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), type_mask);
            const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 8)), type_mask);
            const __m128i on_a = _mm_and_si128(_mm_cmpgt_epi16(a, zero), _mm_cmplt_epi16(a, limit));
            const __m128i on_b = _mm_and_si128(_mm_cmpgt_epi16(b, zero), _mm_cmplt_epi16(b, limit));
            const auto mask = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(on_a, on_b)));
            bits |= mask << (half * 16);
        }
        rows[y] = bits;
    }
}
#endif

} // namespace

void build_chunk_rows(const uint16_t* flags, uint32_t* rows) {
#if defined(__SSE2__)
    if (g_simd) {
        build_rows_sse2(flags, rows);
        return;
    }
#endif
    build_rows_plain(flags, rows);
}

void set_chunk_rows_simd(bool on) { g_simd = on; }

bool chunk_rows_simd() { return g_simd; }
