// Quoted-field (RFC 4180) files and Anki notes exports, read straight from their UTF-8 bytes.
#include "common/textdecoding.h"
#include "formats/foreignformats.h"
#include "formats/htmlentitytable.h"

#include <QStringConverter>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {
// The file's text as UTF-8: its own bytes when they are UTF-8 (without a byte-order mark), otherwise
// decoded as the definition reader decodes.
QByteArray utf8TextOf(const QByteArray &bytes, qsizetype &begin)
{
    const auto bom = QStringConverter::encodingForData(bytes);
    begin = bom == QStringConverter::Utf8 ? 3 : 0;
    // The store keeps valid UTF-8 only: broken bytes behind a UTF-8 mark become U+FFFD here.
    if ((!bom || bom == QStringConverter::Utf8) && QByteArrayView(bytes).sliced(begin).isValidUtf8())
        return bytes;
    begin = 0;
    return decodeDefinitionText(bytes).toUtf8();
}

// The entity of `name`, or null.
const HtmlEntity *htmlEntity(std::string_view name)
{
    const auto *found = std::lower_bound(
        htmlEntities.begin(), htmlEntities.end(), name, [](const HtmlEntity &entity, std::string_view n) {
            return entity.name < n;
        });
    return found != htmlEntities.end() && found->name == name ? found : nullptr;
}

// The longest of HTML's names that `text` (what follows an '&') starts with, as a browser reads text:
// a legacy name also stands without its ';' ("&eacutex" is "éx"), any other needs it.
const HtmlEntity *namedReferenceAt(QStringView text)
{
    std::array<char, longestHtmlEntityName> name;
    size_t size = 0;
    while (size < name.size() && size < size_t(text.size())) {
        const char16_t c = text[qsizetype(size)].unicode();
        const bool alphanumeric =
            (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
        if (!alphanumeric && c != u';')
            break;
        name[size++] = char(c);
        if (c == u';')
            break;
    }
    // A name with its ';' can only be all of it; shorter ones are legacy names, which are short.
    if (size > 0 && name[size - 1] == ';') {
        if (const HtmlEntity *entity = htmlEntity(std::string_view(name.data(), size)))
            return entity;
        --size;
    }
    for (size = std::min(size, longestLegacyHtmlEntityName); size > 0; --size) {
        if (const HtmlEntity *entity = htmlEntity(std::string_view(name.data(), size)))
            return entity;
    }
    return nullptr;
}

// Named and numeric character references as a browser reads them; anything else stays as written.
QString decodeHtmlEntities(const QString &text)
{
    if (!text.contains(u'&'))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] != u'&') {
            out.append(text[i++]);
            continue;
        }
        const QStringView rest = QStringView(text).sliced(i + 1);
        if (!rest.startsWith(u'#')) {
            if (const HtmlEntity *entity = namedReferenceAt(rest)) {
                const std::array<char32_t, 2> characters{entity->first, entity->second};
                out.append(QString::fromUcs4(characters.data(), entity->second ? 2 : 1));
                i += 1 + qsizetype(entity->name.size());
                continue;
            }
        } else {
            // A numeric reference is short: its ';' is looked for nearby only, so that many '&' cost
            // no more.
            const qsizetype semicolon = rest.first(std::min<qsizetype>(11, rest.size())).indexOf(u';');
            if (semicolon > 0) {
                const QStringView number = rest.sliced(1, semicolon - 1);
                bool ok = false;
                const bool hex = !number.isEmpty() && (number[0] == u'x' || number[0] == u'X');
                const uint code = number.sliced(hex ? 1 : 0).toUInt(&ok, hex ? 16 : 10);
                if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                    out.append(QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1));
                    i += 2 + semicolon;
                    continue;
                }
            }
        }
        out.append(text[i++]);
    }
    return out;
}

enum class FieldEnd { Separator, Record };

// Reads records field by field from UTF-8 bytes. Separators, quotes and line breaks are ASCII, so
// cutting the bytes is exact.
class FieldReader
{
public:
    FieldReader(QByteArrayView text, char separator)
        : m_p(text.data())
        , m_end(text.data() + text.size())
        , m_separator(separator)
    { }

    bool atEnd() const { return m_p >= m_end; }

    char peek() const { return *m_p; }

    // Leaves out the rest of the line (a comment or header line).
    QByteArrayView skipLine()
    {
        const char *start = m_p;
        while (m_p < m_end && *m_p != '\n' && *m_p != '\r')
            ++m_p;
        const QByteArrayView line(start, m_p - start);
        skipLineBreak();
        return line;
    }

    // One field; its text lies in the file or, when it had to be unquoted, in `scratch`.
    QByteArrayView field(QByteArray &scratch, FieldEnd &end)
    {
        if (m_p < m_end && *m_p == '"') {
            if (const char *close = closingQuote(m_p + 1))
                return quotedField(close, scratch, end);
        }
        const char *start = m_p;
        skipToFieldEnd();
        const QByteArrayView text(start, m_p - start);
        end = finishField();
        return text;
    }

private:
    void skipToFieldEnd()
    {
        while (m_p < m_end && *m_p != m_separator && *m_p != '\n' && *m_p != '\r')
            ++m_p;
    }

    // The quote that closes a field opened just before `from`, or null when none does.
    const char *closingQuote(const char *from)
    {
        // Once a quote was found open to the end, later ones are too: each is not searched again.
        if (m_unclosed && from >= m_unclosed)
            return nullptr;
        for (const char *p = from;;) {
            const auto *quote = static_cast<const char *>(std::memchr(p, '"', size_t(m_end - p)));
            if (!quote) {
                m_unclosed = from;
                return nullptr;
            }
            if (quote + 1 < m_end && quote[1] == '"') {
                p = quote + 2;
                continue;
            }
            return quote;
        }
    }

    QByteArrayView quotedField(const char *close, QByteArray &scratch, FieldEnd &end)
    {
        const char *start = m_p + 1;
        QByteArrayView inner(start, close - start);
        m_p = close + 1;
        const bool plain = std::none_of(inner.begin(),
                                        inner.end(),
                                        [](char c) { return c == '"' || c == '\n' || c == '\r'; })
            && (m_p >= m_end || *m_p == m_separator || *m_p == '\n' || *m_p == '\r');
        if (plain) {
            end = finishField();
            return inner;
        }
        // Text after the closing quote belongs to the field as it stands.
        const char *rest = m_p;
        skipToFieldEnd();
        // The unquoted text is never longer than the quoted one.
        scratch.resize(inner.size() + (m_p - rest));
        char *out = scratch.data();
        for (qsizetype i = 0; i < inner.size(); ++i) {
            const char c = inner[i];
            if (c == '"') {
                // A doubled quote: one quote.
                *out++ = '"';
                ++i;
            } else if (c == '\r' || c == '\n') {
                // A line break in a field is one space: a definition file holds one line per text.
                *out++ = ' ';
                if (c == '\r' && i + 1 < inner.size() && inner[i + 1] == '\n')
                    ++i;
            } else {
                *out++ = c;
            }
        }
        if (m_p != rest)
            std::memcpy(out, rest, size_t(m_p - rest));
        out += m_p - rest;
        scratch.truncate(out - scratch.constData());
        end = finishField();
        return scratch;
    }

    FieldEnd finishField()
    {
        if (m_p < m_end && *m_p == m_separator) {
            ++m_p;
            return FieldEnd::Separator;
        }
        skipLineBreak();
        return FieldEnd::Record;
    }

    void skipLineBreak()
    {
        if (m_p < m_end && *m_p == '\r')
            ++m_p;
        if (m_p < m_end && *m_p == '\n')
            ++m_p;
    }

    const char *m_p;
    const char *m_end;
    char m_separator;
    const char *m_unclosed = nullptr;
};

struct RecordRules
{
    // 0-based columns that are no note fields (Anki's guid, notetype, deck and tags columns).
    QList<int> leftOut;
    bool html = false;
    // Lines starting with '#' are comments (Anki).
    bool comments = false;
};

// Whether a field is plain text as it stands: no markup, entity or sound may start in it, and it
// has no white space at its ends or two white space bytes in a row.
bool plainAsItStands(QByteArrayView field)
{
    // 1: markup, an entity or a sound may start here; 2: white space.
    static const auto kinds = [] {
        std::array<quint8, 256> table{};
        table['<'] = table['&'] = table['['] = 1;
        table[' '] = table['\t'] = table['\n'] = table['\r'] = 2;
        return table;
    }();
    quint8 last = 2;
    for (const char c : field) {
        const quint8 kind = kinds[static_cast<unsigned char>(c)];
        if (kind & (last | 1))
            return false;
        last = kind;
    }
    return last != 2;
}

// The text a reader sees; fields without markup, entities or runs of spaces are taken as they are.
QByteArrayView plainField(QByteArrayView field, QByteArray &scratch)
{
    if (plainAsItStands(field))
        return field;
    scratch = plainTextOfHtml(QString::fromUtf8(field)).toUtf8();
    return scratch;
}

void appendEntry(TermStore &store, QByteArrayView term, QByteArrayView definition)
{
    char *out = store.beginEntry(term.size() + definition.size());
    if (!term.isEmpty())
        std::memcpy(out, term.data(), size_t(term.size()));
    if (!definition.isEmpty())
        std::memcpy(out + term.size(), definition.data(), size_t(definition.size()));
    store.commitEntry(term.size(), definition.size());
}

TermStore readRecords(QByteArrayView text, char separator, const RecordRules &rules)
{
    TermStore store;
    FieldReader reader(text, separator);
    std::array<QByteArray, 3> scratch;
    std::array<QByteArray, 2> html;
    while (!reader.atEnd()) {
        if (rules.comments && reader.peek() == '#') {
            reader.skipLine();
            continue;
        }
        std::array<QByteArrayView, 2> texts;
        int taken = 0;
        FieldEnd end = FieldEnd::Separator;
        for (int column = 0; end == FieldEnd::Separator; ++column) {
            const bool wanted = taken < 2 && !rules.leftOut.contains(column);
            const QByteArrayView field = reader.field(scratch[wanted ? taken : 2], end);
            if (wanted)
                texts[taken++] = field;
        }
        if (taken < 2)
            continue;
        if (rules.html) {
            texts[0] = plainField(texts[0], html[0]);
            texts[1] = plainField(texts[1], html[1]);
        }
        if (texts[0].isEmpty() && texts[1].isEmpty())
            continue;
        appendEntry(store, texts[0], texts[1]);
    }
    return store;
}

// Anki's names for separators, or the character itself.
char ankiSeparator(QByteArrayView value, char fallback)
{
    static const std::array<std::pair<const char *, char>, 6> names{
        {{"tab", '\t'}, {"comma", ','}, {"semicolon", ';'}, {"space", ' '}, {"pipe", '|'}, {"colon", ':'}}};
    const QByteArray lower = value.toByteArray().toLower();
    for (const auto &[name, character] : names) {
        if (lower == name)
            return character;
    }
    return value.size() == 1 ? value.front() : fallback;
}
} // namespace

TermStore readQuotedFields(const QByteArray &bytes, char separator)
{
    qsizetype begin = 0;
    const QByteArray text = utf8TextOf(bytes, begin);
    return readRecords(QByteArrayView(text).sliced(begin), separator, {});
}

TermStore readAnkiNotes(const QByteArray &bytes)
{
    qsizetype body = 0;
    const QByteArray text = utf8TextOf(bytes, body);
    // Exports without a header (before Anki 2.1.55) are tab-separated and hold HTML.
    char separator = '\t';
    RecordRules rules{{}, true, true};
    while (body < text.size() && text[body] == '#') {
        qsizetype lineEnd = body;
        while (lineEnd < text.size() && text[lineEnd] != '\n' && text[lineEnd] != '\r')
            ++lineEnd;
        const QByteArrayView line = QByteArrayView(text).sliced(body + 1, lineEnd - body - 1);
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            const QByteArray key = line.first(colon).toByteArray().trimmed().toLower();
            const QByteArrayView value = line.sliced(colon + 1);
            if (key == "separator")
                separator = ankiSeparator(value, separator);
            else if (key == "html")
                rules.html = value.toByteArray().trimmed().toLower() == "true";
            else if (key.endsWith(" column")) {
                bool ok = false;
                const int column = value.toByteArray().trimmed().toInt(&ok);
                if (ok && column >= 1)
                    rules.leftOut.append(column - 1);
            }
        }
        body = lineEnd;
        if (body < text.size() && text[body] == '\r')
            ++body;
        if (body < text.size() && text[body] == '\n')
            ++body;
    }
    return readRecords(QByteArrayView(text).sliced(body), separator, rules);
}

QString plainTextOfHtml(QStringView html)
{
    static const QStringView breaks[] = {u"br", u"div", u"p", u"hr"};
    QString text;
    text.reserve(html.size());
    // Once nothing closes a tag or a sound, later ones are not looked for again.
    bool noBracket = false;
    bool noAngle = false;
    for (qsizetype i = 0; i < html.size();) {
        if (html.sliced(i).startsWith(u"[sound:")) {
            const qsizetype close = noBracket ? -1 : html.indexOf(u']', i);
            noBracket = close < 0;
            if (close > 0) {
                i = close + 1;
                continue;
            }
        }
        if (html[i] == u'<') {
            const qsizetype close = noAngle ? -1 : html.indexOf(u'>', i);
            noAngle = close < 0;
            if (close > 0) {
                QStringView tag = html.sliced(i + 1, close - i - 1);
                if (tag.startsWith(u'/'))
                    tag = tag.sliced(1);
                qsizetype nameEnd = 0;
                while (nameEnd < tag.size() && tag[nameEnd].isLetterOrNumber())
                    ++nameEnd;
                const QStringView name = tag.first(nameEnd);
                for (const QStringView brk : breaks) {
                    if (name.compare(brk, Qt::CaseInsensitive) == 0)
                        text.append(u' ');
                }
                i = close + 1;
                continue;
            }
        }
        text.append(html[i++]);
    }
    // Entities after the tags: an escaped "&lt;b&gt;" is text the user wrote.
    text = decodeHtmlEntities(text);
    QString plain;
    plain.reserve(text.size());
    bool space = false;
    for (const QChar c : std::as_const(text)) {
        if (c.isSpace()) {
            space = !plain.isEmpty();
            continue;
        }
        if (space)
            plain.append(u' ');
        space = false;
        plain.append(c);
    }
    return plain;
}
