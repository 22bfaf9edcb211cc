#include "text/textscan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

inline bool isStop(char16_t c, const char16_t (&stops)[3]) {
    return (c & 0xF800) == 0xD800 || c == stops[0] || c == stops[1] || c == stops[2];
}

} // namespace

qsizetype skipPlainText(QStringView text, qsizetype from, QLatin1String stops) {
    Q_ASSERT(stops.size() <= 3);
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    // Unused places repeat a surrogate, which stops anyway.
    char16_t wanted[3] = {0xD800, 0xD800, 0xD800};
    for (qsizetype k = 0; k < stops.size() && k < 3; ++k)
        wanted[k] = char16_t(uchar(stops.at(k).toLatin1()));
    qsizetype i = qMax<qsizetype>(from, 0);
#if defined(__SSE2__)
    const __m128i halfMask = _mm_set1_epi16(short(0xF800));
    const __m128i half = _mm_set1_epi16(short(0xD800));
    const __m128i s0 = _mm_set1_epi16(short(wanted[0]));
    const __m128i s1 = _mm_set1_epi16(short(wanted[1]));
    const __m128i s2 = _mm_set1_epi16(short(wanted[2]));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i hit = _mm_cmpeq_epi16(_mm_and_si128(v, halfMask), half);
        hit = _mm_or_si128(hit, _mm_cmpeq_epi16(v, s0));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi16(v, s1));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi16(v, s2));
        if (const int mask = _mm_movemask_epi8(hit))
            return i + __builtin_ctz(unsigned(mask)) / 2;
    }
#endif
    for (; i < n; ++i)
        if (isStop(p[i], wanted))
            return i;
    return n;
}
