#include "deffiles/definitiontext.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>

namespace {
QStringDecoder singleByteDecoder()
{
    QStringDecoder decoder("windows-1252");
    return decoder.isValid() ? std::move(decoder) : QStringDecoder(QStringConverter::Latin1);
}

// Windows-1252 is one character per byte: a table decodes it without a converter call per piece.
class SingleByteTable
{
public:
    SingleByteTable()
    {
        QStringDecoder decoder = singleByteDecoder();
        for (int byte = 0; byte < 256; ++byte) {
            const char c = char(byte);
            const QString decoded = decoder.decode(QByteArrayView(&c, 1));
            m_chars[byte] =
                decoded.size() == 1 ? decoded[0].unicode() : char16_t(QChar::ReplacementCharacter);
        }
    }

    char16_t *decode(char16_t *out, QByteArrayView piece) const
    {
        for (const char c : piece)
            *out++ = m_chars[static_cast<unsigned char>(c)];
        return out;
    }

private:
    char16_t m_chars[256];
};

qsizetype countLines(QByteArrayView bytes)
{
    qsizetype lf = 0;
    qsizetype cr = 0;
    for (const char c : bytes) {
        lf += c == '\n';
        cr += c == '\r';
    }
    return std::max(lf, cr) + 1;
}

// One line cut at the separator: the term, the definition, and whatever follows a second separator.
struct CutLine
{
    QByteArrayView term;
    QByteArrayView definition;
    QByteArrayView dropped;
};

// Walks the lines of raw bytes and cuts each at the separator. This is exact for UTF-8 and for
// single-byte text: line breaks are single bytes in both, and in valid UTF-8 an encoded separator
// can only match at a character boundary. Returns false as soon as `take` does.
template <typename Take, typename Skip>
bool forEachByteLine(QByteArrayView bytes, QByteArrayView separator, Take take, Skip skip)
{
    const char *data = bytes.data();
    const qsizetype size = bytes.size();
    const auto find = [&](char c, qsizetype from) {
        const void *hit = std::memchr(data + from, c, size_t(size - from));
        return hit ? static_cast<const char *>(hit) - data : size;
    };
    // memchr on the separator's first byte, then a compare: cheaper than memmem for short lines.
    const char first = separator.front();
    const qsizetype tail = separator.size() - 1;
    const auto search = [&](const char *from, qsizetype length) -> const char * {
        const char *end = from + length - tail;
        while (from < end) {
            const auto *hit = static_cast<const char *>(std::memchr(from, first, size_t(end - from)));
            if (!hit)
                return nullptr;
            if (std::memcmp(hit + 1, separator.data() + 1, size_t(tail)) == 0)
                return hit;
            from = hit + 1;
        }
        return nullptr;
    };
    // Remembering the next CR and the next LF keeps files with only one kind of break linear.
    qsizetype nextLf = -1;
    qsizetype nextCr = -1;
    qsizetype start = 0;
    while (start < size) {
        if (nextLf < start)
            nextLf = find('\n', start);
        if (nextCr < start)
            nextCr = find('\r', start);
        const qsizetype end = std::min(nextLf, nextCr);
        const char *line = data + start;
        const char *lineEnd = data + end;
        if (const char *cut = search(line, end - start)) {
            const char *rest = cut + separator.size();
            const char *next = search(rest, lineEnd - rest);
            const char *definitionEnd = next ? next : lineEnd;
            const QByteArrayView dropped = next ? QByteArrayView(next, lineEnd) : QByteArrayView();
            if (!take(CutLine{QByteArrayView(line, cut), QByteArrayView(rest, definitionEnd), dropped}))
                return false;
        } else if (!skip(QByteArrayView(line, lineEnd))) {
            return false;
        }
        start = end + 1;
        if (end < size && data[end] == '\r' && start < size && data[start] == '\n')
            ++start;
    }
    return true;
}

// Fills the store from UTF-8; false when the bytes turn out not to be valid UTF-8 after all.
bool readUtf8(QByteArrayView bytes, QByteArrayView separator, TermStore &store)
{
    // Every piece is decoded on its own: a byte-order mark at the start of one is text, not a header.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const auto take = [&](const CutLine &cut) {
        char16_t *out = store.beginEntry(cut.term.size() + cut.definition.size());
        auto *start = reinterpret_cast<QChar *>(out);
        QChar *middle = decoder.appendToBuffer(start, cut.term);
        QChar *end = decoder.appendToBuffer(middle, cut.definition);
        store.commitEntry(middle - start, end - middle);
        return !decoder.hasError() && cut.dropped.isValidUtf8();
    };
    // Lines that are not kept must still be valid for the file to count as UTF-8.
    const auto skip = [](QByteArrayView line) {
        return line.isValidUtf8();
    };
    return forEachByteLine(bytes, separator, take, skip);
}

void readSingleByte(QByteArrayView bytes, QStringView separator, TermStore &store)
{
    QStringEncoder encoder("windows-1252", QStringEncoder::Flag::Stateless);
    const QByteArray encodedSeparator =
        encoder.isValid() ? QByteArray(encoder.encode(separator)) : separator.toLatin1();
    // A separator with characters this code page cannot hold occurs nowhere in such a file.
    if (encoder.hasError())
        return;
    const SingleByteTable table;
    const auto take = [&](const CutLine &cut) {
        char16_t *start = store.beginEntry(cut.term.size() + cut.definition.size());
        char16_t *middle = table.decode(start, cut.term);
        char16_t *end = table.decode(middle, cut.definition);
        store.commitEntry(middle - start, end - middle);
        return true;
    };
    forEachByteLine(bytes, encodedSeparator, take, [](QByteArrayView) { return true; });
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

TermStore readDefinitionEntries(QByteArrayView bytes, QStringView separator)
{
    TermStore store;
    if (separator.isEmpty())
        return store;
    const auto bom = QStringConverter::encodingForData(bytes);
    if (bom && *bom != QStringConverter::Utf8) {
        appendDefinitionLines(decodeDefinitionText(bytes.toByteArray()), separator, store);
        return store;
    }
    store.reserve(countLines(bytes));
    const QByteArray utf8Separator = separator.toUtf8();
    // One invalid byte anywhere means the whole file is single-byte text, so a failed first pass starts
    // again from nothing. A UTF-8 byte-order mark settles the question instead: such a file is read as
    // UTF-8 whatever it holds, its broken bytes shown as replacement characters.
    if (readUtf8(bom ? bytes.sliced(3) : bytes, utf8Separator, store))
        return store;
    store = TermStore();
    if (bom) {
        appendDefinitionLines(decodeDefinitionText(bytes.toByteArray()), separator, store);
    } else {
        store.reserve(countLines(bytes));
        readSingleByte(bytes, separator, store);
    }
    return store;
}

QByteArray encodeDefinitionFile(const TermStore &store, QStringView separator)
{
    static const char header[] = "Valid Definition File\r\n";
    // Encoding straight into one buffer sized for the worst case; pages never written cost nothing.
    QStringEncoder encoder(QStringConverter::Utf8, QStringEncoder::Flag::Stateless);
    qsizetype bound = qsizetype(sizeof header);
    for (int i = 0; i < store.size(); ++i)
        bound +=
            encoder.requiredSpace(store.term(i).size() + separator.size() + store.definition(i).size()) + 2;
    QByteArray out(bound, Qt::Uninitialized);
    char *end = std::copy(header, header + sizeof header - 1, out.data());
    for (int i = 0; i < store.size(); ++i) {
        end = encoder.appendToBuffer(end, store.term(i));
        end = encoder.appendToBuffer(end, separator);
        end = encoder.appendToBuffer(end, store.definition(i));
        *end++ = '\r';
        *end++ = '\n';
    }
    out.truncate(end - out.constData());
    return out;
}

QString bareFileName(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QDir::separator()));
    return cut < 0 ? QString() : path.mid(cut + 1);
}
