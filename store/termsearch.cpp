#include "store/termsearch.h"

#include "common/vectorscan.h"

#include <QChar>

#include <algorithm>
#include <bit>
#include <memory>
#include <new>

namespace {
// Entries searched between two calls of the caller's betweenSlices.
constexpr int slice = 1 << 14;
// How far a scan looks past the piece at hand for the next byte that may start a match: the next
// entries usually lie right behind it.
constexpr qsizetype lookAhead = 4096;

bool isAccent(char32_t character)
{
    return character >= 0x300 && character <= 0x36F;
}

// A character whose canonical decomposition is a base and accents stands for its base.
char32_t withoutAccents(char32_t character)
{
    // Hangul syllables decompose into their letters, never into accents; passing them by spares a
    // good part of the table's making at the first search.
    if (character >= 0xAC00 && character <= 0xD7A3)
        return character;
    // Decompositions nest (ǖ is ü and a macron, ü is u and a diaeresis), a few levels deep at most.
    for (int level = 0; level < 4 && QChar::decompositionTag(character) == QChar::Canonical; ++level) {
        const QString parts = QChar::decomposition(character);
        const auto codePoints = parts.toUcs4();
        if (codePoints.isEmpty()
            || !std::all_of(codePoints.begin() + 1, codePoints.end(), [](char32_t c) { return isAccent(c); }))
            break;
        character = codePoints.front();
    }
    return character;
}

char32_t foldUncached(char32_t character)
{
    // Before case folding, which turns the combining subscript iota (U+0345) into the letter ι: dropped
    // from "ᾳ", it is dropped when written after the α too.
    if (isAccent(character))
        return 0;
    const char32_t folded = withoutAccents(QChar::toCaseFolded(withoutAccents(character)));
    return isAccent(folded) ? 0 : folded;
}

// Every character of the Basic Multilingual Plane folded once: a table lookup per character while
// searching. Characters beyond it are rare in word lists and folded as they come.
const char32_t *basicPlaneFolds()
{
    static const std::unique_ptr<char32_t[]> table = [] {
        auto folds = std::make_unique<char32_t[]>(0x10000);
        for (char32_t c = 0; c < 0x10000; ++c)
            folds[c] = foldUncached(c);
        return folds;
    }();
    return table.get();
}

// The next character of valid UTF-8 (the store holds nothing else), folded; U+FFFD for a stray byte.
inline char32_t nextFolded(const uchar *&in, const uchar *end, const char32_t *folds)
{
    const uchar lead = *in++;
    if (lead < 0x80)
        return folds[lead];
    int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t character = lead & (0x3F >> more);
    if (more == 0 || end - in < more)
        return 0xFFFD;
    for (; more > 0; --more) {
        if ((*in & 0xC0) != 0x80)
            return 0xFFFD;
        character = (character << 6) | (*in++ & 0x3F);
    }
    return character < 0x10000 ? folds[character] : foldUncached(character);
}
} // namespace

char32_t foldForSearch(char32_t character)
{
    return character < 0x10000 ? basicPlaneFolds()[character] : foldUncached(character);
}

namespace {
// The plain ASCII bytes that fold to `character`, repeated or 0x80 where there are fewer than two;
// false when there are more.
bool asciiFolding(char32_t character, std::array<uchar, 2> &bytes)
{
    const char32_t *folds = basicPlaneFolds();
    int found = 0;
    for (int byte = 0; byte < 0x80; ++byte) {
        if (folds[byte] != character)
            continue;
        if (found == int(bytes.size()))
            return false;
        bytes[size_t(found++)] = uchar(byte);
    }
    if (found == 1)
        bytes[1] = bytes[0];
    return true;
}
} // namespace

TermSearch::TermSearch(QStringView text)
{
    for (const char32_t character : text.toUcs4()) {
        if (const char32_t folded = foldForSearch(character))
            m_folded.push_back(folded);
    }
    m_fallback.assign(m_folded.size(), 0);
    for (size_t i = 1, border = 0; i < m_folded.size(); ++i) {
        while (border > 0 && m_folded[i] != m_folded[border])
            border = size_t(m_fallback[border - 1]);
        if (m_folded[i] == m_folded[border])
            ++border;
        m_fallback[i] = int(border);
    }
    if (m_folded.empty())
        return;
    // Every lead byte from which nextFolded reads a character that folds to the first one, overlong
    // forms included; a character beyond the basic plane may fold to anything, a stray byte reads as
    // U+FFFD.
    const char32_t first = m_folded.front();
    const char32_t *folds = basicPlaneFolds();
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (folds[c] != first)
            continue;
        if (c < 0x80)
            m_mayStart[c] = true;
        if (c < 0x800) {
            m_mayStart[0xC0 | (c >> 6)] = true;
            m_twoByteStarts[c >> 6] |= quint64(1) << (c & 0x3F);
        }
        m_mayStart[0xE0 | (c >> 12)] = true;
    }
    m_anyHighStarts = first == 0xFFFD;
    for (int byte = 0x80; byte < 0x100; ++byte)
        m_mayStart[size_t(byte)] = m_mayStart[size_t(byte)] || byte >= 0xF0 || m_anyHighStarts;
    m_sixteenAtATime = asciiFolding(first, m_firstAscii)
        && (m_folded.size() == 1 || asciiFolding(m_folded[1], m_secondAscii));
}

const uchar *TermSearch::nextStart(const uchar *from, const uchar *to) const
{
    const uchar *in = from;
#ifdef GLOSSMERE_VECTOR_SCANS
    // Sixteen bytes at a time. A character may start a match when it may be the first one and the
    // next may be the second: that one, NUL (which folds to nothing) or a character beyond ASCII. So
    // a plain ASCII byte is looked at with the byte after it, the lead of a two-byte character with
    // the byte after that; a longer character's lead always. The tables decide about the leads.
    const __m128i first0 = _mm_set1_epi8(char(m_firstAscii[0]));
    const __m128i first1 = _mm_set1_epi8(char(m_firstAscii[1]));
    const __m128i second0 = _mm_set1_epi8(char(m_secondAscii[0]));
    const __m128i second1 = _mm_set1_epi8(char(m_secondAscii[1]));
    const __m128i anyNext = _mm_set1_epi8(char(m_folded.size() == 1 || m_anyHighStarts ? 0xFF : 0));
    const __m128i anyHigh = _mm_set1_epi8(char(m_anyHighStarts ? 0xFF : 0));
    // Signed, the leads 0xC0 to 0xFF are above 0xBF and the longer ones' above 0xDF; a byte's high bit
    // then leaves the plain ASCII ones out.
    const __m128i lastFollower = _mm_set1_epi8(char(0xBF));
    const __m128i lastTwoByteLead = _mm_set1_epi8(char(0xDF));
    const __m128i zero = _mm_setzero_si128();
    const auto mayBeSecond = [&](__m128i bytes) {
        return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, second0), _mm_cmpeq_epi8(bytes, second1)),
                            _mm_or_si128(_mm_or_si128(bytes, anyNext), _mm_cmpeq_epi8(bytes, zero)));
    };
    for (; m_sixteenAtATime && to - in > 17; in += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
        const __m128i ascii =
            _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, first0), _mm_cmpeq_epi8(bytes, first1)),
                          mayBeSecond(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 1))));
        const __m128i longer = _mm_cmpgt_epi8(bytes, lastTwoByteLead);
        const __m128i twoByte = _mm_andnot_si128(longer, _mm_cmpgt_epi8(bytes, lastFollower));
        const __m128i leads = _mm_and_si128(
            bytes,
            _mm_or_si128(
                _mm_or_si128(longer, anyHigh),
                _mm_and_si128(twoByte,
                              mayBeSecond(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 2))))));
        auto mask = unsigned(_mm_movemask_epi8(_mm_or_si128(ascii, leads)));
        for (; mask != 0; mask &= mask - 1) {
            const uchar *candidate = in + std::countr_zero(mask);
            const uchar lead = *candidate;
            if (lead < 0x80)
                return candidate;
            if (!m_mayStart[lead])
                continue;
            // A two-byte character is known from its second byte, which lies before `to`.
            if (lead >= 0xE0 || m_anyHighStarts
                || ((candidate[1] & 0xC0) == 0x80
                    && (m_twoByteStarts[lead & 0x1F] >> (candidate[1] & 0x3F) & 1)))
                return candidate;
        }
    }
#endif
    for (; in < to; ++in) {
        if (m_mayStart[*in])
            return in;
    }
    return to;
}

bool TermSearch::follow(const uchar *&in, const uchar *end) const
{
    const char32_t *folds = basicPlaneFolds();
    const char32_t *wanted = m_folded.data();
    const size_t length = m_folded.size();
    size_t matched = 0;
    while (in < end) {
        const char32_t character = nextFolded(in, end, folds);
        if (character == 0)
            continue;
        while (matched > 0 && wanted[matched] != character)
            matched = size_t(m_fallback[matched - 1]);
        if (wanted[matched] != character)
            return false;
        if (++matched == length)
            return true;
    }
    return false;
}

bool TermSearch::matchesIn(QByteArrayView piece, QByteArrayView block, Scan &scan) const
{
    const auto *blockStart = reinterpret_cast<const uchar *>(block.data());
    const uchar *const blockEnd = blockStart + block.size();
    const auto *in = reinterpret_cast<const uchar *>(piece.data());
    const uchar *const end = in + piece.size();
    // What was seen ahead holds for this piece when it starts within it.
    if (scan.block != blockStart || in < scan.from || in > scan.hit)
        scan = Scan{blockStart, in, in, in};
    for (;;) {
        while (scan.hit == scan.upTo && scan.upTo < end) {
            const uchar *to = scan.upTo
                + std::min<qsizetype>(blockEnd - scan.upTo, std::max<qsizetype>(end - scan.upTo, lookAhead));
            scan.hit = nextStart(scan.upTo, to);
            scan.upTo = to;
        }
        if (scan.hit >= end)
            return false;
        in = scan.hit;
        if (follow(in, end))
            return true;
        scan = Scan{blockStart, in, in, in};
    }
}

bool TermSearch::matches(QByteArrayView utf8) const
{
    if (m_folded.empty())
        return false;
    Scan scan;
    return matchesIn(utf8, utf8, scan);
}

TermSearch::Match TermSearch::findIn(const TermStore &store, int first, int count) const
{
    if (m_folded.empty())
        return {};
    Scan scan;
    int column = 0;
    const int position = store.findEntryUtf8(
        first, count, [&](int, QByteArrayView term, QByteArrayView definition, QByteArrayView block) {
            // Most entries lie wholly before the next byte that may start a match.
            const auto *start = reinterpret_cast<const uchar *>(term.data());
            if (scan.block == reinterpret_cast<const uchar *>(block.data()) && start >= scan.from
                && scan.hit >= reinterpret_cast<const uchar *>(definition.data() + definition.size()))
                return false;
            column = matchesIn(term, block, scan) ? 0 : matchesIn(definition, block, scan) ? 1 : -1;
            return column >= 0;
        });
    return position >= 0 ? Match{position, column} : Match{};
}

TermSearch::Match
TermSearch::findAfter(const TermStore &store, int current, const std::function<void()> &betweenSlices) const
{
    const int entries = store.size();
    if (isEmpty() || entries == 0)
        return {};
    const int start = current >= 0 && current + 1 < entries ? current + 1 : 0;
    // Slices from `start` to the last entry, then from the first on to `start`, none across the end.
    const int slicesToEnd = (entries - start + slice - 1) / slice;
    const int slices = slicesToEnd + (start + slice - 1) / slice;
    const auto findInSlice = [&](const TermStore &in, int index) {
        const int first = index < slicesToEnd ? start + index * slice : (index - slicesToEnd) * slice;
        return findIn(in, first, std::min(slice, (index < slicesToEnd ? entries : start) - first));
    };
    for (int index = 0; index < slices; ++index) {
        if (const Match match = findInSlice(store, index); match.found())
            return match;
        if (betweenSlices && index + 1 < slices)
            betweenSlices();
    }
    return {};
}
