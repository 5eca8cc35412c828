// Recognising other trainers' files, and writing the list in their formats.
#include "deffiles/foreignformats.h"

#include <QStringDecoder>

#include <array>
#include <cstring>
#include <memory>

namespace {
bool isXmlSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}

// Whether the first element of an XML text is named kvtml, looking past the declaration, comments,
// processing instructions and the document type.
bool rootIsKvtml(QByteArrayView text)
{
    qsizetype p = 0;
    const auto skipPast = [&](const char *terminator) {
        const qsizetype at = text.indexOf(terminator, p);
        p = at < 0 ? text.size() : at + qsizetype(std::strlen(terminator));
    };
    while (p < text.size()) {
        if (isXmlSpace(text[p])) {
            ++p;
        } else if (text.sliced(p).startsWith("<?")) {
            skipPast("?>");
        } else if (text.sliced(p).startsWith("<!--")) {
            skipPast("-->");
        } else if (text.sliced(p).startsWith("<!DOCTYPE")) {
            const qsizetype bracket = text.indexOf('[', p);
            const qsizetype close = text.indexOf('>', p);
            if (bracket >= 0 && (close < 0 || bracket < close))
                p = bracket;
            skipPast(text[p] == '[' ? "]" : ">");
            if (text[p - 1] == ']')
                skipPast(">");
        } else {
            const QByteArrayView rest = text.sliced(p);
            return rest.startsWith("<kvtml") && rest.size() > 6
                && (isXmlSpace(rest[6]) || rest[6] == '>' || rest[6] == '/');
        }
    }
    return false;
}

// Gathers small pieces into large writes.
class ChunkWriter
{
public:
    explicit ChunkWriter(const std::function<void(QByteArrayView)> &write)
        : m_write(write)
        , m_buffer(std::make_unique_for_overwrite<char[]>(size_t(capacity)))
    { }

    ~ChunkWriter() = default;

    void put(QByteArrayView piece)
    {
        if (piece.isEmpty())
            return;
        if (piece.size() > capacity - m_used) {
            flush();
            if (piece.size() > capacity) {
                m_write(piece);
                return;
            }
        }
        std::memcpy(m_buffer.get() + m_used, piece.data(), size_t(piece.size()));
        m_used += piece.size();
    }

    void put(char c)
    {
        if (m_used == capacity)
            flush();
        m_buffer[size_t(m_used++)] = c;
    }

    void flush()
    {
        if (m_used > 0)
            m_write(QByteArrayView(m_buffer.get(), m_used));
        m_used = 0;
    }

private:
    static constexpr qsizetype capacity = qsizetype(1) << 20;
    const std::function<void(QByteArrayView)> &m_write;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_used = 0;
};

// A field in quotes only where the reader needs them: the separator, a quote or a line break in it,
// a leading byte-order mark, and for Anki a '#' that would start a comment line.
// The bytes that make a field need quotes: its separator, a quote, a line break.
using QuoteBytes = std::array<bool, 256>;

QuoteBytes quoteBytes(char separator)
{
    QuoteBytes table{};
    for (const char c : {separator, '"', '\n', '\r'})
        table[static_cast<unsigned char>(c)] = true;
    return table;
}

void putField(ChunkWriter &out, QByteArrayView text, const QuoteBytes &special, bool hashIsComment)
{
    // A byte-order mark at the start would be taken for the file's own.
    bool quote = (hashIsComment && text.startsWith('#')) || text.startsWith("\xEF\xBB\xBF");
    for (const char c : text)
        quote |= special[static_cast<unsigned char>(c)];
    if (!quote) {
        out.put(text);
        return;
    }
    out.put('"');
    for (qsizetype start = 0;;) {
        const qsizetype at = text.indexOf('"', start);
        out.put(text.sliced(start, (at < 0 ? text.size() : at + 1) - start));
        if (at < 0)
            break;
        out.put('"');
        start = at + 1;
    }
    out.put('"');
}

// XML text: markup characters escaped; control characters XML cannot hold become U+FFFD.
void putXmlText(ChunkWriter &out, QByteArrayView text)
{
    // 1 for the bytes that need escaping: markup characters and control characters but Tab.
    static const auto escaped = [] {
        std::array<bool, 256> table{};
        for (int c = 0; c < 0x20; ++c)
            table[size_t(c)] = c != '\t';
        table['&'] = table['<'] = table['>'] = true;
        return table;
    }();
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!escaped[c])
            continue;
        out.put(text.sliced(start, i - start));
        out.put(QByteArrayView(c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : "\xEF\xBF\xBD"));
        start = i + 1;
    }
    out.put(text.sliced(start));
}

void writeKvtml(const TermStore &store, const QString &title, ChunkWriter &out)
{
    out.put(QByteArrayView("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!DOCTYPE kvtml PUBLIC \"kvtml2.dtd\" \"http://edu.kde.org/kvtml/kvtml2.dtd\">\n"
                           "<kvtml version=\"2.0\">\n"
                           " <information>\n"
                           "  <generator>Glossmere</generator>\n"
                           "  <title>"));
    putXmlText(out, title.toUtf8());
    out.put(QByteArrayView("</title>\n"
                           " </information>\n"
                           " <identifiers>\n"
                           "  <identifier id=\"0\">\n"
                           "   <name>Term</name>\n"
                           "  </identifier>\n"
                           "  <identifier id=\"1\">\n"
                           "   <name>Definition</name>\n"
                           "  </identifier>\n"
                           " </identifiers>\n"
                           " <entries>\n"));
    char number[16];
    for (int i = 0; i < store.size(); ++i) {
        out.put(QByteArrayView("  <entry id=\""));
        const int digits = std::snprintf(number, sizeof number, "%d", i);
        out.put(QByteArrayView(number, digits));
        out.put(QByteArrayView("\"><translation id=\"0\"><text>"));
        putXmlText(out, store.termUtf8(i));
        out.put(QByteArrayView("</text></translation><translation id=\"1\"><text>"));
        putXmlText(out, store.definitionUtf8(i));
        out.put(QByteArrayView("</text></translation></entry>\n"));
    }
    out.put(QByteArrayView(" </entries>\n</kvtml>\n"));
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
    if (rootIsKvtml(text))
        return ImportFormat::Kvtml;
    return ImportFormat::Literal;
}

void writeExport(const TermStore &store,
                 ExportFormat format,
                 const QString &title,
                 const std::function<void(QByteArrayView)> &write)
{
    ChunkWriter out(write);
    if (format == ExportFormat::Kvtml) {
        writeKvtml(store, title, out);
    } else {
        const char separator = format == ExportFormat::Csv ? ',' : '\t';
        const QuoteBytes special = quoteBytes(separator);
        const bool anki = format == ExportFormat::Anki;
        if (anki)
            out.put(QByteArrayView("#separator:tab\r\n#html:false\r\n"));
        for (int i = 0; i < store.size(); ++i) {
            putField(out, store.termUtf8(i), special, anki);
            out.put(separator);
            putField(out, store.definitionUtf8(i), special, false);
            out.put(QByteArrayView("\r\n"));
        }
    }
    out.flush();
}

QByteArray encodeExport(const TermStore &store, ExportFormat format, const QString &title)
{
    QByteArray bytes;
    writeExport(store, format, title, [&](QByteArrayView chunk) { bytes.append(chunk); });
    return bytes;
}
