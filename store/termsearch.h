// Finding an entry by a piece of its term or definition, ignoring case and accents, on the store's
// UTF-8 bytes: no entry is decoded into a QString on the way.
#pragma once

#include "store/termstore.h"

#include <array>
#include <functional>
#include <vector>

// The character a search compares: lower case (simple case folding) without the accents of the
// combining diacritical marks (U+0300–U+036F), which fold to 0 and are skipped. "É", "é", "e" and
// "e" followed by U+0301 all compare as "e"; letters of their own such as "ø" or "ß" stay themselves.
char32_t foldForSearch(char32_t character);

class TermSearch
{
public:
    struct Match
    {
        int position = -1;
        // TermListModel's column: 0 the term, 1 the definition.
        int column = 0;

        bool found() const { return position >= 0; }
    };

    explicit TermSearch(QStringView text);

    // True when the text holds nothing to look for (empty, or accents only).
    bool isEmpty() const { return m_folded.empty(); }

    bool matches(QByteArrayView utf8) const;

    // The first of `count` entries from `first` on (no wrapping) whose term or definition matches.
    Match findIn(const TermStore &store, int first, int count) const;

    // The first match after `current`, going on at the first entry after the last and ending with
    // `current` itself; -1 starts at the first entry. `betweenSlices` runs after every few
    // thousand entries searched, so that a caller can tell the user that a long search is at work.
    Match
    findAfter(const TermStore &store, int current, const std::function<void()> &betweenSlices = {}) const;

private:
    // What a scan through one block has seen: no byte in [from, hit) may start a match; `hit` may,
    // unless it is `upTo`, where the scan stopped looking.
    struct Scan
    {
        const uchar *block = nullptr;
        const uchar *from = nullptr;
        const uchar *hit = nullptr;
        const uchar *upTo = nullptr;
    };

    // Whether `piece`, which lies in `block`, holds a match; `scan` goes on from piece to piece.
    bool matchesIn(QByteArrayView piece, QByteArrayView block, Scan &scan) const;
    // The first byte in [from, to) that may start a match, or `to`.
    const uchar *nextStart(const uchar *from, const uchar *to) const;
    // Follows a match begun at `in` up to `end`: true once it is complete, false (with `in` past the
    // character that broke it) once no partial match is left.
    bool follow(const uchar *&in, const uchar *end) const;

    std::vector<char32_t> m_folded;
    // Knuth–Morris–Pratt: where the match goes on after a mismatch at each length matched.
    std::vector<int> m_fallback;
    // The bytes that may begin a character folding to the first one.
    std::array<bool, 256> m_mayStart{};
    // For the scan sixteen bytes at a time: the plain ASCII bytes that fold to the first and to the
    // second character (an upper- and a lower-case letter at most), and per two-byte lead the second
    // bytes (their low six bits) that complete a character folding to the first one.
    std::array<uchar, 2> m_firstAscii{0x80, 0x80};
    std::array<uchar, 2> m_secondAscii{0x80, 0x80};
    std::array<quint64, 32> m_twoByteStarts{};
    // The first character is U+FFFD, which any stray byte reads as.
    bool m_anyHighStarts = false;
    // False when the sets above cannot hold what folds (never with Unicode as it is): byte by byte.
    bool m_sixteenAtATime = false;
};
