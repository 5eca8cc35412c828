#include "deffiles/definitiontext.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <bit>
#include <cstring>
#include <thread>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {
QStringDecoder singleByteDecoder()
{
    QStringDecoder decoder("windows-1252");
    return decoder.isValid() ? std::move(decoder) : QStringDecoder(QStringConverter::Latin1);
}

// Maps each Windows-1252 byte straight to its UTF-8 form: one table look-up per byte.
class SingleByteToUtf8
{
public:
    SingleByteToUtf8()
    {
        QStringDecoder decoder = singleByteDecoder();
        for (int byte = 0; byte < 256; ++byte) {
            const char c = char(byte);
            QString decoded = decoder.decode(QByteArrayView(&c, 1));
            if (decoded.size() != 1)
                decoded = QString(QChar::ReplacementCharacter);
            const QByteArray utf8 = decoded.toUtf8();
            m_length[byte] = quint8(utf8.size());
            std::memcpy(m_bytes[byte], utf8.constData(), size_t(utf8.size()));
        }
    }

    char *decode(char *out, QByteArrayView piece) const
    {
        for (const char c : piece) {
            const auto byte = static_cast<unsigned char>(c);
            std::memcpy(out, m_bytes[byte], 4);
            out += m_length[byte];
        }
        return out;
    }

private:
    char m_bytes[256][4] = {};
    quint8 m_length[256] = {};
};

// One line cut at the separator: the term, the definition, and whatever follows a second separator.
struct CutLine
{
    qsizetype line;
    qsizetype cut;
    qsizetype rest;
    qsizetype definitionEnd;
};

// Walks the lines of raw bytes in [begin, end) and calls `take` for each line that holds the separator.
// This is exact for UTF-8 and for single-byte text: line breaks are single bytes in both, and in valid
// UTF-8 an encoded separator can only match at a character boundary. `begin` starts a line and `end`
// ends one; the separator holds no line break. One pass finds every line break and every candidate
// separator start at once, sixteen bytes at a time.
template <typename Take>
void forEachCutLine(const char *data, qsizetype begin, qsizetype end, QByteArrayView separator, Take take)
{
    const char first = separator.front();
    const qsizetype length = separator.size();
    qsizetype lineStart = begin;
    qsizetype skipUntil = begin;
    qsizetype cut = -1;
    qsizetype rest = -1;
    qsizetype definitionEnd = -1;
    const auto event = [&](qsizetype p) {
        if (p < skipUntil)
            return;
        const char c = data[p];
        if (c == '\n' || c == '\r') {
            if (cut >= 0)
                take(CutLine{lineStart, cut, rest, definitionEnd >= 0 ? definitionEnd : p});
            lineStart = p + 1;
            if (c == '\r' && lineStart < end && data[lineStart] == '\n')
                ++lineStart;
            skipUntil = lineStart;
            cut = -1;
            definitionEnd = -1;
            return;
        }
        if (definitionEnd >= 0 || p + length > end
            || std::memcmp(data + p + 1, separator.data() + 1, size_t(length - 1)) != 0)
            return;
        if (cut < 0) {
            cut = p;
            rest = p + length;
            skipUntil = rest;
        } else {
            definitionEnd = p;
        }
    };
    qsizetype p = begin;
#ifdef __SSE2__
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i sep = _mm_set1_epi8(first);
    for (; p + 16 <= end; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + p));
        auto mask = unsigned(_mm_movemask_epi8(_mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr)), _mm_cmpeq_epi8(bytes, sep))));
        while (mask) {
            event(p + std::countr_zero(mask));
            mask &= mask - 1;
        }
    }
#endif
    for (; p < end; ++p) {
        const char c = data[p];
        if (c == '\n' || c == '\r' || c == first)
            event(p);
    }
    if (lineStart < end && cut >= 0)
        take(CutLine{lineStart, cut, rest, definitionEnd >= 0 ? definitionEnd : end});
}

// A big file is cut in two at a line break, each half on its own core.
constexpr qsizetype parallelBytes = qsizetype(1) << 20;

qsizetype halfway(QByteArrayView bytes, qsizetype begin)
{
    const qsizetype middle = begin + (bytes.size() - begin) / 2;
    // After an LF is always a line's start; after a CR only where no LF follows it.
    const void *lf = std::memchr(bytes.data() + middle, '\n', size_t(bytes.size() - middle));
    if (lf)
        return static_cast<const char *>(lf) - bytes.data() + 1;
    for (qsizetype p = middle; p < bytes.size(); ++p) {
        if (bytes[p] == '\r')
            return p + 1;
    }
    return bytes.size();
}

// The most entries [begin, end) can hold: each but the last needs the separator and a line break.
// Only big files take this bound, whose unused room is never touched; small ones count their lines.
qsizetype entryBound(QByteArrayView bytes, qsizetype begin, qsizetype end, qsizetype separatorBytes)
{
    if (end - begin >= parallelBytes)
        return (end - begin) / (separatorBytes + 1) + 1;
    const QByteArrayView part = bytes.sliced(begin, end - begin);
    return std::count(part.begin(), part.end(), '\n') + std::count(part.begin(), part.end(), '\r') + 1;
}

// Cuts the UTF-8 text of `bytes` from `begin` into the store, the text kept as it is; false when the
// bytes turn out not to be valid UTF-8 after all.
bool readUtf8(const QByteArray &bytes, qsizetype begin, QByteArrayView separator, TermStore &store)
{
    const qsizetype size = bytes.size();
    const bool separatorHasBreak = separator.contains('\n') || separator.contains('\r');
    store.addTextBlock(bytes, separator.size());
    const auto cutInto =
        [&](qsizetype from, qsizetype to, TermStore::Span *out, TermStore::LongSpans &longs) {
            qsizetype count = 0;
            if (!separatorHasBreak) {
                forEachCutLine(bytes.constData(), from, to, separator, [&](const CutLine &cut) {
                    out[count++] = TermStore::makeSpan(
                        cut.line, cut.cut - cut.line, cut.definitionEnd - cut.rest, longs);
                });
            }
            return count;
        };
    const QByteArrayView all(bytes);
    TermStore::LongSpans firstLongs;
    if (size - begin < parallelBytes) {
        if (!all.sliced(begin).isValidUtf8())
            return false;
        const qsizetype count = cutInto(
            begin, size, store.reserveSpans(entryBound(all, begin, size, separator.size())), firstLongs);
        store.commitSpans(count, firstLongs);
        return true;
    }
    const qsizetype middle = halfway(all, begin);
    // Line breaks are ASCII, so the halves are valid exactly when the whole is.
    std::unique_ptr<TermStore::Span[]> secondSpans(
        new TermStore::Span[size_t(entryBound(all, middle, size, separator.size()))]);
    TermStore::LongSpans secondLongs;
    bool secondValid = false;
    qsizetype secondCount = 0;
    std::thread second([&] {
        secondValid = all.sliced(middle).isValidUtf8();
        if (secondValid)
            secondCount = cutInto(middle, size, secondSpans.get(), secondLongs);
    });
    const bool firstValid = all.sliced(begin, middle - begin).isValidUtf8();
    if (firstValid) {
        const qsizetype count = cutInto(
            begin, middle, store.reserveSpans(entryBound(all, begin, middle, separator.size())), firstLongs);
        store.commitSpans(count, firstLongs);
    }
    second.join();
    if (!firstValid || !secondValid)
        return false;
    TermStore::Span *out = store.reserveSpans(secondCount);
    std::memcpy(out, secondSpans.get(), size_t(secondCount) * sizeof(TermStore::Span));
    store.commitSpans(secondCount, secondLongs);
    return true;
}

void readSingleByte(QByteArrayView bytes, QStringView separator, TermStore &store)
{
    QStringEncoder encoder("windows-1252", QStringEncoder::Flag::Stateless);
    const QByteArray encodedSeparator =
        encoder.isValid() ? QByteArray(encoder.encode(separator)) : separator.toLatin1();
    // A separator with characters this code page cannot hold occurs nowhere in such a file.
    if (encoder.hasError() || encodedSeparator.contains('\n') || encodedSeparator.contains('\r'))
        return;
    const SingleByteToUtf8 table;
    const char *data = bytes.data();
    forEachCutLine(data, 0, bytes.size(), encodedSeparator, [&](const CutLine &cut) {
        const QByteArrayView term(data + cut.line, data + cut.cut);
        const QByteArrayView definition(data + cut.rest, data + cut.definitionEnd);
        // Each byte becomes at most three UTF-8 bytes (and the table writes four at a time).
        char *start = store.beginEntry(3 * (term.size() + definition.size()) + 1);
        char *middle = table.decode(start, term);
        char *end = table.decode(middle, definition);
        store.commitEntry(middle - start, end - middle);
    });
}
} // namespace

QString decodeDefinitionText(const QByteArray &bytes)
{
    const auto bom = QStringConverter::encodingForData(bytes);
    if (bom && *bom != QStringConverter::Utf8) {
        QStringDecoder decoder(*bom);
        return QString(decoder.decode(bytes));
    }
    if (bom || QByteArrayView(bytes).isValidUtf8()) {
        QStringDecoder decoder(QStringConverter::Utf8);
        return QString(decoder.decode(bytes));
    }
    QStringDecoder decoder = singleByteDecoder();
    return QString(decoder.decode(bytes));
}

void appendDefinitionLines(QStringView text, QStringView separator, TermStore &store)
{
    if (separator.isEmpty())
        return;
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView line = text.mid(start, end - start);
        const qsizetype cut = line.indexOf(separator);
        if (cut >= 0) {
            const QStringView rest = line.mid(cut + separator.size());
            const qsizetype next = rest.indexOf(separator);
            store.append(line.left(cut), next < 0 ? rest : rest.left(next));
        }
        start = end + 1;
        if (end < size && text[end] == u'\r' && start < size && text[start] == u'\n')
            ++start;
    }
}

TermStore readDefinitionEntries(const QByteArray &bytes, QStringView separator)
{
    TermStore store;
    if (separator.isEmpty())
        return store;
    const auto bom = QStringConverter::encodingForData(bytes);
    if (bom && *bom != QStringConverter::Utf8) {
        appendDefinitionLines(decodeDefinitionText(bytes), separator, store);
        return store;
    }
    // One invalid byte anywhere means the whole file is single-byte text, so a failed first pass starts
    // again from nothing. A UTF-8 byte-order mark settles the question instead: such a file is read as
    // UTF-8 whatever it holds, its broken bytes shown as replacement characters.
    if (readUtf8(bytes, bom ? 3 : 0, separator.toUtf8(), store))
        return store;
    store = TermStore();
    if (bom)
        appendDefinitionLines(decodeDefinitionText(bytes), separator, store);
    else
        readSingleByte(bytes, separator, store);
    return store;
}

void writeDefinitionFile(const TermStore &store,
                         QStringView separator,
                         const std::function<void(QByteArrayView)> &write)
{
    write(QByteArrayView("Valid Definition File\r\n"));
    QStringEncoder encoder(QStringConverter::Utf8, QStringEncoder::Flag::Stateless);
    const QByteArray utf8Separator = encoder.encode(separator);
    // The kept UTF-8 bytes go out as they are, gathered into chunks of a size a write takes well.
    store.forEachFileChunk(utf8Separator, qsizetype(1) << 20, write);
}

QByteArray encodeDefinitionFile(const TermStore &store, QStringView separator)
{
    QByteArray out;
    qsizetype size = 0;
    writeDefinitionFile(store, separator, [&](QByteArrayView chunk) { size += chunk.size(); });
    out.reserve(size);
    writeDefinitionFile(store, separator, [&](QByteArrayView chunk) { out.append(chunk); });
    return out;
}

QString bareFileName(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QDir::separator()));
    return cut < 0 ? QString() : path.mid(cut + 1);
}
