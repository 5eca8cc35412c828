// Compact storage of term/definition pairs: the text stays UTF-8 in a few large shared blocks (a loaded
// file's own bytes among them) and an entry is one small record of offsets, so a list of a million
// entries costs its file's bytes and 8 bytes per entry; text is decoded only when asked for.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

// The text of UTF-8 bytes the store keeps; a byte-order mark at the start is text, not a header.
QString decodeTermText(QByteArrayView utf8);

// Whether UTF-8 text shows nothing: it is empty or white space alone (U+00A0 and U+3000 among it).
bool isBlankText(QByteArrayView utf8);

struct TermEntry
{
    QString term;
    QString definition;

    bool operator==(const TermEntry &) const = default;
};

using TermEntries = QList<TermEntry>;

class TermStore
{
public:
    // Where one entry's text lies in its block: the term at `offset`, the definition the block's gap
    // (its separator) after the term's end. Entries with a piece of 64 KiB or more keep their lengths
    // in a LongSpan instead, `offset` then numbering it. Which block an entry's text lies in follows
    // from runs of consecutive entries that share a block.
    struct Span
    {
        quint32 offset;
        quint16 termBytes;
        quint16 definitionBytes;
    };

    struct LongSpan
    {
        quint32 offset;
        quint32 termBytes;
        quint32 definitionBytes;
    };

    using LongSpans = std::vector<LongSpan>;

    // The record for an entry, its lengths put in `longs` (numbered from 0) when they do not fit.
    static Span makeSpan(qsizetype offset, qsizetype termBytes, qsizetype definitionBytes, LongSpans &longs)
    {
        if (termBytes < longMark && definitionBytes <= longMark)
            return Span{quint32(offset), quint16(termBytes), quint16(definitionBytes)};
        longs.push_back(LongSpan{quint32(offset), quint32(termBytes), quint32(definitionBytes)});
        return Span{quint32(longs.size() - 1), longMark, 0};
    }

    TermStore() = default;
    TermStore(TermStore &&) noexcept = default;
    TermStore &operator=(TermStore &&) noexcept = default;
    TermStore &operator=(const TermStore &) = delete;

    // A read-only copy in O(1) that shares every block and the entry records; either side may change
    // afterwards without affecting the other, and the copy may be read on another thread.
    TermStore snapshot() const;

    int size() const { return int(m_spanCount); }

    bool isEmpty() const { return m_spanCount == 0; }

    // Positions are not checked here; the model checks them.
    QString term(int position) const;
    QString definition(int position) const;
    // The UTF-8 bytes of a piece; equal texts have equal bytes.
    QByteArrayView termUtf8(int position) const;
    QByteArrayView definitionUtf8(int position) const;

    // Whether a test may ask the entry or offer its texts: its term and its definition both show
    // something.
    bool isAskable(int position) const
    {
        return !isBlankText(termUtf8(position)) && !isBlankText(definitionUtf8(position));
    }

    // The positions of the entries a test may ask, in list order.
    std::vector<int> askableEntries() const;

    void append(QStringView term, QStringView definition);
    void insertAt(int position, QStringView term, QStringView definition);
    void replaceAt(int position, QStringView term, QStringView definition);
    void removeAt(int position);
    // Moves every entry of `other` to the end of this store.
    void appendAll(TermStore &&other);
    void reserve(qsizetype entries);

    // Bulk filling without copies: room for one entry of at most `maxBytes` UTF-8 bytes, the term
    // written first and the definition straight after it; then commitEntry with the two lengths.
    char *beginEntry(qsizetype maxBytes);
    void commitEntry(qsizetype termBytes, qsizetype definitionBytes);

    // Bulk filling from text kept as it is: adds `text` as a block whose pieces are `gap` bytes apart,
    // for the entries that follow; reserveSpans gives room for `count` more spans (made by makeSpan),
    // which commitSpans then takes with the long lengths they refer to.
    void addTextBlock(const QByteArray &text, qsizetype gap);

    Span *reserveSpans(qsizetype count);
    void commitSpans(qsizetype count, const LongSpans &longs = {});

    // Calls `write` with consecutive pieces of the definition file body (entries only, no header):
    // term, separator, definition, CR LF per entry, gathered into chunks of about `chunkBytes`.
    template <typename Write>
    void forEachFileChunk(QByteArrayView separator, qsizetype chunkBytes, Write write) const;

    // Calls `visit(position, termUtf8, definitionUtf8)` for every entry in order, without decoding.
    template <typename Visit> void forEachEntryUtf8(Visit visit) const;

    // Calls `visit(position, termUtf8, definitionUtf8, blockUtf8)` for `count` entries from `first` on,
    // in order, until it returns true, and returns that position (-1 if none). `blockUtf8` is the whole
    // block the two pieces lie in: a scan may read on in it past the pieces (their neighbours, usually).
    template <typename Visit> int findEntryUtf8(int first, int count, Visit visit) const;

    TermEntries toEntries() const;
    static TermStore fromEntries(const TermEntries &entries);

private:
    static constexpr quint16 longMark = 0xFFFF;

    // Copies are explicit (snapshot) so that a list is never copied by accident.
    TermStore(const TermStore &) = default;

    struct Block
    {
        QByteArray text;
        quint32 gap = 0;
    };

    // Entries from `first` up to the next run's first keep their text in `block`.
    struct Run
    {
        qsizetype first;
        qsizetype block;
    };

    LongSpan entry(qsizetype position) const;

    LongSpan entry(const Span &span) const
    {
        return span.termBytes == longMark ? m_long[span.offset]
                                          : LongSpan{span.offset, span.termBytes, span.definitionBytes};
    }

    qsizetype blockOf(qsizetype position) const;

    QByteArrayView termBytes(const Block &block, const LongSpan &entry) const
    {
        return QByteArrayView(block.text.constData() + entry.offset, qsizetype(entry.termBytes));
    }

    QByteArrayView definitionBytes(const Block &block, const LongSpan &entry) const
    {
        return QByteArrayView(block.text.constData() + entry.offset + entry.termBytes + block.gap,
                              qsizetype(entry.definitionBytes));
    }

    // The entries from here on keep their text in `block`.
    void startRun(qsizetype block);
    // Takes runs in any order, some maybe empty or in the same block as their neighbour.
    void setRuns(std::vector<Run> runs);
    // Makes the records this store's own and leaves room for `more`.
    void detachSpans(qsizetype more);
    // The block that typed and converted entries are written into, created when missing or full.
    Block &openBlock(qsizetype bytes);

    QList<Block> m_blocks;
    QList<Run> m_runs;
    QList<LongSpan> m_long;
    // Shared with snapshots; copied before a change while shared.
    std::shared_ptr<Span[]> m_spans;
    qsizetype m_spanCount = 0;
    qsizetype m_spanCapacity = 0;
    qsizetype m_openBlock = -1;
    qsizetype m_entryStart = 0;
};

template <typename Visit> void TermStore::forEachEntryUtf8(Visit visit) const
{
    for (qsizetype run = 0; run < m_runs.size(); ++run) {
        const Block &block = m_blocks[m_runs[run].block];
        const qsizetype end = run + 1 < m_runs.size() ? m_runs[run + 1].first : m_spanCount;
        for (qsizetype i = m_runs[run].first; i < end; ++i) {
            const LongSpan piece = entry(m_spans.get()[i]);
            visit(int(i), termBytes(block, piece), definitionBytes(block, piece));
        }
    }
}

template <typename Visit> int TermStore::findEntryUtf8(int first, int count, Visit visit) const
{
    if (count <= 0)
        return -1;
    const qsizetype last = qsizetype(first) + count;
    qsizetype run = std::prev(std::upper_bound(m_runs.begin(),
                                               m_runs.end(),
                                               qsizetype(first),
                                               [](qsizetype p, const Run &r) { return p < r.first; }))
        - m_runs.begin();
    for (qsizetype i = first; i < last; ++run) {
        const Block &block = m_blocks[m_runs[run].block];
        const qsizetype end = std::min(last, run + 1 < m_runs.size() ? m_runs[run + 1].first : m_spanCount);
        for (; i < end; ++i) {
            const LongSpan piece = entry(m_spans.get()[i]);
            if (visit(int(i),
                      termBytes(block, piece),
                      definitionBytes(block, piece),
                      QByteArrayView(block.text)))
                return int(i);
        }
    }
    return -1;
}

template <typename Write>
void TermStore::forEachFileChunk(QByteArrayView separator, qsizetype chunkBytes, Write write) const
{
    // Plain copies into one reused buffer: per entry four small copies and no bookkeeping. A small
    // list needs no more than its text and its separators and line breaks.
    qsizetype bound = m_spanCount * (separator.size() + 2);
    for (const Block &block : m_blocks)
        bound += block.text.size();
    chunkBytes = std::max<qsizetype>(1, std::min(chunkBytes, bound));
    const auto buffer = std::make_unique_for_overwrite<char[]>(size_t(chunkBytes));
    char *const start = buffer.get();
    char *out = start;
    const auto flush = [&] {
        if (out != start)
            write(QByteArrayView(start, out - start));
        out = start;
    };
    const auto put = [&](QByteArrayView piece) {
        if (piece.size() > chunkBytes - (out - start)) {
            flush();
            // A piece larger than the whole buffer goes out on its own.
            if (piece.size() > chunkBytes) {
                write(piece);
                return;
            }
        }
        std::memcpy(out, piece.data(), size_t(piece.size()));
        out += piece.size();
    };
    for (qsizetype run = 0; run < m_runs.size(); ++run) {
        const Block &block = m_blocks[m_runs[run].block];
        const qsizetype end = run + 1 < m_runs.size() ? m_runs[run + 1].first : m_spanCount;
        for (qsizetype i = m_runs[run].first; i < end; ++i) {
            const LongSpan piece = entry(m_spans.get()[i]);
            put(termBytes(block, piece));
            put(separator);
            put(definitionBytes(block, piece));
            put(QByteArrayView("\r\n", 2));
        }
    }
    flush();
}
