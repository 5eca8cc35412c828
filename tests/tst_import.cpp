#include "deffiles/definitiontext.h"
#include "tests/support/appfixture.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QTableView>
#include <QUrl>

// Importing text files through the open dialog; the list itself takes no drops.
class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void cancelDialog_asksNothingChangesNothing();
    void oneFile_replacesTheList();
    void oneFile_cancelledSeparatorChangesNothing();
    void threeFiles_secondCancelledGathersFirstAndThird();
    void unreadableFile_reportedOnceOthersLoad();
    void separator_usedExactly_data();
    void separator_usedExactly();
    void separator_offersTabCommaSemicolon();
    void choices_readQuotedFieldsTypedSeparatorStaysLiteral();
    void recognisedFiles_openWithTheirChoice();
    void damagedKvtml_oneMessageNamingFileAndLine();
    void export_writesTheChosenFormatListUnchanged_data();
    void export_writesTheChosenFormatListUnchanged();
    void export_proposesNamesOfItsOwnNeverTheLists_data();
    void export_proposesNamesOfItsOwnNeverTheLists();
    void export_kvtmlAsksAboutTextsItCannotHold_data();
    void export_kvtmlAsksAboutTextsItCannotHold();
    void export_failureReportedOnce_data();
    void export_failureReportedOnce();
    void unsavedEdits_askFirst();
    void save_asksBeforeReplacingAnotherKind_data();
    void save_asksBeforeReplacingAnotherKind();
    void nothingFound_saysSoKeepsTheList_data();
    void nothingFound_saysSoKeepsTheList();
    void dialogs_openWhereTheUsersFileIs();
    void encodings_windows1252AndUtf8();
    void realisticExport_everyRowIntact();

    void doubleClickAndDrop_doNothing();

private:
    QString file(const QString &name, const QByteArray &bytes);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestImport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

QString TestImport::file(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    writeFile(path, bytes);
    return path;
}

void TestImport::cancelDialog_asksNothingChangesNothing()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    fixture.prompts.answerFiles({});
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.records.size(), 1);
    const PromptRecord &dialog = fixture.prompts.records[0];
    QCOMPARE(dialog.kind, PromptRecord::Kind::OpenFiles);
    QCOMPARE(dialog.title, QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
    QCOMPARE(dialog.filter, QStringLiteral("All Files (*.*)"));
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(2));
}

void TestImport::oneFile_replacesTheList()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    const QString path =
        file(QStringLiteral("words.txt"), "Valid Definition File\r\nHund::dog\r\nKatze::cat\r\n");
    fixture.prompts.answerFiles({path});
    fixture.prompts.answerText(QStringLiteral("::"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    const PromptRecord &question = fixture.prompts.records[1];
    QCOMPARE(question.kind, PromptRecord::Kind::Text);
    QCOMPARE(question.text,
             QStringLiteral("Enter separating character that divides the find what and the replace with:"));
    QCOMPARE(question.title, QStringLiteral("Glossmere"));
    QCOMPARE(question.defaultAnswer, QStringLiteral("::"));
    QCOMPARE(fixture.app.defs().list().entries(),
             (TermEntries{{QStringLiteral("Hund"), QStringLiteral("dog")},
                          {QStringLiteral("Katze"), QStringLiteral("cat")}}));
    QCOMPARE(fixture.app.defs().GetFileName(), QStringLiteral("words.txt"));
    QVERIFY(fixture.app.defs().IsFileUpToDate());
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestImport::oneFile_cancelledSeparatorChangesNothing()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    fixture.prompts.answerFiles({file(QStringLiteral("words.txt"), "a::b\r\n")});
    fixture.prompts.answerText(QString());
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(2));
    QCOMPARE(fixture.prompts.records.size(),
             2); // the dialog and the question: no report of an empty separator
    QCOMPARE(fixture.app.defs().GetFileName(), QString());
}

void TestImport::threeFiles_secondCancelledGathersFirstAndThird()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    const QString first = file(QStringLiteral("one.txt"), "a::1\r\nb::2\r\n");
    const QString second = file(QStringLiteral("two.txt"), "c::3\r\n");
    const QString third = file(QStringLiteral("three.txt"), "d;4\r\ne;5\r\n");
    fixture.prompts.answerFiles({first, second, third});
    fixture.prompts.answerText(QStringLiteral("::"));
    fixture.prompts.answerText(QString());
    fixture.prompts.answerText(QStringLiteral(";"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.ofKind(PromptRecord::Kind::Text).size(), 3);
    QCOMPARE(fixture.app.defs().list().entries(),
             (TermEntries{{QStringLiteral("a"), QStringLiteral("1")},
                          {QStringLiteral("b"), QStringLiteral("2")},
                          {QStringLiteral("d"), QStringLiteral("4")},
                          {QStringLiteral("e"), QStringLiteral("5")}}));
    QCOMPARE(fixture.app.defs().GetFileName(), QStringLiteral("three.txt"));
    // Gathered from two files, the list matches neither of them.
    QVERIFY(!fixture.app.defs().IsFileUpToDate());
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestImport::unreadableFile_reportedOnceOthersLoad()
{
    AppFixture fixture;
    const QString good = file(QStringLiteral("good.txt"), "a::1\r\n");
    fixture.prompts.answerFiles({m_dir->filePath(QStringLiteral("vanished.txt")), good});
    fixture.prompts.answerText(QStringLiteral("::"));
    fixture.prompts.answerText(QStringLiteral("::"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    const QList<PromptRecord> reports = fixture.prompts.ofKind(PromptRecord::Kind::Message);
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports[0].text.contains(QStringLiteral("vanished.txt")));
    QVERIFY(reports[0].text.contains(QStringLiteral("DefManager.loadDefinitionFile at line 104")));
    QCOMPARE(fixture.app.defs().list().entries(), (TermEntries{{QStringLiteral("a"), QStringLiteral("1")}}));
    // Only one file was read after all: the list is that file.
    QVERIFY(fixture.app.defs().IsFileUpToDate());
}

void TestImport::separator_usedExactly_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<TermEntries>("expected");
    QTest::newRow("space hyphen space")
        << QByteArray("cat - a small animal\r\nred-brown - a colour\r\n") << QStringLiteral(" - ")
        << TermEntries{{QStringLiteral("cat"), QStringLiteral("a small animal")},
                       {QStringLiteral("red-brown"), QStringLiteral("a colour")}};
    QTest::newRow("several characters")
        << QByteArray("Hund ==> dog\r\nno arrow here\r\n") << QStringLiteral(" ==> ")
        << TermEntries{{QStringLiteral("Hund"), QStringLiteral("dog")}};
    QTest::newRow("a lone space") << QByteArray("one two three\r\n") << QStringLiteral(" ")
                                  << TermEntries{{QStringLiteral("one"), QStringLiteral("two")}};
}

void TestImport::separator_usedExactly()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, separator);
    QFETCH(TermEntries, expected);
    AppFixture fixture;
    fixture.prompts.answerFiles({file(QStringLiteral("list.txt"), content)});
    fixture.prompts.answerText(separator);
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(), expected);
}

void TestImport::separator_offersTabCommaSemicolon()
{
    AppFixture fixture;
    fixture.prompts.answerFiles({file(QStringLiteral("export.tsv"), "Hund\tdog\r\nKatze\tcat\r\n")});
    // The user picks the Tab choice the box offers instead of typing.
    fixture.prompts.whileShown = [&](const PromptRecord &record) {
        if (record.kind != PromptRecord::Kind::Text)
            return;
        QStringList labels;
        for (const Prompts::Preset &preset : record.presets)
            labels.append(preset.label);
        QCOMPARE(labels,
                 (QStringList{QStringLiteral("⇥ Tab character"),
                              QStringLiteral(", (comma)"),
                              QStringLiteral("; (semicolon)"),
                              QStringLiteral("KWordQuiz / Parley vocabulary (.kvtml)"),
                              QStringLiteral("Anki notes export (.txt)")}));
        fixture.prompts.answerText(record.presets[0].value);
    };
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(),
             (TermEntries{{QStringLiteral("Hund"), QStringLiteral("dog")},
                          {QStringLiteral("Katze"), QStringLiteral("cat")}}));
}

// The value the separator question gives for the pick labelled `label`.
QString choiceValue(const PromptRecord &question, const QString &label)
{
    for (const Prompts::Preset &preset : question.presets) {
        if (preset.label == label)
            return preset.value;
    }
    return {};
}

void TestImport::choices_readQuotedFieldsTypedSeparatorStaysLiteral()
{
    AppFixture fixture;
    const QByteArray csv = "\"apple, red\",\"a fruit, sweet\"\r\n";
    fixture.prompts.answerFiles(
        {file(QStringLiteral("picked.csv"), csv), file(QStringLiteral("typed.csv"), csv)});
    fixture.prompts.whileShown = [&](const PromptRecord &record) {
        if (record.kind != PromptRecord::Kind::Text)
            return;
        // The first file with the comma choice, the second with a comma typed.
        const bool first = fixture.prompts.ofKind(PromptRecord::Kind::Text).size() == 1;
        fixture.prompts.answerText(first ? choiceValue(record, QStringLiteral(", (comma)"))
                                         : QStringLiteral(","));
    };
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(),
             (TermEntries{{QStringLiteral("apple, red"), QStringLiteral("a fruit, sweet")},
                          {QStringLiteral("\"apple"), QStringLiteral(" red\"")}}));
}

void TestImport::recognisedFiles_openWithTheirChoice()
{
    AppFixture fixture;
    const QString kvtml =
        file(QStringLiteral("words.kvtml"),
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kvtml version=\"2.0\"><entries>"
             "<entry id=\"0\"><translation id=\"0\"><text>Hund</text></translation>"
             "<translation id=\"1\"><text>dog</text></translation></entry></entries></kvtml>\n");
    const QString anki = file(QStringLiteral("notes.txt"), "#separator:tab\n#html:true\nKatze\tcat<br>\n");
    const QString plain = file(QStringLiteral("plain.txt"), "Maus::mouse\r\n");
    fixture.prompts.answerFiles({kvtml, anki, plain});
    // Enter takes whatever the question opens with.
    fixture.prompts.whileShown = [&](const PromptRecord &record) {
        if (record.kind == PromptRecord::Kind::Text)
            fixture.prompts.answerText(record.defaultAnswer);
    };
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    const QList<PromptRecord> questions = fixture.prompts.ofKind(PromptRecord::Kind::Text);
    QCOMPARE(questions.size(), 3);
    QCOMPARE(questions[0].defaultAnswer,
             choiceValue(questions[0], QStringLiteral("KWordQuiz / Parley vocabulary (.kvtml)")));
    QCOMPARE(questions[1].defaultAnswer,
             choiceValue(questions[1], QStringLiteral("Anki notes export (.txt)")));
    QCOMPARE(questions[2].defaultAnswer, QStringLiteral("::"));
    QCOMPARE(fixture.app.defs().list().entries(),
             (TermEntries{{QStringLiteral("Hund"), QStringLiteral("dog")},
                          {QStringLiteral("Katze"), QStringLiteral("cat")},
                          {QStringLiteral("Maus"), QStringLiteral("mouse")}}));
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestImport::damagedKvtml_oneMessageNamingFileAndLine()
{
    AppFixture fixture;
    const QString damaged = file(QStringLiteral("damaged.kvtml"),
                                 "<?xml version=\"1.0\"?>\n<kvtml version=\"2.0\"><entries>\n<entry id=\"0\">"
                                 "<translation id=\"0\"><text>a</text></translation><translation id=\"1\">"
                                 "<text>b</text></translation></entry>\n<entry>\n</entries></kvtml>\n");
    const QString good = file(QStringLiteral("good.txt"), "c::d\r\n");
    fixture.prompts.answerFiles({damaged, good});
    fixture.prompts.whileShown = [&](const PromptRecord &record) {
        if (record.kind == PromptRecord::Kind::Text)
            fixture.prompts.answerText(record.defaultAnswer);
    };
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    const QList<PromptRecord> reports = fixture.prompts.ofKind(PromptRecord::Kind::Message);
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports[0].text.contains(damaged + QStringLiteral(" cannot be read: at line 5 ")),
             qPrintable(reports[0].text));
    QCOMPARE(fixture.app.defs().list().entries(), (TermEntries{{QStringLiteral("c"), QStringLiteral("d")}}));
}

void TestImport::export_writesTheChosenFormatListUnchanged_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QString>("writtenName");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("CSV, extension added")
        << 0 << QStringLiteral("out") << QStringLiteral("out.csv") << QByteArray("Hund,\"dog, loyal\"\r\n");
    QTest::newRow("TSV") << 1 << QStringLiteral("out.txt") << QStringLiteral("out.txt")
                         << QByteArray("Hund\tdog, loyal\r\n");
    QTest::newRow("Anki") << 2 << QStringLiteral("anki") << QStringLiteral("anki.txt")
                          << QByteArray("#separator:tab\r\n#html:false\r\nHund\t");
    QTest::newRow("KVTML") << 3 << QStringLiteral("out") << QStringLiteral("out.kvtml")
                           << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
}

void TestImport::export_writesTheChosenFormatListUnchanged()
{
    QFETCH(int, filter);
    QFETCH(QString, typedName);
    QFETCH(QString, writtenName);
    QFETCH(QByteArray, start);
    AppFixture fixture;
    fixture.prompts.answerFiles({file(QStringLiteral("words.txt"), "Hund::dog, loyal\r\n")});
    fixture.prompts.answerText(QStringLiteral("::"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QTest::keyClicks(control<QLineEdit>(&fixture.form1(), "Text1"), QStringLiteral("Katze"));
    QTest::keyClicks(control<QLineEdit>(&fixture.form1(), "Text2"), QStringLiteral("cat"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton4"), Qt::LeftButton);
    const TermEntries before = fixture.app.defs().list().entries();

    fixture.prompts.answerSaveTarget(m_dir->filePath(typedName), filter);
    fixture.form1().exportList();
    const PromptRecord dialog = fixture.prompts.ofKind(PromptRecord::Kind::SaveFileAs).value(0);
    QCOMPARE(dialog.title, QStringLiteral("Export List As"));
    QCOMPARE(dialog.initialName, QStringLiteral("words.csv;;words.tsv;;words-anki.txt;;words.kvtml"));
    QCOMPARE(dialog.filter.split(QStringLiteral(";;")),
             (QStringList{QStringLiteral("CSV (*.csv)"),
                          QStringLiteral("Tab-separated (*.tsv *.txt)"),
                          QStringLiteral("Anki import file (*.txt)"),
                          QStringLiteral("KWordQuiz / Parley vocabulary (*.kvtml)")}));
    QFile written(m_dir->filePath(writtenName));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY2(written.readAll().startsWith(start), qPrintable(writtenName));
    // Not a save: the list, its name, its unsaved state and its history are as they were.
    QCOMPARE(fixture.app.defs().list().entries(), before);
    QCOMPARE(fixture.app.defs().GetFileName(), QStringLiteral("words.txt"));
    QVERIFY(!fixture.app.defs().IsFileUpToDate());
    QApplication::setActiveWindow(&fixture.form1());
    QVERIFY(QTest::qWaitForWindowActive(&fixture.form1()));
    auto *view = control<QTableView>(&fixture.form1(), "ListView1");
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(fixture.app.defs().list().entries(),
             (TermEntries{{QStringLiteral("Hund"), QStringLiteral("dog, loyal")}}));
    QVERIFY(fixture.app.defs().IsFileUpToDate());
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestImport::export_proposesNamesOfItsOwnNeverTheLists_data()
{
    QTest::addColumn<QString>("listFile");
    QTest::addColumn<QString>("names");
    QTest::newRow("a list of no file")
        << QString() << QStringLiteral("list.csv;;list.tsv;;list-anki.txt;;list.kvtml");
    QTest::newRow("a list named as a Tab file")
        << QStringLiteral("verbs.tsv")
        << QStringLiteral("verbs.csv;;verbs-export.tsv;;verbs-anki.txt;;verbs.kvtml");
    QTest::newRow("capitals") << QStringLiteral("VERBS.CSV")
                              << QStringLiteral("VERBS-export.csv;;VERBS.tsv;;VERBS-anki.txt;;VERBS.kvtml");
}

void TestImport::export_proposesNamesOfItsOwnNeverTheLists()
{
    QFETCH(QString, listFile);
    QFETCH(QString, names);
    AppFixture fixture;
    if (!listFile.isEmpty()) {
        fixture.prompts.answerFiles({file(listFile, "Hund::dog\r\n")});
        fixture.prompts.answerText(QStringLiteral("::"));
        QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    }
    fixture.prompts.answerSaveTarget({}, 0);
    fixture.form1().exportList();
    QCOMPARE(fixture.prompts.ofKind(PromptRecord::Kind::SaveFileAs).value(0).initialName, names);
}

void TestImport::export_kvtmlAsksAboutTextsItCannotHold_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<TermEntries>("list");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("yes");
    // What importing the file gives with the matching choice; empty when nothing is written.
    QTest::addColumn<TermEntries>("back");
    const TermEntries one{{QStringLiteral("bell\a"), QStringLiteral("x")},
                          {QStringLiteral("y"), QStringLiteral("z")}};
    QTest::newRow("one text, No")
        << 3 << one
        << "1 text holds characters that a KVTML file cannot hold; they would be written as spaces, so it "
           "would not read back the same. Export anyway?"
        << false << TermEntries();
    QTest::newRow("three texts, Yes")
        << 3
        << TermEntries{{QStringLiteral("a\x01"), QStringLiteral("\x02")},
                       {QStringLiteral("ok"), QStringLiteral("c\x1F")}}
        << "3 texts hold characters that a KVTML file cannot hold; they would be written as spaces, so they "
           "would not read back the same. Export anyway?"
        << true
        << TermEntries{{QStringLiteral("a "), QStringLiteral(" ")},
                       {QStringLiteral("ok"), QStringLiteral("c ")}};
    const TermEntries tabs{{QStringLiteral("two lines"), QStringLiteral("\ttab")},
                           {QStringLiteral("word"), QString()}};
    QTest::newRow("a Tab and an empty side") << 3 << tabs << QString() << false << tabs;
    QTest::newRow("CSV holds them") << 0 << one << QString() << false << one;
}

void TestImport::export_kvtmlAsksAboutTextsItCannotHold()
{
    QFETCH(int, filter);
    QFETCH(TermEntries, list);
    QFETCH(QString, question);
    QFETCH(bool, yes);
    QFETCH(TermEntries, back);
    AppFixture fixture;
    fixture.setEntries(list);
    const QString target = m_dir->filePath(QStringLiteral("out"));
    fixture.prompts.answerSaveTarget(target, filter);
    if (!question.isEmpty())
        fixture.prompts.script(yes);
    fixture.form1().exportList();
    const QList<PromptRecord> asked = fixture.prompts.ofKind(PromptRecord::Kind::YesNo);
    QCOMPARE(asked.size(), question.isEmpty() ? 0 : 1);
    if (!question.isEmpty()) {
        QCOMPARE(asked[0].text, question);
        QCOMPARE(asked[0].title, QStringLiteral("Glossmere"));
        QCOMPARE(asked[0].preferred, Prompts::Default::No);
    }
    const QString written = target + (filter == 0 ? QStringLiteral(".csv") : QStringLiteral(".kvtml"));
    QCOMPARE(QFileInfo::exists(written), !back.isEmpty());
    QVERIFY2(fixture.prompts.problems().isEmpty(), qPrintable(fixture.prompts.problems()));
    if (back.isEmpty())
        return;
    // Imported with the matching choice: the KVTML file is recognised, the CSV one is read with the comma.
    fixture.prompts.reset();
    fixture.prompts.answerFiles({written});
    fixture.prompts.whileShown = [&](const PromptRecord &record) {
        if (record.kind == PromptRecord::Kind::Text)
            fixture.prompts.answerText(filter == 0 ? choiceValue(record, QStringLiteral(", (comma)"))
                                                   : record.defaultAnswer);
    };
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(), back);
    QVERIFY2(fixture.prompts.problems().isEmpty(), qPrintable(fixture.prompts.problems()));
}

void TestImport::export_failureReportedOnce_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<qint64>("failAfter");
    QTest::newRow("at once") << 2 << qint64(3);
    QTest::newRow("part-way, chunks still coming") << 300000 << qint64(1500000);
}

void TestImport::export_failureReportedOnce()
{
    QFETCH(int, entries);
    QFETCH(qint64, failAfter);
    AppFixture fixture;
    fixture.setEntries(numberedEntries(entries));
    const QString target = m_dir->filePath(QStringLiteral("kept.csv"));
    writeFile(target, "old");
    fixture.app.defs().setOutputFilter(
        [failAfter](QIODevice &file) { return std::make_unique<FailAfterDevice>(file, failAfter); });
    fixture.prompts.answerSaveTarget(target, 0);
    fixture.form1().exportList();
    const QList<PromptRecord> reports = fixture.prompts.ofKind(PromptRecord::Kind::Message);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports[0].title, QStringLiteral("Application Error"));
    QFile kept(target);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("old"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.csv")});
}

void TestImport::save_asksBeforeReplacingAnotherKind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("yes");
    const QByteArray kvtml("<?xml version=\"1.0\"?>\n<kvtml version=\"2.0\"></kvtml>\n");
    QTest::newRow("KVTML, No") << QStringLiteral("states.kvtml") << kvtml << true << false;
    QTest::newRow("KVTML, Yes") << QStringLiteral("states.kvtml") << kvtml << true << true;
    QTest::newRow("CSV, No") << QStringLiteral("words.csv") << QByteArray("a,b\r\n") << true << false;
    QTest::newRow("header further on")
        << QStringLiteral("notes.txt") << QByteArray("notes\r\nValid Definition File\r\n") << true << false;
    QTest::newRow("definition file") << QStringLiteral("list.txt")
                                     << QByteArray("Valid Definition File\r\na::b\r\n") << false << true;
    QTest::newRow("definition file with BOM")
        << QStringLiteral("list.txt") << QByteArray("\xEF\xBB\xBFValid Definition File\na::b\n") << false
        << true;
    QTest::newRow("header alone") << QStringLiteral("list.txt") << QByteArray("Valid Definition File")
                                  << false << true;
    QTest::newRow("empty file") << QStringLiteral("empty.txt") << QByteArray() << false << true;
}

void TestImport::save_asksBeforeReplacingAnotherKind()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, old);
    QFETCH(bool, asks);
    QFETCH(bool, yes);
    AppFixture fixture;
    const QString target = file(name, old);
    fixture.setEntries({{QStringLiteral("Hund"), QStringLiteral("dog")}});
    fixture.prompts.answerSavePath(target);
    if (asks)
        fixture.prompts.script(yes);
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton2"), Qt::LeftButton);
    const QList<PromptRecord> questions = fixture.prompts.ofKind(PromptRecord::Kind::YesNo);
    QCOMPARE(questions.size(), asks ? 1 : 0);
    if (asks) {
        QCOMPARE(questions[0].text,
                 QStringLiteral("“%1” is not a definition file. Replace it with the term list?").arg(name));
        QCOMPARE(questions[0].preferred, Prompts::Default::No);
    }
    QCOMPARE(readAll(target), yes ? QByteArray("Valid Definition File\r\nHund::dog\r\n") : old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{name});
    QVERIFY2(fixture.prompts.problems().isEmpty(), qPrintable(fixture.prompts.problems()));
}

void TestImport::unsavedEdits_askFirst()
{
    AppFixture fixture;
    fixture.typeEntries(numberedEntries(2));
    const QString path = file(QStringLiteral("list.txt"), "a::1\r\n");
    fixture.prompts.answerFiles({path});
    fixture.prompts.answerNo();
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(2));
    QCOMPARE(fixture.prompts.ofKind(PromptRecord::Kind::Text).size(), 0);
    // Enter keeps the work.
    QCOMPARE(fixture.prompts.ofKind(PromptRecord::Kind::YesNo).last().preferred, Prompts::Default::No);

    fixture.prompts.answerFiles({path});
    fixture.prompts.answerYes();
    fixture.prompts.answerText(QStringLiteral("::"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().GetEntryCount(), 1);
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestImport::nothingFound_saysSoKeepsTheList_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    // A separator typed, or the label of the pick chosen.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pick");
    QTest::addColumn<QString>("said");
    const QByteArray tabs("Hund\tdog\r\nKatze\tcat\r\n");
    QTest::newRow("a Tab file read with ::")
        << "words.tsv" << tabs << "::" << QString()
        << "No line of “words.tsv” holds the separator “::”, so nothing was added from it.";
    QTest::newRow("an empty file, a Tab typed")
        << "words.tsv" << QByteArray() << "\t" << QString()
        << "No line of “words.tsv” holds the separator Tab, so nothing was added from it.";
    QTest::newRow("only a header")
        << "list.txt" << QByteArray("Valid Definition File\r\n") << " - " << QString()
        << "No line of “list.txt” holds the separator “ - ”, so nothing was added from it.";
    QTest::newRow("a comma typed")
        << "words.tsv" << tabs << "," << QString()
        << "No line of “words.tsv” holds the separator “,”, so nothing was added from it.";
    QTest::newRow("the comma picked")
        << "words.tsv" << tabs << QString() << ", (comma)"
        << "No line of “words.tsv” holds a comma, so nothing was added from it.";
    QTest::newRow("the semicolon picked")
        << "words.tsv" << tabs << QString() << "; (semicolon)"
        << "No line of “words.tsv” holds a semicolon, so nothing was added from it.";
    QTest::newRow("the Tab picked") << "words.csv" << QByteArray("a,b\r\n") << QString() << "⇥ Tab character"
                                    << "No line of “words.csv” holds a Tab, so nothing was added from it.";
    QTest::newRow("KVTML picked")
        << "easy.kvtml" << QByteArray("<?xml version=\"1.0\"?>\n<kvtml version=\"2.0\"><entries/></kvtml>\n")
        << QString() << "KWordQuiz / Parley vocabulary (.kvtml)"
        << "No KVTML entry was found in “easy.kvtml”, so nothing was added from it.";
    QTest::newRow("Anki picked") << "notes.txt" << QByteArray("#separator:tab\n#html:true\n# no notes\n")
                                 << QString() << "Anki notes export (.txt)"
                                 << "No Anki note was found in “notes.txt”, so nothing was added from it.";
}

void TestImport::nothingFound_saysSoKeepsTheList()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, typed);
    QFETCH(QString, pick);
    QFETCH(QString, said);
    AppFixture fixture;
    fixture.prompts.answerFiles({file(QStringLiteral("first.txt"), "a::1\r\nb::2\r\n")});
    fixture.prompts.answerText(QStringLiteral("::"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    const TermEntries first = fixture.app.defs().list().entries();
    QCOMPARE(first.size(), 2);

    fixture.prompts.reset();
    fixture.prompts.answerFiles({file(name, bytes)});
    fixture.prompts.whileShown = [&](const PromptRecord &record) {
        if (record.kind == PromptRecord::Kind::Text)
            fixture.prompts.answerText(pick.isEmpty() ? typed : choiceValue(record, pick));
    };
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    const QList<PromptRecord> messages = fixture.prompts.ofKind(PromptRecord::Kind::Message);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].text, said);
    QCOMPARE(fixture.app.defs().list().entries(), first);
    QCOMPARE(fixture.app.defs().GetFileName(), QStringLiteral("first.txt"));
    QVERIFY(fixture.app.defs().IsFileUpToDate());
    QVERIFY(fixture.prompts.problems().isEmpty());
    // No undo step: the first undo takes back the first import.
    QVERIFY(QTest::qWaitForWindowActive(&fixture.form1()));
    auto *list = control<QTableView>(&fixture.form1(), "ListView1");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(fixture.app.defs().GetEntryCount(), 0);
}

void TestImport::dialogs_openWhereTheUsersFileIs()
{
    AppFixture fixture;
    const QString elsewhere = QDir(m_dir->path()).filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    const QString path = QDir(elsewhere).filePath(QStringLiteral("words.txt"));
    writeFile(path, "a::1\r\n");
    // Nothing imported yet: the dialogs pick their own folder (the user's home, never the start folder).
    fixture.prompts.answerFiles({path});
    fixture.prompts.answerText(QStringLiteral("::"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    fixture.prompts.answerFiles({});
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    fixture.prompts.answerSavePath({});
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton2"), Qt::LeftButton);
    const QList<PromptRecord> opens = fixture.prompts.ofKind(PromptRecord::Kind::OpenFiles);
    QCOMPARE(opens[0].folder, QString());
    QCOMPARE(opens[1].folder, elsewhere);
    const PromptRecord save = fixture.prompts.ofKind(PromptRecord::Kind::SaveFile).value(0);
    QCOMPARE(save.folder, elsewhere);
    QCOMPARE(save.initialName, QStringLiteral("words.txt"));

    // Saved in another folder: the save dialog follows the file, the import dialog stays.
    const QString saved = m_dir->filePath(QStringLiteral("saved.txt"));
    fixture.prompts.answerSavePath(saved);
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton2"), Qt::LeftButton);
    fixture.prompts.answerSavePath({});
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton2"), Qt::LeftButton);
    fixture.prompts.answerFiles({});
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.ofKind(PromptRecord::Kind::SaveFile).last().folder,
             QDir(m_dir->path()).absolutePath());
    QCOMPARE(fixture.prompts.ofKind(PromptRecord::Kind::OpenFiles).last().folder, elsewhere);
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestImport::encodings_windows1252AndUtf8()
{
    AppFixture fixture;
    QStringEncoder cp1252("windows-1252");
    const QString text = QStringLiteral("café\tcoffee house\r\nnaïve\tinnocent\r\n€5\tfive euros\r\n");
    fixture.prompts.answerFiles({file(QStringLiteral("old.txt"), cp1252.encode(text)),
                                 file(QStringLiteral("new.txt"), text.toUtf8())});
    fixture.prompts.answerText(QStringLiteral("\t"));
    fixture.prompts.answerText(QStringLiteral("\t"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    const TermEntries once{{QStringLiteral("café"), QStringLiteral("coffee house")},
                           {QStringLiteral("naïve"), QStringLiteral("innocent")},
                           {QStringLiteral("€5"), QStringLiteral("five euros")}};
    QCOMPARE(fixture.app.defs().list().entries(), once + once);
}

void TestImport::realisticExport_everyRowIntact()
{
    // The shape of a flash-card tool's export: a header row, quotes, commas, accents, scripts.
    QString text = QStringLiteral("Front\tBack\n");
    TermEntries expected{{QStringLiteral("Front"), QStringLiteral("Back")}};
    const QStringList fronts{QStringLiteral("\"quoted\" word"),
                             QStringLiteral("Straße"),
                             QStringLiteral("日本"),
                             QStringLiteral("l'été"),
                             QStringLiteral("a, b, c")};
    for (int i = 0; i < 3000; ++i) {
        const QString front = fronts[i % fronts.size()] + QStringLiteral(" %1").arg(i);
        const QString back = QStringLiteral("meaning %1, \"with\" ‘quotes’ & ampersands; Ελληνικά").arg(i);
        text += front + QLatin1Char('\t') + back + QLatin1Char('\n');
        expected.append({front, back});
    }
    AppFixture fixture;
    fixture.prompts.answerFiles({file(QStringLiteral("export.txt"), text.toUtf8())});
    fixture.prompts.answerText(QStringLiteral("\t"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(), expected);
}

void TestImport::doubleClickAndDrop_doNothing()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(3));
    QTableView *view = control<QTableView>(&fixture.form1(), "ListView1");
    QVERIFY(QTest::qWaitForWindowExposed(&fixture.form1()));
    view->doItemsLayout();
    const QPoint middle = view->visualRect(view->model()->index(1, 1)).center();
    // A double-click is a click and then the second press, as a mouse delivers it.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, middle);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, middle);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file(QStringLiteral("one.txt"), "a::1\r\n"))});
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &drop);
    QCoreApplication::processEvents();

    QVERIFY(fixture.prompts.records.isEmpty());
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(3));
    QVERIFY(fixture.app.defs().IsFileUpToDate());
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
