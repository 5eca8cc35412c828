#include "common/failure.h"
#include "common/helpers.h"
#include "deffiles/definitiontext.h"
#include "deffiles/defmanager.h"
#include "formats/foreignformats.h"
#include "store/termsearch.h"
#include "tests/support/scriptedprompts.h"
#include "tests/support/testsupport.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>

#include <array>
#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>
#include <unistd.h>

namespace {
// While positive, counts down the allocations of a megabyte or more; the one that reaches zero fails,
// as when memory runs out.
std::atomic<int> g_failLargeAllocation = 0;
} // namespace

// The array forms too: a sanitizer's own would not come here.
void *operator new[](std::size_t size)
{
    return operator new(size);
}

void operator delete[](void *memory) noexcept
{
    std::free(memory);
}

void operator delete[](void *memory, std::size_t) noexcept
{
    std::free(memory);
}

void *operator new(std::size_t size)
{
    if (size >= (1 << 20) && g_failLargeAllocation.load() > 0 && --g_failLargeAllocation == 0)
        throw std::bad_alloc();
    if (void *memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

// The library's nothrow forms (a stable sort's buffer) are freed by the delete above.
void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    return std::malloc(size ? size : 1);
}

void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    return std::malloc(size ? size : 1);
}

void operator delete(void *memory) noexcept
{
    std::free(memory);
}

void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace {
const QString sep = QStringLiteral("::");

// A file that the reader cuts in two halves, each of them in several slices.
QByteArray bigList()
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < (2 << 20); ++i)
        bytes += "term " + QByteArray::number(i) + "::definition\r\n";
    return bytes;
}

TermEntries entriesOf(std::initializer_list<std::pair<const char *, const char *>> pairs)
{
    TermEntries entries;
    for (const auto &[term, definition] : pairs)
        entries.append({QString::fromUtf8(term), QString::fromUtf8(definition)});
    return entries;
}

QByteArray windows1252(const QString &text)
{
    QStringEncoder encoder("windows-1252");
    return encoder.encode(text);
}
} // namespace

// Term list model, reader and writer, and the file state around them.
class TestDefFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void store_editsInsertsAndRemovesAcrossBlocks();

    void save_writesTheExactFormat();
    void save_emptyListWritesHeaderAlone();
    void roundTrip_keepsRandomUnicodeEntries();

    void split_data();
    void split();
    void load_skipsHeaderBlankAndFreeText();
    void load_headerOnlyEmptiesTheList();
    void load_withoutHeader();

    void decode_data();
    void decode();
    void decode_chunkedReaderMatchesWholeText();
    void decode_nulAnywhereRefusesTheFile();
    void decode_invalidUtf8AnywhereMeansSingleByte_data();
    void decode_invalidUtf8AnywhereMeansSingleByte();
    void reader_outOfMemoryIsReported();
    void load_fileOfExactlyTheLimitIsRead();

    void differential_rowsOnDemandMatchWholeTextReading_data();
    void differential_rowsOnDemandMatchWholeTextReading();
    void snapshot_staysAsTakenWhileTheListChanges();
    void store_mixesLongAndShortEntriesFromFilesAndTyping();
    void store_keepsPiecesAroundTheLongMark();

    void fileName_takesTextAfterLastSeparator();
    void history_editsInPlaceUntilSavedOrLoaded();

    void loadFailure_reportsOnceAndKeepsList_data();
    void loadFailure_reportsOnceAndKeepsList();
    void saveFailure_reportsOnceAndKeepsEverything_data();
    void saveFailure_reportsOnceAndKeepsEverything();
    void saveFailure_partWayLeavesOldFileIntact();
    void saveFailure_readOnlyFolder();
    void fullDisk_everyWriteTellsTheTruth_data();
    void fullDisk_everyWriteTellsTheTruth();
    void save_replacesABigFileAndLetsGoOfIt();
    void export_bigListComesBackWhole_data();
    void export_bigListComesBackWhole();
    void import_eachChoiceReadsWhatItSays_data();
    void import_eachChoiceReadsWhatItSays();

    void model_holdsAMillionEntriesInOneReset();

    void search_findsFoldedTextAfterTheCurrentEntry_data();
    void search_findsFoldedTextAfterTheCurrentEntry();
    void search_wrapsThroughEverySliceAndEveryBlock();
    void search_findsTheFirstMatchAfterTheCurrent_data();
    void search_findsTheFirstMatchAfterTheCurrent();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<TermListModel> m_list;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<DefManager> m_defs;

    QString path(const char *name) const { return m_dir->filePath(QString::fromLatin1(name)); }

    // What F2 and Enter do to the first entry's definition.
    void editFirstEntry()
    {
        QVERIFY(m_list->setData(m_list->index(0, TermListModel::DefinitionColumn),
                                m_list->definitionAt(0) + QStringLiteral(" (edited)")));
    }
};

void TestDefFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_prompts = std::make_unique<ScriptedPrompts>();
    m_list = std::make_unique<TermListModel>();
    m_tester = std::make_unique<QAbstractItemModelTester>(
        m_list.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_defs = std::make_unique<DefManager>(*m_prompts, *m_list);
}

void TestDefFiles::save_writesTheExactFormat()
{
    m_list->replaceAll(entriesOf({{"cat", "a small animal"}, {"dog", "a loyal pet"}}));
    QVERIFY(m_defs->saveDefinitionFile(path("animals.txt"), sep));
    QCOMPARE(readAll(path("animals.txt")),
             QByteArray("Valid Definition File\r\ncat::a small animal\r\ndog::a loyal pet\r\n"));
    QVERIFY(m_prompts->records.isEmpty());
}

void TestDefFiles::save_emptyListWritesHeaderAlone()
{
    QVERIFY(m_defs->saveDefinitionFile(path("empty.txt"), sep));
    QCOMPARE(readAll(path("empty.txt")), QByteArray("Valid Definition File\r\n"));
}

void TestDefFiles::roundTrip_keepsRandomUnicodeEntries()
{
    // Letters from several scripts, spaces at the edges, tabs, markup characters and single colons.
    const QString alphabet = QStringLiteral(
        "abcXYZ 019 \t<>&\"':;éßøłЖжΩλ中文字日本語한국어עבריתالعربية🙂𝄞");
    QRandomGenerator random(20261207);
    const auto randomText = [&] {
        QString text;
        const int length = random.bounded(0, 24);
        for (int i = 0; i < length; ++i) {
            const QChar c = alphabet[random.bounded(int(alphabet.size()))];
            text.append(c);
            // Keep surrogate pairs whole.
            if (c.isHighSurrogate())
                text.append(alphabet[alphabet.indexOf(c) + 1]);
            else if (c.isLowSurrogate())
                text.chop(1);
        }
        return text.replace(QStringLiteral("::"), QStringLiteral(":"));
    };
    TermEntries entries;
    for (int i = 0; i < 1000; ++i) {
        QString term = randomText();
        while (term.endsWith(QLatin1Char(':')))
            term.chop(1); // a term ending in ':' would move the cut one place
        entries.append({term, randomText()});
    }
    m_list->replaceAll(entries);
    QVERIFY(m_defs->saveDefinitionFile(path("round.txt"), sep));
    m_list->clear();
    QVERIFY(m_defs->loadDefinitionFile(path("round.txt"), sep));
    QCOMPARE(m_list->entries(), entries);
}

void TestDefFiles::split_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<TermEntries>("expected");
    QTest::newRow("pieces after the second are dropped")
        << QStringLiteral("a::b::c") << sep << entriesOf({{"a", "b"}});
    QTest::newRow("empty term") << QStringLiteral("::x") << sep << entriesOf({{"", "x"}});
    QTest::newRow("empty definition") << QStringLiteral("x::") << sep << entriesOf({{"x", ""}});
    QTest::newRow("spaces kept") << QStringLiteral(" a :: b ") << sep << entriesOf({{" a ", " b "}});
    QTest::newRow("no separator") << QStringLiteral("free text") << sep << TermEntries();
    QTest::newRow("single colon is no separator") << QStringLiteral("a:b") << sep << TermEntries();
    QTest::newRow("case-only match is skipped")
        << QStringLiteral("aXb") << QStringLiteral("x") << TermEntries();
    QTest::newRow("exact case splits")
        << QStringLiteral("aXbXc") << QStringLiteral("X") << entriesOf({{"a", "b"}});
    QTest::newRow("several characters")
        << QStringLiteral("one --> two") << QStringLiteral(" --> ") << entriesOf({{"one", "two"}});
    QTest::newRow("tab") << QStringLiteral("Hund\tdog\textra") << QStringLiteral("\t")
                         << entriesOf({{"Hund", "dog"}});
    // Found by fuzzing: a mark at the start of a piece was taken for a file header and dropped.
    QTest::newRow("byte-order mark inside a line is text")
        << QStringLiteral("a::\uFEFFb") << sep
        << TermEntries{{QStringLiteral("a"), QStringLiteral("\uFEFFb")}};
    QTest::newRow("triple colon") << QStringLiteral("a:::b") << sep << entriesOf({{"a", ":b"}});
}

void TestDefFiles::split()
{
    QFETCH(QString, line);
    QFETCH(QString, separator);
    QFETCH(TermEntries, expected);
    TermStore store;
    appendDefinitionLines(line, separator, store);
    QCOMPARE(store.toEntries(), expected);
    // The byte-level reader agrees with the text-level one.
    QCOMPARE(readDefinitionEntries(line.toUtf8(), separator).toEntries(), expected);
}

void TestDefFiles::load_skipsHeaderBlankAndFreeText()
{
    writeFile(path("mixed.txt"), "Valid Definition File\r\n\r\nsome notes\r\none::1\r\n   \r\ntwo::2\r\n");
    QVERIFY(m_defs->loadDefinitionFile(path("mixed.txt"), sep));
    QCOMPARE(m_list->entries(), entriesOf({{"one", "1"}, {"two", "2"}}));
}

void TestDefFiles::load_headerOnlyEmptiesTheList()
{
    m_list->replaceAll(entriesOf({{"old", "entry"}}));
    writeFile(path("header.txt"), "Valid Definition File\r\n");
    QVERIFY(m_defs->loadDefinitionFile(path("header.txt"), sep));
    QCOMPARE(m_list->count(), 0);
    QVERIFY(m_prompts->records.isEmpty());
}

void TestDefFiles::load_withoutHeader()
{
    writeFile(path("plain.txt"), "cat::a small animal\r\ndog::a loyal pet");
    QVERIFY(m_defs->loadDefinitionFile(path("plain.txt"), sep));
    QCOMPARE(m_list->entries(), entriesOf({{"cat", "a small animal"}, {"dog", "a loyal pet"}}));
}

void TestDefFiles::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray utf8 = QStringLiteral("café::naïve\r\n€5::price\r\n").toUtf8();
    QTest::newRow("windows-1252") << windows1252(QStringLiteral("café::naïve\r\n€5::price\r\n"));
    QTest::newRow("utf-8") << utf8;
    QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF") + utf8;
    QTest::newRow("utf-8, LF only") << QStringLiteral("café::naïve\n€5::price\n").toUtf8();
    QTest::newRow("utf-8, CR only") << QStringLiteral("café::naïve\r€5::price").toUtf8();
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringEncoder::Flag::WriteBom);
    QTest::newRow("utf-16 le with bom")
        << QByteArray(utf16.encode(QStringLiteral("café::naïve\r\n€5::price\r\n")));
    QStringEncoder utf16be(QStringConverter::Utf16BE, QStringEncoder::Flag::WriteBom);
    QTest::newRow("utf-16 be with bom")
        << QByteArray(utf16be.encode(QStringLiteral("café::naïve\n€5::price")));
    // One stray byte anywhere makes the whole file single-byte text, not a file with one broken letter.
    // Big enough to be read in two halves.
    QTest::newRow("1252 after a long utf-8-looking start")
        << (QByteArray((5 << 20) + 1, 'a').replace(0, 2, "\r\n")
            + windows1252(QStringLiteral("\r\ncafé::naïve\r\n€5::price")));
}

void TestDefFiles::decode()
{
    QFETCH(QByteArray, bytes);
    writeFile(path("words.txt"), bytes);
    QVERIFY(m_defs->loadDefinitionFile(path("words.txt"), sep));
    QCOMPARE(m_list->entries(), entriesOf({{"café", "naïve"}, {"€5", "price"}}));
}

void TestDefFiles::decode_chunkedReaderMatchesWholeText()
{
    // The byte-level reader gives what decoding the whole text and cutting its lines gives, also where
    // its slices meet a CR-only line end or a line longer than a slice.
    const char *const ends[] = {"\r\n", "\n", "\r"};
    QByteArray bytes;
    for (int i = 0; bytes.size() < (5 << 20); ++i) {
        bytes += QStringLiteral("término %1::definición número %1 ✓").arg(i).toUtf8();
        if (i == 20000)
            bytes += QByteArray(600 << 10, 'x') + "::" + QByteArray(300 << 10, 'y');
        bytes += ends[(i / 7000) % 3];
    }
    TermStore whole;
    appendDefinitionLines(decodeDefinitionText(bytes), sep, whole);
    const TermEntries direct = readDefinitionEntries(bytes, sep).toEntries();
    QCOMPARE(direct.size(), whole.size());
    QCOMPARE(direct, whole.toEntries());
}

void TestDefFiles::decode_nulAnywhereRefusesTheFile()
{
    // Big enough for both halves and many slices; the NUL is looked for wherever the reading stops.
    QByteArray big;
    while (big.size() < (3 << 20))
        big += "term::definition\r\n";
    const auto refused = [](const QByteArray &bytes) {
        return !readDefinitionTextFile(bytes, sep);
    };
    QVERIFY(!refused(big));
    QCOMPARE(readDefinitionTextFile(big, sep)->toEntries(), readDefinitionEntries(big, sep).toEntries());
    QVERIFY(refused(big + '\0'));
    QVERIFY(refused(QByteArray("a\0::b\r\n", 7) + big));
    // Not UTF-8 from the first line on, so the UTF-8 pass ends there.
    const QByteArray singleByte = QByteArray("caf\xE9::x\r\n") + big;
    QVERIFY(!refused(singleByte));
    QVERIFY(refused(singleByte + '\0'));
    QVERIFY(refused(QByteArray("\xEF\xBB\xBFw\xC4::x\r\n") + big + '\0'));
    // UTF-16 is full of NUL bytes.
    const QByteArray wide = QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(u"a::b"), 8);
    QCOMPARE(readDefinitionTextFile(wide, sep)->toEntries(), entriesOf({{"a", "b"}}));
}

void TestDefFiles::decode_invalidUtf8AnywhereMeansSingleByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TermEntries>("expected");
    // Each file's last line holds bytes that are not UTF-8; earlier lines look like UTF-8.
    QTest::newRow("in a skipped line")
        << QByteArray("caf\xC3\xA9::x\r\nnotes \xE9\r\n") << entriesOf({{"cafÃ©", "x"}});
    QTest::newRow("in a dropped third piece")
        << QByteArray("caf\xC3\xA9::x::\xFF\r\n") << entriesOf({{"cafÃ©", "x"}});
    QTest::newRow("truncated sequence at the end")
        << QByteArray("caf\xC3\xA9::ab\xC3") << entriesOf({{"cafÃ©", "abÃ"}});
    QTest::newRow("encoded surrogate") << QByteArray("a::\xED\xA0\x80") << entriesOf({{"a", "í\xC2\xA0€"}});
    QTest::newRow("overlong form") << QByteArray("a::\xC0\xAF") << entriesOf({{"a", "À¯"}});
    // Found by fuzzing: a file that declares UTF-8 keeps that reading even with broken bytes in it.
    QTest::newRow("broken byte behind a UTF-8 mark")
        << QByteArray("\xEF\xBB\xBFw\xC4::x\r\n") << entriesOf({{"w\xEF\xBF\xBD", "x"}});
    QTest::newRow("valid astral character")
        << QStringLiteral("𝄞::clef").toUtf8() << entriesOf({{"𝄞", "clef"}});
    // The UTF-8 pass checks a slice at a time, and a big file in two halves.
    for (const auto &[name, bytes] : {std::pair("accent beyond the first 256 KiB", 300 << 10),
                                      std::pair("accent in the second half", 3 << 20)}) {
        QByteArray filler;
        TermEntries expected;
        while (filler.size() < bytes) {
            filler += "x::y\r\n";
            expected.append({QStringLiteral("x"), QStringLiteral("y")});
        }
        expected.append({QStringLiteral("café"), QStringLiteral("coffee")});
        QTest::newRow(name) << filler + "caf\xE9::coffee\r\n" << expected;
    }
}

void TestDefFiles::decode_invalidUtf8AnywhereMeansSingleByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TermEntries, expected);
    QCOMPARE(readDefinitionEntries(bytes, sep).toEntries(), expected);
}

void TestDefFiles::reader_outOfMemoryIsReported()
{
    writeFile(path("big.txt"), bigList() + "long::" + QByteArray(70000, 'x') + "\r\n");
    m_list->replaceAll(entriesOf({{"keep", "me"}}));
    g_failLargeAllocation = 1;
    const bool loaded = m_defs->loadDefinitionFile(path("big.txt"), sep);
    g_failLargeAllocation = 0;
    QVERIFY(!loaded);
    QCOMPARE(m_prompts->records.size(), 1);
    QVERIFY2(m_prompts->records[0].text.startsWith(QStringLiteral(
                 "Out of memory\r\nin Glossbox2021/08/31.DefManager.loadDefinitionFile at line 108")),
             qPrintable(m_prompts->records[0].text));
    QCOMPARE(m_list->entries(), entriesOf({{"keep", "me"}}));
}

void TestDefFiles::load_fileOfExactlyTheLimitIsRead()
{
    // Long lines: few entries, so that only the file's own bytes take memory.
    const QByteArray line = "term::" + QByteArray(65000, 'd') + "\r\n";
    {
        QFile file(path("limit.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (qint64 left = maxDefinitionFileBytes; left > 0; left -= line.size())
            QVERIFY(file.write(line.first(std::min<qint64>(line.size(), left))) > 0);
    }
    QCOMPARE(QFileInfo(path("limit.txt")).size(), maxDefinitionFileBytes);
    QVERIFY(m_defs->loadDefinitionFile(path("limit.txt"), sep));
    QCOMPARE(m_list->count(), int(maxDefinitionFileBytes / line.size()) + 1);
    QVERIFY(m_prompts->records.isEmpty());

    QFile(path("limit.txt")).resize(maxDefinitionFileBytes + 1);
    QVERIFY(!m_defs->loadDefinitionFile(path("limit.txt"), sep));
    QVERIFY(m_prompts->records.last().text.contains(QStringLiteral("is too large to load")));
    QFile::remove(path("limit.txt"));
}

void TestDefFiles::differential_rowsOnDemandMatchWholeTextReading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("separator");
    QList<std::pair<QString, QByteArray>> files;
    const QString utf8Words =
        QStringLiteral("Valid Definition File\r\ncafé::naïve\r\n€5::price\r\n\uFEFFa::b::c\r\n");
    files.append({QStringLiteral("utf-8"), utf8Words.toUtf8()});
    files.append({QStringLiteral("utf-8 bom"), QByteArray("\xEF\xBB\xBF") + utf8Words.toUtf8()});
    files.append(
        {QStringLiteral("windows-1252"), windows1252(QStringLiteral("café::naïve\r€5:: ,\tprice\n"))});
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringEncoder::Flag::WriteBom);
    files.append({QStringLiteral("utf-16"), QByteArray(utf16.encode(utf8Words))});
    files.append({QStringLiteral("mixed breaks"), QByteArray("a::b\r\r\nc::d\n\rx:::y::z\r\n::\r:\n")});
    files.append({QStringLiteral("sample"),
                  readAll(QStringLiteral(GLOSSMERE_PROGRAM_DIR "/Sample/sample_glossbox.txt"))});
    // Each fuzzer input is read whole here, and also as the fuzzer reads it: separator length, separator,
    // file.
    const QDir corpus(QStringLiteral(GLOSSMERE_SOURCE_DIR "/fuzz/corpus/reader"));
    for (const QString &name : corpus.entryList(QDir::Files)) {
        const QByteArray input = readAll(corpus.filePath(name));
        files.append({name, input});
        if (!input.isEmpty()) {
            const qsizetype length = std::min<qsizetype>(input[0] % 8, input.size() - 1);
            files.append({name + QStringLiteral(" (as fuzzed)"), input.mid(1 + length)});
        }
    }
    const QStringList separators{sep,
                                 QStringLiteral(":"),
                                 QStringLiteral("\t"),
                                 QStringLiteral(","),
                                 QStringLiteral(" - "),
                                 QStringLiteral("é"),
                                 QStringLiteral("\uFEFF"),
                                 QStringLiteral("\r\n")};
    for (const auto &[name, bytes] : files) {
        // A single-byte file is cut at the separator's Windows-1252 bytes; only an ASCII separator
        // cuts it where the decoded text would be cut, so only those are compared.
        const bool singleByte =
            !QStringConverter::encodingForData(bytes) && !QByteArrayView(bytes).isValidUtf8();
        for (const QString &separator : separators) {
            bool ascii = true;
            for (const QChar c : separator)
                ascii = ascii && c.unicode() < 0x80;
            if (singleByte && !ascii)
                continue;
            QTest::addRow("%s, %s", qPrintable(name), separator.toUtf8().toPercentEncoding().constData())
                << bytes << separator;
        }
    }
}

void TestDefFiles::differential_rowsOnDemandMatchWholeTextReading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, separator);
    TermStore reference;
    appendDefinitionLines(decodeDefinitionText(bytes), separator, reference);

    writeFile(path("list.txt"), bytes);
    if (bytes.contains('\0') && !QStringConverter::encodingForData(bytes)) {
        // Binary data is refused once, whatever it would read as, and the list stays empty.
        QVERIFY(!m_defs->loadDefinitionFile(path("list.txt"), separator));
        QCOMPARE(m_prompts->records.size(), 1);
        QCOMPARE(m_defs->GetEntryCount(), 0);
        return;
    }
    QVERIFY(m_defs->loadDefinitionFile(path("list.txt"), separator));
    QCOMPARE(m_defs->GetEntryCount(), reference.size());
    for (int i = 0; i < reference.size(); ++i) {
        QCOMPARE(m_defs->GetTerm(i), reference.term(i));
        QCOMPARE(m_defs->GetDefinition(i), reference.definition(i));
        QCOMPARE(m_list->data(m_list->index(i, TermListModel::DefinitionColumn)).toString(),
                 visiblePart(reference.definition(i).left(1001), 1000));
    }
    // Saving writes the kept bytes exactly as encoding the reference's text does.
    QVERIFY(m_defs->saveDefinitionFile(path("saved.txt"), separator));
    QCOMPARE(readAll(path("saved.txt")), encodeDefinitionFile(reference, separator));
}

void TestDefFiles::snapshot_staysAsTakenWhileTheListChanges()
{
    writeFile(path("list.txt"), "Valid Definition File\r\none::1\r\ntwo::2\r\n");
    QVERIFY(m_defs->loadDefinitionFile(path("list.txt"), sep));
    m_list->append({QStringLiteral("three"), QStringLiteral("3")});
    TermStore snapshot = m_list->store().snapshot();
    // Read on another thread while the list changes, as the safety copy's writer reads it.
    TermEntries seen;
    std::jthread reader([&] { seen = snapshot.toEntries(); });
    m_list->removeAt(0);
    m_list->append({QStringLiteral("four"), QStringLiteral("4")});
    reader.join();
    QCOMPARE(seen, entriesOf({{"one", "1"}, {"two", "2"}, {"three", "3"}}));
    QCOMPARE(snapshot.toEntries(), seen);
    QCOMPARE(m_list->entries(), entriesOf({{"two", "2"}, {"three", "3"}, {"four", "4"}}));
    // Moving a store moves it whole.
    TermStore moved = std::move(snapshot);
    QCOMPARE(moved.size(), 3);
}

void TestDefFiles::store_keepsPiecesAroundTheLongMark()
{
    // A record holds lengths below 65,535 bytes; 65,535 itself marks a long entry.
    TermEntries expected;
    QByteArray file;
    for (const int size : {65534, 65535, 65536}) {
        const QString text(size, u'a');
        expected.append({text, QStringLiteral("d")});
        expected.append({QStringLiteral("t"), text});
    }
    for (const TermEntry &entry : expected)
        file += (entry.term + sep + entry.definition + QStringLiteral("\r\n")).toUtf8();
    QCOMPARE(readDefinitionEntries(file, sep).toEntries(), expected);
    QCOMPARE(TermStore::fromEntries(expected).toEntries(), expected);
}

void TestDefFiles::store_mixesLongAndShortEntriesFromFilesAndTyping()
{
    // Pieces of 64 KiB and more keep their lengths apart from the compact records.
    const QString longText = QString(70000, QLatin1Char('x')) + QStringLiteral("é");
    TermEntries expected;
    QByteArray file("Valid Definition File\r\n");
    for (int i = 0; i < 3000; ++i) {
        // A long line without separator in the middle makes the file big enough to be cut on two cores,
        // with long entries on both sides of the cut.
        if (i == 1500)
            file += QByteArray(2 << 20, ' ') + "\r\n";
        const TermEntry entry{i % 1000 == 7 ? longText : QStringLiteral("t%1").arg(i),
                              i % 1000 == 9 ? longText : QStringLiteral("d%1").arg(i)};
        file += (entry.term + sep + entry.definition + QStringLiteral("\r\n")).toUtf8();
        expected.append(entry);
    }
    TermStore store = readDefinitionEntries(file, sep);
    store.append(QStringLiteral("typed"), longText);
    expected.append({QStringLiteral("typed"), longText});
    TermStore other = readDefinitionEntries("a::b\r\n" + longText.toUtf8() + "::c", sep);
    store.appendAll(std::move(other));
    expected.append({QStringLiteral("a"), QStringLiteral("b")});
    expected.append({longText, QStringLiteral("c")});
    store.append(QStringLiteral("last"), QStringLiteral("one"));
    expected.append({QStringLiteral("last"), QStringLiteral("one")});
    // The last one counts from the end, after the removals before it.
    for (int position : {0, 7, 2999, 2997, -2}) {
        if (position < 0)
            position += int(expected.size());
        store.removeAt(position);
        expected.removeAt(position);
    }
    QCOMPARE(store.toEntries(), expected);
    TermStore reread = readDefinitionEntries(encodeDefinitionFile(store, sep), sep);
    QCOMPARE(reread.toEntries(), expected);
}

void TestDefFiles::fileName_takesTextAfterLastSeparator()
{
    QVERIFY(m_defs->saveDefinitionFile(path("animals.txt"), sep));
    QCOMPARE(m_defs->GetFileName(), QStringLiteral("animals.txt"));

    // A bare name holds no separator and leaves the name as it was.
    const QString before = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    QVERIFY(m_defs->saveDefinitionFile(QStringLiteral("bare.txt"), sep));
    QVERIFY(m_defs->loadDefinitionFile(QStringLiteral("bare.txt"), sep));
    QDir::setCurrent(before);
    QCOMPARE(m_defs->GetFileName(), QStringLiteral("animals.txt"));
    QVERIFY(QFile::exists(path("bare.txt")));

    m_defs->ClearFileName();
    QCOMPARE(m_defs->GetFileName(), QString());
}

void TestDefFiles::history_editsInPlaceUntilSavedOrLoaded()
{
    m_list->replaceAll(entriesOf({{"cat", "a small animal"}}));
    const QModelIndex definition = m_list->index(0, TermListModel::DefinitionColumn);
    // The rule of "Add New Term": no empty text; and an unchanged one is no change.
    QVERIFY(!m_list->setData(definition, QString()));
    QVERIFY(!m_list->setData(definition, QStringLiteral("a small animal")));
    QVERIFY(m_defs->IsFileUpToDate());
    QVERIFY(m_list->setData(definition, QStringLiteral("a pet")));
    QCOMPARE(m_list->entries(), entriesOf({{"cat", "a pet"}}));
    QVERIFY(!m_defs->IsFileUpToDate());
    m_list->history().undo();
    QCOMPARE(m_list->entries(), entriesOf({{"cat", "a small animal"}}));
    QVERIFY(m_defs->IsFileUpToDate());

    m_list->history().redo();
    QVERIFY(m_defs->saveDefinitionFile(path("a.txt"), sep));
    QVERIFY(m_defs->IsFileUpToDate());
    QVERIFY(m_list->setData(m_list->index(0, TermListModel::TermColumn), QStringLiteral("kitten")));
    QVERIFY(!m_defs->IsFileUpToDate());
    QVERIFY(m_defs->loadDefinitionFile(path("a.txt"), sep));
    QCOMPARE(m_list->entries(), entriesOf({{"cat", "a pet"}}));
    QVERIFY(m_defs->IsFileUpToDate());
    // No step taken on the list before applies to the file's entries.
    QVERIFY(!m_list->history().canUndo());
}

void TestDefFiles::loadFailure_reportsOnceAndKeepsList_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << QStringLiteral("missing.txt");
    QTest::newRow("a folder") << QStringLiteral("folder");
}

void TestDefFiles::loadFailure_reportsOnceAndKeepsList()
{
    QFETCH(QString, name);
    QDir(m_dir->path()).mkdir(QStringLiteral("folder"));
    m_list->replaceAll(entriesOf({{"keep", "me"}}));
    QVERIFY(m_defs->saveDefinitionFile(path("kept.txt"), sep));
    editFirstEntry();
    const TermEntries before = m_list->entries();

    QVERIFY(!m_defs->loadDefinitionFile(m_dir->filePath(name), sep));
    QCOMPARE(m_prompts->records.size(), 1);
    QVERIFY2(m_prompts->records[0].text.contains(
                 QStringLiteral("\r\nin Glossbox2021/08/31.DefManager.loadDefinitionFile at line 104\r\r")),
             qPrintable(m_prompts->records[0].text));
    QVERIFY(m_prompts->records[0].text.contains(name));
    QCOMPARE(m_list->entries(), before);
    QCOMPARE(m_defs->GetFileName(), QStringLiteral("kept.txt"));
    QVERIFY(!m_defs->IsFileUpToDate());
}

void TestDefFiles::saveFailure_reportsOnceAndKeepsEverything_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("line");
    QTest::newRow("onto a folder") << QStringLiteral("folder") << 104;
    QTest::newRow("below a file") << QStringLiteral("old.txt/inside.txt") << 104;
    QTest::newRow("into a missing folder") << QStringLiteral("nowhere/new.txt") << 104;
    QTest::newRow("folder moved before the commit") << QStringLiteral("moving/new.txt") << 116;
}

void TestDefFiles::saveFailure_reportsOnceAndKeepsEverything()
{
    QFETCH(QString, target);
    QFETCH(int, line);
    QDir(m_dir->path()).mkdir(QStringLiteral("folder"));
    QDir(m_dir->path()).mkdir(QStringLiteral("moving"));
    // Only a save that could open its file reaches the filter: the folder goes, the final rename fails.
    m_defs->setOutputFilter([this](QIODevice &) {
        QDir(m_dir->path()).rename(QStringLiteral("moving"), QStringLiteral("moved"));
        return std::unique_ptr<QIODevice>();
    });
    writeFile(path("old.txt"), "Valid Definition File\r\nold::content\r\n");
    QVERIFY(m_defs->loadDefinitionFile(path("old.txt"), sep));
    editFirstEntry();

    QVERIFY(!m_defs->saveDefinitionFile(m_dir->filePath(target), sep));
    QCOMPARE(m_prompts->records.size(), 1);
    QVERIFY2(m_prompts->records[0].text.contains(
                 QStringLiteral("\r\nin Glossbox2021/08/31.DefManager.saveDefinitionFile at line %1\r\r")
                     .arg(line)),
             qPrintable(m_prompts->records[0].text));
    QCOMPARE(readAll(path("old.txt")), QByteArray("Valid Definition File\r\nold::content\r\n"));
    QVERIFY(QFileInfo(path("folder")).isDir());
    QCOMPARE(m_defs->GetFileName(), QStringLiteral("old.txt"));
    QVERIFY(!m_defs->IsFileUpToDate());
}

void TestDefFiles::saveFailure_partWayLeavesOldFileIntact()
{
    const QByteArray old("Valid Definition File\r\nold::content\r\n");
    writeFile(path("list.txt"), old);
    TermEntries many;
    for (int i = 0; i < 200000; ++i)
        many.append({QStringLiteral("term %1").arg(i), QStringLiteral("definition %1").arg(i)});
    m_list->replaceAll(many);
    editFirstEntry();
    const QByteArray expected = encodeDefinitionFile(m_list->store(), sep);
    m_defs->setOutputFilter([](QIODevice &file) { return std::make_unique<FailAfterDevice>(file, 1500000); });

    QVERIFY(!m_defs->saveDefinitionFile(path("list.txt"), sep));
    QCOMPARE(m_prompts->records.size(), 1);
    QVERIFY(m_prompts->records[0].text.contains(QStringLiteral("No space left on device")));
    QVERIFY(m_prompts->records[0].text.contains(QStringLiteral("saveDefinitionFile at line 112")));
    QCOMPARE(readAll(path("list.txt")), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("list.txt")});
    QVERIFY(!m_defs->IsFileUpToDate());

    // Once the device works again the same list saves completely.
    m_defs->setOutputFilter({});
    QVERIFY(m_defs->saveDefinitionFile(path("list.txt"), sep));
    QCOMPARE(readAll(path("list.txt")), expected);
}

void TestDefFiles::fullDisk_everyWriteTellsTheTruth_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("format");
    QTest::addColumn<qint64>("free");
    const std::array<std::pair<int, const char *>, 5> formats{{{-1, "save"},
                                                               {int(ExportFormat::Csv), "CSV"},
                                                               {int(ExportFormat::Tsv), "TSV"},
                                                               {int(ExportFormat::Anki), "Anki"},
                                                               {int(ExportFormat::Kvtml), "KVTML"}}};
    for (const auto &[format, name] : formats)
        for (const int entries : {1, 10, 50, 300, 2000, 20000})
            for (const qint64 free : {qint64(0), qint64(4096)})
                QTest::addRow("%s, %d entries, %lld bytes free", name, entries, free)
                    << entries << format << free;
}

void TestDefFiles::fullDisk_everyWriteTellsTheTruth()
{
    QFETCH(int, entries);
    QFETCH(int, format);
    QFETCH(qint64, free);
    FullFileSystem disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    const QString target = disk.filePath(QStringLiteral("old.txt"));
    const QByteArray old("Valid Definition File\r\nold::content\r\n");
    writeFile(target, old);
    QVERIFY(m_defs->loadDefinitionFile(target, sep));
    m_list->replaceAll(numberedEntries(entries));
    editFirstEntry();
    QByteArray expected;
    if (format < 0)
        expected = encodeDefinitionFile(m_list->store(), sep);
    else
        writeExport(m_list->store(), ExportFormat(format), QStringLiteral("old"), [&](QByteArrayView chunk) {
            expected += chunk;
        });
    disk.fill(free);
    if (QTest::currentTestFailed())
        return;

    const bool written = format < 0 ? m_defs->saveDefinitionFile(target, sep)
                                    : m_defs->exportFile(target, ExportFormat(format));
    // A file that fits in what is left is written whole; any other is refused once, the old one kept.
    const bool fits = expected.size() <= free;
    QCOMPARE(written, fits);
    QCOMPARE(readAll(target), fits ? expected : old);
    QCOMPARE(disk.files(), QStringList{QStringLiteral("old.txt")});
    QCOMPARE(m_defs->IsFileUpToDate(), fits && format < 0);
    if (fits)
        return;
    QCOMPARE(m_prompts->records.size(), 1);
    QVERIFY2(m_prompts->records[0].text.startsWith(
                 QStringLiteral("Cannot write %1: No space left on device").arg(target)),
             qPrintable(m_prompts->records[0].text));
    QCOMPARE(m_defs->GetFileName(), QStringLiteral("old.txt"));
}

void TestDefFiles::saveFailure_readOnlyFolder()
{
    if (geteuid() == 0)
        QSKIP("root writes into read-only folders; the other save failures cover the path");
    QDir(m_dir->path()).mkdir(QStringLiteral("locked"));
    writeFile(path("locked/list.txt"), "old");
    QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QVERIFY(!m_defs->saveDefinitionFile(path("locked/list.txt"), sep));
    QFile::setPermissions(path("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(m_prompts->records.size(), 1);
    QCOMPARE(readAll(path("locked/list.txt")), QByteArray("old"));
}

void TestDefFiles::save_replacesABigFileAndLetsGoOfIt()
{
    writeFile(path("list.txt"), QByteArray(9 << 20, 'x'));
    m_list->replaceAll(entriesOf({{"cat", "a small animal"}}));
    QVERIFY(m_defs->saveDefinitionFile(path("list.txt"), sep));
    writeFile(path("list.txt"), QByteArray(9 << 20, 'y'));
    QVERIFY(m_defs->exportFile(path("list.txt"), ExportFormat::Tsv));
    QCOMPARE(readAll(path("list.txt")), QByteArray("cat\ta small animal\r\n"));
    // Once the writer is gone, nothing holds the replaced files.
    m_defs.reset();
    const QFileInfoList open =
        QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System);
    for (const QFileInfo &fd : open)
        QVERIFY2(!fd.symLinkTarget().startsWith(m_dir->path()), qPrintable(fd.symLinkTarget()));
}

void TestDefFiles::export_bigListComesBackWhole_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("CSV") << int(ExportFormat::Csv);
    QTest::newRow("TSV") << int(ExportFormat::Tsv);
    QTest::newRow("Anki") << int(ExportFormat::Anki);
    QTest::newRow("KVTML") << int(ExportFormat::Kvtml);
}

void TestDefFiles::export_bigListComesBackWhole()
{
    // Many times the size the writers gather before they write, with texts each format must quote or
    // escape along the way.
    QFETCH(int, format);
    TermStore store;
    for (int i = 0; i < 120000; ++i)
        store.append(QStringLiteral("term %1 \"&<,;\t").arg(i), QStringLiteral("définition %1 # é").arg(i));
    const TermEntries expected = store.toEntries();
    m_list->replaceAll(std::move(store));
    QVERIFY(m_defs->exportFile(path("out"), ExportFormat(format)));
    const QByteArray bytes = readAll(path("out"));
    const TermStore back = format == int(ExportFormat::Kvtml) ? readKvtml(bytes)
        : format == int(ExportFormat::Anki)
        ? readAnkiNotes(bytes)
        : readQuotedFields(bytes, format == int(ExportFormat::Csv) ? ',' : '\t');
    QCOMPARE(back.size(), expected.size());
    QCOMPARE(back.toEntries(), expected);
}

void TestDefFiles::import_eachChoiceReadsWhatItSays_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("recognised");
    QTest::addColumn<TermEntries>("expected");
    const auto utf16 = [](QStringView text) {
        return QByteArray(
            QStringEncoder(QStringConverter::Utf16LE, QStringEncoder::Flag::WriteBom).encode(text));
    };
    const int literal = int(ImportFormat::Literal);
    QTest::newRow("semicolons, not commas")
        << QByteArray("a;b, c\r\nd,e;f\r\n") << int(ImportFormat::Semicolon) << literal
        << entriesOf({{"a", "b, c"}, {"d,e", "f"}});
    QTest::newRow("UTF-16 CSV with the comma choice")
        << utf16(u"café,naïve\r\n\"x, y\",z\r\n") << int(ImportFormat::Comma) << literal
        << entriesOf({{"café", "naïve"}, {"x, y", "z"}});
    QTest::newRow("UTF-16 KVTML, recognised")
        << utf16(u"<?xml version=\"1.0\"?>\n<kvtml><e><o>l&apos;eau</o><t>water</t></e></kvtml>")
        << int(ImportFormat::Kvtml) << int(ImportFormat::Kvtml) << entriesOf({{"l'eau", "water"}});
    QTest::newRow("an Anki note's references")
        << QByteArray("#separator:tab\n#html:true\nl&apos;eau\tl&#39;eau &amp; &lt;b&gt;\n")
        << int(ImportFormat::Anki) << int(ImportFormat::Anki) << entriesOf({{"l'eau", "l'eau & <b>"}});
}

void TestDefFiles::import_eachChoiceReadsWhatItSays()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, format);
    QFETCH(int, recognised);
    QFETCH(TermEntries, expected);
    writeFile(path("in"), bytes);
    QCOMPARE(int(recogniseImportFile(path("in"))), recognised);
    const std::optional<TermStore> read = m_defs->readImportFile(path("in"), ImportFormat(format), {});
    QVERIFY2(m_prompts->records.isEmpty(), qPrintable(m_prompts->records.value(0).text));
    QVERIFY(read);
    QCOMPARE(read->toEntries(), expected);
}

void TestDefFiles::model_holdsAMillionEntriesInOneReset()
{
    m_tester.reset(); // the tester's checks on every row would dominate here
    int resets = 0;
    int inserts = 0;
    connect(m_list.get(), &QAbstractItemModel::modelReset, this, [&] { ++resets; });
    connect(m_list.get(), &QAbstractItemModel::rowsInserted, this, [&] { ++inserts; });
    TermStore store;
    for (int i = 0; i < 999999; ++i)
        store.append(u"term", u"definition");
    store.append(u"last", u"definition");
    m_list->replaceAll(std::move(store));
    QCOMPARE(resets, 1);
    QCOMPARE(inserts, 0);
    QCOMPARE(m_defs->GetEntryCount(), 1000000);
    QCOMPARE(m_defs->GetTerm(999999), QStringLiteral("last"));
    QVERIFY_THROWS_EXCEPTION(Failure, m_defs->GetTerm(1000000));
    QVERIFY_THROWS_EXCEPTION(Failure, m_defs->GetDefinition(-1));
    QCOMPARE(m_list->rowCount(), 1000000);
}

void TestDefFiles::store_editsInsertsAndRemovesAcrossBlocks()
{
    // A loaded file's text, typed entries after it, then edits anywhere: each entry keeps its own text.
    TermStore store = readDefinitionEntries("a::1\r\nb::2\r\nc::3\r\n", u"::");
    TermEntries expected{{QStringLiteral("a"), QStringLiteral("1")},
                         {QStringLiteral("b"), QStringLiteral("2")},
                         {QStringLiteral("c"), QStringLiteral("3")}};
    QRandomGenerator generator(7);
    for (int step = 0; step < 300; ++step) {
        const int position = int(generator.bounded(expected.size() + 1));
        const TermEntry entry{QStringLiteral("t%1").arg(step), QStringLiteral("d%1 \u00fc").arg(step)};
        switch (generator.bounded(4)) {
        case 0:
            store.append(entry.term, entry.definition);
            expected.append(entry);
            break;
        case 1:
            store.insertAt(position, entry.term, entry.definition);
            expected.insert(position, entry);
            break;
        case 2:
            if (position < expected.size()) {
                store.replaceAt(position, entry.term, expected[position].definition);
                expected[position].term = entry.term;
            }
            break;
        default:
            if (position < expected.size()) {
                store.removeAt(position);
                expected.removeAt(position);
            }
        }
        QCOMPARE(store.toEntries(), expected);
    }
}

void TestDefFiles::search_findsFoldedTextAfterTheCurrentEntry_data()
{
    QTest::addColumn<TermEntries>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("column");

    const TermEntries words = entriesOf({{"Apple", "a fruit"},
                                         {"café", "coffee house"},
                                         {"Straße", "street"},
                                         {"cafe\u0301 noir", "black coffee"},
                                         {"가", "ga"},
                                         {"が", "ga (kana)"},
                                         {"\U00010400", "Deseret capital long i"},
                                         {"ab", "cd"},
                                         {"aaab", "a run"}});
    QTest::newRow("case") << words << QStringLiteral("APPLE") << -1 << 0 << 0;
    QTest::newRow("accent in the list") << words << QStringLiteral("cafe") << 0 << 1 << 0;
    QTest::newRow("accent typed, capital") << words << QStringLiteral("CAFÉ") << 1 << 3 << 0;
    QTest::newRow("combining accent in the list") << words << QStringLiteral("é noir") << -1 << 3 << 0;
    QTest::newRow("definition column") << words << QStringLiteral("HOUSE") << -1 << 1 << 1;
    QTest::newRow("after the current") << words << QStringLiteral("coffee") << 1 << 3 << 1;
    QTest::newRow("wraps to the start") << words << QStringLiteral("fruit") << 4 << 0 << 1;
    QTest::newRow("from the last wraps") << words << QStringLiteral("apple") << 8 << 0 << 0;
    QTest::newRow("only the current") << words << QStringLiteral("street") << 2 << 2 << 1;
    QTest::newRow("letter of its own") << words << QStringLiteral("strasse") << -1 << -1 << 0;
    QTest::newRow("Hangul stays whole") << words << QStringLiteral("각") << -1 << -1 << 0;
    QTest::newRow("kana keeps its voicing") << words << QStringLiteral("か") << -1 << -1 << 0;
    QTest::newRow("beyond the basic plane") << words << QStringLiteral("\U00010428") << -1 << 6 << 0;
    QTest::newRow("never across term and definition") << words << QStringLiteral("bc") << -1 << -1 << 0;
    QTest::newRow("restarts inside a partial match") << words << QStringLiteral("AAB") << -1 << 8 << 0;
    QTest::newRow("not found") << words << QStringLiteral("pear") << 3 << -1 << 0;
    QTest::newRow("accents only") << words << QStringLiteral("\u0301") << -1 << -1 << 0;
    QTest::newRow("empty list") << TermEntries() << QStringLiteral("a") << -1 << -1 << 0;
    // The pieces of these lie one after the other in one block, and a scan runs on through them.
    const TermEntries adjacent =
        entriesOf({{"ab", "cd"}, {"ef", "øre"}, {"x", "\u212A"}, {"Éclair", "a cake"}});
    QTest::newRow("never across entries") << adjacent << QStringLiteral("de") << -1 << -1 << 0;
    QTest::newRow("first letter only beyond ASCII") << adjacent << QStringLiteral("ØRE") << -1 << 1 << 1;
    QTest::newRow("sign folding to a letter") << adjacent << QStringLiteral("k") << -1 << 2 << 1;
    QTest::newRow("capital with accent folding to a letter")
        << adjacent << QStringLiteral("eclair") << -1 << 3 << 0;
    const TermEntries longWords = entriesOf(
        {{"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxZebra", "x"}, {"xxxxxxxxxxxxxxxZebra", "xxxxxxxxxxxxxxxxxqrs"}});
    QTest::newRow("starting at the last of sixteen bytes")
        << longWords << QStringLiteral("zebra") << -1 << 0 << 0;
    QTest::newRow("in the last bytes of the block") << longWords << QStringLiteral("QRS") << 0 << 1 << 1;
}

void TestDefFiles::search_findsFoldedTextAfterTheCurrentEntry()
{
    QFETCH(TermEntries, entries);
    QFETCH(QString, text);
    QFETCH(int, current);
    QFETCH(int, position);
    QFETCH(int, column);
    const TermStore store = TermStore::fromEntries(entries);
    const TermSearch::Match match = TermSearch(text).findAfter(store, current);
    QCOMPARE(match.position, position);
    if (match.found())
        QCOMPARE(match.column, column);
}

void TestDefFiles::search_wrapsThroughEverySliceAndEveryBlock()
{
    // Typed entries fill blocks of growing size; one more goes in between.
    TermEntries numbered;
    for (int i = 0; i < 40000; ++i)
        numbered.append({QStringLiteral("t%1").arg(i), QStringLiteral("x")});
    TermStore store = TermStore::fromEntries(numbered);
    store.append(u"Zürich", u"city");
    store.insertAt(5, u"zurich lake", u"lake");

    int slices = 0;
    const auto count = [&] {
        ++slices;
    };
    const TermSearch zurich(u"ZURICH");
    // From the last entry round to the inserted one, then on to the appended one.
    TermSearch::Match match = zurich.findAfter(store, store.size() - 1, count);
    QCOMPARE(match.position, 5);
    match = zurich.findAfter(store, match.position, count);
    QCOMPARE(match.position, store.size() - 1);
    QCOMPARE(store.term(match.position), QStringLiteral("Zürich"));
    slices = 0;
    QVERIFY(!TermSearch(u"t40000").findAfter(store, 17, count).found());
    // Every entry once: the slices of the two stretches around the end, the last one not counted.
    QCOMPARE(slices, 3);
    QCOMPARE(TermSearch(u"t39999").findAfter(store, 39990).position, 39999 + 1);
}

void TestDefFiles::search_findsTheFirstMatchAfterTheCurrent_data()
{
    QTest::addColumn<QList<int>>("holding");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("position");

    // Slices of 16,384 entries from the one after the current.
    QTest::newRow("in the first slice") << QList<int>{99000, 100} << -1 << 100;
    QTest::newRow("earlier slice wins") << QList<int>{99000, 40000, 20000} << -1 << 20000;
    QTest::newRow("last of a slice") << QList<int>{32768, 32767} << -1 << 32767;
    QTest::newRow("after the current, not the first") << QList<int>{10, 70000} << 50000 << 70000;
    QTest::newRow("wraps round") << QList<int>{500} << 60000 << 500;
    QTest::newRow("the last entry") << QList<int>{0, 99999} << 80000 << 99999;
    QTest::newRow("only the current") << QList<int>{42000} << 42000 << 42000;
    QTest::newRow("none") << QList<int>{} << 7 << -1;
}

void TestDefFiles::search_findsTheFirstMatchAfterTheCurrent()
{
    QFETCH(QList<int>, holding);
    QFETCH(int, current);
    QFETCH(int, position);
    TermEntries entries;
    for (int i = 0; i < 100000; ++i)
        entries.append({QStringLiteral("t%1").arg(i), QStringLiteral("x")});
    for (const int i : holding)
        entries[i].definition = QStringLiteral("a Ñandú");
    const TermStore store = TermStore::fromEntries(entries);
    const TermSearch search(u"ñandu");
    int slices = 0;
    QCOMPARE(search.findAfter(store, current, [&] { ++slices; }).position, position);
    // A search that finds nothing tells between all the slices it searched.
    if (position < 0)
        QCOMPARE(slices, 100000 / (1 << 14) + 1);
}

QTEST_GUILESS_MAIN(TestDefFiles)
#include "tst_deffiles.moc"
