// Recognising other trainers' files, and writing the list in their formats.
#include "formats/foreignformats.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <memory>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

    static constexpr qsizetype capacity = qsizetype(1) << 20;

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

    // Room for `bytes` (at most `capacity`) to be written straight into; `commit` takes what was.
    char *room(qsizetype bytes)
    {
        if (bytes > capacity - m_used)
            flush();
        return m_buffer.get() + m_used;
    }

    void commit(const char *end) { m_used = end - m_buffer.get(); }

    void flush()
    {
        if (m_used > 0)
            m_write(QByteArrayView(m_buffer.get(), m_used));
        m_used = 0;
    }

private:
    const std::function<void(QByteArrayView)> &m_write;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_used = 0;
};

char *copyBytes(char *out, QByteArrayView text)
{
    if (!text.isEmpty())
        std::memcpy(out, text.data(), size_t(text.size()));
    return out + text.size();
}

template <size_t N> char *copyLiteral(char *out, const char (&literal)[N])
{
    std::memcpy(out, literal, N - 1);
    return out + N - 1;
}

// Whether any byte of `text` is one that `table` marks. Texts are short and almost never hold one:
// sixteen bytes are looked at together, with `matches` telling which of them are marked; a shorter
// rest is loaded as overlapping pieces of the text itself (a byte looked at twice changes nothing).
template <typename Matches>
bool holdsMarked(QByteArrayView text, const std::array<bool, 256> &table, Matches matches)
{
    const char *p = text.data();
    const qsizetype size = text.size();
#ifdef __SSE2__
    (void)table;
    const auto load = [p]<typename T>(T, qsizetype at) {
        T value;
        std::memcpy(&value, p + at, sizeof value);
        return value;
    };
    const auto marked = [&](__m128i bytes) {
        return _mm_movemask_epi8(matches(bytes)) != 0;
    };
    if (size >= 16) {
        for (qsizetype at = 0; at + 16 < size; at += 16) {
            if (marked(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + at))))
                return true;
        }
        return marked(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + size - 16)));
    }
    if (size >= 8)
        return marked(_mm_set_epi64x(load(qint64(), 0), load(qint64(), size - 8)));
    if (size >= 4)
        return marked(_mm_set1_epi64x((qint64(load(qint32(), 0)) << 32) | quint32(load(qint32(), size - 4))));
    if (size == 0)
        return false;
    const auto byte = [p](qsizetype at) {
        return quint32(static_cast<unsigned char>(p[at]));
    };
    return marked(
        _mm_set1_epi32(qint32(byte(0) | byte(size / 2) << 8 | byte(size - 1) << 16 | byte(0) << 24)));
#else
    (void)matches;
    bool marked = false;
    for (qsizetype at = 0; at < size; ++at)
        marked |= table[static_cast<unsigned char>(p[at])];
    return marked;
#endif
}

// A field in quotes only where the reader needs them: the separator, a quote or a line break in it,
// a leading byte-order mark, and for Anki a '#' that would start a comment line.
// The bytes that make a field need quotes: its separator, a quote, a line break.
class FieldQuoting
{
public:
    explicit FieldQuoting(char separator)
        : m_table{}
    {
        for (const char c : {separator, '"', '\n', '\r'})
            m_table[static_cast<unsigned char>(c)] = true;
#ifdef __SSE2__
        m_separator = _mm_set1_epi8(separator);
#endif
    }

    bool needsQuotes(QByteArrayView text, bool hashIsComment) const
    {
        // A byte-order mark at the start would be taken for the file's own.
        if ((hashIsComment && text.startsWith('#')) || text.startsWith("\xEF\xBB\xBF"))
            return true;
#ifdef __SSE2__
        const __m128i separator = m_separator;
        const auto matches = [separator](__m128i bytes) {
            return _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(bytes, separator), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"'))),
                _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')),
                             _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))));
        };
#else
        const auto matches = [](int) {
            return 0;
        };
#endif
        return holdsMarked(text, m_table, matches);
    }

private:
    std::array<bool, 256> m_table;
#ifdef __SSE2__
    __m128i m_separator;
#endif
};

// The most bytes a field can take quoted: its quotes doubled, and the two around it.
qsizetype quotedBound(QByteArrayView text)
{
    return 2 * text.size() + 2;
}

char *putField(char *out, QByteArrayView text, bool quote)
{
    if (!quote)
        return copyBytes(out, text);
    *out++ = '"';
    for (qsizetype start = 0;;) {
        const qsizetype at = text.indexOf('"', start);
        out = copyBytes(out, text.sliced(start, (at < 0 ? text.size() : at + 1) - start));
        if (at < 0)
            break;
        *out++ = '"';
        start = at + 1;
    }
    *out++ = '"';
    return out;
}

// 1 for the bytes that need escaping in XML text: markup characters and control characters but Tab.
const std::array<bool, 256> &xmlEscaped()
{
    static const auto table = [] {
        std::array<bool, 256> escaped{};
        for (int c = 0; c < 0x20; ++c)
            escaped[size_t(c)] = c != '\t';
        escaped['&'] = escaped['<'] = escaped['>'] = true;
        return escaped;
    }();
    return table;
}

bool needsXmlEscapes(QByteArrayView text)
{
#ifdef __SSE2__
    const auto matches = [](__m128i bytes) {
        // Below 0x20 (unsigned), but not Tab; or one of the markup characters.
        const __m128i control =
            _mm_andnot_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')),
                             _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(0x1F)), bytes));
        return _mm_or_si128(control,
                            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')),
                                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8('<'))),
                                         _mm_cmpeq_epi8(bytes, _mm_set1_epi8('>'))));
    };
#else
    const auto matches = [](int) {
        return 0;
    };
#endif
    return holdsMarked(text, xmlEscaped(), matches);
}

// The most bytes a text can take escaped: "&amp;" for one byte.
qsizetype xmlBound(QByteArrayView text)
{
    return 5 * text.size();
}

// The control characters that XML 1.0 cannot hold, in any form: all below a space but Tab and the
// line breaks.
bool holdsUnwritableInXml(QByteArrayView text)
{
    // Asked once per text before an export, which is not a path a user waits on.
    return std::any_of(text.begin(), text.end(), [](char byte) {
        const auto c = static_cast<unsigned char>(byte);
        return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
    });
}

// XML text: markup characters escaped, line breaks as character references (a line break written as
// it is would be read as a space); the control characters XML cannot hold become spaces.
char *putXmlText(char *out, QByteArrayView text)
{
    if (!needsXmlEscapes(text))
        return copyBytes(out, text);
    const std::array<bool, 256> &escaped = xmlEscaped();
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        if (!escaped[c]) {
            *out++ = byte;
            continue;
        }
        const QByteArrayView escape(c == '&'        ? "&amp;"
                                        : c == '<'  ? "&lt;"
                                        : c == '>'  ? "&gt;"
                                        : c == '\n' ? "&#10;"
                                        : c == '\r' ? "&#13;"
                                                    : " ");
        out = copyBytes(out, escape);
    }
    return out;
}

// Writes an entry of at most `bound` bytes with `write(out)`, straight into the chunk when it fits
// one, otherwise through a buffer of its own.
template <typename Write> void putEntry(ChunkWriter &out, qsizetype bound, Write write)
{
    if (bound <= ChunkWriter::capacity) {
        out.commit(write(out.room(bound)));
        return;
    }
    const auto buffer = std::make_unique_for_overwrite<char[]>(size_t(bound));
    out.put(QByteArrayView(buffer.get(), write(buffer.get()) - buffer.get()));
}

// The decimal digits of `number`.
char *putNumber(char *out, int number)
{
    char digits[12];
    char *first = std::end(digits);
    auto value = unsigned(number);
    do {
        *--first = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return copyBytes(out, QByteArrayView(first, std::end(digits) - first));
}

void writeKvtml(const TermStore &store, const QString &title, ChunkWriter &out)
{
    out.put(QByteArrayView("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!DOCTYPE kvtml PUBLIC \"kvtml2.dtd\" \"http://edu.kde.org/kvtml/kvtml2.dtd\">\n"
                           "<kvtml version=\"2.0\">\n"
                           " <information>\n"
                           "  <generator>Glossmere</generator>\n"
                           "  <title>"));
    const QByteArray utf8Title = title.toUtf8();
    putEntry(out, xmlBound(utf8Title), [&](char *to) { return putXmlText(to, utf8Title); });
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
    static constexpr char entryStart[] = "  <entry id=\"";
    static constexpr char termStart[] = "\"><translation id=\"0\"><text>";
    static constexpr char definitionStart[] = "</text></translation><translation id=\"1\"><text>";
    static constexpr char entryEnd[] = "</text></translation></entry>\n";
    // The markup and the most digits an entry's number has.
    constexpr qsizetype markup =
        sizeof entryStart + sizeof termStart + sizeof definitionStart + sizeof entryEnd + 12;
    store.forEachEntryUtf8([&](int i, QByteArrayView term, QByteArrayView definition) {
        putEntry(out, markup + xmlBound(term) + xmlBound(definition), [&](char *to) {
            to = copyLiteral(to, entryStart);
            to = putNumber(to, i);
            to = copyLiteral(to, termStart);
            to = putXmlText(to, term);
            to = copyLiteral(to, definitionStart);
            to = putXmlText(to, definition);
            return copyLiteral(to, entryEnd);
        });
    });
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
        const FieldQuoting quoting(separator);
        const bool anki = format == ExportFormat::Anki;
        if (anki)
            out.put(QByteArrayView("#separator:tab\r\n#html:false\r\n"));
        store.forEachEntryUtf8([&](int, QByteArrayView term, QByteArrayView definition) {
            putEntry(out, quotedBound(term) + quotedBound(definition) + 3, [&](char *to) {
                to = putField(to, term, quoting.needsQuotes(term, anki));
                *to++ = separator;
                to = putField(to, definition, quoting.needsQuotes(definition, false));
                return copyLiteral(to, "\r\n");
            });
        });
    }
    out.flush();
}

int textsKvtmlCannotHold(const TermStore &store)
{
    int holding = 0;
    store.forEachEntryUtf8([&](int, QByteArrayView term, QByteArrayView definition) {
        holding += int(holdsUnwritableInXml(term)) + int(holdsUnwritableInXml(definition));
    });
    return holding;
}

QByteArray encodeExport(const TermStore &store, ExportFormat format, const QString &title)
{
    QByteArray bytes;
    writeExport(store, format, title, [&](QByteArrayView chunk) { bytes.append(chunk); });
    return bytes;
}
