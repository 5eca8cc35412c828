#include "common/failure.h"
#include "safetycopy/safetycopy.h"
#include "tests/support/appfixture.h"

#include <QDir>

// The copy of unsaved work: when it is written and removed, what it holds, and offering it back.
class TestSafetyCopy : public QObject
{
    Q_OBJECT

private slots:
    void schedule_writesAfterAPauseAtTheLatestAfterTwoSeconds();
    void copy_keepsEveryTextExactly();
    void copy_writtenBeforeTypedTextsStillReads();
    void copy_damagedIsRefused_data();
    void copy_damagedIsRefused();
    void start_offersAnOrphanedCopy_data();
    void start_offersAnOrphanedCopy();
    void start_damagedCopyIsSetAside_data();
    void start_damagedCopyIsSetAside();
    void start_restoredCopyThatCannotBeTakenOverStays();
    void start_twoCopiesAreOfferedNewestFirst();
    void session_typedTextIsCopiedWhileTheListIsUpToDate();
    void writer_failureIsSaidOnceUntilAWriteSucceeds();
    void writer_fullDiskKeepsTheLastCopy();
    void twoSessions_keepTheirOwnCopies();
};

void TestSafetyCopy::schedule_writesAfterAPauseAtTheLatestAfterTwoSeconds()
{
    using Action = SafetyCopySchedule::Action;
    SafetyCopySchedule schedule;
    QCOMPARE(schedule.nextDue(), -1);
    schedule.changed(0, true);
    QCOMPARE(schedule.take(999), Action::None);
    // Typing on delays it, but not past two seconds after the first change.
    schedule.changed(900, true);
    schedule.changed(1800, true);
    QCOMPARE(schedule.nextDue(), 2000);
    QCOMPARE(schedule.take(2000), Action::Write);
    QCOMPARE(schedule.take(5000), Action::None);
    schedule.changed(6000, true);
    QCOMPARE(schedule.take(7000), Action::Write);
    // Saved, or undone back to the saved state: the copy goes at once, and no write is left pending.
    schedule.changed(7100, true);
    schedule.changed(7200, false);
    QCOMPARE(schedule.take(7200), Action::Remove);
    QCOMPARE(schedule.nextDue(), -1);
    QCOMPARE(schedule.take(99999), Action::None);
    // Changed again before the removal was taken: the copy is written, not removed.
    schedule.changed(100000, false);
    schedule.changed(100001, true);
    QCOMPARE(schedule.take(100001), Action::None);
    QCOMPARE(schedule.take(101001), Action::Write);
}

void TestSafetyCopy::copy_keepsEveryTextExactly()
{
    const TermEntries tricky{{QStringLiteral("a::b"), QStringLiteral(" spaced ")},
                             {QString(), QStringLiteral("ÜBER \u05e9\u05dc\u05d5\u05dd 😀")},
                             {QStringLiteral("\uFEFFmark"), QString()}};

    const struct
    {
        TermEntry extra;
        TypedTexts typed;
    } cases[]{{{}, {}},
              {{QStringLiteral("tab\there"), QStringLiteral("no break")}, {}},
              {{QStringLiteral("tab\there"), QStringLiteral("line\r\nbreak%41\n")}, {}},
              // What the boxes hold may look like the copy's own separators and lines.
              {{}, {QStringLiteral("a::b:"), QStringLiteral("100%\r\nEntries: 3\t::")}},
              {{}, {QString(), QStringLiteral("definition only")}},
              {{QStringLiteral("tab\there"), QString()}, {QStringLiteral("\uFEFFterm only"), QString()}}};

    for (const auto &[extra, typed] : cases) {
        TermEntries entries = tricky;
        if (!extra.term.isEmpty())
            entries.append(extra);
        const QByteArray bytes =
            encodeSafetyCopy(TermStore::fromEntries(entries), QStringLiteral("my list 100%.txt"), typed);
        const SafetyCopyContent back = decodeSafetyCopy(bytes);
        QCOMPARE(back.entries.toEntries(), entries);
        QCOMPARE(back.fileName, QStringLiteral("my list 100%.txt"));
        QCOMPARE(back.typed.term, typed.term);
        QCOMPARE(back.typed.definition, typed.definition);
    }
}

void TestSafetyCopy::copy_writtenBeforeTypedTextsStillReads()
{
    // A copy as the program wrote it before it kept typed texts, left by a session of that version.
    const QByteArray old("Glossmere safety copy\r\n"
                         "File: animals%20100%25.txt\r\n"
                         "Entries: 2\r\n"
                         "Texts: tab-separated\r\n"
                         "Valid Definition File\r\n"
                         "cat\ta small animal\r\n"
                         "Typed: \tnot a header\r\n"
                         "End of safety copy\r\n");
    const SafetyCopyContent back = decodeSafetyCopy(old);
    QCOMPARE(back.fileName, QStringLiteral("animals 100%.txt"));
    QCOMPARE(back.entries.toEntries(),
             (TermEntries{{QStringLiteral("cat"), QStringLiteral("a small animal")},
                          {QStringLiteral("Typed: "), QStringLiteral("not a header")}}));
    QVERIFY(back.typed.isEmpty());
}

void TestSafetyCopy::copy_damagedIsRefused_data()
{
    const QByteArray whole =
        encodeSafetyCopy(TermStore::fromEntries(numberedEntries(3)), QStringLiteral("x"));
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut short") << whole.left(whole.size() - 30);
    // Every entry still counted, the last one cut.
    QTest::newRow("cut in its last line") << whole.chopped(5);
    QTest::newRow("a line lost") << QByteArray(whole).replace("term 1\tdefinition 1\r\n", "");
    QTest::newRow("typed texts without their separator")
        << QByteArray(whole).replace("File: x\r\n", "File: x\r\nTyped: term%3A%3Adefinition\r\n");
    QTest::newRow("garbage") << QByteArray("\x7f"
                                           "ELF\x02\x01\x01",
                                           7);
}

void TestSafetyCopy::copy_damagedIsRefused()
{
    QFETCH(QByteArray, bytes);
    QVERIFY_THROWS_EXCEPTION(Failure, decodeSafetyCopy(bytes));
}

void TestSafetyCopy::start_offersAnOrphanedCopy_data()
{
    const TermEntries two{{QStringLiteral("cat"), QStringLiteral("a small animal")},
                          {QStringLiteral("R&D"), QStringLiteral("<b>")}};
    const QString named = QStringLiteral("animals.txt");
    QTest::addColumn<bool>("restore");
    QTest::addColumn<TermEntries>("entries");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("term"); // typed into the boxes, not added
    QTest::addColumn<QString>("definition");
    QTest::addColumn<QString>("count");
    QTest::newRow("yes") << true << two << named << QString() << QString() << QStringLiteral("2 entries");
    QTest::newRow("no") << false << two << named << QString() << QString() << QStringLiteral("2 entries");
    QTest::newRow("yes, one entry") << true << two.first(1) << named << QString() << QString()
                                    << QStringLiteral("1 entry");
    // A copy of an empty list is removed without a question.
    QTest::newRow("empty") << false << TermEntries() << named << QString() << QString() << QString();
    QTest::newRow("yes, entries and a typed term") << true << two << named << QStringLiteral("dog")
                                                   << QString() << QStringLiteral("2 entries and text typed");
    // A new list with only a half-typed entry: the list stays as a start leaves it, up to date.
    QTest::newRow("yes, nothing but typed texts")
        << true << TermEntries() << QString() << QStringLiteral("d::g 100%") << QStringLiteral("a pet")
        << QStringLiteral("0 entries and text typed");
    QTest::newRow("no, a typed definition")
        << false << TermEntries() << QString() << QString() << QStringLiteral("a pet")
        << QStringLiteral("0 entries and text typed");
}

void TestSafetyCopy::start_offersAnOrphanedCopy()
{
    QFETCH(bool, restore);
    QFETCH(TermEntries, entries);
    QFETCH(QString, fileName);
    QFETCH(QString, term);
    QFETCH(QString, definition);
    QFETCH(QString, count);
    QTemporaryDir data;
    // What a session killed with unsaved edits leaves: its copy, and a lock no process holds.
    const QString orphan = data.filePath(QStringLiteral("session-1-dead.copy"));
    writeFile(orphan, encodeSafetyCopy(TermStore::fromEntries(entries), fileName, {term, definition}));
    AppFixture fixture(builtProgramFolder(), nullptr, data.path());
    if (count.isEmpty()) {
        QTRY_VERIFY(!QFile::exists(orphan));
        QVERIFY(fixture.prompts.records.isEmpty());
        QCOMPARE(fixture.app.defs().GetFileName(), QString());
        return;
    }
    fixture.prompts.script(restore);
    QTRY_COMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(
        fixture.prompts.records[0].text,
        QStringLiteral("Glossmere did not close normally. Restore the unsaved list from that session (%1)?")
            .arg(count));
    QCOMPARE(fixture.prompts.records[0].title, QStringLiteral("Glossmere"));
    QCOMPARE(fixture.app.defs().list().entries(), restore ? entries : TermEntries());
    QCOMPARE(fixture.app.defs().GetFileName(), restore ? fileName : QString());
    QCOMPARE(fixture.app.defs().IsFileUpToDate(), !restore || (entries.isEmpty() && fileName.isEmpty()));
    QCOMPARE(control<QLineEdit>(&fixture.form1(), "Text1")->text(), restore ? term : QString());
    QCOMPARE(control<QLineEdit>(&fixture.form1(), "Text2")->text(), restore ? definition : QString());
    QVERIFY(!QFile::exists(orphan));
    const QStringList copies = QDir(data.path()).entryList({QStringLiteral("*.copy")});
    if (restore) {
        // The restored list is unsaved work again, and a kill right after the answer, before this
        // session's first write is due, must not lose it: the copy is there at once.
        QCOMPARE(copies.size(), 1);
        const SafetyCopyContent kept = decodeSafetyCopy(readAll(data.filePath(copies.first())));
        QCOMPARE(kept.entries.toEntries(), entries);
        QCOMPARE(kept.fileName, fileName);
        QCOMPARE(kept.typed.term, term);
    } else {
        QVERIFY(copies.isEmpty());
    }
}

void TestSafetyCopy::start_damagedCopyIsSetAside_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("set aside") << QStringLiteral("session-1-dead.copy");
    // A name that, with the suffix added, is longer than a folder takes: it cannot be renamed.
    QTest::newRow("cannot be renamed") << QStringLiteral("session-%1.copy").arg(QString(217, u'x'));
}

void TestSafetyCopy::start_damagedCopyIsSetAside()
{
    QFETCH(QString, name);
    QTemporaryDir data;
    const QString path = data.filePath(name);
    writeFile(path, "Glossmere safety copy\r\nFile: ");
    AppFixture fixture(builtProgramFolder(), nullptr, data.path());
    QTRY_COMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(fixture.prompts.records[0].kind, PromptRecord::Kind::Message);
    const QString &text = fixture.prompts.records[0].text;
    QVERIFY(text.startsWith(QStringLiteral("The unsaved list of an earlier session cannot be read back. ")));
    const QStringList aside = QDir(data.path()).entryList({name + QStringLiteral(".damaged-*")});
    if (QFile::exists(path)) {
        QCOMPARE(text.mid(text.indexOf(QStringLiteral("Its "))),
                 QStringLiteral("Its copy is still at %1.").arg(path));
        QVERIFY(aside.isEmpty());
    } else {
        QCOMPARE(aside.size(), 1);
        QVERIFY(text.endsWith(QStringLiteral("Its copy was kept as %1.").arg(data.filePath(aside.first()))));
    }
    QVERIFY(fixture.app.defs().list().entries().isEmpty());
}

void TestSafetyCopy::start_restoredCopyThatCannotBeTakenOverStays()
{
    QTemporaryDir data;
    const TermEntries entries = numberedEntries(2);
    const QString orphan = data.filePath(QStringLiteral("session-1-dead.copy"));
    writeFile(orphan, encodeSafetyCopy(TermStore::fromEntries(entries), QStringLiteral("list.txt")));
    AppFixture fixture(builtProgramFolder(), nullptr, data.path());
    // A file already where this session's copy goes: the old copy cannot be renamed to it.
    const QStringList locks = QDir(data.path()).entryList({QStringLiteral("session-*.copy.lock")});
    QCOMPARE(locks.size(), 1);
    writeFile(data.filePath(locks.first().chopped(5)), "in the way");
    fixture.prompts.answerYes();
    QTRY_COMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(fixture.app.defs().list().entries(), entries);
    QCOMPARE(decodeSafetyCopy(readAll(orphan)).entries.toEntries(), entries);
}

void TestSafetyCopy::start_twoCopiesAreOfferedNewestFirst()
{
    QTemporaryDir data;
    // Two sessions that crashed; by name the older copy would come first, so only the time tells.
    const QString older = data.filePath(QStringLiteral("session-1-dead.copy"));
    const QString newer = data.filePath(QStringLiteral("session-2-dead.copy"));
    writeFile(older,
              encodeSafetyCopy(TermStore::fromEntries(numberedEntries(3)), QStringLiteral("older.txt")));
    writeFile(newer,
              encodeSafetyCopy(TermStore::fromEntries(numberedEntries(2)), QStringLiteral("newer.txt")));
    const QDateTime now = QDateTime::currentDateTime();
    for (const auto &[path, age] : {std::pair{older, 3600}, std::pair{newer, 60}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(now.addSecs(-age), QFileDevice::FileModificationTime));
    }
    // No to the first question, yes to the second.
    AppFixture fixture(builtProgramFolder(), nullptr, data.path());
    fixture.prompts.answerNo();
    fixture.prompts.answerYes();
    QTRY_COMPARE(fixture.prompts.records.size(), 2);
    const QString question =
        QStringLiteral("Glossmere did not close normally. Restore the unsaved list from that session (%1)?");
    QCOMPARE(fixture.prompts.records[0].text, question.arg(QStringLiteral("2 entries")));
    QCOMPARE(fixture.prompts.records[1].text, question.arg(QStringLiteral("3 entries")));
    QCOMPARE(fixture.app.defs().GetFileName(), QStringLiteral("older.txt"));
    QVERIFY(!QFile::exists(newer));
}

void TestSafetyCopy::session_typedTextIsCopiedWhileTheListIsUpToDate()
{
    QTemporaryDir data;
    AppFixture fixture(builtProgramFolder(), nullptr, data.path());
    fixture.setEntries(numberedEntries(2));
    QVERIFY(fixture.app.defs().IsFileUpToDate());
    const auto copies = [&] {
        return QDir(data.path()).entryList({QStringLiteral("*.copy")});
    };
    auto *definition = control<QLineEdit>(&fixture.form1(), "Text2");
    QTest::keyClicks(definition, QStringLiteral("half"));
    QTRY_COMPARE(copies().size(), 1);
    const SafetyCopyContent kept = decodeSafetyCopy(readAll(data.filePath(copies().first())));
    QCOMPARE(kept.entries.toEntries(), numberedEntries(2));
    QCOMPARE(kept.typed.definition, QStringLiteral("half"));
    // Nothing typed and the list up to date: nothing left to lose.
    definition->clear();
    QTRY_VERIFY(copies().isEmpty());
}

void TestSafetyCopy::writer_failureIsSaidOnceUntilAWriteSucceeds()
{
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler before = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { warnings.append(text); });
    QTemporaryDir data;
    const QString path = data.filePath(QStringLiteral("later/own.copy"));
    const auto store = std::make_shared<const TermStore>(TermStore::fromEntries(numberedEntries(2)));
    SafetyCopyWriter writer(path);
    const auto writeTwice = [&] {
        writer.write(store, QString());
        writer.write(store, QString());
        writer.finish();
    };
    writeTwice();
    QDir(data.path()).mkdir(QStringLiteral("later"));
    writeTwice();
    const QStringList whileMissing = warnings;
    QVERIFY(QFile::exists(path));
    QDir(data.filePath(QStringLiteral("later"))).removeRecursively();
    writeTwice();
    qInstallMessageHandler(before);
    QCOMPARE(whileMissing.size(), 1);
    QVERIFY2(
        whileMissing[0].startsWith(QStringLiteral("The unsaved list cannot be copied to %1: ").arg(path)),
        qPrintable(whileMissing[0]));
    QCOMPARE(warnings.size(), 2);
}

void TestSafetyCopy::writer_fullDiskKeepsTheLastCopy()
{
    FullFileSystem disk;
    if (!disk.mounted())
        QSKIP(qPrintable(disk.why()));
    const QString path = disk.filePath(QStringLiteral("own.copy"));
    SafetyCopyWriter writer(path);
    writer.write(std::make_shared<const TermStore>(TermStore::fromEntries(numberedEntries(2))), QString());
    writer.finish();
    const QByteArray last = readAll(path);
    disk.fill();
    QTest::ignoreMessage(
        QtWarningMsg,
        qPrintable(
            QStringLiteral("The unsaved list cannot be copied to %1: No space left on device").arg(path)));
    writer.write(std::make_shared<const TermStore>(TermStore::fromEntries(numberedEntries(300))), QString());
    writer.finish();
    QCOMPARE(readAll(path), last);
    QCOMPARE(disk.files(), QStringList{QStringLiteral("own.copy")});
}

void TestSafetyCopy::twoSessions_keepTheirOwnCopies()
{
    QTemporaryDir data;
    SafetyCopyFiles first(data.path());
    SafetyCopyFiles second(data.path());
    QVERIFY(first.usable() && second.usable());
    writeFile(first.ownPath(), "one");
    writeFile(second.ownPath(), "two");
    // Each running session holds its copy: neither is offered to the other.
    QVERIFY(first.orphans().empty());
    QVERIFY(second.orphans().empty());
    {
        SafetyCopyWriter writer(second.ownPath());
        writer.write(std::make_shared<const TermStore>(TermStore::fromEntries(numberedEntries(1))), {});
        writer.finish();
        QCOMPARE(QFile::permissions(second.ownPath()) & 0x0077, QFileDevice::Permissions());
        writer.remove();
    }
    QVERIFY(!QFile::exists(second.ownPath()));
    QCOMPARE(readAll(first.ownPath()), QByteArray("one"));
}

QTEST_MAIN(TestSafetyCopy)
#include "tst_safetycopy.moc"
