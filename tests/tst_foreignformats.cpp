#include "deffiles/definitiontext.h"
#include "formats/foreignformats.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTest>
#include <QXmlStreamReader>

Q_DECLARE_METATYPE(TermEntry)
Q_DECLARE_METATYPE(TermEntries)

namespace {
TermEntries entriesOf(std::initializer_list<std::pair<const char *, const char *>> pairs)
{
    TermEntries entries;
    for (const auto &[term, definition] : pairs)
        entries.append({QString::fromUtf8(term), QString::fromUtf8(definition)});
    return entries;
}

// `information` stands on the root's line, so that the lines of the entries stay where they are.
QByteArray kvtml2(const QByteArray &entries, const QByteArray &information = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE kvtml PUBLIC \"kvtml2.dtd\" \"http://edu.kde.org/kvtml/kvtml2.dtd\">\n"
           "<kvtml version=\"2.0\">"
        + information + "\n<entries>\n" + entries + "</entries>\n</kvtml>\n";
}

const QByteArray byGlossmere("<information><generator>Glossmere</generator></information>");

QByteArray utf16(QStringView text)
{
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

// What an independent XML reader finds in a KVTML 2.0 file: each entry's texts of ids 0 and 1, or,
// in an entry without id 1, the comment of id 0 (a word list with hints); line breaks as spaces. In
// a file that Glossmere wrote, also the entries with one side empty.
TermEntries referenceKvtml(const QByteArray &bytes)
{
    QXmlStreamReader xml(bytes);
    TermEntries entries;
    QString texts[2];
    QString hint;
    bool hasSecond = false;
    QString translation;
    QStringList path;
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    bool glossmere = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            path.append(xml.name().toString());
            if (path
                == QStringList{
                    QStringLiteral("kvtml"), QStringLiteral("information"), QStringLiteral("generator")}) {
                glossmere = xml.readElementText() == QStringLiteral("Glossmere");
                path.removeLast();
            }
            if (path.endsWith(QStringLiteral("translation"))) {
                translation = xml.attributes().value(QStringLiteral("id")).toString();
                hasSecond = hasSecond || translation == QStringLiteral("1");
            }
            if (path.size() >= 4 && path[path.size() - 2] == QStringLiteral("translation")
                && path[path.size() - 3] == QStringLiteral("entry")) {
                const bool text = path.last() == QStringLiteral("text");
                const bool comment = path.last() == QStringLiteral("comment");
                QString *into = nullptr;
                if (text && translation == QStringLiteral("0"))
                    into = &texts[0];
                else if (text && translation == QStringLiteral("1"))
                    into = &texts[1];
                else if (comment && translation == QStringLiteral("0"))
                    into = &hint;
                if (into) {
                    const QString read = xml.readElementText();
                    if (into->isEmpty())
                        *into = read;
                    path.removeLast();
                }
            }
        } else if (xml.isEndElement()) {
            if (path.last() == QStringLiteral("entry")
                && path.value(path.size() - 2) == QStringLiteral("entries")) {
                QString definition = hasSecond ? texts[1] : hint;
                if ((!texts[0].isEmpty() && !definition.isEmpty())
                    || (glossmere && !(texts[0].isEmpty() && definition.isEmpty())))
                    entries.append({texts[0].replace(lineBreak, QStringLiteral(" ")),
                                    definition.replace(lineBreak, QStringLiteral(" "))});
                texts[0].clear();
                texts[1].clear();
                hint.clear();
                hasSecond = false;
            }
            path.removeLast();
        }
    }
    return xml.hasError() ? TermEntries() : entries;
}
} // namespace

// Readers and writers of other trainers' formats, as pure functions.
class TestForeignFormats : public QObject
{
    Q_OBJECT

private slots:
    void quotedFields_data();
    void quotedFields();
    void anki_data();
    void anki();
    void anki_plainAsTheFullReadingOfAnyField();
    void kvtml_data();
    void kvtml();
    void kvtml_debianWordListsMatchAnIndependentReader();
    void recognise_data();
    void recognise();

    void roundTrip_csv_data() { hardTexts(ExportFormat::Csv); }

    void roundTrip_csv() { roundTrip(ExportFormat::Csv); }

    void roundTrip_tsv_data() { hardTexts(ExportFormat::Tsv); }

    void roundTrip_tsv() { roundTrip(ExportFormat::Tsv); }

    void roundTrip_anki_data() { hardTexts(ExportFormat::Anki); }

    void roundTrip_anki() { roundTrip(ExportFormat::Anki); }

    void roundTrip_kvtml_data() { hardTexts(ExportFormat::Kvtml); }

    void roundTrip_kvtml() { roundTrip(ExportFormat::Kvtml); }

    void export_quotesOnlyWhereNeeded();
    void export_markedByteAtAnyPlaceOfAnyLength();

private:
    // A row per hard text: the entry as the list holds it, as it comes back, and (KVTML) how many of
    // its texts the export asks about.
    static void hardTexts(ExportFormat format);
    static void roundTrip(ExportFormat format);
};

void TestForeignFormats::quotedFields_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<char>("separator");
    QTest::addColumn<TermEntries>("expected");
    QTest::newRow("spreadsheet row") << QByteArray("\"apple, red\",\"a fruit, sweet\"\r\n") << ','
                                     << entriesOf({{"apple, red", "a fruit, sweet"}});
    QTest::newRow("doubled quotes") << QByteArray("\"say \"\"hi\"\"\",greeting") << ','
                                    << entriesOf({{"say \"hi\"", "greeting"}});
    QTest::newRow("line break in a field is a space")
        << QByteArray("\"two\r\nlines\",x\r\nnext,\"a\nb\rc\"\n") << ','
        << entriesOf({{"two lines", "x"}, {"next", "a b c"}});
    QTest::newRow("unquoted as they stand") << QByteArray(" a , b \n") << ',' << entriesOf({{" a ", " b "}});
    QTest::newRow("header row is an entry")
        << QByteArray("Term,Definition\nx,y\n") << ',' << entriesOf({{"Term", "Definition"}, {"x", "y"}});
    QTest::newRow("fields after the second left out, quoted or not")
        << QByteArray("a,b,c\nd,e,\"f\ng,h\"\ni,j\n") << ','
        << entriesOf({{"a", "b"}, {"d", "e"}, {"i", "j"}});
    QTest::newRow("rows without two fields skipped")
        << QByteArray("lonely\n\n,\na,\n") << ',' << entriesOf({{"a", ""}});
    QTest::newRow("unterminated quote at end of file")
        << QByteArray("a,b\n\"open,c\nd,e") << ',' << entriesOf({{"a", "b"}, {"\"open", "c"}, {"d", "e"}});
    QTest::newRow("quote inside a field is literal")
        << QByteArray("5\" screen,size\n") << ',' << entriesOf({{"5\" screen", "size"}});
    QTest::newRow("text after the closing quote")
        << QByteArray("\"ab\"cd,e") << ',' << entriesOf({{"abcd", "e"}});
    QTest::newRow("semicolon") << QByteArray("\"a;b\";c;d") << ';' << entriesOf({{"a;b", "c"}});
    QTest::newRow("tab") << QByteArray("\"a\tb\"\tc\n::\t<b>\n") << '\t'
                         << entriesOf({{"a\tb", "c"}, {"::", "<b>"}});
    QTest::newRow("mixed line ends") << QByteArray("a,b\rc,d\ne,f\r\ng,h") << ','
                                     << entriesOf({{"a", "b"}, {"c", "d"}, {"e", "f"}, {"g", "h"}});
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF\"é\",😀\n") << ',' << entriesOf({{"é", "😀"}});
    QTest::newRow("broken bytes behind a UTF-8 mark")
        << QByteArray("\xEF\xBB\xBF"
                      "a\t\xFF\n")
        << '\t' << TermEntries{{QStringLiteral("a"), QStringLiteral("\uFFFD")}};
    QTest::newRow("Windows-1252") << QByteArray("caf\xE9,\x93quoted\x94\n") << ','
                                  << entriesOf({{"café", "“quoted”"}});
}

void TestForeignFormats::quotedFields()
{
    QFETCH(QByteArray, bytes);
    QFETCH(char, separator);
    QFETCH(TermEntries, expected);
    const TermStore read = readQuotedFields(bytes, separator);
    QCOMPARE(read.toEntries(), expected);
    // What is kept is written out as it is: it must be UTF-8.
    for (int i = 0; i < read.size(); ++i)
        QVERIFY(read.termUtf8(i).isValidUtf8() && read.definitionUtf8(i).isValidUtf8());
}

void TestForeignFormats::anki_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TermEntries>("expected");
    QTest::newRow("2.1.55 export with HTML")
        << QByteArray("#separator:tab\n#html:true\n\"<b>bold</b>\"\tline<br>two&nbsp;&amp; more\n")
        << entriesOf({{"bold", "line two & more"}});
    QTest::newRow("guid, notetype and deck columns left out")
        << QByteArray("#separator:Comma\n#html:false\n#guid column:1\n#notetype column:2\n#deck column:3\n"
                      "#tags column:6\nabc,Basic,Words,front,back,tag1\n")
        << entriesOf({{"front", "back"}});
    QTest::newRow("html:false keeps markup and entities")
        << QByteArray("#separator:tab\n#html:false\n<b>x</b>\t&amp; \n")
        << entriesOf({{"<b>x</b>", "&amp; "}});
    QTest::newRow("sounds and images dropped")
        << QByteArray("#separator:tab\n#html:true\nword [sound:a.mp3]\t<img src=\"x.jpg\">meaning\n")
        << entriesOf({{"word", "meaning"}});
    QTest::newRow("block tags are spaces, escaped markup is text")
        << QByteArray("#html:true\na<div>b</div>c<hr/>d<P>e</p>\t&lt;b&gt; &#233;&#x1F600; &foo;\n")
        << entriesOf({{"a b c d e", "<b> é😀 &foo;"}});
    QTest::newRow("HTML's named references, legacy ones without ';'") << QByteArray(
        "#html:true\n&eacute;t&eacute; &mdash; 5&euro;\t&amp;&NotEqualTilde;&foo; &eacutex &mdash "
        "&notit;\n") << entriesOf({{"été — 5€", "&\u2242\u0338&foo; éx &mdash ¬it;"}});
    QTest::newRow("white space collapsed and trimmed")
        << QByteArray("#separator:tab\n#html:true\n  a \t\"  b\"\n\"x\ny\"\tz\n")
        << entriesOf({{"a", "b"}, {"x y", "z"}});
    QTest::newRow("comments and unknown headers") << QByteArray(
        "#separator:semicolon\n#columns:Front;Back\n#deck:Spanish\n# a comment\na;b\n#c;d\ne;f\n")
                                                  << entriesOf({{"a", "b"}, {"e", "f"}});
    QTest::newRow("header-less older export") << QByteArray("a<br>b\tc\n") << entriesOf({{"a b", "c"}});
    QTest::newRow("pipe and literal separators")
        << QByteArray("#separator:Pipe\na|b\n") << entriesOf({{"a", "b"}});
}

void TestForeignFormats::anki()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TermEntries, expected);
    QCOMPARE(readAnkiNotes(bytes).toEntries(), expected);
}

void TestForeignFormats::anki_plainAsTheFullReadingOfAnyField()
{
    // Fields are looked at many bytes at a time for what needs the full reading: white space at an
    // end or twice in a row, markup, entities; wherever it stands, the result must be the same.
    QByteArray file("#separator:comma\n#html:true\n");
    TermEntries expected;
    for (int length = 1; length <= 35; ++length) {
        for (int at = 0; at < length; ++at) {
            for (const QByteArrayView marked : {" ", "  ", " \t", "\t ", "<", "&", "["}) {
                QByteArray field(length, 'x');
                field.replace(at, std::min<qsizetype>(marked.size(), length - at), marked.toByteArray());
                file += field + ",d\n";
                expected.append({plainTextOfHtml(QString::fromLatin1(field)), QStringLiteral("d")});
            }
        }
    }
    QCOMPARE(readAnkiNotes(file).toEntries(), expected);
}

void TestForeignFormats::kvtml_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TermEntries>("expected");
    // The line of the fault; 0 when the document is read.
    QTest::addColumn<int>("faultLine");
    QTest::newRow("2.0, lessons refer to entries") << kvtml2(
        "<entry id=\"0\">\n <translation id=\"0\"><text>Hund</text></translation>\n"
        " <translation id=\"1\" ><text>dog</text></translation>\n</entry>\n"
        "<entry id=\"1\"><translation id=\"1\"><text>cat</text></translation>"
        "<translation id=\"0\"><text>Katze</text></translation></entry>\n"
        "</entries><lessons><container><entry id=\"0\"/><entry id=\"1\"/></container></lessons><entries>\n")
                                                   << entriesOf({{"Hund", "dog"}, {"Katze", "cat"}}) << 0;
    const QByteArray asWritten = kvtml2(
        "<entry id=\"0\"><translation id=\"0\"><text>a > b</text></translation><translation id=\"1\">"
        "<text> c </text></translation></entry>\n<entry id=\"1\">\n <translation id=\"0\">\n  <text>line\n"
        "break</text>\n </translation>\n <translation id=\"1\">\n  <text>2</text>\n </translation>\n"
        "</entry>\n<entry id=\"2\"><translation id=\"0\"><text></text></translation><translation id=\"1\">"
        "<text>no term</text></translation></entry><entry id=\"3\"><translation id=\"0\"><text>t</text>"
        "</translation><translation id=\"1\"><text>x\ry</text></translation></entry>");
    QTest::newRow("entries as written by programs, and near misses")
        << asWritten << entriesOf({{"a > b", " c "}, {"line break", "2"}, {"t", "x y"}}) << 0;
    QTest::newRow("comment as definition, incomplete skipped") << kvtml2(
        "<entry id=\"0\"><translation id=\"0\"><text>word</text><comment>hint</comment></translation>"
        "</entry><entry id=\"1\"><translation id=\"0\"><text>alone</text></translation></entry>"
        "<entry id=\"2\"><translation id=\"0\"><text/></translation>"
        "<translation id=\"1\"><text>no term</text></translation></entry>")
                                                               << entriesOf({{"word", "hint"}}) << 0;
    QTest::newRow("references, CDATA and spaces as written")
        << kvtml2("<entry id=\"0\"><translation id=\"0\"><text> a &amp; &lt;b&gt; &#233;&#x1F600; </text>"
                  "</translation><translation id=\"1\"><text><![CDATA[<i>&amp;]]>\ttwo\nlines</text>"
                  "</translation></entry>")
        << entriesOf({{" a & <b> é😀 ", "<i>&amp;\ttwo lines"}}) << 0;
    const QByteArray halfEmpty(
        "<entry id=\"0\"><translation id=\"0\"><text>a</text></translation>"
        "<translation id=\"1\"><text></text></translation></entry>"
        "<entry id=\"1\"><translation id=\"0\"><text/></translation>"
        "<translation id=\"1\"><text>b</text></translation></entry>"
        "<entry id=\"2\"><translation id=\"0\"><text></text></translation>"
        "<translation id=\"1\"><text></text></translation></entry>"
        "<entry id=\"3\"><translation id=\"0\"><text>x&#10;y&#13;&#10;</text></translation>"
        "<translation id=\"1\"><text>p\r\nq\n&#13;</text></translation></entry>");
    QTest::newRow("written by Glossmere: an empty side kept, line breaks as spaces")
        << kvtml2(halfEmpty, byGlossmere)
        << TermEntries{{QStringLiteral("a"), QString()},
                       {QString(), QStringLiteral("b")},
                       {QStringLiteral("x y "), QStringLiteral("p q  ")}}
        << 0;
    QTest::newRow("written by another program: entries without both skipped")
        << kvtml2(halfEmpty, "<information><generator>Parley</generator></information>")
        << TermEntries{{QStringLiteral("x y "), QStringLiteral("p q  ")}} << 0;
    QTest::newRow("1.x") << QByteArray(
        "<?xml version=\"1.0\"?>\n<kvtml encoding=\"UTF-8\">\n<e m=\"1\"><o>a</o><t>b</t><t>c</t></e>\n"
        "<e><o>lonely</o></e><e><o l=\"en\">d</o><t>e</t></e></kvtml>")
                         << entriesOf({{"a", "b"}, {"d", "e"}}) << 0;
    QTest::newRow("ISO-8859-1 declared") << QByteArray(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<kvtml><e><o>caf\xE9</o><t>x</t></e></kvtml>")
                                         << entriesOf({{"café", "x"}}) << 0;
    QTest::newRow("a UTF-8 mark settles the encoding, whatever is declared")
        << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\" "
                      "encoding=\"ISO-8859-1\"?>\n<kvtml><e><o>caf\xC3\xA9</o><t>x</t></e></kvtml>")
        << entriesOf({{"café", "x"}}) << 0;
    QTest::newRow("a processing instruction named like the declaration")
        << QByteArray("<?xml. encoding=\"nonsense\"?>\n<kvtml><e><o>a</o><t>b</t></e></kvtml>")
        << entriesOf({{"a", "b"}}) << 0;
    QTest::newRow("UTF-16 with BOM") << utf16(u"<kvtml><e><o>a</o><t>b</t></e></kvtml>")
                                     << entriesOf({{"a", "b"}}) << 0;
    QTest::newRow("element never closed")
        << kvtml2("<entry id=\"0\">\n<translation id=\"0\">\n</entry>\n") << TermEntries() << 7;
    QTest::newRow("truncated") << kvtml2("<entry id=\"0\"><translation id=\"0\"><text>a</text>").chopped(23)
                               << TermEntries() << 5;
    QTest::newRow("wrong declared encoding")
        << kvtml2("<entry>\n<translation id=\"0\"><text>caf\xE9</text>") << TermEntries() << 6;
    QTest::newRow("NUL byte") << kvtml2(QByteArrayLiteral("<entry>\n\n<e\0/></entry>")) << TermEntries() << 7;
    QTest::newRow("undefined entity") << kvtml2("\n<entry>&nbsp;</entry>") << TermEntries() << 6;
    QTest::newRow("entity bomb") << QByteArray(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE kvtml [\n<!ENTITY a \"aaaaaaaaaa\">\n"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>\n<kvtml>&b;</kvtml>")
                                 << TermEntries() << 2;
    QTest::newRow("external entity") << QByteArray(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE kvtml [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>\n"
        "<kvtml><e><o>&e;</o><t>x</t></e></kvtml>")
                                     << TermEntries() << 2;
    QTest::newRow("not KVTML") << QByteArray("<?xml version=\"1.0\"?>\n<html><e><o>a</o><t>b</t></e></html>")
                               << TermEntries() << 2;
    QTest::newRow("text after the end") << QByteArray("<kvtml></kvtml>\n\nmore") << TermEntries() << 3;
    QTest::newRow("deeply nested") << "<kvtml>" + QByteArray(200000, 'x').replace("x", "<a>") + "</kvtml>"
                                   << TermEntries() << 1;
}

void TestForeignFormats::kvtml()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TermEntries, expected);
    QFETCH(int, faultLine);
    try {
        const TermEntries read = readKvtml(bytes).toEntries();
        QCOMPARE(faultLine, 0);
        QCOMPARE(read, expected);
    } catch (const FormatFault &fault) {
        QVERIFY2(faultLine != 0, qPrintable(fault.reason()));
        QCOMPARE(fault.line(), faultLine);
        QVERIFY(!fault.reason().isEmpty());
    }
}

void TestForeignFormats::kvtml_debianWordListsMatchAnIndependentReader()
{
    // The word lists of KDE's learning programs, in many languages; tools/test.sh installs them.
    const QString folder = QStringLiteral("/usr/share/apps/kvtml");
    QStringList files;
    for (QDirIterator found(folder, {QStringLiteral("*.kvtml")}, QDir::Files, QDirIterator::Subdirectories);
         found.hasNext();)
        files.append(found.next());
    if (files.isEmpty())
        QFAIL(qPrintable(
            QStringLiteral("no KVTML files in %1: install Debian's kdeedu-kvtml-data").arg(folder)));
    qsizetype entries = 0;
    for (const QString &path : std::as_const(files)) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        try {
            const TermEntries read = readKvtml(bytes).toEntries();
            [&] {
                QCOMPARE(read, referenceKvtml(bytes));
            }();
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(path));
            entries += read.size();
        } catch (const FormatFault &fault) {
            // A list refused must be damaged for Qt's reader too (one ships in Latin-1 but declares
            // UTF-8).
            QXmlStreamReader xml(bytes);
            while (!xml.atEnd())
                xml.readNext();
            QVERIFY2(xml.hasError(),
                     qPrintable(
                         QStringLiteral("%1, line %2: %3").arg(path).arg(fault.line()).arg(fault.reason())));
        }
    }
    // Most lists give entries; a reading that found none anywhere would compare nothing.
    QVERIFY2(entries > 10 * files.size(), qPrintable(QString::number(entries)));
}

void TestForeignFormats::recognise_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<ImportFormat>("expected");
    QTest::newRow("KVTML 2.0") << kvtml2("<entry") << ImportFormat::Kvtml;
    QTest::newRow("KVTML after a comment, no declaration")
        << QByteArray("<!-- <html> -->\n<kvtml version=\"1.0\">") << ImportFormat::Kvtml;
    QTest::newRow("DTD with a subset")
        << QByteArray("<!DOCTYPE kvtml [<!ENTITY a \">\">]><kvtml>") << ImportFormat::Kvtml;
    QTest::newRow("other XML") << QByteArray("<?xml version=\"1.0\"?><kvtmlx>") << ImportFormat::Literal;
    QTest::newRow("Anki") << QByteArray("\xEF\xBB\xBF#separator:tab\n#html:true\n") << ImportFormat::Anki;
    QTest::newRow("Anki header not first")
        << QByteArray("#html:true\n#separator:tab\n") << ImportFormat::Literal;
    QTest::newRow("definition file") << QByteArray("Valid Definition File\r\na::b\r\n")
                                     << ImportFormat::Literal;
}

void TestForeignFormats::recognise()
{
    QFETCH(QByteArray, head);
    QFETCH(ImportFormat, expected);
    QCOMPARE(recogniseImportFormat(head), expected);
}

void TestForeignFormats::hardTexts(ExportFormat format)
{
    QTest::addColumn<TermEntry>("entry");
    QTest::addColumn<TermEntry>("back");
    QTest::addColumn<int>("unwritable");
    const bool kvtml = format == ExportFormat::Kvtml;
    const auto row = [](const char *name, const char *term, const char *definition) {
        const TermEntry entry{QString::fromUtf8(term), QString::fromUtf8(definition)};
        return std::make_pair(name, entry);
    };
    const std::pair<const char *, TermEntry> texts[] = {
        row("an empty definition", "word", ""),
        row("an empty term", "", "definition only"),
        row("::", "std::string", "a::b :: c::"),
        row("quotes", "\"open", "say \"hi\", '' \"\""),
        row("Tabs", "tab\there", "\t\tleading"),
        row("commas", "apple, red", ",,"),
        row("semicolons", "a;b", ";"),
        row("emoji", "😀 👍🏽", "family 👨‍👩‍👧"),
        row("right-to-left", "שלום עולם", "مرحبا 123"),
        row("leading and trailing spaces", "  spaces  ", " lead"),
        row("markup and references", "<b>bold</b> &amp; &lt;", "]]> &#10; &eacute;"),
        row("a hash first", "#hash", "#also"),
        row("a byte-order mark first",
            "\xEF\xBB\xBF"
            "bom",
            "x"),
    };
    for (const auto &[name, entry] : texts)
        QTest::newRow(name) << entry << entry << 0;
    // The list keeps no line break, but should one reach a writer, every reader makes it one space, as
    // a spreadsheet's cell of several lines comes in.
    QTest::newRow("line breaks") << TermEntry{QStringLiteral("two\nlines"),
                                              QStringLiteral("cr\r, crlf\r\n and lf lf\n\n")}
                                 << TermEntry{QStringLiteral("two lines"),
                                              QStringLiteral("cr , crlf  and lf lf  ")}
                                 << 0;
    // XML holds no control character but Tab and line breaks, not even as a reference: the export asks
    // and writes them as spaces. DEL is allowed.
    const TermEntry control{QStringLiteral("bell\a esc\x1B[0m"), QStringLiteral("\x01\x7F\x1F")};
    QTest::newRow("control characters")
        << control << (kvtml ? TermEntry{QStringLiteral("bell  esc [0m"), QStringLiteral(" \x7F ")} : control)
        << (kvtml ? 2 : 0);
}

void TestForeignFormats::roundTrip(ExportFormat format)
{
    QFETCH(TermEntry, entry);
    QFETCH(TermEntry, back);
    QFETCH(int, unwritable);
    // An entry after it shows that the hard one ends where it should.
    const TermEntry next{QStringLiteral("next"), QStringLiteral("entry")};
    const TermStore store = TermStore::fromEntries({entry, next});
    const QByteArray bytes = encodeExport(store, format, QStringLiteral("Tom & Jerry"));
    QVERIFY(QByteArrayView(bytes).isValidUtf8());
    TermStore read;
    switch (format) {
    case ExportFormat::Csv:
        read = readQuotedFields(bytes, ',');
        break;
    case ExportFormat::Tsv:
        read = readQuotedFields(bytes, '\t');
        break;
    case ExportFormat::Anki:
        QCOMPARE(recogniseImportFormat(bytes), ImportFormat::Anki);
        read = readAnkiNotes(bytes);
        break;
    case ExportFormat::Kvtml:
        QCOMPARE(textsKvtmlCannotHold(store), unwritable);
        QCOMPARE(recogniseImportFormat(bytes), ImportFormat::Kvtml);
        // Other programs read the same.
        QCOMPARE(referenceKvtml(bytes), (TermEntries{back, next}));
        read = readKvtml(bytes);
        break;
    }
    QCOMPARE(read.toEntries(), (TermEntries{back, next}));
}

void TestForeignFormats::export_quotesOnlyWhereNeeded()
{
    const TermStore store = TermStore::fromEntries(entriesOf({{"plain", "a,b"}, {"say \"hi\"", "x"}}));
    QCOMPARE(encodeExport(store, ExportFormat::Csv), QByteArray("plain,\"a,b\"\r\n\"say \"\"hi\"\"\",x\r\n"));
    QCOMPARE(encodeExport(store, ExportFormat::Tsv), QByteArray("plain\ta,b\r\n\"say \"\"hi\"\"\"\tx\r\n"));
}

void TestForeignFormats::export_markedByteAtAnyPlaceOfAnyLength()
{
    // Texts are looked at many bytes at a time: a byte that needs quotes or escaping must be found
    // wherever it stands, in texts shorter and longer than one such look.
    TermEntries entries;
    QByteArray csv;
    TermEntries inXml;
    for (int length = 1; length <= 35; ++length) {
        for (int at = 0; at < length; ++at) {
            for (const char marked : {',', '"', '\n', '\r', '&', '<', '\x01', '\x1F'}) {
                QByteArray text(length, 'x');
                text[at] = marked;
                entries.append({QString::fromLatin1(text), QStringLiteral("d")});
                const bool quoted = QByteArrayView(",\"\n\r").contains(marked);
                csv += quoted ? '"' + QByteArray(text).replace("\"", "\"\"") + '"' : text;
                csv += ",d\r\n";
                // Control characters XML cannot hold are written as spaces; line breaks are read so.
                inXml.append(
                    {QString::fromLatin1(text).replace(
                         QRegularExpression(QStringLiteral("[\\x01\\x1F\\r\\n]")), QStringLiteral(" ")),
                     QStringLiteral("d")});
            }
        }
    }
    const TermStore store = TermStore::fromEntries(entries);
    QCOMPARE(encodeExport(store, ExportFormat::Csv), csv);
    QCOMPARE(referenceKvtml(encodeExport(store, ExportFormat::Kvtml)), inXml);
    QCOMPARE(textsKvtmlCannotHold(store), 2 * (35 * 36 / 2));
}

QTEST_GUILESS_MAIN(TestForeignFormats)
#include "tst_foreignformats.moc"
