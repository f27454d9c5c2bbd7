#include "BigTextBytes.h"

#include "Cp932Pairs.h"

#include <cstring>

#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
#include <emmintrin.h>
#include <immintrin.h>
#endif

namespace BigTextScan {

namespace {

// Bit masks of 64 bytes: LF, CR, CP932 lead-byte candidates (0x81..0x9F,
// 0xE0..0xFC), UTF-8 continuation bytes (0x80..0xBF) and four-byte leads
// (0xF0..0xF4).
struct Masks {
    quint64 lf = 0, cr = 0, lead = 0, cont = 0, four = 0;
};

#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
template <QuickCount quick>
inline __attribute__((always_inline)) Masks masksSse2(const unsigned char* q)
{
    Masks m;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16 * k));
        auto bits = [&](__m128i x) { return quint64(unsigned(_mm_movemask_epi8(x))) << (16 * k); };
        auto in = [&](int lo, int span) {
            const __m128i d = _mm_sub_epi8(v, _mm_set1_epi8(char(lo)));
            return _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(char(span))), d);
        };
        m.lf |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
        m.cr |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
        if (quick == QuickCount::Cp932) m.lead |= bits(_mm_or_si128(in(0x81, 0x1E), in(0xE0, 0x1C)));
        if (quick == QuickCount::Utf8) {
            m.cont |= bits(_mm_cmplt_epi8(v, _mm_set1_epi8(char(0xC0))));
            m.four |= bits(in(0xF0, 4));
        }
    }
    return m;
}

__attribute__((target("avx2"))) inline __m256i inRange256(__m256i v, char lo, char span)
{
    const __m256i d = _mm256_sub_epi8(v, _mm256_set1_epi8(lo));
    return _mm256_cmpeq_epi8(_mm256_min_epu8(d, _mm256_set1_epi8(span)), d);
}

__attribute__((target("avx2"))) inline quint64 bits256(__m256i x, int k)
{
    return quint64(unsigned(_mm256_movemask_epi8(x))) << (32 * k);
}

template <QuickCount quick>
__attribute__((target("avx2"))) inline Masks masksAvx2(const unsigned char* q)
{
    Masks m;
    for (int k = 0; k < 2; ++k) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + 32 * k));
        m.lf |= bits256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\n')), k);
        m.cr |= bits256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\r')), k);
        if (quick == QuickCount::Cp932)
            m.lead |= bits256(_mm256_or_si256(inRange256(v, char(0x81), 0x1E), inRange256(v, char(0xE0), 0x1C)), k);
        if (quick == QuickCount::Utf8) {
            m.cont |= bits256(_mm256_cmpgt_epi8(_mm256_set1_epi8(char(0xC0)), v), k);
            m.four |= bits256(inRange256(v, char(0xF0), 4), k);
        }
    }
    return m;
}

#endif

template <QuickCount quick>
inline Masks masksPlain(const unsigned char* q)
{
    Masks m;
    for (int k = 0; k < 64; ++k) {
        const unsigned char b = q[k];
        m.lf |= quint64(b == '\n') << k;
        m.cr |= quint64(b == '\r') << k;
        m.lead |= quint64(quick == QuickCount::Cp932 && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC))) << k;
        m.cont |= quint64(quick == QuickCount::Utf8 && b >= 0x80 && b < 0xC0) << k;
        m.four |= quint64(quick == QuickCount::Utf8 && b >= 0xF0 && b <= 0xF4) << k;
    }
    return m;
}

template <QuickCount quick, class MasksOf>
inline __attribute__((always_inline)) ByteCounts countBytesWith(const unsigned char* p, qint64 n, MasksOf masksOf)
{
    ByteCounts c;
    bool crCarry = false;  // the window before ended with CR
    Cp932Pairs pairs;
    quint64 lastStarts = 0;
    qint64 lastWindow = -1;
    alignas(32) unsigned char tail[64];
    for (qint64 i = 0; i < n; i += 64) {
        const unsigned char* q = p + i;
        if (n - i < 64) {
            std::memset(tail, 0, sizeof tail);
            std::memcpy(tail, q, size_t(n - i));
            q = tail;
        }
        const Masks m = masksOf(q);
        c.lf += __builtin_popcountll(m.lf);
        c.cr += __builtin_popcountll(m.cr);
        c.crlf += __builtin_popcountll(m.cr & (m.lf >> 1)) + ((crCarry && (m.lf & 1)) ? 1 : 0);
        crCarry = m.cr >> 63;
        if constexpr (quick == QuickCount::Utf8) c.pairs += __builtin_popcountll(m.cont) - __builtin_popcountll(m.four);
        if constexpr (quick != QuickCount::Cp932) continue;
        const quint64 lead = m.lead;
        if (!lead && !pairs.inRun()) continue;
        const quint64 pairStarts = pairs.starts(lead);
        c.pairs += __builtin_popcountll(pairStarts);
        if (pairStarts) {
            lastStarts = pairStarts;
            lastWindow = i;
        }
    }
    // A lead byte at the very end has no second byte: it is a character alone.
    if (lastWindow >= 0 && lastWindow + 63 - __builtin_clzll(lastStarts) == n - 1) --c.pairs;
    return c;
}

#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
template <QuickCount quick>
__attribute__((target("avx2,popcnt"))) ByteCounts countBytesAvx2(const unsigned char* p, qint64 n)
{
    return countBytesWith<quick>(p, n, masksAvx2<quick>);
}
#endif

template <QuickCount quick>
ByteCounts countBytesPlain(const unsigned char* p, qint64 n)
{
#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
    return countBytesWith<quick>(p, n, masksSse2<quick>);
#else
    return countBytesWith<quick>(p, n, masksPlain<quick>);
#endif
}

template <QuickCount quick>
ByteCounts countBytesAs(const unsigned char* p, qint64 n)
{
#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    return avx2 ? countBytesAvx2<quick>(p, n) : countBytesPlain<quick>(p, n);
#else
    return countBytesPlain<quick>(p, n);
#endif
}

} // namespace

ByteCounts countBytes(const unsigned char* p, qint64 n, QuickCount quick)
{
    switch (quick) {
    case QuickCount::Cp932: return countBytesAs<QuickCount::Cp932>(p, n);
    case QuickCount::Utf8: return countBytesAs<QuickCount::Utf8>(p, n);
    default: return countBytesAs<QuickCount::None>(p, n);
    }
}


QuickCount quickCountFor(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Cp932: return QuickCount::Cp932;
    case TextEncoding::Utf8: return QuickCount::Utf8;
    default: return QuickCount::None;
    }
}

qint64 quickChars(QuickCount quick, const char* data, qint64 size)
{
    const ByteCounts c = countBytes(reinterpret_cast<const unsigned char*>(data), size, quick);
    return size - c.pairs - c.crlf;
}

} // namespace BigTextScan
