#include "common/helpers.h"
#include "deffiles/definitiontext.h"
#include "tests/support/appfixture.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

// From the term list to a running test: save, sample, start, help, closing, the test window's keys.
class TestTestRoad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void save_cancelWritesNothing();
    void save_writesAndNamesTheFile();
    void save_emptyListAndReplacingAFile();
    void save_textsHoldingTheSeparatorAskFirst_data();
    void save_textsHoldingTheSeparatorAskFirst();

    void sample_replacesEntriesAndNamesTheFile();
    void sample_overUnsavedEditsAsksFirst();
    void sample_missingFileReportsOnceAndKeepsList();

    void start_emptyListIsRefused();
    void start_withoutFileShowsBareFilenameAndCount();
    void start_notUpToDateAsksAndGoesOnEitherWay_data();
    void start_notUpToDateAsksAndGoesOnEitherWay();

    void help_namesTheContactPage();
    void keyboard_enterPressesTheFocusedButton();

    void close_withoutEditsEndsAtOnce_data();
    void close_withoutEditsEndsAtOnce();
    void close_withEditsAsks_data();
    void close_withEditsAsks();
    void close_withTypedTextAsks_data();
    void close_withTypedTextAsks();

    void keys_oneToFourAnswerFromAnyFocus_data();
    void keys_oneToFourAnswerFromAnyFocus();
    void keys_othersChangeNothing();

    void road_typeThreeEntriesAndStart();

    void prepared_windowsOpenAsAtFirstUse_data();
    void prepared_windowsOpenAsAtFirstUse();
    void orderAhead_followsTheListOfEachShowing_data();
    void orderAhead_followsTheListOfEachShowing();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestTestRoad::initTestCase()
{ }

void TestTestRoad::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestTestRoad::save_cancelWritesNothing()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    QVERIFY(fixture.app.defs().saveDefinitionFile(m_dir->filePath(QStringLiteral("first.txt")),
                                                  QStringLiteral("::")));
    fixture.prompts.answerSavePath(QString());
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton2"), Qt::LeftButton);
    const PromptRecord &dialog = fixture.prompts.records.last();
    QCOMPARE(dialog.kind, PromptRecord::Kind::SaveFile);
    QCOMPARE(dialog.title, QStringLiteral("Saving Definition File"));
    QCOMPARE(dialog.filter, QStringLiteral("Text Files (*.txt)"));
    QCOMPARE(dialog.initialName, QStringLiteral("first.txt"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("first.txt")});
    QCOMPARE(fixture.app.defs().GetFileName(), QStringLiteral("first.txt"));
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestTestRoad::save_writesAndNamesTheFile()
{
    AppFixture fixture;
    fixture.typeEntries({{QStringLiteral("cat"), QStringLiteral("a small animal")},
                         {QStringLiteral("dog"), QStringLiteral("a loyal pet")}});
    fixture.prompts.answerSavePath(m_dir->filePath(QStringLiteral("animals.txt")));
    // The busy pointer while the file is written, and only then; the dialog had the ordinary one.
    std::optional<Qt::CursorShape> whileWriting;
    fixture.app.defs().setOutputFilter([&](QIODevice &) {
        whileWriting =
            QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : Qt::ArrowCursor;
        return nullptr;
    });
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton2"), Qt::LeftButton);
    QCOMPARE(whileWriting, Qt::WaitCursor);
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(fixture.prompts.records.first().initialName, QString());
    QCOMPARE(readAll(m_dir->filePath(QStringLiteral("animals.txt"))),
             QByteArray("Valid Definition File\r\ncat::a small animal\r\ndog::a loyal pet\r\n"));
    QCOMPARE(fixture.app.defs().GetFileName(), QStringLiteral("animals.txt"));
    QVERIFY(fixture.app.defs().IsFileUpToDate());
}

void TestTestRoad::save_emptyListAndReplacingAFile()
{
    AppFixture fixture;
    const QString path = m_dir->filePath(QStringLiteral("list.txt"));
    writeFile(path, "Valid Definition File\r\nsomething else entirely::quite long\r\n");
    fixture.prompts.answerSavePath(path);
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton2"), Qt::LeftButton);
    // A definition file is replaced without a question, and an empty list writes the header alone.
    QCOMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(readAll(path), QByteArray("Valid Definition File\r\n"));
}

void TestTestRoad::save_textsHoldingTheSeparatorAskFirst_data()
{
    QTest::addColumn<TermEntries>("entries");
    QTest::addColumn<QString>("question");
    QTest::newRow("none") << TermEntries{{QStringLiteral("a:b"), QStringLiteral(":c:")}} << QString();
    QTest::newRow("one, in a term")
        << TermEntries{{QStringLiteral("std::string"), QStringLiteral("text")},
                       {QStringLiteral("x"), QStringLiteral("y")}}
        << QStringLiteral(
               "1 entry contains “::”, which a definition file uses to divide a term from its definition, "
               "so it would not read back the same. Save anyway?");
    TermEntries several = numberedEntries(40);
    several[3].definition = QStringLiteral("3::4");
    several[7].term = QStringLiteral("::");
    several[7].definition = QStringLiteral("a::b::c");
    several[39].definition = QStringLiteral("Ärger::Ä");
    QTest::newRow("three, one with both texts")
        << several
        << QStringLiteral("3 entries contain “::”, which a definition file uses to divide a term from its "
                          "definition, so they would not read back the same. Save anyway?");
}

void TestTestRoad::save_textsHoldingTheSeparatorAskFirst()
{
    QFETCH(TermEntries, entries);
    QFETCH(QString, question);
    AppFixture fixture;
    fixture.setEntries(entries);
    const QString path = m_dir->filePath(QStringLiteral("list.txt"));
    if (!question.isEmpty()) {
        // No: nothing is written, no dialog.
        fixture.prompts.answerNo();
        QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton2"), Qt::LeftButton);
        QCOMPARE(fixture.prompts.records.size(), 1);
        const PromptRecord asked = fixture.prompts.records[0];
        QCOMPARE(asked.kind, PromptRecord::Kind::YesNo);
        QCOMPARE(asked.text, question);
        QCOMPARE(asked.title, QStringLiteral("Glossmere"));
        QCOMPARE(asked.preferred, Prompts::Default::No);
        fixture.prompts.reset();
        fixture.prompts.answerYes();
    }
    // Yes, or nothing to ask: saved as always.
    fixture.prompts.answerSavePath(path);
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton2"), Qt::LeftButton);
    QCOMPARE(readAll(path), encodeDefinitionFile(TermStore::fromEntries(entries), u"::"));
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestTestRoad::sample_replacesEntriesAndNamesTheFile()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(3));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton3"), Qt::LeftButton);
    QVERIFY(fixture.prompts.records.isEmpty());
    const TermEntries entries = fixture.app.defs().list().entries();
    QVERIFY(entries.size() >= 40 && entries.size() <= 60);
    QVERIFY(!entries.contains(numberedEntries(1).first()));
    QCOMPARE(fixture.app.defs().GetFileName(), QStringLiteral("sample_glossbox.txt"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
    QCOMPARE(control<QLabel>(&fixture.form2(), "Label4")->text(),
             QStringLiteral("Filename: sample_glossbox.txt"));
    QCOMPARE(control<QLabel>(&fixture.form2(), "Label5")->text(),
             QStringLiteral("Total Number of Entries: %1").arg(entries.size()));
}

void TestTestRoad::sample_overUnsavedEditsAsksFirst()
{
    AppFixture fixture;
    fixture.typeEntries(numberedEntries(2));
    fixture.prompts.answerNo();
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton3"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(2));
    QCOMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(fixture.prompts.records[0].kind, PromptRecord::Kind::YesNo);
    fixture.prompts.answerYes();
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton3"), Qt::LeftButton);
    QVERIFY(fixture.app.defs().GetEntryCount() > 2);
    QVERIFY(fixture.app.defs().IsFileUpToDate());
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestTestRoad::sample_missingFileReportsOnceAndKeepsList()
{
    AppFixture fixture(m_dir->path());
    fixture.setEntries(numberedEntries(2));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton3"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.records.size(), 1);
    QVERIFY(fixture.prompts.records[0].text.contains(QStringLiteral("sample_glossbox.txt")));
    QVERIFY(fixture.prompts.records[0].text.contains(
        QStringLiteral("DefManager.loadDefinitionFile at line 104")));
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(2));
}

void TestTestRoad::start_emptyListIsRefused()
{
    AppFixture fixture;
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(fixture.prompts.records[0].text, QStringLiteral("There are no definition entries found."));
    QCOMPARE(fixture.prompts.records[0].title, QStringLiteral("Glossmere"));
    QVERIFY(fixture.form1().isVisible());
    QVERIFY(!fixture.app.hasForm2());
}

void TestTestRoad::start_withoutFileShowsBareFilenameAndCount()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(7));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
    QVERIFY(!fixture.form1().isVisible());
    QVERIFY(fixture.form2().isVisible());
    QCOMPARE(control<QLabel>(&fixture.form2(), "Label4")->text(), QStringLiteral("Filename: "));
    QCOMPARE(control<QLabel>(&fixture.form2(), "Label5")->text(),
             QStringLiteral("Total Number of Entries: 7"));
}

void TestTestRoad::start_notUpToDateAsksAndGoesOnEitherWay_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("yes, save first") << true;
    QTest::newRow("no") << false;
}

void TestTestRoad::start_notUpToDateAsksAndGoesOnEitherWay()
{
    QFETCH(bool, save);
    AppFixture fixture;
    fixture.typeEntries(numberedEntries(2));
    const QString path = m_dir->filePath(QStringLiteral("before-test.txt"));
    if (save) {
        fixture.prompts.answerYes();
        fixture.prompts.answerSavePath(path);
    } else {
        fixture.prompts.answerNo();
    }
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
    const PromptRecord &question = fixture.prompts.records.first();
    QCOMPARE(question.text,
             QStringLiteral(
                 "The current definition file is not up to date, would you like to save it before doing "
                 "a test?"));
    QCOMPARE(question.title, QStringLiteral("Save File?"));
    QCOMPARE(QFile::exists(path), save);
    QVERIFY(fixture.form2().isVisible());
    QCOMPARE(control<QLabel>(&fixture.form2(), "Label4")->text(),
             save ? QStringLiteral("Filename: before-test.txt") : QStringLiteral("Filename: "));
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestTestRoad::help_namesTheContactPage()
{
    AppFixture fixture;
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton8"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.records.size(), 1);
    QVERIFY(fixture.prompts.records[0].text.startsWith(
        QStringLiteral("Questions? Please contact Team Tamberlux at ")));
    QVERIFY(fixture.prompts.records[0].text.endsWith(QStringLiteral("example.org/contact")));
}

void TestTestRoad::keyboard_enterPressesTheFocusedButton()
{
    AppFixture fixture;
    QApplication::setActiveWindow(&fixture.form1());
    QVERIFY(QTest::qWaitForWindowActive(&fixture.form1()));
    control<QPushButton>(&fixture.form1(), "PushButton8")->setFocus();
    QTest::keyClick(control<QPushButton>(&fixture.form1(), "PushButton8"), Qt::Key_Return);
    QCOMPARE(fixture.prompts.records.size(), 1);
    QVERIFY(fixture.prompts.records[0].text.startsWith(QStringLiteral("Questions?")));
    // Enter in the text boxes still belongs to adding terms.
    QTest::keyClicks(control<QLineEdit>(&fixture.form1(), "Text1"), QStringLiteral("cat"));
    QTest::keyClick(control<QLineEdit>(&fixture.form1(), "Text1"), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(&fixture.form1(), "Text2"));
    QCOMPARE(fixture.prompts.records.size(), 1);
}

namespace {
QWidget *windowNamed(AppFixture &fixture, const QString &name)
{
    if (name == QStringLiteral("Form2"))
        return &fixture.form2();
    if (name == QStringLiteral("Form3"))
        return &fixture.form3();
    return &fixture.form1();
}
} // namespace

void TestTestRoad::close_withoutEditsEndsAtOnce_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("main window") << QStringLiteral("Form1");
    QTest::newRow("options window") << QStringLiteral("Form2");
    QTest::newRow("test window") << QStringLiteral("Form3");
}

void TestTestRoad::close_withoutEditsEndsAtOnce()
{
    QFETCH(QString, window);
    AppFixture fixture;
    fixture.setEntries(numberedEntries(5));
    for (int i = 0; i < 100; ++i)
        fixture.random.add(0.5);
    fixture.startTest();
    QWidget *target = windowNamed(fixture, window);
    target->show();
    QVERIFY(target->close());
    QVERIFY(fixture.app.programEnded());
    QVERIFY(fixture.prompts.records.isEmpty());
    QVERIFY(!fixture.form1().isVisible() && !fixture.form2().isVisible() && !fixture.form3().isVisible());
}

void TestTestRoad::close_withEditsAsks_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("savePath"); // answer to the save dialog, if one comes
    QTest::addColumn<bool>("ends");
    const int save = int(Prompts::SaveChoice::Save);
    const int discard = int(Prompts::SaveChoice::Discard);
    const int cancel = int(Prompts::SaveChoice::Cancel);
    QTest::newRow("main, cancel") << QStringLiteral("Form1") << cancel << QString() << false;
    QTest::newRow("main, discard") << QStringLiteral("Form1") << discard << QString() << true;
    QTest::newRow("main, save") << QStringLiteral("Form1") << save << QStringLiteral("saved.txt") << true;
    QTest::newRow("main, save but cancel the dialog")
        << QStringLiteral("Form1") << save << QString() << false;
    QTest::newRow("options, cancel") << QStringLiteral("Form2") << cancel << QString() << false;
    QTest::newRow("test, discard") << QStringLiteral("Form3") << discard << QString() << true;
    QTest::newRow("test, save into a missing folder")
        << QStringLiteral("Form3") << save << QStringLiteral("missing/saved.txt") << false;
}

void TestTestRoad::close_withEditsAsks()
{
    QFETCH(QString, window);
    QFETCH(int, choice);
    QFETCH(QString, savePath);
    QFETCH(bool, ends);
    AppFixture fixture;
    fixture.setEntries(numberedEntries(4));
    // The unsaved edit is made as a user makes it.
    control<QLineEdit>(&fixture.form1(), "Text1")->setText(QStringLiteral("term 4"));
    control<QLineEdit>(&fixture.form1(), "Text2")->setText(QStringLiteral("definition 4"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton4"), Qt::LeftButton);
    for (int i = 0; i < 100; ++i)
        fixture.random.add(0.5);
    if (window != QStringLiteral("Form1")) {
        fixture.prompts.answerNo(); // not saving before the test
        fixture.startTest();
    }
    QWidget *target = windowNamed(fixture, window);
    target->show();
    fixture.prompts.reset();
    fixture.prompts.answerChoice(Prompts::SaveChoice(choice));
    if (Prompts::SaveChoice(choice) == Prompts::SaveChoice::Save)
        fixture.prompts.answerSavePath(savePath.isEmpty() ? QString() : m_dir->filePath(savePath));

    QCOMPARE(target->close(), ends);
    QCOMPARE(fixture.app.programEnded(), ends);
    QCOMPARE(target->isVisible(), !ends);
    QCOMPARE(fixture.prompts.records.first().kind, PromptRecord::Kind::SaveDiscardCancel);
    // Only a save that succeeded leaves the list up to date: a failed one still asks on the next close.
    QCOMPARE(fixture.app.defs().IsFileUpToDate(),
             ends && Prompts::SaveChoice(choice) == Prompts::SaveChoice::Save);
    if (!savePath.isEmpty() && ends)
        QVERIFY(QFile::exists(m_dir->filePath(savePath)));
    QVERIFY2(fixture.prompts.problems().isEmpty(), qPrintable(fixture.prompts.problems()));
}

void TestTestRoad::close_withTypedTextAsks_data()
{
    QTest::addColumn<QString>("term"); // typed into the boxes, not added
    QTest::addColumn<QString>("definition");
    QTest::addColumn<int>("choice"); // to the save question; -1: the list is up to date, none comes
    QTest::addColumn<bool>("lose"); // the answer to the typed-text question, if it comes
    QTest::addColumn<bool>("ends");
    const int save = int(Prompts::SaveChoice::Save);
    const int discard = int(Prompts::SaveChoice::Discard);
    const int cancel = int(Prompts::SaveChoice::Cancel);
    const QString term = QStringLiteral("dog");
    const QString definition = QStringLiteral("a pet");
    QTest::newRow("term only, up to date, no") << term << QString() << -1 << false << false;
    QTest::newRow("definition only, up to date, yes") << QString() << definition << -1 << true << true;
    QTest::newRow("both, up to date, no") << term << definition << -1 << false << false;
    QTest::newRow("term only, saved, no") << term << QString() << save << false << false;
    QTest::newRow("both, saved, yes") << term << definition << save << true << true;
    QTest::newRow("definition only, discard") << QString() << definition << discard << false << true;
    QTest::newRow("both, cancel") << term << definition << cancel << false << false;
}

void TestTestRoad::close_withTypedTextAsks()
{
    QFETCH(QString, term);
    QFETCH(QString, definition);
    QFETCH(int, choice);
    QFETCH(bool, lose);
    QFETCH(bool, ends);
    AppFixture fixture;
    if (choice < 0)
        fixture.setEntries(numberedEntries(2));
    else
        fixture.typeEntries(numberedEntries(2));
    auto *text1 = control<QLineEdit>(&fixture.form1(), "Text1");
    auto *text2 = control<QLineEdit>(&fixture.form1(), "Text2");
    text1->setText(term);
    text2->setText(definition);
    QList<PromptRecord::Kind> asked;
    if (choice >= 0) {
        fixture.prompts.answerChoice(Prompts::SaveChoice(choice));
        asked.append(PromptRecord::Kind::SaveDiscardCancel);
        if (Prompts::SaveChoice(choice) == Prompts::SaveChoice::Save)
            fixture.prompts.answerSavePath(m_dir->filePath(QStringLiteral("saved.txt")));
    }
    // Discarding the list discards what was typed with it; cancelling asks nothing more.
    if (choice < 0 || Prompts::SaveChoice(choice) == Prompts::SaveChoice::Save) {
        fixture.prompts.script(lose);
        asked.append(PromptRecord::Kind::YesNo);
    }

    QCOMPARE(fixture.form1().close(), ends);
    QCOMPARE(fixture.app.programEnded(), ends);
    QList<PromptRecord::Kind> kinds;
    for (const PromptRecord &record : fixture.prompts.records) {
        if (record.kind != PromptRecord::Kind::SaveFile)
            kinds.append(record.kind);
    }
    QCOMPARE(kinds, asked);
    const QList<PromptRecord> question = fixture.prompts.ofKind(PromptRecord::Kind::YesNo);
    if (!question.isEmpty()) {
        QCOMPARE(question.first().text,
                 QStringLiteral("The Term and Definition boxes hold text that has not been added to the "
                                "list. Close and lose it?"));
        QCOMPARE(question.first().preferred, Prompts::Default::No);
    }
    if (!ends) {
        QCOMPARE(text1->text(), term);
        QCOMPARE(text2->text(), definition);
    }
    QVERIFY2(fixture.prompts.problems().isEmpty(), qPrintable(fixture.prompts.problems()));
}

void TestTestRoad::keys_oneToFourAnswerFromAnyFocus_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("keypad");
    QTest::newRow("1 on the window") << int(Qt::Key_1) << QString() << false;
    QTest::newRow("2 on Stop Test") << int(Qt::Key_2) << QStringLiteral("PushButton5") << false;
    QTest::newRow("3 on answer 1") << int(Qt::Key_3) << QStringLiteral("PushButton1") << false;
    QTest::newRow("4 on the keypad") << int(Qt::Key_4) << QStringLiteral("PushButton4") << true;
}

void TestTestRoad::keys_oneToFourAnswerFromAnyFocus()
{
    QFETCH(int, key);
    QFETCH(QString, focus);
    QFETCH(bool, keypad);
    AppFixture fixture;
    fixture.setEntries(numberedEntries(6));
    // The right answer sits on the button of the key pressed.
    const int number = key - Qt::Key_0;
    fixture.random =
        ScriptedRandom({0.0, 0.5, 0.5, 0.5, 0.5, 0.5, (number - 1) / 4.0 + 0.01, 0.1, 0.3, 0.6, 0.9});
    fixture.startTest();
    Form3 &test = fixture.form3();
    QCOMPARE(test.focusWidget(), &test); // so that no answer is one Space press away
    QWidget *target = focus.isEmpty() ? static_cast<QWidget *>(&test) : test.findChild<QWidget *>(focus);
    QVERIFY(target);
    const QString prompt = fixture.shownPrompt();
    QString feedback;
    fixture.pause.during = [&](double) {
        feedback = fixture.shownPrompt();
    };
    QTest::keyClick(target, Qt::Key(key), keypad ? Qt::KeypadModifier : Qt::NoModifier);
    QCOMPARE(feedback, prompt + QStringLiteral("\n\nCorrect"));
    // The pause is shortened to nothing here: the answer has moved the test on.
    QVERIFY(!fixture.shownPrompt().startsWith(prompt));
}

void TestTestRoad::keys_othersChangeNothing()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(6));
    for (int i = 0; i < 100; ++i)
        fixture.random.add(0.3);
    fixture.startTest();
    Form3 &test = fixture.form3();
    const QString prompt = fixture.shownPrompt();
    for (const Qt::Key key : {Qt::Key_0,
                              Qt::Key_5,
                              Qt::Key_9,
                              Qt::Key_A,
                              Qt::Key_Q,
                              Qt::Key_Up,
                              Qt::Key_Down,
                              Qt::Key_Left,
                              Qt::Key_Right,
                              Qt::Key_Home,
                              Qt::Key_PageDown}) {
        QTest::keyClick(&test, key);
        QTest::keyClick(control<QPushButton>(&test, "PushButton1"), key);
    }
    QCOMPARE(fixture.shownPrompt(), prompt);
    QVERIFY(fixture.sound.log.isEmpty());
    QVERIFY(test.isVisible());
}

void TestTestRoad::road_typeThreeEntriesAndStart()
{
    AppFixture fixture;
    Form1 &main = fixture.form1();
    const QStringList terms{QStringLiteral("cat"), QStringLiteral("dog"), QStringLiteral("owl")};
    for (const QString &term : terms) {
        QTest::keyClicks(control<QLineEdit>(&main, "Text1"), term);
        QTest::keyClick(control<QLineEdit>(&main, "Text1"), Qt::Key_Return);
        QTest::keyClicks(control<QLineEdit>(&main, "Text2"), QStringLiteral("the ") + term);
        QTest::keyClick(control<QLineEdit>(&main, "Text2"), Qt::Key_Return);
    }
    QCOMPARE(fixture.app.defs().GetEntryCount(), 3);
    for (int i = 0; i < 100; ++i)
        fixture.random.add(0.2);
    fixture.prompts.answerNo(); // "Save File?"
    QTest::mouseClick(control<QPushButton>(&main, "PushButton1"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton2"), Qt::LeftButton);
    Form3 &test = fixture.form3();
    QVERIFY(test.isVisible());
    QVERIFY(terms.contains(fixture.shownPrompt()));
    QCOMPARE(control<QGroupBox>(&test, "Frame1")->title(), QStringLiteral("Term:"));
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestTestRoad::prepared_windowsOpenAsAtFirstUse_data()
{
    QTest::addColumn<bool>("builtFirst");
    QTest::newRow("built while idle, then used") << true;
    QTest::newRow("used before they are built") << false;
}

void TestTestRoad::prepared_windowsOpenAsAtFirstUse()
{
    QFETCH(bool, builtFirst);
    AppFixture fixture;
    fixture.setEntries(numberedEntries(7));
    if (builtFirst) {
        QTRY_VERIFY(fixture.app.hasForm2() && fixture.app.hasForm3());
        QVERIFY(fixture.form1().isVisible());
        QVERIFY(!fixture.form2().isVisible() && !fixture.form3().isVisible());
    }
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
    // The test window is built unseen while the options are shown, if not before.
    QTRY_VERIFY(fixture.app.hasForm3());
    QVERIFY(!fixture.form3().isVisible());
    QVERIFY(fixture.form2().isVisible());
    QVERIFY(!fixture.form1().isVisible());
    QCOMPARE(control<QLabel>(&fixture.form2(), "Label4")->text(), QStringLiteral("Filename: "));
    QCOMPARE(control<QLabel>(&fixture.form2(), "Label5")->text(),
             QStringLiteral("Total Number of Entries: 7"));
    QVERIFY(control<QRadioButton>(&fixture.form2(), "Option1")->isChecked());
    QVERIFY(control<QRadioButton>(&fixture.form2(), "Option3")->isChecked());

    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton2"), Qt::LeftButton);
    QVERIFY(fixture.form3().isVisible());
    QVERIFY(!fixture.form2().isVisible());
    // Every draw 0: the last entry comes first.
    QCOMPARE(fixture.shownPrompt(), QStringLiteral("term 6"));
    QCOMPARE(control<QGroupBox>(&fixture.form3(), "Frame1")->title(), QStringLiteral("Term:"));
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestTestRoad::orderAhead_followsTheListOfEachShowing_data()
{
    QTest::addColumn<bool>("readFirst");
    QTest::newRow("Continue at once") << false;
    QTest::newRow("Continue after reading the options") << true;
}

void TestTestRoad::orderAhead_followsTheListOfEachShowing()
{
    QFETCH(bool, readFirst);
    // Big enough for its order to be drawn while the options are shown.
    const int count = 60000;
    AppFixture fixture;
    fixture.setEntries(numberedEntries(count));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
    QTest::qWait(800);
    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton1"), Qt::LeftButton);
    fixture.setEntries(numberedEntries(count + 1));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
    if (readFirst)
        QTest::qWait(800);
    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton2"), Qt::LeftButton);
    // Every draw 0: the last entry of the list as it is now comes first.
    QCOMPARE(fixture.shownPrompt(), QStringLiteral("term %1").arg(count));
    QVERIFY(fixture.prompts.problems().isEmpty());
}

QTEST_MAIN(TestTestRoad)
#include "tst_testroad.moc"
