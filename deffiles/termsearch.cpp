#include "deffiles/termsearch.h"

#include <QChar>

#include <algorithm>
#include <memory>

namespace {
bool isAccent(char32_t character)
{
    return character >= 0x300 && character <= 0x36F;
}

// A character whose canonical decomposition is a base and accents stands for its base.
char32_t withoutAccents(char32_t character)
{
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
    // Any byte that is not plain ASCII may begin a character that folds to the first one.
    const char32_t *folds = basicPlaneFolds();
    for (int byte = 0; byte < 256; ++byte)
        m_mayStart[size_t(byte)] = !m_folded.empty() && (byte >= 0x80 || folds[byte] == m_folded.front());
}

bool TermSearch::matches(QByteArrayView utf8) const
{
    if (m_folded.empty())
        return false;
    const char32_t *folds = basicPlaneFolds();
    const char32_t *wanted = m_folded.data();
    const size_t length = m_folded.size();
    const auto *in = reinterpret_cast<const uchar *>(utf8.data());
    const uchar *const end = in + utf8.size();
    size_t matched = 0;
    while (in < end) {
        // Most of a list is ASCII that cannot start a match; this loop passes over it.
        if (matched == 0) {
            while (in < end && !m_mayStart[*in])
                ++in;
            if (in == end)
                break;
        }
        const char32_t character = nextFolded(in, end, folds);
        if (character == 0)
            continue;
        while (matched > 0 && wanted[matched] != character)
            matched = size_t(m_fallback[matched - 1]);
        if (wanted[matched] == character && ++matched == length)
            return true;
    }
    return false;
}

TermSearch::Match TermSearch::findIn(const TermStore &store, int first, int count) const
{
    for (int position = first; position < first + count; ++position) {
        if (matches(store.termUtf8(position)))
            return {position, 0};
        if (matches(store.definitionUtf8(position)))
            return {position, 1};
    }
    return {};
}

TermSearch::Match
TermSearch::findAfter(const TermStore &store, int current, const std::function<void()> &betweenSlices) const
{
    constexpr int slice = 1 << 14;
    const int entries = store.size();
    if (isEmpty() || entries == 0)
        return {};
    const int start = current >= 0 && current + 1 < entries ? current + 1 : 0;
    for (int searched = 0; searched < entries;) {
        const int first = start + searched < entries ? start + searched : start + searched - entries;
        const int count = std::min({slice, entries - searched, entries - first});
        if (const Match match = findIn(store, first, count); match.found())
            return match;
        searched += count;
        if (betweenSlices && searched < entries)
            betweenSlices();
    }
    return {};
}
