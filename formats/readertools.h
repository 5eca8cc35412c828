// What the readers of other trainers' formats share: fast byte searches, and big files looked at in
// two halves, one per core.
#pragma once

#include "common/readerthread.h"

#include <QByteArrayView>

#include <bit>
#include <cstring>
#include <system_error>
#include <thread>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#ifndef GLOSSMERE_SMALL_READER_SLICES
constexpr qsizetype parallelReaderBytes = qsizetype(1) << 20;
#else
// The fuzzer's inputs are small; they are cut as big files are.
constexpr qsizetype parallelReaderBytes = 2048;
#endif

// Whether `check` holds for both halves of `text`, each looked at on its own core when the text is
// big. The cut follows a line break, so that no character is cut in two.
template <typename Check> bool holdsForBothHalves(QByteArrayView text, Check check)
{
    const qsizetype lineBreak = text.size() >= parallelReaderBytes ? text.indexOf('\n', text.size() / 2) : -1;
    if (lineBreak < 0)
        return check(text);
    const QByteArrayView firstHalf = text.first(lineBreak + 1);
    const QByteArrayView secondHalf = text.sliced(lineBreak + 1);
    bool second = true;
    bool first = true;
    {
        std::jthread other;
        try {
            other = startReaderThread([&] { second = check(secondHalf); });
        } catch (const std::system_error &) {
            second = check(secondHalf);
        }
        // Leaving this block joins the other half.
        first = check(firstHalf);
    }
    return first && second;
}

// The first byte in [p, end) that is one of a, b, c, or `end`: sixteen bytes are looked at together.
inline const char *findFirstOf(const char *p, const char *end, char a, char b, char c)
{
#ifdef __SSE2__
    const __m128i first = _mm_set1_epi8(a);
    const __m128i second = _mm_set1_epi8(b);
    const __m128i third = _mm_set1_epi8(c);
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const auto found = unsigned(_mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, first), _mm_cmpeq_epi8(bytes, second)),
                         _mm_cmpeq_epi8(bytes, third))));
        if (found)
            return p + std::countr_zero(found);
    }
#endif
    while (p < end && *p != a && *p != b && *p != c)
        ++p;
    return p;
}

// Whether `text` holds a, b or c. Texts are often shorter than sixteen bytes: those are loaded as
// overlapping pieces of themselves (a byte looked at twice changes nothing).
inline bool holdsAnyOf(QByteArrayView text, char a, char b, char c)
{
    const char *p = text.data();
    const qsizetype size = text.size();
#ifdef __SSE2__
    const auto marked = [&](__m128i bytes) {
        return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(a)),
                                                           _mm_cmpeq_epi8(bytes, _mm_set1_epi8(b))),
                                              _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))))
            != 0;
    };
    const auto load = [p]<typename T>(T, qsizetype at) {
        T value;
        std::memcpy(&value, p + at, sizeof value);
        return value;
    };
    if (size >= 16)
        return findFirstOf(p, p + size - 16, a, b, c) != p + size - 16
            || marked(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + size - 16)));
    if (size >= 8)
        return marked(_mm_set_epi64x(load(qint64(), 0), load(qint64(), size - 8)));
    if (size >= 4)
        return marked(_mm_set1_epi64x((qint64(load(qint32(), 0)) << 32) | quint32(load(qint32(), size - 4))));
#endif
    for (qsizetype i = 0; i < size; ++i) {
        if (p[i] == a || p[i] == b || p[i] == c)
            return true;
    }
    return false;
}
