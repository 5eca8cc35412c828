// KVTML (KWordQuiz and Parley) read by a small XML scanner of its own: a general XML reader is many
// times slower on a big list, and this one cannot fetch, expand or declare anything. It checks what
// a document needs to be taken for what it says: balanced elements, references, encoding, characters.
#include "formats/foreignformats.h"
#include "formats/piecesink.h"
#include "formats/readertools.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace {
bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}

// 1-based line of `at`; only counted when a fault is reported.
qint64 lineAt(QByteArrayView text, qsizetype at)
{
    const QByteArrayView before = text.first(std::min(at, text.size()));
    return 1 + std::count(before.begin(), before.end(), '\n');
}

// The offset of the first byte that breaks UTF-8, or -1.
qsizetype firstInvalidUtf8(QByteArrayView text)
{
    if (holdsForBothHalves(text, [](QByteArrayView part) { return part.isValidUtf8(); }))
        return -1;
    qsizetype i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1
            : (lead >> 5) == 6         ? 2
            : (lead >> 4) == 14        ? 3
            : (lead >> 3) == 30        ? 4
                                       : 0;
        if (length == 0 || i + length > text.size() || !text.sliced(i, length).isValidUtf8())
            return i;
        i += length;
    }
    return -1;
}

// The declared encoding of an XML declaration at the start, lower case; empty when none is declared.
QByteArray declaredEncoding(QByteArrayView text)
{
    // "<?xml-stylesheet" or "<?xml." are processing instructions, not the declaration.
    if (!text.startsWith("<?xml") || text.size() < 6 || !isSpace(text[5]))
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

// The document as UTF-8 text, whatever its byte-order mark or declaration names.
bool isControl(unsigned char byte)
{
    return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
}

bool holdsControl(QByteArrayView text)
{
    unsigned char bad = 0;
    for (const char c : text)
        bad |= static_cast<unsigned char>(isControl(static_cast<unsigned char>(c)));
    return bad != 0;
}

// Valid UTF-8 without the control characters XML forbids: both looked at a slice at a time, while
// the slice is in the cache. Slices end at a line break, which no character's bytes hold.
bool isCleanUtf8(QByteArrayView text)
{
    constexpr qsizetype slice = qsizetype(256) << 10;
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype lineBreak = text.size() - at > slice ? text.indexOf('\n', at + slice) : -1;
        const qsizetype next = lineBreak < 0 ? text.size() : lineBreak + 1;
        const QByteArrayView part = text.sliced(at, next - at);
        if (holdsControl(part) || !part.isValidUtf8())
            return false;
        at = next;
    }
    return true;
}

// The document as UTF-8 text; `clean` when it is known to hold no control character XML forbids.
QByteArray utf8Document(const QByteArray &bytes, bool &clean)
{
    clean = false;
    const auto bom = QStringConverter::encodingForData(bytes);
    QByteArray encoding;
    if (bom && bom != QStringConverter::Utf8) {
        encoding = QStringConverter::nameForEncoding(*bom);
    } else {
        // A UTF-8 mark settles the encoding, whatever the declaration says.
        const qsizetype begin = bom ? 3 : 0;
        encoding = bom ? QByteArray("utf-8") : declaredEncoding(bytes);
        if (encoding.isEmpty() || encoding == "utf-8" || encoding == "utf8") {
            // Where this fails, the broken byte is looked for; failing that, a control character.
            clean = holdsForBothHalves(QByteArrayView(bytes).sliced(begin), isCleanUtf8);
            const qsizetype bad = clean ? -1 : firstInvalidUtf8(QByteArrayView(bytes).sliced(begin));
            if (bad >= 0)
                throw FormatFault(lineAt(bytes, begin + bad),
                                  QStringLiteral("its text is not in the declared encoding"));
            return bom ? bytes.sliced(3) : bytes;
        }
    }
    QStringDecoder decoder(encoding.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        throw FormatFault(
            1, QStringLiteral("its declared encoding %1 is unknown").arg(QString::fromLatin1(encoding)));
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        const qsizetype bad = text.indexOf(QChar::ReplacementCharacter);
        const QStringView before = QStringView(text).first(std::max<qsizetype>(0, bad));
        throw FormatFault(1 + before.count(u'\n'),
                          QStringLiteral("its text is not in the declared encoding"));
    }
    QByteArray utf8 = text.toUtf8();
    // The declaration still names the old encoding; it is read no more.
    return utf8.startsWith("\xEF\xBB\xBF") ? utf8.sliced(3) : utf8;
}

bool endsName(char c)
{
    static const auto ends = [] {
        std::array<bool, 256> table{};
        for (const char end : {' ', '\n', '\t', '\r', '>', '/', '=', '<', '"', '\'', '&'})
            table[static_cast<unsigned char>(end)] = true;
        return table;
    }();
    return ends[static_cast<unsigned char>(c)];
}

template <qsizetype N> bool is(QByteArrayView name, const char (&literal)[N])
{
    return name.size() == N - 1 && std::memcmp(name.data(), literal, N - 1) == 0;
}

// Whether the `size` bytes at `a` and `b` are the same; names are short, a call to memcmp costs more
// than the comparison.
bool sameBytes(const char *a, const char *b, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

void appendUtf8(QByteArray &out, char32_t code)
{
    const QString text = QString::fromUcs4(&code, 1);
    out.append(text.toUtf8());
}

// A text being taken from the document: a view of the document while it is one piece of it as
// written, a copy of its own once references, CDATA or several pieces make it up.
struct CapturedText
{
    QByteArrayView view;
    QByteArray owned;
    bool isOwned = false;

    QByteArrayView text() const { return isOwned ? QByteArrayView(owned) : view; }

    bool isEmpty() const { return text().isEmpty(); }

    // Text as written: a line break in it becomes one space, as one in a quoted field does (a
    // definition file holds one line per text), whether written out or as a reference (&#10;).
    void appendWritten(QByteArrayView piece, bool inDocument)
    {
        if (!holdsAnyOf(piece, '\n', '\r', '\n')) {
            append(piece, inDocument);
            return;
        }
        QByteArray joined = piece.toByteArray();
        joined.replace("\r\n", " ");
        joined.replace('\r', ' ');
        joined.replace('\n', ' ');
        append(joined, false);
    }

    void append(QByteArrayView piece, bool inDocument)
    {
        if (!isOwned && view.isEmpty() && inDocument) {
            view = piece;
            return;
        }
        if (!isOwned) {
            owned = view.toByteArray();
            isOwned = true;
        }
        owned.append(piece);
    }

    void clear()
    {
        view = {};
        // Only an owned text holds anything there.
        if (isOwned)
            owned.clear();
        isOwned = false;
    }
};

class KvtmlScanner
{
public:
    explicit KvtmlScanner(const QByteArray &text)
        : m_text(text)
        , m_p(text.data())
        , m_end(text.data() + text.size())
        , m_sink(m_store, text)
    { }

    // A scanner that starts between two entries of a KVTML 2.0 list, at `from`, in a list that
    // Glossmere wrote or not.
    KvtmlScanner(const QByteArray &text, qsizetype from, bool byGlossmere)
        : KvtmlScanner(text)
    {
        m_p += from;
        m_open = {QByteArrayView("kvtml"), QByteArrayView("entries")};
        m_byGlossmere = byGlossmere;
    }

    void prolog();
    // Reads on until the document's element is closed or, when given, `stop` is reached.
    void body(const char *stop = nullptr);
    // What may follow the document's element; the entries read.
    TermStore finish();

    // Whether this scanner stands at `at` in the state a scanner starting there between two entries
    // has: the rest of the document then reads the same in either.
    bool betweenEntriesAt(const char *at) const
    {
        return m_p == at && !m_rootClosed && m_open.size() == 2 && is(m_open[0], "kvtml")
            && is(m_open[1], "entries") && m_capture == Capture::None && !m_inEntry && !m_hasSecond
            && m_translation == -1 && m_firstTranslation
            && std::all_of(m_texts.begin(), m_texts.end(), [](const CapturedText &text) {
                   return text.view.isEmpty() && !text.isOwned;
               });
    }

    TermStore &store() { return m_store; }

    // Whether the document's information names Glossmere as the program that wrote it.
    bool byGlossmere() const { return m_byGlossmere; }

private:
    enum class Capture { None, Term, Definition, Comment, Generator };

    [[noreturn]] void fail(const char *at, const QString &reason) const
    {
        throw FormatFault(lineAt(m_text, at - m_text.data()), reason);
    }

    bool startsWith(const char *literal) const
    {
        const size_t length = std::strlen(literal);
        return size_t(m_end - m_p) >= length && std::memcmp(m_p, literal, length) == 0;
    }

    // Moves past `terminator`; the document is damaged when it never comes.
    void skipPast(const char *terminator, const QString &what)
    {
        const QByteArrayView rest(m_p, m_end - m_p);
        const qsizetype at = rest.indexOf(terminator);
        if (at < 0)
            fail(m_end, QStringLiteral("%1 is never closed").arg(what));
        m_p += at + qsizetype(std::strlen(terminator));
    }

    void skipSpace()
    {
        while (m_p < m_end && isSpace(*m_p))
            ++m_p;
    }

    QByteArrayView name()
    {
        const char *start = m_p;
        const char *p = m_p;
#ifdef __SSE2__
        // Names are short: sixteen bytes at once usually hold the end.
        if (m_end - p >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            __m128i ends = _mm_setzero_si128();
            for (const char end : {' ', '\n', '\t', '\r', '>', '/', '=', '<', '"', '\'', '&'})
                ends = _mm_or_si128(ends, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(end)));
            const auto found = unsigned(_mm_movemask_epi8(ends));
            p += found ? std::countr_zero(found) : 16;
            if (!found) {
                while (p < m_end && !endsName(*p))
                    ++p;
            }
        } else {
            while (p < m_end && !endsName(*p))
                ++p;
        }
#else
        while (p < m_end && !endsName(*p))
            ++p;
#endif
        m_p = p;
        if (m_p == start)
            fail(start, QStringLiteral("a name is missing"));
        return QByteArrayView(start, m_p - start);
    }

    // Character data up to the next '<', references decoded, appended to `out` when given.
    void characterData(CapturedText *out);
    // One reference after '&', decoded into `out` when given.
    void reference(QByteArray *out);
    void doctype();
    // Comments, processing instructions and white space; false at anything else.
    bool misc();
    void startTag();
    void endTag();
    void cdata();
    void finishEntry();
    bool plainEntry();
    // Whether an entry with these texts is taken; `second` when it has a second translation.
    bool takes(QByteArrayView term, QByteArrayView definition, bool second) const;

    const QByteArray &m_text;
    const char *m_p;
    const char *m_end;
    std::vector<QByteArrayView> m_open;
    TermStore m_store;
    PieceSink m_sink;
    // The entry being read: its term, definition, the term's comment (and the document's generator),
    // and what is being taken.
    std::array<CapturedText, 4> m_texts;
    Capture m_capture = Capture::None;
    size_t m_captureDepth = 0;
    int m_translation = -1;
    bool m_inEntry = false;
    bool m_firstTranslation = true;
    bool m_hasSecond = false;
    bool m_rootClosed = false;
    bool m_byGlossmere = false;
};

void KvtmlScanner::reference(QByteArray *out)
{
    const char *start = m_p++;
    while (m_p < m_end && (std::isalnum(static_cast<unsigned char>(*m_p)) || *m_p == '#'))
        ++m_p;
    if (m_p >= m_end || *m_p != ';' || m_p == start + 1)
        fail(start, QStringLiteral("an '&' starts no reference"));
    const QByteArrayView name(start + 1, m_p - start - 1);
    ++m_p;
    static const std::array<std::pair<const char *, char>, 5> predefined{
        {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};
    for (const auto &[entity, character] : predefined) {
        if (name == entity) {
            if (out)
                out->append(character);
            return;
        }
    }
    if (name.startsWith('#')) {
        const bool hex = name.size() > 1 && name[1] == 'x';
        const QByteArrayView digits = name.sliced(hex ? 2 : 1);
        bool ok = !digits.isEmpty();
        for (const char c : digits)
            ok = ok
                && (hex ? std::isxdigit(static_cast<unsigned char>(c))
                        : std::isdigit(static_cast<unsigned char>(c)));
        const uint code = ok ? digits.toByteArray().toUInt(&ok, hex ? 16 : 10) : 0;
        const bool allowed = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF)
            || (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
        if (!ok || !allowed)
            fail(start, QStringLiteral("a character reference names no allowed character"));
        if (out)
            appendUtf8(*out, char32_t(code));
        return;
    }
    fail(start, QStringLiteral("the entity %1 is not defined").arg(QString::fromUtf8(name)));
}

void KvtmlScanner::characterData(CapturedText *out)
{
    QByteArray decoded;
    // Up to the next '<': a reference never reaches past it.
    // References in a row are decoded together, so that &#13;&#10; is one line break like CR LF.
    while (true) {
        const char *start = m_p;
        m_p = findFirstOf(m_p, m_end, '<', '&', '<');
        if (out && (m_p > start || m_p >= m_end || *m_p == '<')) {
            if (!decoded.isEmpty())
                out->appendWritten(decoded, false);
            decoded.clear();
            out->appendWritten(QByteArrayView(start, m_p - start), true);
        }
        if (m_p >= m_end || *m_p == '<')
            return;
        reference(out ? &decoded : nullptr);
    }
}

bool KvtmlScanner::misc()
{
    skipSpace();
    if (startsWith("<!--")) {
        m_p += 4;
        skipPast("-->", QStringLiteral("a comment"));
        return true;
    }
    if (startsWith("<?")) {
        if (startsWith("<?xml") && m_p + 5 < m_end && isSpace(m_p[5]))
            fail(m_p, QStringLiteral("an XML declaration stands where none may"));
        m_p += 2;
        skipPast("?>", QStringLiteral("a processing instruction"));
        return true;
    }
    return false;
}

void KvtmlScanner::doctype()
{
    const char *start = m_p;
    m_p += 9;
    // Only a name and an external identifier, which is never fetched; a document that declares a
    // type of its own (entities, perhaps an expansion bomb) is not read.
    while (m_p < m_end && *m_p != '>' && *m_p != '[') {
        if (*m_p == '"' || *m_p == '\'') {
            const auto *close =
                static_cast<const char *>(std::memchr(m_p + 1, *m_p, size_t(m_end - m_p - 1)));
            if (!close)
                fail(start, QStringLiteral("its document type declaration is never closed"));
            m_p = close;
        }
        ++m_p;
    }
    if (m_p >= m_end)
        fail(start, QStringLiteral("its document type declaration is never closed"));
    if (*m_p == '[')
        fail(m_p, QStringLiteral("it declares entities or a document type of its own, which are not read"));
    ++m_p;
}

void KvtmlScanner::prolog()
{
    if (startsWith("<?xml") && m_p + 5 < m_end && isSpace(m_p[5])) {
        m_p += 5;
        skipPast("?>", QStringLiteral("the XML declaration"));
    }
    bool seenDoctype = false;
    while (true) {
        if (misc())
            continue;
        if (!seenDoctype && startsWith("<!DOCTYPE")) {
            doctype();
            seenDoctype = true;
            continue;
        }
        break;
    }
    if (m_p >= m_end)
        fail(m_end, QStringLiteral("it holds no document"));
    if (*m_p != '<' || m_p + 1 >= m_end || endsName(m_p[1]) || m_p[1] == '!' || m_p[1] == '?')
        fail(m_p, QStringLiteral("it is not an XML document"));
}

bool KvtmlScanner::takes(QByteArrayView term, QByteArrayView definition, bool second) const
{
    if (!term.isEmpty() && !definition.isEmpty())
        return true;
    // Glossmere writes both translations of every entry, one of them empty where the list's text
    // was; other programs leave a translation empty that was never filled in.
    return m_byGlossmere && second && !(term.isEmpty() && definition.isEmpty());
}

void KvtmlScanner::finishEntry()
{
    // A word list with a hint per word has one translation, the hint its comment.
    const CapturedText &definition = m_hasSecond ? m_texts[1] : m_texts[2];
    if (takes(m_texts[0].text(), definition.text(), m_hasSecond))
        m_sink.add(m_texts[0].text(), definition.text());
    for (size_t t = 0; t < 3; ++t)
        m_texts[t].clear();
    m_inEntry = false;
    m_hasSecond = false;
}

// An entry as this program and KWordQuiz write it (two translations, each one text with nothing to
// decode), matched tag by tag as a whole; false, having read nothing, at anything else, which the
// general scanner then reads to the same result.
bool KvtmlScanner::plainEntry()
{
    const char *p = m_p;
    const auto literal = [&](QByteArrayView text) {
        if (m_end - p < text.size() || std::memcmp(p, text.data(), size_t(text.size())) != 0)
            return false;
        p += text.size();
        return true;
    };
    const auto space = [&] {
        while (p < m_end && isSpace(*p))
            ++p;
    };
    if (!literal("<entry id=\""))
        return false;
    const char *digits = p;
    while (p < m_end && *p >= '0' && *p <= '9')
        ++p;
    if (p == digits || !literal("\">"))
        return false;
    std::array<QByteArrayView, 2> texts;
    for (size_t t = 0; t < texts.size(); ++t) {
        space();
        if (!literal(t == 0 ? "<translation id=\"0\">" : "<translation id=\"1\">"))
            return false;
        space();
        if (!literal("<text>"))
            return false;
        const char *start = p;
        p = findFirstOf(p, m_end, '<', '&', '\n');
        texts[t] = QByteArrayView(start, p - start);
        if (texts[t].contains('\r') || !literal("</text>"))
            return false;
        space();
        if (!literal("</translation>"))
            return false;
    }
    space();
    if (!literal("</entry>"))
        return false;
    if (takes(texts[0], texts[1], true))
        m_sink.add(texts[0], texts[1]);
    m_p = p;
    return true;
}

void KvtmlScanner::startTag()
{
    const char *start = m_p++;
    const QByteArrayView element = name();
    QByteArrayView id;
    bool hasId = false;
    while (true) {
        const char *before = m_p;
        skipSpace();
        if (m_p >= m_end)
            fail(m_end, QStringLiteral("the element %1 is never closed").arg(QString::fromUtf8(element)));
        if (*m_p == '>' || *m_p == '/')
            break;
        if (m_p == before)
            fail(m_p, QStringLiteral("an attribute must follow white space"));
        const QByteArrayView attribute = name();
        skipSpace();
        if (m_p >= m_end || *m_p != '=')
            fail(m_p, QStringLiteral("the attribute %1 has no value").arg(QString::fromUtf8(attribute)));
        ++m_p;
        skipSpace();
        if (m_p >= m_end || (*m_p != '"' && *m_p != '\''))
            fail(m_p, QStringLiteral("an attribute value must be in quotes"));
        const char quote = *m_p++;
        const char *valueStart = m_p;
        while ((m_p = findFirstOf(m_p, m_end, quote, '<', '&')) < m_end && *m_p != quote) {
            if (*m_p == '<')
                fail(m_p, QStringLiteral("an attribute value holds '<'"));
            if (*m_p == '&')
                reference(nullptr);
            else
                ++m_p;
        }
        if (m_p >= m_end)
            fail(valueStart, QStringLiteral("an attribute value is never closed"));
        if (is(attribute, "id")) {
            id = QByteArrayView(valueStart, m_p - valueStart);
            hasId = true;
        }
        ++m_p;
    }
    const bool empty = *m_p == '/';
    if (empty && (m_p + 1 >= m_end || m_p[1] != '>'))
        fail(m_p, QStringLiteral("'/' must close the tag"));
    m_p += empty ? 2 : 1;

    const QByteArrayView parent = m_open.empty() ? QByteArrayView() : m_open.back();
    if (m_open.empty() && element != "kvtml")
        fail(start, QStringLiteral("it is not a KVTML document"));
    if (m_capture == Capture::None) {
        // KVTML 2.0: entries > entry > translation (id 0 or 1) > text or comment.
        if (is(element, "generator") && is(parent, "information") && m_open.size() == 2) {
            m_capture = Capture::Generator;
        } else if (is(element, "entry") && is(parent, "entries")) {
            m_inEntry = true;
        } else if (is(element, "translation") && is(parent, "entry") && m_inEntry) {
            m_translation = hasId && is(id, "0") ? 0 : hasId && is(id, "1") ? 1 : -1;
            m_hasSecond = m_hasSecond || m_translation == 1;
        } else if (is(parent, "translation") && m_inEntry && m_translation >= 0 && m_open.size() >= 2
                   && is(m_open[m_open.size() - 2], "entry")) {
            if (is(element, "text") && m_texts[m_translation].isEmpty())
                m_capture = m_translation == 0 ? Capture::Term : Capture::Definition;
            else if (is(element, "comment") && m_translation == 0 && m_texts[2].isEmpty())
                m_capture = Capture::Comment;
        } else if (is(element, "e") && is(parent, "kvtml")) {
            // KVTML 1.x: kvtml > e > o (original) and t (translations).
            m_inEntry = true;
            m_firstTranslation = true;
        } else if (is(parent, "e") && m_inEntry) {
            if (is(element, "o") && m_texts[0].isEmpty())
                m_capture = Capture::Term;
            else if (is(element, "t") && m_firstTranslation) {
                m_capture = Capture::Definition;
                m_hasSecond = true;
                m_firstTranslation = false;
            }
        }
        if (m_capture != Capture::None)
            m_captureDepth = m_open.size() + 1;
    }
    if (empty) {
        if (m_open.size() + 1 == m_captureDepth)
            m_capture = Capture::None;
        if ((is(element, "entry") && is(parent, "entries")) || (is(element, "e") && is(parent, "kvtml")))
            finishEntry();
        m_rootClosed = m_open.empty();
        return;
    }
    m_open.push_back(element);
}

void KvtmlScanner::endTag()
{
    const char *start = m_p;
    m_p += 2;
    QByteArrayView element;
    // Almost always the element that is open, closed at once: its name is known.
    const QByteArrayView open = m_open.empty() ? QByteArrayView() : m_open.back();
    const bool closesOpen = !open.isEmpty() && m_end - m_p > open.size() && m_p[open.size()] == '>'
        && sameBytes(m_p, open.data(), open.size());
    if (closesOpen) {
        element = open;
        m_p += open.size() + 1;
    } else {
        element = name();
        skipSpace();
        if (m_p >= m_end || *m_p != '>')
            fail(m_p, QStringLiteral("an end tag is not closed"));
        ++m_p;
    }
    if (!closesOpen && (m_open.empty() || m_open.back() != element))
        fail(start,
             m_open.empty() ? QStringLiteral("an end tag closes nothing")
                            : QStringLiteral("</%1> stands where </%2> belongs")
                                  .arg(QString::fromUtf8(element), QString::fromUtf8(m_open.back())));
    if (m_open.size() == m_captureDepth) {
        if (m_capture == Capture::Generator) {
            m_byGlossmere = m_texts[3].text() == QByteArrayView("Glossmere");
            m_texts[3].clear();
        }
        m_capture = Capture::None;
    }
    m_open.pop_back();
    m_rootClosed = m_open.empty();
    const QByteArrayView parent = m_open.empty() ? QByteArrayView() : m_open.back();
    if (m_inEntry
        && ((is(element, "entry") && is(parent, "entries")) || (is(element, "e") && is(parent, "kvtml"))))
        finishEntry();
    if (is(element, "translation"))
        m_translation = -1;
}

void KvtmlScanner::cdata()
{
    m_p += 9;
    const QByteArrayView rest(m_p, m_end - m_p);
    const qsizetype close = rest.indexOf("]]>");
    if (close < 0)
        fail(m_p, QStringLiteral("a CDATA section is never closed"));
    if (m_capture != Capture::None)
        m_texts[size_t(m_capture) - 1].appendWritten(QByteArrayView(m_p, close), false);
    m_p += close + 3;
}

void KvtmlScanner::body(const char *stop)
{
    while (!m_rootClosed) {
        if (stop && m_p >= stop)
            return;
        if (m_p >= m_end)
            fail(m_end,
                 QStringLiteral("it ends before the element %1 is closed")
                     .arg(QString::fromUtf8(m_open.back())));
        if (*m_p != '<') {
            if (m_open.empty())
                fail(m_p, QStringLiteral("text stands outside the document's element"));
            characterData(m_capture == Capture::None ? nullptr : &m_texts[size_t(m_capture) - 1]);
        } else if (m_p + 1 < m_end && m_p[1] == '/') {
            endTag();
        } else if (m_p + 1 < m_end && m_p[1] == '?') {
            misc();
        } else if (m_p + 1 < m_end && m_p[1] == '!') {
            if (startsWith("<!--"))
                misc();
            else if (startsWith("<![CDATA["))
                cdata();
            else
                fail(m_p, QStringLiteral("a declaration stands inside the document"));
        } else if (m_open.size() == 2 && !m_inEntry && m_capture == Capture::None && is(m_open[1], "entries")
                   && plainEntry()) {
            continue;
        } else {
            startTag();
        }
    }
}

TermStore KvtmlScanner::finish()
{
    while (misc()) {
    }
    if (m_p < m_end)
        fail(m_p, QStringLiteral("something follows the document's end"));
    return std::move(m_store);
}

// XML allows no control characters but Tab and line breaks, NUL least of all.
void checkCharacters(const QByteArray &text)
{
    const bool clean = holdsForBothHalves(text, [](QByteArrayView part) { return !holdsControl(part); });
    if (clean)
        return;
    const auto *at = std::find_if(
        text.begin(), text.end(), [](char c) { return isControl(static_cast<unsigned char>(c)); });
    throw FormatFault(lineAt(text, at - text.begin()),
                      QStringLiteral("it holds a control character that XML does not allow"));
}

// A big list is read in two halves, one per core: the second from an entry's start after the middle,
// taken only when the first half reaches that very place between two entries (it may as well lie in
// a comment or CDATA section); otherwise the first half simply reads on.
TermStore readDocument(const QByteArray &text, bool clean)
{
    if (!clean)
        checkCharacters(text);
    KvtmlScanner first(text);
    first.prolog();
    const qsizetype split =
        text.size() >= parallelReaderBytes ? QByteArrayView(text).indexOf("<entry", text.size() / 2) : -1;
    if (split < 0) {
        first.body();
        return first.finish();
    }
    // Entries are taken by who wrote the list: the information before them is read first.
    const qsizetype entriesStart = QByteArrayView(text).indexOf("<entries");
    if (entriesStart >= 0 && entriesStart < split)
        first.body(text.constData() + entriesStart);
    const bool byGlossmere = first.byGlossmere();
    TermStore second;
    std::exception_ptr secondFailure;
    const auto readSecondHalf = [&] {
        try {
            KvtmlScanner scanner(text, split, byGlossmere);
            scanner.body();
            second = scanner.finish();
        } catch (...) {
            secondFailure = std::current_exception();
        }
    };
    bool landed = false;
    {
        std::jthread secondHalf;
        try {
            secondHalf = startReaderThread(readSecondHalf);
        } catch (const std::system_error &) {
            // No thread to be had: all on this one.
        }
        // Leaving this block joins the second half, however the first one ends.
        first.body(text.constData() + split);
        landed = secondHalf.joinable() && first.betweenEntriesAt(text.constData() + split)
            && first.byGlossmere() == byGlossmere;
        if (!landed) {
            first.body();
            return first.finish();
        }
    }
    if (secondFailure)
        std::rethrow_exception(secondFailure);
    TermStore entries = std::move(first.store());
    entries.appendAll(std::move(second));
    return entries;
}
} // namespace

TermStore readKvtml(const QByteArray &bytes)
{
    bool clean = false;
    const QByteArray text = utf8Document(bytes, clean);
    return readDocument(text, clean);
}
