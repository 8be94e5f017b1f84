#include "BgrToRgb32.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KELVORA_HAVE_SSSE3_PATH 1
#endif

namespace {

// B, G, R in memory are RGB32's own byte order less the alpha byte.
inline QRgb pixel(const uchar* p)
{
    return 0xff000000u | p[0] | (QRgb(p[1]) << 8) | (QRgb(p[2]) << 16);
}

void rowPortable(const uchar* pSrc, QRgb* pDst, int nWidth)
{
    for (int x = 0; x < nWidth; ++x)
        pDst[x] = pixel(pSrc + 3 * x);
}

#ifdef KELVORA_HAVE_SSSE3_PATH
__attribute__((target("ssse3"))) void rowSsse3(const uchar* pSrc, QRgb* pDst, int nWidth)
{
    // Four pixels from each 16-byte load; the load reaches 4 bytes past the
    // four pixels, so the loop stops while that stays inside the row.
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(int(0xff000000u));
    int x = 0;
    for (; x + 6 <= nWidth; x += 4) {
        const __m128i bgr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSrc + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst + x),
                         _mm_or_si128(_mm_shuffle_epi8(bgr, spread), alpha));
    }
    rowPortable(pSrc + 3 * x, pDst + x, nWidth - x);
}

const bool g_bSsse3 = __builtin_cpu_supports("ssse3");
#endif

} // namespace

void bgrRowToRgb32(const uchar* pSrc, QRgb* pDst, int nWidth)
{
#ifdef KELVORA_HAVE_SSSE3_PATH
    if (g_bSsse3) {
        rowSsse3(pSrc, pDst, nWidth);
        return;
    }
#endif
    rowPortable(pSrc, pDst, nWidth);
}
