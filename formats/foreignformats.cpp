// Recognising other trainers' files, and writing the list in their formats.
#include "formats/foreignformats.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

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

// XML text in UTF-8: markup characters escaped, the characters XML cannot hold in any form as spaces.
void appendXmlText(QByteArray &out, QByteArrayView text)
{
    const auto special = [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == '&' || c == '<' || c == '>' || c == '\xEF';
    };
    if (std::none_of(text.begin(), text.end(), special)) {
        out.append(text);
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '&')
            out.append("&amp;");
        else if (c == '<')
            out.append("&lt;");
        else if (c == '>')
            out.append("&gt;");
        else if (c == '\xEF'
                 && (text.sliced(i).startsWith("\xEF\xBF\xBE") || text.sliced(i).startsWith("\xEF\xBF\xBF")))
            out.append(' '), i += 2;
        else
            out.append(textXmlCannotHold(QChar(char16_t(static_cast<unsigned char>(c)))) ? ' ' : c);
    }
}

// One entry to a line, as KWordQuiz lays a list out. Written by hand: Qt's XML writer took 3.4 s
// for 1,000,000 entries, over the 3 s an export may take.
void writeKvtml(const TermStore &store,
                const QString &title,
                const std::function<void(QByteArrayView)> &write)
{
    QByteArray out("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<!DOCTYPE kvtml PUBLIC \"kvtml2.dtd\" \"http://edu.kde.org/kvtml/kvtml2.dtd\">\n"
                   "<kvtml version=\"2.0\">\n"
                   " <information>\n"
                   "  <generator>Glossmere</generator>\n"
                   "  <title>");
    appendXmlText(out, title.toUtf8());
    out.append("</title>\n"
               " </information>\n"
               " <identifiers>\n"
               "  <identifier id=\"0\"><name>Term</name></identifier>\n"
               "  <identifier id=\"1\"><name>Definition</name></identifier>\n"
               " </identifiers>\n"
               " <entries>\n");
    store.forEachEntryUtf8([&](int i, QByteArrayView term, QByteArrayView definition) {
        out.append("  <entry id=\"").append(QByteArray::number(i)).append("\"><translation id=\"0\"><text>");
        appendXmlText(out, term);
        out.append("</text></translation><translation id=\"1\"><text>");
        appendXmlText(out, definition);
        out.append("</text></translation></entry>\n");
        if (out.size() >= chunkBytes) {
            write(out);
            out.truncate(0);
        }
    });
    out.append(" </entries>\n</kvtml>\n");
    write(out);
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
