#include "common/helpers.h"
#include "common/pause.h"
#include "testrun/answerbutton.h"
#include "testrun/fittinglabel.h"
#include "testrun/labeladjust.h"
#include "tests/support/appfixture.h"
#include "ui/announcer.h"

#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSet>
#include <QTableView>
#include <QTimer>

namespace {
QList<AnswerButton *> answerButtons(Form3 &form)
{
    return {control<AnswerButton>(&form, "PushButton1"),
            control<AnswerButton>(&form, "PushButton2"),
            control<AnswerButton>(&form, "PushButton3"),
            control<AnswerButton>(&form, "PushButton4")};
}

// The answer texts on the buttons, without their "1. " numbers; a disabled button gives a null text.
QStringList offered(Form3 &form)
{
    QStringList texts;
    for (AnswerButton *button : answerButtons(form))
        texts.append(button->isEnabled() ? button->caption().mid(3) : QString());
    return texts;
}

// Draws from a seeded generator, enough for long runs.
ScriptedRandom seededDraws(quint32 seed, int count = 20000)
{
    QRandomGenerator generator(seed);
    ScriptedRandom random;
    for (int i = 0; i < count; ++i)
        random.add(generator.generateDouble());
    return random;
}

// Order draws that keep the entries in list order: entry i is appended each time.
QList<double> inListOrder(int count)
{
    return QList<double>(count, 0.999);
}

// Does what a user does once and returns what a screen reader should announce for it.
using SpokenAction = std::function<QString(AppFixture &)>;

int shownEntries(AppFixture &fixture)
{
    return control<QTableView>(&fixture.form1(), "ListView1")->model()->rowCount();
}
} // namespace

Q_DECLARE_METATYPE(SpokenAction)

// Presenting questions, drawing wrong answers, checking answers, sounds, pauses and the score.
class TestTestRun : public QObject
{
    Q_OBJECT

private slots:

    void labelSize_bands_data();
    void labelSize_bands();
    void labelSize_shortTermDropsAfterCorrect();
    void feedback_neverCutOff();

    void prompt_longWordsShownWhole_data();
    void prompt_longWordsShownWhole();
    void longTexts_scrollWholeAtTheSmallestSize();
    void draw_degenerateListsEndWithDisabledButtons_data();
    void draw_degenerateListsEndWithDisabledButtons();

    void sound_commandsInOrderBeforeFeedback();
    void sound_waitsOnlyWhereASoundCanBeHeard_data();
    void sound_waitsOnlyWhereASoundCanBeHeard();
    void stop_showsNoScore();

    void pause_closingEndsCleanly();

    void userText_shownLiterally();
    void speech_eachQuestionThenItsFeedback_data();
    void speech_eachQuestionThenItsFeedback();
    void speech_eachActionAnnouncedOnce_data();
    void speech_eachActionAnnouncedOnce();
};

void TestTestRun::labelSize_bands_data()
{
    QTest::addColumn<int>("characters");
    QTest::addColumn<int>("points");
    const QList<std::pair<int, int>> cases{{0, 72},   {4, 72},   {5, 48},   {9, 48},   {10, 36},  {14, 36},
                                           {15, 28},  {24, 28},  {25, 24},  {39, 24},  {40, 20},  {54, 20},
                                           {55, 16},  {74, 16},  {75, 14},  {99, 14},  {100, 12}, {299, 12},
                                           {300, 11}, {399, 11}, {400, 10}, {499, 10}, {500, 9},  {5000, 9}};
    for (const auto &[characters, points] : cases)
        QTest::addRow("%d characters", characters) << characters << points;
}

void TestTestRun::labelSize_bands()
{
    QFETCH(int, characters);
    QFETCH(int, points);
    QCOMPARE(labelPointSize(characters), points);
}

void TestTestRun::labelSize_shortTermDropsAfterCorrect()
{
    AppFixture fixture;
    fixture.setEntries({{QStringLiteral("cat"), QStringLiteral("a small animal")}});
    fixture.random = ScriptedRandom({0.0, 0.0});
    control<QRadioButton>(&fixture.form2(), "Option4")->setChecked(true);
    fixture.startTest();
    Form3 &test = fixture.form3();
    QCOMPARE(control<FittingLabel>(&test, "Label10")->font().pointSize(), 72);
    // The score box comes straight after this one question: look at the prompt while it is open.
    int sizeAtScore = 0;
    QString captionAtScore;
    fixture.prompts.whileShown = [&](const PromptRecord &) {
        sizeAtScore = control<FittingLabel>(&test, "Label10")->font().pointSize();
        captionAtScore = fixture.shownPrompt();
    };
    QTest::keyClick(&test, Qt::Key_1);
    QCOMPARE(captionAtScore, QStringLiteral("cat\n\nCorrect"));
    QCOMPARE(sizeAtScore, 36);
}

void TestTestRun::feedback_neverCutOff()
{
    AppFixture fixture;
    fixture.setEntries(
        {{QStringLiteral("Hund"), QStringLiteral("dog")}, {QStringLiteral("Katze"), QStringLiteral("cat")}});
    fixture.random = ScriptedRandom({0.9, 0.9, 0.0, 0.9});
    fixture.startTest();
    Form3 &test = fixture.form3();
    qreal drawn = 0;
    int designed = 0;
    QRect needed;
    fixture.pause.during = [&](double) {
        designed = control<FittingLabel>(&test, "Label10")->font().pointSize();
        drawn = control<FittingLabel>(&test, "Label10")->drawnPointSize();
        QFont font = control<FittingLabel>(&test, "Label10")->font();
        font.setPointSizeF(drawn);
        needed = QFontMetrics(font).boundingRect(control<FittingLabel>(&test, "Label10")->contentsRect(),
                                                 Qt::TextWordWrap,
                                                 control<FittingLabel>(&test, "Label10")->text());
    };
    QTest::keyClick(&test, Qt::Key_2); // wrong: the right answer is on button 1
    QVERIFY(fixture.sound.log.first().endsWith(QStringLiteral("/Sounds/wrong.wav")));
    // The designed size for this length stays the font's; the text is drawn smaller so all of it shows.
    QCOMPARE(designed, 24);
    QVERIFY(drawn < 24);
    QVERIFY2(needed.height() <= control<FittingLabel>(&test, "Label10")->contentsRect().height(),
             qPrintable(QString::number(needed.height())));
}

void TestTestRun::prompt_longWordsShownWhole_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("breaksInside");
    QTest::newRow("45 letters") << QStringLiteral("pneumonoultramicroscopicsilicovolcanoconiosis") << false;
    QTest::newRow("a German compound")
        << QStringLiteral("Donaudampfschifffahrtselektrizitätenhauptbetriebswerkbauunterbeamtengesellschaft")
        << false;
    QTest::newRow("too wide at the smallest size") << QString(150, QLatin1Char('w')) << true;
}

void TestTestRun::prompt_longWordsShownWhole()
{
    QFETCH(QString, word);
    QFETCH(bool, breaksInside);
    AppFixture fixture;
    fixture.setEntries({{word, QStringLiteral("a word")}, {QStringLiteral("Katze"), QStringLiteral("cat")}});
    fixture.random = ScriptedRandom({0.9, 0.9, 0.0, 0.9});
    fixture.startTest();
    Form3 &test = fixture.form3();
    const auto *label = control<FittingLabel>(&test, "Label10");
    // Whole in width and height, as drawn: before the answer and with the feedback below.
    const auto check = [&] {
        QFont font = label->font();
        font.setPointSizeF(label->drawnPointSize());
        const int flags = label->wrapsInsideWords() ? Qt::TextWrapAnywhere : Qt::TextWordWrap;
        const QRect needed = QFontMetrics(font).boundingRect(label->contentsRect(), flags, label->text());
        QVERIFY2(needed.width() <= label->contentsRect().width()
                     && needed.height() <= label->contentsRect().height(),
                 qPrintable(QStringLiteral("%1x%2 at %3 pt")
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(label->drawnPointSize())));
        QCOMPARE(label->wrapsInsideWords(), breaksInside);
        QVERIFY(label->drawnPointSize() >= 9);
    };
    check();
    QVERIFY(label->drawnPointSize() < label->font().pointSizeF());
    bool checkedFeedback = false;
    fixture.pause.during = [&](double seconds) {
        if (seconds != 2)
            return;
        QVERIFY(label->text().endsWith(QStringLiteral("a word")));
        check();
        checkedFeedback = true;
    };
    QTest::keyClick(&test, Qt::Key_2); // wrong: the feedback names the right answer
    QVERIFY(checkedFeedback);
}

void TestTestRun::longTexts_scrollWholeAtTheSmallestSize()
{
    QString term;
    while (term.size() < 2800)
        term += QStringLiteral("Worte %1 ").arg(term.size());
    QString definition;
    while (definition.size() < 18000)
        definition += QStringLiteral("meaning %1, ").arg(definition.size());
    AppFixture fixture;
    fixture.setEntries({{term, QStringLiteral("short")}, {QStringLiteral("Katze"), definition}});
    fixture.random = ScriptedRandom({0.9, 0.9, 0.0, 0.9});
    fixture.startTest();
    Form3 &test = fixture.form3();
    test.show();
    auto *label = control<FittingLabel>(&test, "Label10");
    AnswerButton *withDefinition = nullptr;
    for (AnswerButton *button : test.findChildren<AnswerButton *>()) {
        if (button->caption().endsWith(definition))
            withDefinition = button;
    }
    QVERIFY(withDefinition);
    // Readable at the smallest designed size, all of it within the scroll bar's reach.
    const auto wholeWithinReach = [](QWidget *widget, const TextFit &fit) {
        auto *bar = widget->findChild<QScrollBar *>();
        QVERIFY(fit.font.pointSizeF() >= 9);
        QVERIFY(fit.scrolls() && bar->isVisible());
        QCOMPARE(bar->maximum() + bar->pageStep(), fit.height);
    };
    QCOMPARE(label->text(), term);
    QVERIFY(label->scrolls());
    wholeWithinReach(label, label->scroller().fit(label->font(), label->contentsRect(), label->text()));
    wholeWithinReach(withDefinition, withDefinition->fitted());
    auto *labelBar = label->findChild<QScrollBar *>();
    QTest::keyClick(&test, Qt::Key_PageDown);
    QCOMPARE(labelBar->value(), labelBar->pageStep());
    // After the answer the feedback, at the end of the prompt, is what shows.
    fixture.pause.during = [&](double seconds) {
        if (seconds == 2) {
            QVERIFY(label->text().endsWith(term + QStringLiteral("\n\nCorrect")));
            QVERIFY(label->scrolls());
            QCOMPARE(labelBar->value(), labelBar->maximum());
        }
    };
    QTest::keyClick(&test, Qt::Key_1);
    QCOMPARE(fixture.pause.waits.size(), 2);
}

void TestTestRun::draw_degenerateListsEndWithDisabledButtons_data()
{
    QTest::addColumn<TermEntries>("entries");
    QTest::addColumn<int>("disabled");
    QTest::newRow("two entries") << numberedEntries(2) << 2;
}

void TestTestRun::draw_degenerateListsEndWithDisabledButtons()
{
    QFETCH(TermEntries, entries);
    QFETCH(int, disabled);
    AppFixture fixture;
    fixture.setEntries(entries);
    QList<double> draws = inListOrder(int(entries.size()));
    draws << 0.0;
    fixture.random = ScriptedRandom(draws);
    for (int i = 0; i < 5000; ++i)
        fixture.random.add(QRandomGenerator::global()->generateDouble());
    fixture.startTest();
    Form3 &test = fixture.form3();
    const QStringList texts = offered(test);
    QCOMPARE(texts.count(QString()), disabled);
    const QList<AnswerButton *> buttons = answerButtons(test);
    QCOMPARE(std::count_if(buttons.begin(), buttons.end(), [](AnswerButton *b) { return !b->isEnabled(); }),
             disabled);
    for (AnswerButton *button : answerButtons(test)) {
        if (!button->isEnabled()) {
            QCOMPARE(button->caption(), QString());
            QCOMPARE(button->accessibleName(),
                     button->objectName().right(1) + QStringLiteral(". (no answer)"));
        }
    }
    // A key for a button without an answer does nothing.
    const QString prompt = fixture.shownPrompt();
    QTest::keyClick(&test, Qt::Key_4);
    QCOMPARE(fixture.shownPrompt(), prompt);
    QVERIFY(fixture.sound.log.isEmpty());
    QTest::keyClick(&test, Qt::Key_1);
    QVERIFY(!fixture.sound.log.isEmpty());
}

void TestTestRun::sound_commandsInOrderBeforeFeedback()
{
    AppFixture fixture;
    // Real timing once: the sound plays a whole second before the feedback.
    fixture.pause.during = [](double seconds) {
        EventLoopPause().Wait(seconds);
    };
    fixture.setEntries(numberedEntries(1));
    fixture.random = ScriptedRandom({0.0, 0.0});
    fixture.startTest();
    Form3 &test = fixture.form3();
    QElapsedTimer clock;
    qint64 played = -1;
    qint64 stopped = -1;
    QString captionAtStop;
    fixture.sound.onCommand = [&](const QString &name) {
        if (name == QStringLiteral("Play"))
            played = clock.elapsed();
        if (name == QStringLiteral("Stop")) {
            stopped = clock.elapsed();
            captionAtStop = fixture.shownPrompt();
        }
    };
    QString captionAtScore;
    fixture.prompts.whileShown = [&](const PromptRecord &) {
        captionAtScore = fixture.shownPrompt();
    };
    clock.start();
    QTest::keyClick(&test, Qt::Key_1);
    const QString folder = builtProgramFolder();
    QCOMPARE(
        fixture.sound.log,
        (QStringList{QStringLiteral("file ") + NormalisePath(folder + QStringLiteral("/Sounds/right.wav")),
                     QStringLiteral("Open"),
                     QStringLiteral("Play"),
                     QStringLiteral("Stop"),
                     QStringLiteral("close")}));
    QCOMPARE(captionAtStop, QStringLiteral("term 0"));
    QCOMPARE(captionAtScore, QStringLiteral("term 0\n\nCorrect"));
    QVERIFY2(stopped - played >= 990, qPrintable(QString::number(stopped - played)));
}

void TestTestRun::sound_waitsOnlyWhereASoundCanBeHeard_data()
{
    QTest::addColumn<bool>("filesThere");
    QTest::addColumn<bool>("output");
    QTest::addColumn<QList<double>>("waits");
    QTest::newRow("a sound played") << true << true << QList<double>{1, 2};
    QTest::newRow("sound files missing") << false << true << QList<double>{1, 2};
    QTest::newRow("no audio output") << true << false << QList<double>{2};
}

void TestTestRun::sound_waitsOnlyWhereASoundCanBeHeard()
{
    QFETCH(bool, filesThere);
    QFETCH(bool, output);
    QFETCH(QList<double>, waits);
    QTemporaryDir empty;
    AppFixture fixture(filesThere ? builtProgramFolder() : empty.path());
    fixture.sound.playable = output;
    fixture.setEntries(numberedEntries(1));
    fixture.random = ScriptedRandom({0.0, 0.0});
    fixture.startTest();
    QTest::keyClick(&fixture.form3(), Qt::Key_1);
    QCOMPARE(fixture.pause.waits, waits);
    QCOMPARE(fixture.sound.log.mid(fixture.sound.log.size() - 2),
             (QStringList{QStringLiteral("Stop"), QStringLiteral("close")}));
    QCOMPARE(fixture.prompts.records.size(), 1); // the score, and no report of a missing file
}

void TestTestRun::stop_showsNoScore()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(4));
    fixture.random = seededDraws(8);
    fixture.startTest();
    Form3 &test = fixture.form3();
    // Stop at the answer's first pause: nothing more is shown, no next question follows.
    QString shownAtStop;
    fixture.pause.during = [&](double) {
        if (shownAtStop.isNull()) {
            shownAtStop = fixture.shownPrompt();
            QTest::mouseClick(control<QPushButton>(&test, "PushButton5"), Qt::LeftButton);
        }
    };
    QTest::keyClick(&test, Qt::Key_1);
    QCOMPARE(fixture.shownPrompt(), shownAtStop);
    QVERIFY(!test.isVisible());
    QVERIFY(fixture.form2().isVisible());
    QVERIFY(fixture.prompts.records.isEmpty());
}

void TestTestRun::pause_closingEndsCleanly()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    control<QRadioButton>(&fixture.form2(), "Option4")->setChecked(true);
    fixture.random = seededDraws(12);
    fixture.startTest();
    Form3 &test = fixture.form3();
    QString shownAtClose;
    fixture.pause.during = [&](double) {
        shownAtClose = fixture.shownPrompt();
        test.close();
    };
    QTest::keyClick(&test, Qt::Key(Qt::Key_0 + fixture.rightButton()));
    QVERIFY(fixture.app.programEnded());
    QCOMPARE(fixture.shownPrompt(), shownAtClose);
    QVERIFY(fixture.prompts.records.isEmpty());
    QVERIFY(!test.isVisible() && !fixture.form2().isVisible() && !fixture.form1().isVisible());
}

void TestTestRun::userText_shownLiterally()
{
    AppFixture fixture;
    fixture.setEntries({{QStringLiteral("<i>x</i>"), QStringLiteral("R&D")},
                        {QStringLiteral("b"), QStringLiteral("<b>bold</b> & more")},
                        {QStringLiteral("c"), QStringLiteral("&&")},
                        {QStringLiteral("d"), QStringLiteral("שלום")}});
    QList<double> draws = inListOrder(4);
    draws << 0.0 << 1.0 / 3 << 2.0 / 3 << 0.999;
    fixture.random = ScriptedRandom(draws);
    fixture.startTest();
    Form3 &test = fixture.form3();
    QCOMPARE(control<FittingLabel>(&test, "Label10")->textFormat(), Qt::PlainText);
    QCOMPARE(control<FittingLabel>(&test, "Label10")->text(), QStringLiteral("<i>x</i>"));
    QCOMPARE(control<AnswerButton>(&test, "PushButton1")->caption(), QStringLiteral("1. R&D"));
    QCOMPARE(control<AnswerButton>(&test, "PushButton2")->caption(), QStringLiteral("2. <b>bold</b> & more"));
    QCOMPARE(control<AnswerButton>(&test, "PushButton3")->caption(), QStringLiteral("3. &&"));
    QCOMPARE(control<AnswerButton>(&test, "PushButton4")->caption(), QStringLiteral("4. שלום"));
    for (AnswerButton *button : answerButtons(test)) {
        // No '&' became a keyboard shortcut.
        QVERIFY(button->shortcut().isEmpty());
        QCOMPARE(button->accessibleName(), button->caption());
    }
    QTest::keyClick(&test, Qt::Key_D, Qt::AltModifier);
    QVERIFY(fixture.sound.log.isEmpty());
    QCOMPARE(control<FittingLabel>(&test, "Label10")->accessibleName(), QStringLiteral("<i>x</i>"));
    QCOMPARE(test.findChild<Announcer *>()->text(),
             QStringLiteral("Term:\n<i>x</i>\nPossible Answers (Press 1 2 3 or 4 on the keyboard)\n"
                            "1. R&D\n2. <b>bold</b> & more\n3. &&\n4. שלום"));
}

void TestTestRun::speech_eachQuestionThenItsFeedback_data()
{
    QTest::addColumn<bool>("definitionGiven");
    QTest::addColumn<int>("entries");
    QTest::newRow("terms given, four answers") << false << 6;
    QTest::newRow("definitions given, a button left empty") << true << 3;
}

void TestTestRun::speech_eachQuestionThenItsFeedback()
{
    QFETCH(bool, definitionGiven);
    QFETCH(int, entries);
    AppFixture fixture;
    TermEntries list;
    for (int i = 0; i < entries; ++i)
        list.append({QStringLiteral("term %1").arg(i), QStringLiteral("line one\r\nline two %1").arg(i)});
    fixture.setEntries(list);
    fixture.random = seededDraws(7);
    fixture.startTest(definitionGiven);
    Form3 &test = fixture.form3();
    const Announcer *spoken = test.findChild<Announcer *>();
    QVERIFY(spoken);
    QCOMPARE(test.accessibleDescription(),
             definitionGiven
                 ? QStringLiteral("Test: the definition is given; choose its term with the keys 1 to 4.")
                 : QStringLiteral("Test: the term is given; choose its definition with the keys 1 to 4."));
    QString duringFeedback;
    fixture.pause.during = [&](double seconds) {
        if (seconds == 2)
            duringFeedback = spoken->text();
    };
    for (int question = 0; question < entries; ++question) {
        // What the window shows, top to bottom; the keys' caption with the first question only.
        QStringList shown{control<QGroupBox>(&test, "Frame1")->title(), fixture.shownPrompt()};
        if (question == 0)
            shown.append(control<QGroupBox>(&test, "Frame2")->title());
        for (AnswerButton *button : answerButtons(test)) {
            if (button->isEnabled())
                shown.append(lineBreaksForDisplay(button->caption()));
        }
        QCOMPARE(spoken->text(), shown.join(QLatin1Char('\n')));
        // Right on even questions, wrong on odd ones.
        const QString rightText = fixture.answerButton(fixture.rightButton())->caption().mid(3);
        QTest::keyClick(&test,
                        Qt::Key(Qt::Key_0 + (question % 2 ? fixture.wrongButton() : fixture.rightButton())));
        QCOMPARE(duringFeedback,
                 question % 2 ? QStringLiteral("The correct answer was: \n") + lineBreaksForDisplay(rightText)
                              : QStringLiteral("Correct"));
    }
}

void TestTestRun::speech_eachActionAnnouncedOnce_data()
{
    QTest::addColumn<bool>("inTest");
    QTest::addColumn<SpokenAction>("act");
    QTest::newRow("a right answer") << true << SpokenAction([](AppFixture &fixture) {
        QTest::keyClick(&fixture.form3(), Qt::Key(Qt::Key_0 + fixture.rightButton()));
        return QStringLiteral("Correct");
    });
    QTest::newRow("a wrong answer") << true << SpokenAction([](AppFixture &fixture) {
        const QString rightText = fixture.answerButton(fixture.rightButton())->caption().mid(3);
        QTest::keyClick(&fixture.form3(), Qt::Key(Qt::Key_0 + fixture.wrongButton()));
        return QStringLiteral("The correct answer was: \n") + rightText;
    });
    QTest::newRow("an entry added") << false << SpokenAction([](AppFixture &fixture) {
        fixture.typeEntries({{QStringLiteral("cat"), QStringLiteral("a small animal")}});
        return QStringLiteral("Added cat — a small animal; %1 entries").arg(shownEntries(fixture));
    });
    QTest::newRow("the sample loaded") << false << SpokenAction([](AppFixture &fixture) {
        QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton3"), Qt::LeftButton);
        return QStringLiteral("%1 entries loaded").arg(shownEntries(fixture));
    });
}

void TestTestRun::speech_eachActionAnnouncedOnce()
{
    QFETCH(bool, inTest);
    QFETCH(SpokenAction, act);
    AppFixture fixture;
    fixture.setEntries(numberedEntries(8));
    fixture.random = seededDraws(5);
    AccessibilityRecorder heard;
    if (inTest)
        fixture.startTest();
    QWidget *window = inTest ? static_cast<QWidget *>(&fixture.form3()) : &fixture.form1();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    // The first question is told once its window is active.
    QTRY_COMPARE(heard.announcements().size(), inTest ? 1 : 0);
    // Each time: once, and nothing else said twice.
    for (int time = 1; time <= 3; ++time) {
        const qsizetype before = heard.announcements().size();
        const QString expected = act(fixture);
        const QStringList sent = heard.announcements().mid(before);
        QVERIFY2(sent.count(expected) == 1 && QSet<QString>(sent.begin(), sent.end()).size() == sent.size(),
                 qPrintable(QStringLiteral("time %1: %2").arg(time).arg(sent.join(QStringLiteral(" | ")))));
    }
    QVERIFY2(fixture.prompts.problems().isEmpty(), qPrintable(fixture.prompts.problems()));
}

QTEST_MAIN(TestTestRun)
#include "tst_testrun.moc"
