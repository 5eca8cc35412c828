// KVTML (KWordQuiz and Parley) read with Qt's XML reader, which fetches nothing; a document that
// declares a type of its own (entities, perhaps an expansion bomb) is refused before any of it is used.
#include "formats/foreignformats.h"

#include <QBuffer>
#include <QStringDecoder>
#include <QXmlStreamReader>

namespace {
bool isXmlSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}

qint64 lineAt(QStringView text, qsizetype at)
{
    return 1 + text.first(std::clamp<qsizetype>(at, 0, text.size())).count(u'\n');
}

// The declared encoding of an XML declaration at the start, lower case; empty when none is declared.
QByteArray declaredEncoding(QByteArrayView text)
{
    // "<?xml-stylesheet" or "<?xml." are processing instructions, not the declaration.
    if (!text.startsWith("<?xml") || text.size() < 6 || !isXmlSpace(text[5]))
        return {};
    const qsizetype close = text.indexOf("?>");
    const QByteArrayView declaration = text.first(close < 0 ? std::min<qsizetype>(text.size(), 200) : close);
    const qsizetype at = declaration.indexOf("encoding");
    if (at < 0)
        return {};
    qsizetype p = at + 8;
    while (p < declaration.size() && (declaration[p] == ' ' || declaration[p] == '='))
        ++p;
    if (p >= declaration.size() || (declaration[p] != '"' && declaration[p] != '\''))
        return {};
    const qsizetype end = declaration.indexOf(declaration[p], p + 1);
    return end < 0 ? QByteArray() : declaration.sliced(p + 1, end - p - 1).toByteArray().toLower();
}

qint64 lineAt(QByteArrayView text, qsizetype at)
{
    const QByteArrayView before = text.first(std::clamp<qsizetype>(at, 0, text.size()));
    return 1 + std::count(before.begin(), before.end(), '\n');
}

[[noreturn]] void refuseCharacter(qint64 line)
{
    throw FormatFault(line, QStringLiteral("it holds a control character that XML does not allow"));
}

// The first control character XML cannot hold in UTF-8 text, or -1. Looked at in blocks without a
// branch per byte, which the compiler makes fast; the byte itself only once a block holds one.
qsizetype firstControl(QByteArrayView text)
{
    constexpr qsizetype block = 4096;
    for (qsizetype at = 0; at < text.size(); at += block) {
        const QByteArrayView part = text.sliced(at, std::min(block, text.size() - at));
        bool found = false;
        for (const char c : part) {
            const auto u = static_cast<unsigned char>(c);
            found |= u < 0x20 && u != '\t' && u != '\n' && u != '\r';
        }
        if (found) {
            return at
                + (std::find_if(part.begin(),
                                part.end(),
                                [](char c) {
                                    return textXmlCannotHold(QChar(char16_t(static_cast<unsigned char>(c))));
                                })
                   - part.begin());
        }
    }
    return -1;
}

// Gives Qt's reader the document. Bytes not in its encoding and characters XML cannot hold are
// refused first, with their line: Qt's own message would quote them. UTF-8, the usual case, is
// given as it is; any other encoding is decoded here, so that no declaration is read twice.
void giveDocument(QXmlStreamReader &xml, QBuffer &device, const QByteArray &bytes)
{
    const auto bom = QStringConverter::encodingForData(bytes);
    const QByteArray declared =
        declaredEncoding(QByteArrayView(bytes).sliced(bom == QStringConverter::Utf8 ? 3 : 0));
    QByteArray encoding = bom ? QByteArray(QStringConverter::nameForEncoding(*bom)) : declared;
    if (encoding.isEmpty() || encoding == "utf8")
        encoding = "utf-8";
    QStringDecoder decoder(encoding.constData(),
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInvalidToNull);
    if (!decoder.isValid())
        throw FormatFault(
            1, QStringLiteral("its declared encoding %1 is unknown").arg(QString::fromLatin1(encoding)));
    // A UTF-8 mark settles the encoding whatever the declaration names; Qt would follow the latter.
    const bool declaredUtf8 = declared.isEmpty() || declared == "utf-8" || declared == "utf8";
    if (encoding.toLower() == "utf-8" && declaredUtf8 && bytes.isValidUtf8()) {
        const qsizetype control = firstControl(bytes);
        if (control >= 0)
            refuseCharacter(lineAt(bytes, control));
        for (const char *nonCharacter : {"\xEF\xBF\xBE", "\xEF\xBF\xBF"}) {
            if (const qsizetype at = bytes.indexOf(nonCharacter); at >= 0)
                refuseCharacter(lineAt(bytes, at));
        }
        // Read through a device, Qt decodes a piece at a time instead of holding the whole document
        // decoded beside its bytes.
        device.setData(bytes);
        device.open(QIODevice::ReadOnly);
        xml.setDevice(&device);
        return;
    }
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw FormatFault(lineAt(text, text.indexOf(QChar::Null)),
                          QStringLiteral("its text is not in the declared encoding"));
    const auto *bad = std::find_if(text.begin(), text.end(), [](QChar c) { return textXmlCannotHold(c); });
    if (bad != text.end())
        refuseCharacter(lineAt(text, bad - text.begin()));
    // Qt takes text given this way as it stands, whatever its declaration names.
    xml.addData(text);
}

// A line break in a text, written out or as a reference (&#13;&#10; as one), is one space, as in a
// quoted field: a definition file holds one line per text.
QString oneLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" "))
        .replace(u'\r', u' ')
        .replace(u'\n', u' ');
}

class KvtmlReader
{
public:
    explicit KvtmlReader(const QByteArray &bytes)
        : m_bytes(bytes)
    {
        giveDocument(m_xml, m_device, bytes);
    }

    TermStore read()
    {
        refuseDeclaredTypes();
        if (m_xml.isStartElement()) {
            if (m_xml.name() != u"kvtml")
                fail(QStringLiteral("it is not a KVTML document"));
            while (nextChild()) {
                if (m_xml.name() == u"information")
                    information();
                else if (m_xml.name() == u"entries")
                    entries();
                else if (m_xml.name() == u"e")
                    oldEntry();
                else
                    readToEnd();
            }
        }
        // What follows the document's element may still spoil it.
        while (!m_xml.atEnd())
            m_xml.readNext();
        if (m_xml.hasError())
            fail(m_xml.errorString());
        return std::move(m_store);
    }

private:
    [[noreturn]] void fail(const QString &reason, qint64 line = 0)
    {
        throw FormatFault(line ? line : std::max<qint64>(1, m_xml.lineNumber()), reason);
    }

    // Reads up to the document's element; a document type with declarations of its own is refused
    // before anything it declares is used.
    void refuseDeclaredTypes()
    {
        while (!m_xml.atEnd() && m_xml.readNext() != QXmlStreamReader::StartElement) {
            if (m_xml.tokenType() == QXmlStreamReader::DTD
                && (m_xml.text().contains(u'[') || !m_xml.entityDeclarations().isEmpty()))
                fail(QStringLiteral("it declares entities or a document type of its own, which are not read"),
                     lineAt(m_bytes, m_bytes.indexOf("<!DOCTYPE")));
        }
    }

    // Qt reports a reference to an entity a document type outside the file might declare; none is read.
    [[noreturn]] void undefinedEntity()
    {
        fail(QStringLiteral("the entity %1 is not defined").arg(m_xml.name()));
    }

    // The next child element of the one open; false at its end.
    bool nextChild()
    {
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::StartElement:
                return true;
            case QXmlStreamReader::EndElement:
                return false;
            case QXmlStreamReader::EntityReference:
                undefinedEntity();
            default:
                break;
            }
        }
        return false;
    }

    // Reads to the end of the open element, gathering its text and its children's when asked.
    void readToEnd(QString *text = nullptr)
    {
        for (int depth = 1; depth > 0 && !m_xml.atEnd();) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::StartElement:
                ++depth;
                break;
            case QXmlStreamReader::EndElement:
                --depth;
                break;
            case QXmlStreamReader::Characters:
                if (text)
                    text->append(m_xml.text());
                break;
            case QXmlStreamReader::EntityReference:
                undefinedEntity();
            default:
                break;
            }
        }
    }

    QString elementText()
    {
        QString text;
        readToEnd(&text);
        return oneLine(std::move(text));
    }

    void information()
    {
        while (nextChild()) {
            if (m_xml.name() == u"generator")
                m_byGlossmere = elementText() == u"Glossmere";
            else
                readToEnd();
        }
    }

    // KVTML 2.0: entry > translation (id 0 or 1) > text or comment. A word list with a hint per word
    // has one translation, the hint its comment.
    void entries()
    {
        while (nextChild()) {
            if (m_xml.name() != u"entry") {
                readToEnd();
                continue;
            }
            QString texts[2];
            QString comment;
            bool hasSecond = false;
            while (nextChild()) {
                const QXmlStreamAttributes attributes = m_xml.attributes();
                const QStringView id = attributes.value(QLatin1StringView("id"));
                const int translation = m_xml.name() != u"translation" ? -1
                    : id == u"0"                                       ? 0
                    : id == u"1"                                       ? 1
                                                                       : -1;
                hasSecond = hasSecond || translation == 1;
                if (translation < 0) {
                    readToEnd();
                    continue;
                }
                while (nextChild()) {
                    if (m_xml.name() == u"text" && texts[translation].isEmpty())
                        texts[translation] = elementText();
                    else if (m_xml.name() == u"comment" && translation == 0 && comment.isEmpty())
                        comment = elementText();
                    else
                        readToEnd();
                }
            }
            take(texts[0], hasSecond ? texts[1] : comment, hasSecond);
        }
    }

    // KVTML 1.x: e > o (the original) and t (translations, the first taken).
    void oldEntry()
    {
        QString term;
        QString definition;
        bool hasTranslation = false;
        while (nextChild()) {
            if (m_xml.name() == u"o" && term.isEmpty()) {
                term = elementText();
            } else if (m_xml.name() == u"t" && !hasTranslation) {
                definition = elementText();
                hasTranslation = true;
            } else {
                readToEnd();
            }
        }
        take(term, definition, hasTranslation);
    }

    void take(const QString &term, const QString &definition, bool hasSecond)
    {
        if (m_xml.hasError())
            return;
        // Glossmere writes both translations of every entry, one of them empty where the list's text
        // was; other programs leave a translation empty that was never filled in.
        const bool both = !term.isEmpty() && !definition.isEmpty();
        if (both || (m_byGlossmere && hasSecond && !(term.isEmpty() && definition.isEmpty())))
            m_store.append(term, definition);
    }

    const QByteArray &m_bytes;
    QBuffer m_device;
    QXmlStreamReader m_xml;
    TermStore m_store;
    bool m_byGlossmere = false;
};
} // namespace

bool textXmlCannotHold(QChar c)
{
    const char16_t u = c.unicode();
    return (u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0xFFFE || u == 0xFFFF;
}

TermStore readKvtml(const QByteArray &bytes)
{
    return KvtmlReader(bytes).read();
}
