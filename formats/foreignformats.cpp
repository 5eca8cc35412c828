// Recognising other trainers' files, and writing the list in their formats.
#include "formats/foreignformats.h"

#include <QBuffer>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {
// Writes are gathered into pieces of about this size.
constexpr qsizetype chunkBytes = qsizetype(1) << 20;

// A field in quotes only where the reader needs them: the separator, a quote or a line break in it,
// a leading byte-order mark (it would be taken for the file's own), and for Anki a '#' that would
// start a comment line.
void appendField(QByteArray &out, QByteArrayView text, char separator, bool hashIsComment)
{
    const bool quote = (hashIsComment && text.startsWith('#')) || text.startsWith("\xEF\xBB\xBF")
        || std::any_of(text.begin(), text.end(), [separator](char c) {
                           return c == separator || c == '"' || c == '\n' || c == '\r';
                       });
    if (!quote) {
        out.append(text);
        return;
    }
    out.append('"');
    out.append(text.toByteArray().replace('"', "\"\""));
    out.append('"');
}

// XML cannot hold some control characters in any form: they are written as spaces.
QString xmlText(QByteArrayView utf8)
{
    QString text = QString::fromUtf8(utf8);
    std::replace_if(text.begin(), text.end(), textXmlCannotHold, u' ');
    return text;
}

void writeKvtml(const TermStore &store,
                const QString &title,
                const std::function<void(QByteArrayView)> &write)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const auto flush = [&] {
        write(buffer.data());
        buffer.buffer().clear();
        buffer.seek(0);
    };
    QXmlStreamWriter xml(&buffer);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeDTD(
        QStringLiteral("<!DOCTYPE kvtml PUBLIC \"kvtml2.dtd\" \"http://edu.kde.org/kvtml/kvtml2.dtd\">"));
    xml.writeStartElement(QStringLiteral("kvtml"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    xml.writeStartElement(QStringLiteral("information"));
    xml.writeTextElement(QStringLiteral("generator"), QStringLiteral("Glossmere"));
    xml.writeTextElement(QStringLiteral("title"), xmlText(title.toUtf8()));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("identifiers"));
    for (const QString &name : {QStringLiteral("Term"), QStringLiteral("Definition")}) {
        xml.writeStartElement(QStringLiteral("identifier"));
        xml.writeAttribute(QStringLiteral("id"), name == u"Term" ? QStringLiteral("0") : QStringLiteral("1"));
        xml.writeTextElement(QStringLiteral("name"), name);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("entries"));
    store.forEachEntryUtf8([&](int i, QByteArrayView term, QByteArrayView definition) {
        xml.writeStartElement(QStringLiteral("entry"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(i));
        for (int side = 0; side < 2; ++side) {
            xml.writeStartElement(QStringLiteral("translation"));
            xml.writeAttribute(QStringLiteral("id"), QString::number(side));
            xml.writeTextElement(QStringLiteral("text"), xmlText(side == 0 ? term : definition));
            xml.writeEndElement();
        }
        xml.writeEndElement();
        if (buffer.size() >= chunkBytes)
            flush();
    });
    xml.writeEndDocument();
    flush();
}
} // namespace

ImportFormat recogniseImportFormat(const QByteArray &head)
{
    QByteArray text = head;
    const auto bom = QStringConverter::encodingForData(head);
    if (bom == QStringConverter::Utf8) {
        text = head.sliced(3);
    } else if (bom) {
        QStringDecoder decoder(*bom);
        text = QString(decoder.decode(head)).toUtf8();
    }
    if (text.startsWith("#separator:"))
        return ImportFormat::Anki;
    // An XML document whose first element is kvtml; what stands before it (declaration, comments,
    // document type) is read but never fetched.
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement)
            return xml.name() == u"kvtml" ? ImportFormat::Kvtml : ImportFormat::Literal;
    }
    return ImportFormat::Literal;
}

void writeExport(const TermStore &store,
                 ExportFormat format,
                 const QString &title,
                 const std::function<void(QByteArrayView)> &write)
{
    if (format == ExportFormat::Kvtml) {
        writeKvtml(store, title, write);
        return;
    }
    const char separator = format == ExportFormat::Csv ? ',' : '\t';
    const bool anki = format == ExportFormat::Anki;
    QByteArray out = anki ? QByteArray("#separator:tab\r\n#html:false\r\n") : QByteArray();
    store.forEachEntryUtf8([&](int, QByteArrayView term, QByteArrayView definition) {
        appendField(out, term, separator, anki);
        out.append(separator);
        appendField(out, definition, separator, false);
        out.append("\r\n");
        if (out.size() >= chunkBytes) {
            write(out);
            out.truncate(0);
        }
    });
    write(out);
}

int textsKvtmlCannotHold(const TermStore &store)
{
    const auto holds = [](QByteArrayView utf8) {
        const QString text = QString::fromUtf8(utf8);
        return int(std::any_of(text.begin(), text.end(), textXmlCannotHold));
    };
    int holding = 0;
    store.forEachEntryUtf8([&](int, QByteArrayView term, QByteArrayView definition) {
        holding += holds(term) + holds(definition);
    });
    return holding;
}

QByteArray encodeExport(const TermStore &store, ExportFormat format, const QString &title)
{
    QByteArray bytes;
    writeExport(store, format, title, [&](QByteArrayView chunk) { bytes.append(chunk); });
    return bytes;
}
