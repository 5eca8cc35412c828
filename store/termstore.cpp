#include "store/termstore.h"

#include "common/failure.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
// Typed and converted text goes into blocks of at most this size, so that a change after a snapshot
// copies one small block, never a whole list's text.
constexpr qsizetype largestOpenBlockBytes = qsizetype(2) << 20;
constexpr qsizetype firstOpenBlockBytes = qsizetype(1) << 12;
constexpr qsizetype maxPieceBytes = std::numeric_limits<quint32>::max();

} // namespace

QString decodeTermText(QByteArrayView bytes)
{
    // QString::fromUtf8 drops a leading byte-order mark; inside a list it is text.
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(bytes);
    }
    return QString::fromUtf8(bytes);
}

bool isBlankText(QByteArrayView utf8)
{
    // Almost every text shows a visible ASCII character in its first byte; only text that starts with
    // spaces and goes on beyond ASCII is decoded.
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto byte = uchar(utf8[i]);
        if (byte >= 0x80) {
            const QString rest = decodeTermText(utf8.sliced(i));
            return std::all_of(rest.begin(), rest.end(), [](QChar c) { return c.isSpace(); });
        }
        // QChar::isSpace's ASCII spaces: the space and Tab to CR.
        if (byte != ' ' && (byte < '\t' || byte > '\r'))
            return false;
    }
    return true;
}

std::vector<int> TermStore::askableEntries() const
{
    std::vector<int> positions;
    positions.reserve(size_t(m_spanCount));
    forEachEntryUtf8([&](int position, QByteArrayView term, QByteArrayView definition) {
        if (!isBlankText(term) && !isBlankText(definition))
            positions.push_back(position);
    });
    return positions;
}

TermStore TermStore::snapshot() const
{
    // Every member shares what it holds: Qt's containers implicitly, the records through their pointer.
    TermStore copy(*this);
    // The copy never writes into a block it shares.
    copy.m_openBlock = -1;
    return copy;
}

qsizetype TermStore::blockOf(qsizetype position) const
{
    // Almost always one run (one file, or one typed list); otherwise a few.
    if (m_runs.size() == 1)
        return m_runs.front().block;
    const auto after = std::upper_bound(
        m_runs.begin(), m_runs.end(), position, [](qsizetype p, const Run &run) { return p < run.first; });
    return std::prev(after)->block;
}

TermStore::LongSpan TermStore::entry(qsizetype position) const
{
    return entry(m_spans.get()[position]);
}

QByteArrayView TermStore::termUtf8(int position) const
{
    return termBytes(m_blocks[blockOf(position)], entry(position));
}

QByteArrayView TermStore::definitionUtf8(int position) const
{
    return definitionBytes(m_blocks[blockOf(position)], entry(position));
}

QString TermStore::term(int position) const
{
    return decodeTermText(termUtf8(position));
}

QString TermStore::definition(int position) const
{
    return decodeTermText(definitionUtf8(position));
}

void TermStore::append(QStringView term, QStringView definition)
{
    // The same conversion saving always used, so a typed entry saves byte for byte as before.
    QStringEncoder encoder(QStringConverter::Utf8, QStringEncoder::Flag::Stateless);
    char *out = beginEntry(encoder.requiredSpace(term.size()) + encoder.requiredSpace(definition.size()));
    char *middle = encoder.appendToBuffer(out, term);
    char *end = encoder.appendToBuffer(middle, definition);
    commitEntry(middle - out, end - middle);
}

void TermStore::insertAt(int position, QStringView term, QStringView definition)
{
    // Written like an appended entry, then its record moved into place.
    const qsizetype before = m_spanCount;
    append(term, definition);
    if (position == before)
        return;
    const qsizetype block = blockOf(before);
    Span *spans = m_spans.get();
    const Span moved = spans[before];
    std::memmove(spans + position + 1, spans + position, size_t(before - position) * sizeof(Span));
    spans[position] = moved;
    // The entries from `position` on moved up by one; the new one has a block of its own.
    std::vector<Run> runs;
    for (qsizetype run = 0; run < m_runs.size(); ++run) {
        const qsizetype first = m_runs[run].first;
        const qsizetype end = run + 1 < m_runs.size() ? m_runs[run + 1].first : before;
        if (first >= before)
            continue;
        if (end <= position) {
            runs.push_back(m_runs[run]);
        } else if (first >= position) {
            runs.push_back(Run{first + 1, m_runs[run].block});
        } else {
            runs.push_back(m_runs[run]);
            runs.push_back(Run{position + 1, m_runs[run].block});
        }
    }
    runs.push_back(Run{position, block});
    setRuns(std::move(runs));
}

void TermStore::replaceAt(int position, QStringView term, QStringView definition)
{
    // The new text goes where typed text goes; the old bytes stay unused, as after a removal.
    const qsizetype before = m_spanCount;
    append(term, definition);
    const qsizetype block = blockOf(before);
    Span *spans = m_spans.get();
    spans[position] = spans[before];
    m_spanCount = before;
    std::vector<Run> runs;
    for (qsizetype run = 0; run < m_runs.size(); ++run) {
        const qsizetype first = m_runs[run].first;
        const qsizetype end = run + 1 < m_runs.size() ? m_runs[run + 1].first : before + 1;
        if (first >= before)
            continue;
        runs.push_back(m_runs[run]);
        if (first <= position && position < end)
            runs.push_back(Run{position + 1, m_runs[run].block});
    }
    runs.push_back(Run{position, block});
    setRuns(std::move(runs));
}

void TermStore::setRuns(std::vector<Run> runs)
{
    std::stable_sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) { return a.first < b.first; });
    m_runs.clear();
    for (qsizetype i = 0; i < qsizetype(runs.size()); ++i) {
        const qsizetype end = i + 1 < qsizetype(runs.size()) ? runs[size_t(i + 1)].first : m_spanCount;
        // Runs without entries go; neighbours in one block become one run.
        if (runs[size_t(i)].first >= end)
            continue;
        if (!m_runs.isEmpty() && m_runs.back().block == runs[size_t(i)].block)
            continue;
        m_runs.append(runs[size_t(i)]);
    }
}

void TermStore::removeAt(int position)
{
    // The text stays in its block (and a long entry's lengths in theirs): removal is rare and one
    // entry at a time.
    detachSpans(0);
    Span *spans = m_spans.get();
    std::memmove(spans + position, spans + position + 1, size_t(m_spanCount - position - 1) * sizeof(Span));
    --m_spanCount;
    for (qsizetype run = m_runs.size() - 1; run >= 0 && m_runs[run].first > position; --run)
        --m_runs[run].first;
    // A run left without entries goes.
    for (qsizetype run = 0; run < m_runs.size();) {
        const qsizetype end = run + 1 < m_runs.size() ? m_runs[run + 1].first : m_spanCount;
        if (m_runs[run].first >= end)
            m_runs.remove(run);
        else
            ++run;
    }
}

void TermStore::startRun(qsizetype block)
{
    if (!m_runs.isEmpty() && m_runs.back().block == block)
        return;
    // A run that never received an entry is replaced.
    if (!m_runs.isEmpty() && m_runs.back().first == m_spanCount)
        m_runs.back().block = block;
    else
        m_runs.append(Run{m_spanCount, block});
}

void TermStore::appendAll(TermStore &&other)
{
    if (isEmpty() && m_blocks.isEmpty()) {
        *this = std::move(other);
        other = TermStore();
        return;
    }
    const qsizetype blockShift = m_blocks.size();
    const auto longShift = quint32(m_long.size());
    m_blocks.append(other.m_blocks);
    m_long.append(other.m_long);
    Span *out = reserveSpans(other.m_spanCount);
    for (qsizetype i = 0; i < other.m_spanCount; ++i) {
        out[i] = other.m_spans.get()[i];
        if (out[i].termBytes == longMark)
            out[i].offset += longShift;
    }
    for (qsizetype run = 0; run < other.m_runs.size(); ++run) {
        const qsizetype end = run + 1 < other.m_runs.size() ? other.m_runs[run + 1].first : other.m_spanCount;
        if (other.m_runs[run].first >= end)
            continue;
        const Run moved{m_spanCount + other.m_runs[run].first, other.m_runs[run].block + blockShift};
        // A run of this store that never received an entry gives way.
        if (!m_runs.isEmpty() && m_runs.back().first >= moved.first)
            m_runs.back() = moved;
        else
            m_runs.append(moved);
    }
    m_spanCount += other.m_spanCount;
    // Appending goes on in a fresh block rather than in one that came with `other`.
    m_openBlock = -1;
    other = TermStore();
}

void TermStore::reserve(qsizetype entries)
{
    detachSpans(std::max<qsizetype>(0, entries - m_spanCount));
}

void TermStore::detachSpans(qsizetype more)
{
    const bool shared = m_spans.use_count() > 1;
    if (!shared && m_spanCapacity - m_spanCount >= more)
        return;
    const qsizetype capacity = std::max(
        m_spanCount + more, m_spanCapacity - m_spanCount >= more ? m_spanCapacity : 2 * m_spanCapacity);
    // Left uninitialised: pages are touched only as records are written into them.
    std::shared_ptr<Span[]> spans(new Span[size_t(std::max<qsizetype>(capacity, 1))]);
    if (m_spanCount > 0)
        std::memcpy(spans.get(), m_spans.get(), size_t(m_spanCount) * sizeof(Span));
    m_spans = std::move(spans);
    m_spanCapacity = capacity;
}

TermStore::Span *TermStore::reserveSpans(qsizetype count)
{
    detachSpans(count);
    return m_spans.get() + m_spanCount;
}

void TermStore::commitSpans(qsizetype count, const LongSpans &longs)
{
    if (!longs.empty()) {
        const auto shift = quint32(m_long.size());
        for (const LongSpan &piece : longs)
            m_long.append(piece);
        Span *spans = m_spans.get() + m_spanCount;
        for (qsizetype i = 0; i < count; ++i) {
            if (spans[i].termBytes == longMark)
                spans[i].offset += shift;
        }
    }
    m_spanCount += count;
}

void TermStore::addTextBlock(const QByteArray &text, qsizetype gap)
{
    if (text.size() > maxPieceBytes || gap > maxPieceBytes)
        throw Failure(QStringLiteral("The text is too large to keep"));
    m_blocks.append(Block{text, quint32(gap)});
    startRun(m_blocks.size() - 1);
    // Typed entries after these go to a block of their own.
    m_openBlock = -1;
}

TermStore::Block &TermStore::openBlock(qsizetype bytes)
{
    if (bytes > maxPieceBytes)
        throw Failure(QStringLiteral("An entry is too large to keep"));
    qsizetype previous = 0;
    if (m_openBlock >= 0) {
        const QByteArray &text = m_blocks[m_openBlock].text;
        if (text.isEmpty() || text.size() + bytes <= largestOpenBlockBytes)
            return m_blocks[m_openBlock];
        previous = text.capacity();
    }
    // Blocks start small for a hand-typed list and double up to the largest size for big ones.
    const qsizetype capacity =
        std::max(bytes, previous == 0 ? firstOpenBlockBytes : std::min(largestOpenBlockBytes, previous * 2));
    Block block;
    block.text.reserve(capacity);
    m_blocks.append(std::move(block));
    m_openBlock = m_blocks.size() - 1;
    return m_blocks.last();
}

char *TermStore::beginEntry(qsizetype maxBytes)
{
    QByteArray &text = openBlock(maxBytes).text;
    m_entryStart = text.size();
    // New bytes are left uninitialised; within the reserved capacity nothing moves.
    text.resize(m_entryStart + maxBytes);
    return text.data() + m_entryStart;
}

void TermStore::commitEntry(qsizetype termBytes, qsizetype definitionBytes)
{
    startRun(m_openBlock);
    Span *out = reserveSpans(1);
    LongSpans longs;
    *out = makeSpan(m_entryStart, termBytes, definitionBytes, longs);
    commitSpans(1, longs);
    // beginEntry made room for the most the entry could take; give back what it did not use.
    m_blocks[m_openBlock].text.resize(m_entryStart + termBytes + definitionBytes);
}

TermEntries TermStore::toEntries() const
{
    TermEntries entries;
    entries.reserve(size());
    for (int i = 0; i < size(); ++i)
        entries.append({term(i), definition(i)});
    return entries;
}

TermStore TermStore::fromEntries(const TermEntries &entries)
{
    TermStore store;
    store.reserve(entries.size());
    for (const TermEntry &entry : entries)
        store.append(entry.term, entry.definition);
    return store;
}
