#include "deffiles/definitiontext.h"

#include "common/textdecoding.h"
#include "common/vectorscan.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Maps each Windows-1252 byte straight to its UTF-8 form: one table look-up per byte.
class SingleByteToUtf8
{
public:
    SingleByteToUtf8()
    {
        QStringDecoder decoder = windows1252Decoder();
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
#ifdef GLOSSMERE_VECTOR_SCANS
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

#ifndef GLOSSMERE_SMALL_READER_SLICES
// Above this size the room for entries is taken from a bound instead of counting the lines first.
constexpr qsizetype boundedBytes = qsizetype(1) << 20;
// The file is checked and cut a slice at a time while the slice is still in the cache, instead of in
// whole passes over a file far bigger than the cache.
constexpr qsizetype sliceBytes = qsizetype(256) << 10;
#else
constexpr qsizetype boundedBytes = 2048;
constexpr qsizetype sliceBytes = 128;
#endif

// The start of the first line that begins after `point`, or `end`, itself a line's start. A CR LF pair
// is one line break; a scan for a particular byte could run far past CR-only line ends.
qsizetype lineStartAfter(QByteArrayView bytes, qsizetype point, qsizetype end)
{
    for (qsizetype p = point; p < end; ++p) {
        if (bytes[p] == '\n')
            return p + 1;
        if (bytes[p] == '\r')
            return p + 1 < end && bytes[p + 1] == '\n' ? p + 2 : p + 1;
    }
    return end;
}

// The most entries [begin, end) can hold: each but the last needs the separator and a line break.
// Only big files take this bound, whose unused room is never touched; small ones count their lines.
qsizetype entryBound(QByteArrayView bytes, qsizetype begin, qsizetype end, qsizetype separatorBytes)
{
    if (end - begin >= boundedBytes)
        return (end - begin) / (separatorBytes + 1) + 1;
    const QByteArrayView part = bytes.sliced(begin, end - begin);
    return std::count(part.begin(), part.end(), '\n') + std::count(part.begin(), part.end(), '\r') + 1;
}

enum class Utf8Read { Read, NotUtf8, HoldsNul };

// Cuts the UTF-8 text of `bytes` from `begin` into the store, the text kept as it is. NotUtf8 when the
// bytes turn out not to be valid UTF-8 after all; HoldsNul, when `refuseNul`, at the first NUL byte.
Utf8Read
readUtf8(const QByteArray &bytes, qsizetype begin, QByteArrayView separator, bool refuseNul, TermStore &store)
{
    const qsizetype size = bytes.size();
    const bool separatorHasBreak = separator.contains('\n') || separator.contains('\r');
    store.addTextBlock(bytes, separator.size());
    const QByteArrayView all(bytes);
    const auto checkAndCut = [&](qsizetype from,
                                 qsizetype to,
                                 TermStore::Span *out,
                                 TermStore::LongSpans &longs,
                                 qsizetype &count) {
        for (qsizetype slice = from; slice < to;) {
            const qsizetype next =
                to - slice <= sliceBytes ? to : lineStartAfter(all, slice + sliceBytes, to);
            // Line breaks are ASCII, so the slices are valid exactly when the whole is.
            const QByteArrayView part = all.sliced(slice, next - slice);
            if (refuseNul && part.contains('\0'))
                return Utf8Read::HoldsNul;
            if (!part.isValidUtf8())
                return Utf8Read::NotUtf8;
            if (!separatorHasBreak) {
                forEachCutLine(bytes.constData(), slice, next, separator, [&](const CutLine &cut) {
                    out[count++] = TermStore::makeSpan(
                        cut.line, cut.cut - cut.line, cut.definitionEnd - cut.rest, longs);
                });
            }
            slice = next;
        }
        return Utf8Read::Read;
    };
    TermStore::LongSpans longs;
    qsizetype count = 0;
    const Utf8Read result = checkAndCut(
        begin, size, store.reserveSpans(entryBound(all, begin, size, separator.size())), longs, count);
    if (result == Utf8Read::Read)
        store.commitSpans(count, longs);
    return result;
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

namespace {
// Nothing when `refuseNul` and the bytes hold a NUL outside UTF-16 or UTF-32 text.
std::optional<TermStore> readEntries(const QByteArray &bytes, QStringView separator, bool refuseNul)
{
    const auto bom = QStringConverter::encodingForData(bytes);
    if (bom && *bom != QStringConverter::Utf8) {
        TermStore store;
        if (!separator.isEmpty())
            appendDefinitionLines(decodeDefinitionText(bytes), separator, store);
        return store;
    }
    // The UTF-8 pass looks for NUL bytes as it goes; where it stops early, the whole file is looked at.
    const auto holdsNul = [&] {
        return refuseNul && bytes.contains('\0');
    };
    if (separator.isEmpty())
        return holdsNul() ? std::nullopt : std::optional<TermStore>(TermStore());
    // One invalid byte anywhere means the whole file is single-byte text, so a failed first pass starts
    // again from nothing. A UTF-8 byte-order mark settles the question instead: such a file is read as
    // UTF-8 whatever it holds, its broken bytes shown as replacement characters.
    TermStore store;
    switch (readUtf8(bytes, bom ? 3 : 0, separator.toUtf8(), refuseNul, store)) {
    case Utf8Read::Read:
        return store;
    case Utf8Read::HoldsNul:
        return std::nullopt;
    case Utf8Read::NotUtf8:
        break;
    }
    if (holdsNul())
        return std::nullopt;
    store = TermStore();
    if (bom)
        appendDefinitionLines(decodeDefinitionText(bytes), separator, store);
    else
        readSingleByte(bytes, separator, store);
    return store;
}
} // namespace

TermStore readDefinitionEntries(const QByteArray &bytes, QStringView separator)
{
    return *readEntries(bytes, separator, false);
}

std::optional<TermStore> readDefinitionTextFile(const QByteArray &bytes, QStringView separator)
{
    return readEntries(bytes, separator, true);
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

int entriesHoldingSeparator(const TermStore &store, QStringView separator)
{
    if (separator.isEmpty())
        return 0;
    const QByteArray needle = separator.toUtf8();
    const char first = needle.front();
    const auto holds = [&](QByteArrayView text) {
        // Most texts hold no byte of the separator at all: memchr answers those at once.
        const char *at = text.data();
        const char *const end = at + text.size();
        while ((at = static_cast<const char *>(std::memchr(at, first, size_t(end - at))))) {
            if (end - at >= needle.size() && std::memcmp(at, needle.constData(), size_t(needle.size())) == 0)
                return true;
            ++at;
        }
        return false;
    };
    int holding = 0;
    store.forEachEntryUtf8([&](int, QByteArrayView term, QByteArrayView definition) {
        if (holds(term) || holds(definition))
            ++holding;
    });
    return holding;
}

QString bareFileName(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QDir::separator()));
    return cut < 0 ? QString() : path.mid(cut + 1);
}
