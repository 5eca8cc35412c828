#include "common/helpers.h"
#include "common/settings.h"
#include "tests/support/appfixture.h"
#include "testsetup/questionorder.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSettings>

namespace {
// The insertion rule done the plain way, one insert after another.
std::vector<int> insertOneByOne(int count, RandomSource &random)
{
    std::vector<int> order;
    for (int i = 0; i < count; ++i) {
        const auto at = roundHalfEven(random.draw() * double(order.size()));
        order.insert(order.begin() + at, i);
    }
    return order;
}

// Answers one question for each of `rightly`, by its key, rightly or not; returns the prompts shown,
// joined by '|'.
QString answerQuestions(AppFixture &fixture, const QList<bool> &rightly)
{
    QStringList asked;
    for (const bool right : rightly) {
        asked.append(fixture.shownPrompt());
        const int key = right ? fixture.rightButton() : fixture.wrongButton();
        QTest::keyClick(&fixture.form3(), Qt::Key(Qt::Key_0 + key));
    }
    return asked.join(u'|');
}

// The list's menu opened by Shift+F10, as a user opens it; its item `name` as shown.
QAction *listMenuItem(AppFixture &fixture, const char *name)
{
    QApplication::setActiveWindow(&fixture.form1());
    auto *list = control<QTableView>(&fixture.form1(), "ListView1");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    auto *menu = control<QMenu>(&fixture.form1(), "ListMenu");
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }))
        qFatal("the list's menu does not open");
    return control<QAction>(menu, name);
}

void choose(QAction *item)
{
    auto *menu = qobject_cast<QMenu *>(item->parent());
    menu->setActiveAction(item);
    QTest::keyClick(menu, Qt::Key_Return);
}

QString shownCount(AppFixture &fixture)
{
    return control<QLabel>(&fixture.form2(), "Label5")->text();
}
} // namespace

// The question order and the test options window.
class TestTestSetup : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void order_smallCases_data();
    void order_smallCases();
    void order_matchesOneByOneInsertion_data();
    void order_matchesOneByOneInsertion();

    void options_firstRunSelectsDesignedChoices();
    void options_clickIsStoredAndReadByNextRun();
    void options_badTextIsReportedAndDesignedStateKept_data();
    void options_badTextIsReportedAndDesignedStateKept();

    void options_saySoWhenNoSoundCanBeHeard();
    void goBack_showsTheMainWindow();
    void continue_emptyListIsRefused();
    void continue_listWithNothingToAskIsRefused();
    void continue_setsDirectionAndPresentsBeforeShowing();
    void continue_againRebuildsOrderAndResetsCount();
    void practice_asksTheMistakesAloneThenTheWholeListAgain();

private:
};

void TestTestSetup::init()
{ }

void TestTestSetup::order_smallCases_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<double>>("draws");
    QTest::addColumn<std::vector<int>>("expected");
    QTest::newRow("one entry") << 1 << QList<double>{0.7} << std::vector<int>{0};
    QTest::newRow("two, r below a half") << 2 << QList<double>{0.9, 0.49} << std::vector<int>{1, 0};
    QTest::newRow("two, r exactly a half") << 2 << QList<double>{0.9, 0.5} << std::vector<int>{1, 0};
    QTest::newRow("two, r above a half") << 2 << QList<double>{0.9, 0.51} << std::vector<int>{0, 1};
    // 1.5 rounds to 2 and 2.5 to 2: halves go to the even neighbour.
    QTest::newRow("halves to even") << 4 << QList<double>{0.0, 0.5, 0.75, 0.5}
                                    << std::vector<int>{1, 0, 3, 2};
    QTest::newRow("none") << 0 << QList<double>{} << std::vector<int>{};
}

void TestTestSetup::order_smallCases()
{
    QFETCH(int, count);
    QFETCH(QList<double>, draws);
    QFETCH(std::vector<int>, expected);
    ScriptedRandom random(draws);
    QCOMPARE(buildQuestionOrder(count, random), expected);
    QCOMPARE(random.drawn(), count);
    ScriptedRandom again(draws);
    QCOMPARE(insertOneByOne(count, again), expected);
}

void TestTestSetup::order_matchesOneByOneInsertion_data()
{
    QTest::addColumn<int>("count");
    // Free slots are kept 64 to a word: sizes around word and tree boundaries.
    for (int count : {1, 2, 63, 64, 65, 127, 129, 1000, 5000})
        QTest::addRow("%d", count) << count;
}

void TestTestSetup::order_matchesOneByOneInsertion()
{
    QFETCH(int, count);
    QRandomGenerator generator(77);
    QList<double> draws;
    for (int i = 0; i < count; ++i) {
        // Plenty of exact halves and ends, where rounding mistakes would show.
        const int kind = generator.bounded(4);
        draws.append(kind == 0 ? 0.5 : kind == 1 ? 0.0 : generator.generateDouble());
    }
    ScriptedRandom fast(draws);
    ScriptedRandom plain(draws);
    const std::vector<int> order = buildQuestionOrder(count, fast);
    QCOMPARE(order, insertOneByOne(count, plain));
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < count; ++i)
        QCOMPARE(sorted[size_t(i)], i);
}

void TestTestSetup::options_firstRunSelectsDesignedChoices()
{
    AppFixture fixture;
    Form2 &form = fixture.form2();
    QVERIFY(control<QRadioButton>(&form, "Option1")->isChecked());
    QVERIFY(!control<QRadioButton>(&form, "Option2")->isChecked());
    QVERIFY(control<QRadioButton>(&form, "Option3")->isChecked());
    QVERIFY(!control<QRadioButton>(&form, "Option4")->isChecked());
    QCOMPARE(form.windowTitle(), QStringLiteral("Glossmere"));
    QVERIFY(fixture.prompts.records.isEmpty());
    // Opening writes nothing.
    QCOMPARE(fixture.ownSettings.settings().ReadSetting(QStringLiteral("Option1"), QStringLiteral("unset")),
             QStringLiteral("unset"));
}

void TestTestSetup::options_clickIsStoredAndReadByNextRun()
{
    IsolatedSettings shared;
    const auto stored = [&](const char *key) {
        return shared.settings().ReadSetting(QString::fromLatin1(key), {});
    };
    {
        AppFixture fixture(shared.settings());
        Form2 &form = fixture.form2();
        form.show();
        QTest::mouseClick(control<QRadioButton>(&form, "Option2"),
                          Qt::LeftButton,
                          {},
                          QPoint(8, control<QRadioButton>(&form, "Option2")->height() / 2));
        QVERIFY(control<QRadioButton>(&form, "Option2")->isChecked());
        QCOMPARE(stored("Option1"), QStringLiteral("False"));
        QCOMPARE(stored("Option2"), QStringLiteral("True"));
        QTest::mouseClick(control<QRadioButton>(&form, "Option4"),
                          Qt::LeftButton,
                          {},
                          QPoint(8, control<QRadioButton>(&form, "Option4")->height() / 2));
        QCOMPARE(stored("Option3"), QStringLiteral("False"));
        QCOMPARE(stored("Option4"), QStringLiteral("True"));
    }
    AppFixture nextRun(shared.settings());
    QVERIFY(control<QRadioButton>(&nextRun.form2(), "Option2")->isChecked());
    QVERIFY(!control<QRadioButton>(&nextRun.form2(), "Option1")->isChecked());
    QVERIFY(control<QRadioButton>(&nextRun.form2(), "Option4")->isChecked());
}

void TestTestSetup::options_badTextIsReportedAndDesignedStateKept_data()
{
    QTest::addColumn<QStringList>("stored"); // Option1..Option4, empty for unset
    QTest::addColumn<QList<int>>("reportedLines");
    QTest::addColumn<bool>("termGiven");
    QTest::addColumn<int>("sound"); // the selected sound option, 0 for neither
    QTest::newRow("garbage direction")
        << QStringList{QStringLiteral("garbage"), {}, {}, {}} << QList<int>{110} << true << 3;
    QTest::newRow("garbage sound after other choice") << QStringList{QStringLiteral("False"),
                                                                     QStringLiteral("True"),
                                                                     QStringLiteral("maybe"),
                                                                     QStringLiteral("True")}
                                                      << QList<int>{114} << false << 4;
    QTest::newRow("neither direction selected")
        << QStringList{QStringLiteral("False"), QStringLiteral("False"), {}, {}} << QList<int>{} << true << 3;
    QTest::newRow("numbers read as booleans")
        << QStringList{QStringLiteral("0"), QStringLiteral("-1"), QStringLiteral("0"), QStringLiteral("2")}
        << QList<int>{} << false << 4;
    QTest::newRow("every one bad") << QStringList{QStringLiteral("x"),
                                                  QStringLiteral("y"),
                                                  QStringLiteral(""),
                                                  QStringLiteral("z")}
                                   << QList<int>{110, 112, 114, 116} << true << 3;
    QTest::newRow("neither sound option: silence")
        << QStringList{{}, {}, QStringLiteral("False"), QStringLiteral("False")} << QList<int>{} << true << 0;
}

void TestTestSetup::options_badTextIsReportedAndDesignedStateKept()
{
    QFETCH(QStringList, stored);
    QFETCH(QList<int>, reportedLines);
    QFETCH(bool, termGiven);
    QFETCH(int, sound);
    AppFixture fixture;
    {
        const std::unique_ptr<QSettings> raw = fixture.ownSettings.raw();
        for (int i = 0; i < 4; ++i) {
            if (!stored[i].isNull())
                raw->setValue(QStringLiteral("Glossmere/Option%1").arg(i + 1), stored[i]);
        }
    }
    Form2 &form = fixture.form2();
    QCOMPARE(fixture.prompts.records.size(), reportedLines.size());
    for (int i = 0; i < reportedLines.size(); ++i) {
        QCOMPARE(fixture.prompts.records[i].title, QStringLiteral("Application Error"));
        QVERIFY2(fixture.prompts.records[i].text.contains(
                     QStringLiteral("\r\nin Glossbox2021/08/31.Form2.Form_Load at line %1\r\r")
                         .arg(reportedLines[i])),
                 qPrintable(fixture.prompts.records[i].text));
    }
    QCOMPARE(control<QRadioButton>(&form, "Option1")->isChecked(), termGiven);
    QCOMPARE(control<QRadioButton>(&form, "Option2")->isChecked(), !termGiven);
    QCOMPARE(control<QRadioButton>(&form, "Option3")->isChecked(), sound == 3);
    QCOMPARE(control<QRadioButton>(&form, "Option4")->isChecked(), sound == 4);
    // The option chosen is what a test hears.
    fixture.setEntries(numberedEntries(4));
    for (int i = 0; i < 10; ++i)
        fixture.random.add(0.3);
    fixture.startTest(!termGiven);
    QTest::keyClick(&fixture.form3(), Qt::Key_1);
    QCOMPARE(fixture.sound.log.contains(QStringLiteral("Play")), sound == 3);
}

void TestTestSetup::options_saySoWhenNoSoundCanBeHeard()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    auto *play = control<QRadioButton>(&fixture.form2(), "Option3");
    for (const bool output : {false, true}) {
        fixture.sound.playable = output;
        QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
        QTRY_COMPARE(play->accessibleDescription().isEmpty(), output);
        QCOMPARE(play->text(), QStringLiteral("Play sounds"));
        QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton1"), Qt::LeftButton);
    }
    QCOMPARE(play->accessibleDescription(), QString());
    fixture.sound.playable = false;
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
    QTRY_COMPARE(play->accessibleDescription(),
                 QStringLiteral("No sound can be played: this computer has no audio output."));
}

void TestTestSetup::goBack_showsTheMainWindow()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
    QVERIFY(!fixture.form1().isVisible());
    QVERIFY(fixture.form2().isVisible());
    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton1"), Qt::LeftButton);
    QVERIFY(fixture.form1().isVisible());
    QVERIFY(!fixture.form2().isVisible());
}

void TestTestSetup::continue_emptyListIsRefused()
{
    AppFixture fixture;
    fixture.form2().show();
    control<QRadioButton>(&fixture.form2(), "Option2")->setChecked(true);
    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton2"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(fixture.prompts.records[0].text,
             QStringLiteral("There are no terms/definitions currently entered"));
    QCOMPARE(fixture.prompts.records[0].title, QStringLiteral("Glossmere"));
    QCOMPARE(fixture.prompts.records[0].icon, Prompts::Icon::None);
    QVERIFY(fixture.form2().isVisible());
    QVERIFY(!fixture.app.hasForm3());
}

void TestTestSetup::continue_listWithNothingToAskIsRefused()
{
    AppFixture fixture;
    fixture.setEntries({{QStringLiteral("blank"), QString()},
                        {QString(), QStringLiteral("one")},
                        {QStringLiteral("\u3000"), QStringLiteral("two")}});
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton1"), Qt::LeftButton);
    // The list's own count, whatever a test can ask of it.
    QCOMPARE(control<QLabel>(&fixture.form2(), "Label5")->text(),
             QStringLiteral("Total Number of Entries: 3"));
    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton2"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(fixture.prompts.records[0].text,
             QStringLiteral("None of the entries can be asked: each has an empty term or definition."));
    QVERIFY(fixture.form2().isVisible());
    QVERIFY(!fixture.app.hasForm3() || !fixture.form3().isVisible());
    QCOMPARE(fixture.app.defs().GetEntryCount(), 3);
}

namespace {
// Notes what the test window shows at the moment it appears.
struct ShowWatcher : QObject
{
    explicit ShowWatcher(Form3 &watched)
        : form(watched)
    {
        form.installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            captionWhenShown = control<QLabel>(&form, "Label10")->text();
        return false;
    }

    Form3 &form;
    QString captionWhenShown;
};
} // namespace

void TestTestSetup::continue_setsDirectionAndPresentsBeforeShowing()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(3));
    // Order draws (giving 2, 1, 0), then the first question's right position and wrong answers.
    fixture.random = ScriptedRandom({0.0, 0.4, 0.2, 0.25, 0.0, 0.5});
    ShowWatcher watcher(fixture.form3());
    fixture.startTest(true);

    Form3 &test = fixture.form3();
    QCOMPARE(watcher.captionWhenShown, QStringLiteral("definition 2"));
    QVERIFY(test.isVisible());
    QVERIFY(!fixture.form2().isVisible());
    QCOMPARE(control<QGroupBox>(&test, "Frame1")->title(), QStringLiteral("Definition:"));
    QCOMPARE(control<AnswerButton>(&test, "PushButton2")->caption(), QStringLiteral("2. term 2"));
    QCOMPARE(answerQuestions(fixture, {true, false, true}),
             QStringLiteral("definition 2|definition 1|definition 0"));
    QVERIFY(fixture.prompts.records.last().text.endsWith(
        QStringLiteral("Score: 2 correct answers out of 3 questions")));
}

void TestTestSetup::continue_againRebuildsOrderAndResetsCount()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(4));
    for (int i = 0; i < 200; ++i)
        fixture.random.add(0.3);
    fixture.startTest();
    answerQuestions(fixture, {true});
    QTest::mouseClick(control<QPushButton>(&fixture.form3(), "PushButton5"), Qt::LeftButton);
    QVERIFY(fixture.form2().isVisible());

    fixture.random = ScriptedRandom(QList<double>{0.0, 0.9, 0.9, 0.9, 0.0, 0.1, 0.4, 0.7, 0.95});
    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton2"), Qt::LeftButton);
    QCOMPARE(answerQuestions(fixture, {true, false, true, true}),
             QStringLiteral("term 0|term 1|term 2|term 3"));
    QVERIFY(fixture.prompts.records.last().text.endsWith(
        QStringLiteral("Score: 3 correct answers out of 4 questions")));
}

void TestTestSetup::practice_asksTheMistakesAloneThenTheWholeListAgain()
{
    AppFixture fixture;
    const TermEntries entries = numberedEntries(6);
    fixture.setEntries(entries);
    for (int i = 0; i < 500; ++i)
        fixture.random.add(0.3);
    AccessibilityRecorder heard;
    fixture.startTest();
    const QStringList asked = answerQuestions(fixture, {true, false, true, true, false, true}).split(u'|');
    QVERIFY(fixture.form2().isVisible());

    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton1"), Qt::LeftButton);
    QAction *practise = listMenuItem(fixture, "PractiseMistakesCommand");
    QCOMPARE(practise->text(), QStringLiteral("Practise the 2 Mistakes of the Last Test"));
    QCOMPARE(practise->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    QVERIFY(practise->isEnabled());
    choose(practise);
    QTRY_VERIFY(fixture.form2().isVisible());
    QCOMPARE(control<QLabel>(&fixture.form2(), "Label4")->text(), QStringLiteral("Filename: "));
    QCOMPARE(shownCount(fixture), QStringLiteral("Total Number of Entries: 2"));
    QTRY_VERIFY(heard.announcements().contains(
        QStringLiteral("Practice of the last test's mistakes: Total Number of Entries: 2")));
    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton2"), Qt::LeftButton);
    const QStringList practised = answerQuestions(fixture, {false, true}).split(u'|');
    QCOMPARE(QSet<QString>(practised.begin(), practised.end()), (QSet<QString>{asked[1], asked[4]}));
    QVERIFY(fixture.prompts.records.last().text.endsWith(
        QStringLiteral("Score: 1 correct answers out of 2 questions")));

    // Ctrl+R in the options: the mistake of that practice alone, then nothing is left to practise.
    QApplication::setActiveWindow(&fixture.form2());
    QVERIFY(QTest::qWaitForWindowActive(&fixture.form2()));
    QTest::keyClick(&fixture.form2(), Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(shownCount(fixture), QStringLiteral("Total Number of Entries: 1"));
    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton2"), Qt::LeftButton);
    QCOMPARE(answerQuestions(fixture, {true}), practised[0]);
    QVERIFY(fixture.prompts.records.last().text.endsWith(
        QStringLiteral("Score: 1 correct answers out of 1 questions")));
    QTest::mouseClick(control<QPushButton>(&fixture.form2(), "PushButton1"), Qt::LeftButton);
    practise = listMenuItem(fixture, "PractiseMistakesCommand");
    QCOMPARE(practise->text(), QStringLiteral("Practise the Last Test's Mistakes"));
    QVERIFY(!practise->isEnabled());
    QTest::keyClick(qobject_cast<QMenu *>(practise->parent()), Qt::Key_Escape);

    // "Start Taking Test" tests the whole list again.
    fixture.startTest();
    QCOMPARE(shownCount(fixture), QStringLiteral("Total Number of Entries: 6"));
    QCOMPARE(fixture.form3().session().questionList().size(), size_t(6));
    // The list is as it was, saved, with nothing to undo.
    QCOMPARE(fixture.app.defs().list().entries(), entries);
    QVERIFY(fixture.app.defs().IsFileUpToDate());
    QCOMPARE(fixture.app.defs().list().history().count(), 0);
    QVERIFY2(fixture.prompts.problems().isEmpty(), qPrintable(fixture.prompts.problems()));
}

QTEST_MAIN(TestTestSetup)
#include "tst_testsetup.moc"
