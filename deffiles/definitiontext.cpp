#include "deffiles/definitiontext.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>

namespace {
constexpr qsizetype decodeChunkBytes = 1 << 20;

// The length of the valid multi-byte sequence starting at i, or 0 if there is none.
qsizetype utf8SequenceLength(const unsigned char *s, qsizetype i, qsizetype size)
{
    const unsigned char lead = s[i];
    qsizetype length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else
        return 0;
    if (i + length > size || s[i + 1] < low || s[i + 1] > high)
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if (s[i + k] < 0x80 || s[i + k] > 0xBF)
            return 0;
    }
    return length;
}

enum class Encoding { Utf8, Windows1252, Other };

QStringDecoder singleByteDecoder()
{
    QStringDecoder decoder("windows-1252");
    return decoder.isValid() ? std::move(decoder) : QStringDecoder(QStringConverter::Latin1);
}
} // namespace

bool isValidUtf8(const QByteArray &bytes)
{
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        // Most text is ASCII: test eight bytes at a time.
        if (i + 8 <= size) {
            quint64 word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        const qsizetype length = utf8SequenceLength(s, i, size);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

QString decodeDefinitionText(const QByteArray &bytes)
{
    const auto bom = QStringConverter::encodingForData(bytes);
    if (bom && *bom != QStringConverter::Utf8) {
        QStringDecoder decoder(*bom);
        return QString(decoder.decode(bytes));
    }
    if (bom || isValidUtf8(bytes)) {
        QStringDecoder decoder(QStringConverter::Utf8);
        return QString(decoder.decode(bytes));
    }
    QStringDecoder decoder = singleByteDecoder();
    return QString(decoder.decode(bytes));
}

void appendDefinitionLines(QStringView text, QStringView separator, TermEntries &entries)
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
            entries.append({line.left(cut).toString(), (next < 0 ? rest : rest.left(next)).toString()});
        }
        start = end + 1;
        if (end < size && text[end] == u'\r' && start < size && text[start] == u'\n')
            ++start;
    }
}

TermEntries readDefinitionEntries(const QByteArray &bytes, QStringView separator)
{
    TermEntries entries;
    const auto bom = QStringConverter::encodingForData(bytes);
    if (bom && *bom != QStringConverter::Utf8) {
        appendDefinitionLines(decodeDefinitionText(bytes), separator, entries);
        return entries;
    }
    // Line breaks are single ASCII bytes in UTF-8 and Windows-1252 alike, so the text can be decoded
    // a piece at a time, cut after a line break, instead of holding the whole file as text at once.
    const bool utf8 = bom || isValidUtf8(bytes);
    QStringDecoder decoder = utf8 ? QStringDecoder(QStringConverter::Utf8) : singleByteDecoder();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = std::min(size, start + decodeChunkBytes);
        while (end < size && bytes[end - 1] != '\n' && bytes[end - 1] != '\r')
            ++end;
        const QString text = decoder.decode(QByteArrayView(bytes.constData() + start, end - start));
        appendDefinitionLines(text, separator, entries);
        start = end;
    }
    return entries;
}

QByteArray encodeDefinitionFile(const TermEntries &entries, QStringView separator)
{
    QStringEncoder encoder(QStringConverter::Utf8);
    const QByteArray separatorBytes = encoder.encode(separator);
    QByteArray out;
    qsizetype estimate = 23;
    for (const TermEntry &entry : entries)
        estimate += entry.term.size() + entry.definition.size() + separatorBytes.size() + 2;
    out.reserve(estimate + estimate / 8);
    out.append("Valid Definition File\r\n");
    for (const TermEntry &entry : entries) {
        out.append(encoder.encode(entry.term));
        out.append(separatorBytes);
        out.append(encoder.encode(entry.definition));
        out.append("\r\n");
    }
    return out;
}

QString bareFileName(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QDir::separator()));
    return cut < 0 ? QString() : path.mid(cut + 1);
}
