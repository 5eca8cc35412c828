#include "deffiles/definitiontext.h"
#include "tests/support/appfixture.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString sep = QStringLiteral("::");
}

// Every bad file, save target and settings file gets one clear answer, and nothing is lost.
class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void load_refusedCleanly_data();
    void load_refusedCleanly();
    void importFormats_refusedCleanly_data();
    void importFormats_refusedCleanly();
    void load_oddButReadable_data();
    void load_oddButReadable();
    void load_unreadablePermission();
    void import_badFileAmongGoodOnes();

    void save_failuresKeepTheOldFile_data();
    void save_failuresKeepTheOldFile();
    void fullDisk_saveAndCloseKeepTheListAndItsCopy();

    void settings_garbageFileStillStarts_data();
    void settings_garbageFileStillStarts();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestHostile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestHostile::load_refusedCleanly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("mentioned"); // what the report must say
    QTest::newRow("an image") << QStringLiteral("image") << QStringLiteral("binary data");
    QTest::newRow("NUL bytes in text") << QStringLiteral("nul") << QStringLiteral("binary data");
    QTest::newRow("a folder") << QStringLiteral("folder") << QStringLiteral("is a folder");
    QTest::newRow("a pipe") << QStringLiteral("fifo") << QStringLiteral("not a regular file");
    QTest::newRow("an endless device") << QStringLiteral("device") << QStringLiteral("not a regular file");
    QTest::newRow("300 MB in one line") << QStringLiteral("huge") << QStringLiteral("256 MB");
    QTest::newRow("vanished before reading") << QStringLiteral("missing") << QStringLiteral("File not found");
}

void TestHostile::load_refusedCleanly()
{
    QFETCH(QString, kind);
    QFETCH(QString, mentioned);
    QString path = m_dir->filePath(kind);
    if (kind == QStringLiteral("image")) {
        QByteArray png = literalBytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0");
        png.append(QByteArray(400, '\x7f')).append(":: a::b\r\n");
        writeFile(path, png);
    } else if (kind == QStringLiteral("nul")) {
        writeFile(path, literalBytes("cat::a small animal\r\ndog::a loyal\0pet\r\n"));
    } else if (kind == QStringLiteral("folder")) {
        QDir().mkpath(path);
    } else if (kind == QStringLiteral("fifo")) {
        QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    } else if (kind == QStringLiteral("device")) {
        path = QStringLiteral("/dev/zero");
    } else if (kind == QStringLiteral("huge")) {
        // A sparse file: it claims 300 MB without taking the space.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(300) * 1000 * 1000));
    }
    AppFixture fixture;
    fixture.setEntries(numberedEntries(3));
    QVERIFY(!fixture.app.defs().loadDefinitionFile(path, sep));
    QCOMPARE(fixture.prompts.records.size(), 1);
    QVERIFY2(fixture.prompts.records[0].text.contains(mentioned),
             qPrintable(fixture.prompts.records[0].text));
    QVERIFY(
        fixture.prompts.records[0].text.contains(QStringLiteral("DefManager.loadDefinitionFile at line")));
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(3));
}

void TestHostile::importFormats_refusedCleanly_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: a sparse file of 300 MB
    QTest::addColumn<ImportFormat>("format");
    QTest::addColumn<QString>("mentioned");
    QByteArray bomb("<?xml version=\"1.0\"?>\n<!DOCTYPE kvtml [\n<!ENTITY a0 \"lol\">\n");
    for (int i = 1; i < 10; ++i)
        bomb += QStringLiteral("<!ENTITY a%1 \"%2\">\n")
                    .arg(i)
                    .arg(QStringLiteral("&a%1;").arg(i - 1).repeated(10))
                    .toUtf8();
    bomb += "]>\n<kvtml><e><o>&a9;</o><t>x</t></e></kvtml>";
    QTest::newRow("300 MB of XML") << QByteArray() << ImportFormat::Kvtml << QStringLiteral("256 MB");
    QTest::newRow("NUL bytes, comma choice")
        << literalBytes("a,b\r\nc,\0d\r\n") << ImportFormat::Comma << QStringLiteral("binary data");
    QTest::newRow("NUL bytes in XML") << literalBytes("<kvtml>\n<e><o>a\0</o><t>b</t></e></kvtml>")
                                      << ImportFormat::Kvtml << QStringLiteral("at line 2 ");
    QTest::newRow("an entity bomb") << bomb << ImportFormat::Kvtml
                                    << QStringLiteral("at line 2 it declares entities");
}

void TestHostile::importFormats_refusedCleanly()
{
    QFETCH(QByteArray, content);
    QFETCH(ImportFormat, format);
    QFETCH(QString, mentioned);
    const QString path = m_dir->filePath(QStringLiteral("list"));
    if (content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(300) * 1000 * 1000));
    } else {
        writeFile(path, content);
    }
    AppFixture fixture;
    fixture.setEntries(numberedEntries(3));
    QVERIFY(!fixture.app.defs().readImportFile(path, format, {}));
    QCOMPARE(fixture.prompts.records.size(), 1);
    QVERIFY2(fixture.prompts.records[0].text.contains(mentioned),
             qPrintable(fixture.prompts.records[0].text));
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(3));
}

void TestHostile::load_oddButReadable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<TermEntries>("expected");
    const TermEntries cat{{QStringLiteral("cat"), QStringLiteral("a small animal")}};
    QTest::newRow("spaces in the name")
        << QStringLiteral("my word list.txt") << QByteArray("cat::a small animal") << cat;
    QTest::newRow("non-ASCII name") << QStringLiteral("Wörter – 単語.txt")
                                    << QByteArray("cat::a small animal") << cat;
    QTest::newRow("newline in the name")
        << QStringLiteral("two\nlines.txt") << QByteArray("cat::a small animal") << cat;
    QTest::newRow("invalid UTF-8 in the middle")
        << QStringLiteral("mixed.txt") << QByteArray("cat::a small animal\r\ncaf\xe9::coffee\r\n")
        << TermEntries{{QStringLiteral("cat"), QStringLiteral("a small animal")},
                       {QStringLiteral("café"), QStringLiteral("coffee")}};
    QTest::newRow("empty file") << QStringLiteral("empty.txt") << QByteArray() << TermEntries{};
    QTest::newRow("only line breaks")
        << QStringLiteral("breaks.txt") << QByteArray("\r\n\n\r\r\n") << TermEntries{};
}

void TestHostile::load_oddButReadable()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(TermEntries, expected);
    AppFixture fixture;
    const QString path = m_dir->filePath(name);
    writeFile(path, content);
    QVERIFY(fixture.app.defs().loadDefinitionFile(path, sep));
    QCOMPARE(fixture.app.defs().list().entries(), expected);
    QCOMPARE(fixture.app.defs().GetFileName(), name);
    QVERIFY(fixture.prompts.records.isEmpty());
}

void TestHostile::load_unreadablePermission()
{
    if (geteuid() == 0)
        QSKIP("root reads files without read permission");
    const QString path = m_dir->filePath(QStringLiteral("secret.txt"));
    writeFile(path, "a::b");
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    AppFixture fixture;
    fixture.setEntries(numberedEntries(1));
    QVERIFY(!fixture.app.defs().loadDefinitionFile(path, sep));
    QCOMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(1));
}

void TestHostile::import_badFileAmongGoodOnes()
{
    const QString good = m_dir->filePath(QStringLiteral("good.txt"));
    writeFile(good, "a::1\r\n");
    const QString binary = m_dir->filePath(QStringLiteral("photo.jpg"));
    writeFile(binary, literalBytes("\xff\xd8\xff\xe0\0\x10JFIF\0::"));
    AppFixture fixture;
    fixture.prompts.answerFiles({binary, QStringLiteral("/dev/zero"), good});
    for (int i = 0; i < 3; ++i)
        fixture.prompts.answerText(sep);
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.ofKind(PromptRecord::Kind::Message).size(), 2);
    QCOMPARE(fixture.app.defs().list().entries(), (TermEntries{{QStringLiteral("a"), QStringLiteral("1")}}));
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestHostile::save_failuresKeepTheOldFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("onto a folder") << QStringLiteral("folder");
    QTest::newRow("device full part-way") << QStringLiteral("full");
    QTest::newRow("read-only folder") << QStringLiteral("readonly-folder");
    QTest::newRow("read-only file") << QStringLiteral("readonly-file");
}

void TestHostile::save_failuresKeepTheOldFile()
{
    QFETCH(QString, kind);
    const bool root = geteuid() == 0;
    if (kind == QStringLiteral("readonly-folder") && root)
        QSKIP("root writes into read-only folders");
    AppFixture fixture;
    DefManager &defs = fixture.app.defs();
    const QByteArray old("Valid Definition File\r\nold::entry\r\n");
    QString target = m_dir->filePath(QStringLiteral("list.txt"));
    writeFile(target, old);
    QVERIFY(defs.loadDefinitionFile(target, sep));
    fixture.setEntries(numberedEntries(50000));
    fixture.typeEntries({{QStringLiteral("typed"), QStringLiteral("entry")}});
    if (kind == QStringLiteral("folder")) {
        target = m_dir->filePath(QStringLiteral("folder"));
        QDir().mkpath(target);
    } else if (kind == QStringLiteral("full")) {
        defs.setOutputFilter([](QIODevice &file) { return std::make_unique<FailAfterDevice>(file, 4096); });
    } else if (kind == QStringLiteral("readonly-folder")) {
        QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    } else {
        QFile::setPermissions(target, QFileDevice::ReadOwner);
    }
    const bool saved = defs.saveDefinitionFile(target, sep);
    QFile::setPermissions(m_dir->path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Root may replace a read-only file; then the save is complete. Otherwise: one report, nothing lost.
    if (saved) {
        QVERIFY(kind == QStringLiteral("readonly-file") && root);
        QCOMPARE(readAll(target), encodeDefinitionFile(defs.list().store(), sep));
        return;
    }
    QCOMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(readAll(m_dir->filePath(QStringLiteral("list.txt"))), old);
    QCOMPARE(defs.GetFileName(), QStringLiteral("list.txt"));
    QVERIFY(!defs.IsFileUpToDate());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 1);
}

void TestHostile::fullDisk_saveAndCloseKeepTheListAndItsCopy()
{
    FullFileSystem disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    QTemporaryDir data;
    AppFixture fixture(builtProgramFolder(), nullptr, data.path());
    const QString target = disk.filePath(QStringLiteral("old.txt"));
    const QByteArray old("Valid Definition File\r\nold::entry\r\n");
    writeFile(target, old);
    QVERIFY(fixture.app.defs().loadDefinitionFile(target, sep));
    fixture.typeEntries(numberedEntries(3));
    QTRY_COMPARE(QDir(data.path()).entryList({QStringLiteral("*.copy")}).size(), 1);
    disk.fill();

    fixture.prompts.answerSavePath(target);
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton2"), Qt::LeftButton);
    fixture.prompts.answerChoice(Prompts::SaveChoice::Save);
    fixture.prompts.answerSavePath(target);
    QVERIFY(!fixture.form1().close());

    const QList<PromptRecord> reports = fixture.prompts.ofKind(PromptRecord::Kind::Message);
    QCOMPARE(reports.size(), 2);
    for (const PromptRecord &report : reports)
        QVERIFY2(
            report.text.startsWith(QStringLiteral("Cannot write %1: No space left on device").arg(target)),
            qPrintable(report.text));
    QVERIFY(fixture.form1().isVisible());
    QVERIFY(!fixture.app.programEnded());
    QCOMPARE(fixture.app.defs().GetEntryCount(), 4);
    QCOMPARE(readAll(target), old);
    QCOMPARE(disk.files(), QStringList{QStringLiteral("old.txt")});
    QCOMPARE(QDir(data.path()).entryList({QStringLiteral("*.copy")}).size(), 1);
    QVERIFY2(fixture.prompts.problems().isEmpty(), qPrintable(fixture.prompts.problems()));
}

void TestHostile::settings_garbageFileStillStarts_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("reports");
    QTest::addColumn<bool>("termGiven");
    QTest::newRow("random bytes") << QByteArray("\x89\0\xff garbage \x01\x02[[[===\n\0") << 0 << true;
    QTest::newRow("truncated") << QByteArray("[Glossmere]\nOption1=Fal") << 1 << true;
    // A value of a type that cannot be read counts as missing; a list is text that is no boolean.
    QTest::newRow("wrong types") << QByteArray(
        "[Glossmere]\nOption1=@Variant(\\0\\0\\0\\x7f)\nOption2=1, 2, 3\n")
                                 << 1 << true;
    QTest::newRow("other direction, huge number")
        << QByteArray("[Glossmere]\nOption1=0\nOption2=1e308\n") << 0 << false;
}

void TestHostile::settings_garbageFileStillStarts()
{
    QFETCH(QByteArray, file);
    QFETCH(int, reports);
    QFETCH(bool, termGiven);
    IsolatedSettings settings(file);
    AppFixture fixture(settings.settings());
    fixture.setEntries(numberedEntries(4));
    for (int i = 0; i < 50; ++i)
        fixture.random.add(0.5);
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton2"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.ofKind(PromptRecord::Kind::Message).size(), reports);
    QCOMPARE(control<QRadioButton>(&fixture.form2(), "Option1")->isChecked(), termGiven);
    QCOMPARE(control<QRadioButton>(&fixture.form2(), "Option2")->isChecked(), !termGiven);
    QVERIFY(fixture.form3().isVisible());
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
