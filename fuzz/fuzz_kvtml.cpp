// Fuzzes the KVTML reader: any bytes. A fault names a line of the document; what is read is never an
// entry with both texts empty, holds no line break and no control character that XML cannot hold,
// and comes back the same through the KVTML export; a document that Qt's XML reader finds well-formed
// (and that declares no entities, which this reader refuses) is never refused.
#include "deffiles/definitiontext.h"
#include "formats/foreignformats.h"

#include <QByteArray>
#include <QStringConverter>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <cstdint>
#include <cstdlib>

namespace {
bool wellFormedKvtml(const QByteArray &bytes)
{
    // Qt lets control characters pass in names in some encodings; XML allows none of them anywhere.
    const auto bom = QStringConverter::encodingForData(bytes);
    if (!bom || *bom == QStringConverter::Utf8) {
        for (const char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                return false;
        }
        // Qt drops a broken sequence at the very end without a word; the reader refuses it. A
        // single-byte document is then not counted here either, which only narrows the check.
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        [[maybe_unused]] const QString text = utf8.decode(bytes);
        if (utf8.hasError())
            return false;
    }
    // Qt reads any other name starting "UTF" (say "UTF.8") as UTF-8 without a word; such a name is
    // no encoding, and bytes that are not UTF-8 under it are refused here.
    static const QStringList unicodeNames{QStringLiteral("UTF-8"),
                                          QStringLiteral("UTF-16"),
                                          QStringLiteral("UTF-16LE"),
                                          QStringLiteral("UTF-16BE"),
                                          QStringLiteral("UTF-32"),
                                          QStringLiteral("UTF-32LE"),
                                          QStringLiteral("UTF-32BE")};
    QXmlStreamReader xml(bytes);
    bool first = true;
    while (!xml.atEnd()) {
        xml.readNext();
        // Qt reads bytes that a single-byte encoding leaves undefined without a word; they are
        // not in the declared encoding, which this reader refuses.
        if (xml.tokenType() == QXmlStreamReader::StartDocument && !xml.documentEncoding().isEmpty()
            && !unicodeNames.contains(xml.documentEncoding().toString().toUpper()))
            return false;
        if (xml.tokenType() == QXmlStreamReader::DTD && !xml.text().contains(u'['))
            continue;
        if (xml.tokenType() == QXmlStreamReader::DTD || xml.tokenType() == QXmlStreamReader::EntityReference)
            return false;
        if (xml.isStartElement() && first) {
            if (xml.name() != QStringLiteral("kvtml"))
                return false;
            first = false;
        }
    }
    return !xml.hasError() && !first;
}

// The entries read, or the fault's line and reason.
std::pair<TermEntries, QString> readOrFault(const QByteArray &file)
{
    try {
        return {readKvtml(file).toEntries(), QString()};
    } catch (const FormatFault &fault) {
        if (fault.line() < 1 || fault.line() > file.count('\n') + file.count('\r') + 1
            || fault.reason().isEmpty())
            std::abort();
        return {TermEntries(), QStringLiteral("%1: %2").arg(fault.line()).arg(fault.reason())};
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto [entries, fault] = readOrFault(file);
    if (!fault.isEmpty()) {
        if (wellFormedKvtml(file))
            std::abort();
        return 0;
    }
    for (const TermEntry &entry : entries) {
        if ((entry.term.isEmpty() && entry.definition.isEmpty()) || entry.term.contains(u'\n')
            || entry.term.contains(u'\r') || entry.definition.contains(u'\n')
            || entry.definition.contains(u'\r'))
            std::abort();
    }
    const TermStore store = TermStore::fromEntries(entries);
    if (textsKvtmlCannotHold(store) != 0)
        std::abort();
    const QByteArray written = encodeExport(store, ExportFormat::Kvtml);
    if (readKvtml(written).toEntries() != entries)
        std::abort();
    return 0;
}
