#include "common/helpers.h"
#include "testrun/fittinglabel.h"
#include "testrun/labeladjust.h"
#include "tests/support/appfixture.h"

#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QRandomGenerator>
#include <QSet>
#include <QTimer>

namespace {
QList<AnswerButton *> answerButtons(Form3 &form)
{
    return {form.PushButton1, form.PushButton2, form.PushButton3, form.PushButton4};
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

int rightButton(Form3 &form)
{
    return form.CorrectPosition + 1;
}
} // namespace

// Presenting questions, drawing wrong answers, checking answers, sounds, pauses and the score.
class TestTestRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void labelSize_bands_data();
    void labelSize_bands();
    void labelSize_shortTermDropsAfterCorrect();
    void feedback_neverCutOff();

    void placement_followsTheTable_data();
    void placement_followsTheTable();
    void draw_fourDistinctEntriesOfferAllFour();
    void draw_twinsNeverTogetherCaseVariantsMay();
    void draw_emptyTextNeverWrongButShownWhenRight();
    void draw_degenerateListsEndWithDisabledButtons_data();
    void draw_degenerateListsEndWithDisabledButtons();
    void draw_millionEntriesThreeDefinitions();

    void answer_rightAndWrongInBothDirections_data();
    void answer_rightAndWrongInBothDirections();
    void sound_commandsInOrderBeforeFeedback();
    void sound_offSendsNothing();
    void sound_missingFileStillWaits();
    void score_lastAnswerEndsTheTest();
    void stop_showsNoScore();

    void pause_secondAnswerIsIgnored();
    void pause_stopEndsAtOnce();
    void pause_closingEndsCleanly();
    void wholeTest_byKeys();

    void userText_shownLiterally();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestTestRun::initTestCase()
{ }

void TestTestRun::init()
{
    // Each test starts from a fresh settings store: choices made in one must not leak into the next.
    m_settings = std::make_unique<IsolatedSettings>();
    setTimeScale(0.0);
}

void TestTestRun::cleanup()
{
    setTimeScale(1.0);
}

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
    fixture.form2().Option4->setChecked(true);
    fixture.startTest();
    Form3 &test = fixture.form3();
    QCOMPARE(test.Label10->font().pointSize(), 72);
    // The score box comes straight after this one question: look at the prompt while it is open.
    int sizeAtScore = 0;
    QString captionAtScore;
    fixture.prompts.whileShown = [&](const PromptRecord &) {
        sizeAtScore = test.Label10->font().pointSize();
        captionAtScore = test.label10Caption();
    };
    QTest::keyClick(&test, Qt::Key_1);
    QCOMPARE(captionAtScore, QStringLiteral("cat\r\n\r\nCorrect"));
    QCOMPARE(sizeAtScore, 36);
}

void TestTestRun::feedback_neverCutOff()
{
    AppFixture fixture;
    fixture.setEntries(
        {{QStringLiteral("Hund"), QStringLiteral("dog")}, {QStringLiteral("Katze"), QStringLiteral("cat")}});
    fixture.random = ScriptedRandom({0.9, 0.9, 0.0, 0.9});
    fixture.form2().Option4->setChecked(true);
    fixture.startTest();
    Form3 &test = fixture.form3();
    setTimeScale(0.05);
    qreal drawn = 0;
    int designed = 0;
    QRect needed;
    QTimer::singleShot(20, &test, [&] {
        designed = test.Label10->font().pointSize();
        drawn = test.Label10->drawnPointSize();
        QFont font = test.Label10->font();
        font.setPointSizeF(drawn);
        needed = QFontMetrics(font).boundingRect(
            test.Label10->contentsRect(), Qt::TextWordWrap, test.Label10->text());
    });
    QTest::keyClick(&test, Qt::Key_2); // wrong: the right answer is on button 1
    // The designed size for this length stays the font's; the text is drawn smaller so all of it shows.
    QCOMPARE(designed, 24);
    QVERIFY(drawn < 24);
    QVERIFY2(needed.height() <= test.Label10->contentsRect().height(),
             qPrintable(QString::number(needed.height())));
}

void TestTestRun::placement_followsTheTable_data()
{
    QTest::addColumn<int>("correctPosition");
    QTest::addColumn<QList<int>>("buttons"); // right, wrong 1, wrong 2, wrong 3
    QTest::newRow("0") << 0 << QList<int>{1, 2, 3, 4};
    QTest::newRow("1") << 1 << QList<int>{2, 1, 3, 4};
    QTest::newRow("2") << 2 << QList<int>{3, 2, 1, 4};
    QTest::newRow("3") << 3 << QList<int>{4, 2, 3, 1};
}

void TestTestRun::placement_followsTheTable()
{
    QFETCH(int, correctPosition);
    QFETCH(QList<int>, buttons);
    AppFixture fixture;
    fixture.setEntries(numberedEntries(5));
    // Entry 0 is asked first; the wrong answers drawn are entries 1, 2 and 3 (n = round(4 r)).
    QList<double> draws = inListOrder(5);
    draws << correctPosition / 4.0 + 0.1 << 0.25 << 0.5 << 0.75;
    fixture.random = ScriptedRandom(draws);
    fixture.startTest();
    Form3 &test = fixture.form3();
    QCOMPARE(test.CorrectPosition, correctPosition);
    const QList<AnswerButton *> all = answerButtons(test);
    for (int slot = 0; slot < 4; ++slot) {
        const int number = buttons[slot];
        QCOMPARE(all[number - 1]->caption(), QStringLiteral("%1. definition %2").arg(number).arg(slot));
        QCOMPARE(test.AnswerSlots[size_t(slot)], QStringLiteral("definition %1").arg(slot));
    }
    QVERIFY(!fixture.random.exhausted);
}

void TestTestRun::draw_fourDistinctEntriesOfferAllFour()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(4));
    fixture.random = seededDraws(4);
    fixture.startTest();
    Form3 &test = fixture.form3();
    QSet<QString> all;
    for (int i = 0; i < 4; ++i)
        all.insert(QStringLiteral("definition %1").arg(i));
    for (int question = 0; question < 4; ++question) {
        const QStringList texts = offered(test);
        QCOMPARE(QSet<QString>(texts.begin(), texts.end()), all);
        QTest::keyClick(&test, Qt::Key_1);
    }
}

void TestTestRun::draw_twinsNeverTogetherCaseVariantsMay()
{
    AppFixture fixture;
    fixture.setEntries({{QStringLiteral("a"), QStringLiteral("same")},
                        {QStringLiteral("b"), QStringLiteral("same")},
                        {QStringLiteral("c"), QStringLiteral("Same")},
                        {QStringLiteral("d"), QStringLiteral("other")},
                        {QStringLiteral("e"), QStringLiteral("more")},
                        {QStringLiteral("f"), QStringLiteral("else")}});
    fixture.random = seededDraws(9);
    fixture.startTest();
    Form3 &test = fixture.form3();
    bool caseVariantsTogether = false;
    // Present the questions again and again with fresh draws.
    for (int round = 0; round < 200; ++round) {
        test.selectQuestion(round % 6 == test.selectedQuestion() ? (round + 1) % 6 : round % 6);
        const QStringList texts = offered(test);
        QCOMPARE(QSet<QString>(texts.begin(), texts.end()).size(), 4);
        caseVariantsTogether |=
            texts.contains(QStringLiteral("same")) && texts.contains(QStringLiteral("Same"));
    }
    QVERIFY(caseVariantsTogether);
}

void TestTestRun::draw_emptyTextNeverWrongButShownWhenRight()
{
    AppFixture fixture;
    fixture.setEntries({{QStringLiteral("blank"), QString()},
                        {QStringLiteral("b"), QStringLiteral("two")},
                        {QStringLiteral("c"), QStringLiteral("three")},
                        {QStringLiteral("d"), QStringLiteral("four")},
                        {QStringLiteral("e"), QStringLiteral("five")}});
    QList<double> draws = inListOrder(5);
    draws << 0.0; // right answer on button 1
    fixture.random = ScriptedRandom(draws);
    for (int i = 0; i < 2000; ++i)
        fixture.random.add(QRandomGenerator::global()->generateDouble());
    fixture.startTest();
    Form3 &test = fixture.form3();
    QCOMPARE(test.PushButton1->caption(), QStringLiteral("1. "));
    QVERIFY(test.PushButton1->isEnabled());
    for (int round = 0; round < 100; ++round) {
        test.selectQuestion(1 + round % 4);
        for (const QString &text : offered(test))
            QVERIFY(!text.isEmpty());
    }
}

void TestTestRun::draw_degenerateListsEndWithDisabledButtons_data()
{
    QTest::addColumn<TermEntries>("entries");
    QTest::addColumn<int>("disabled");
    QTest::newRow("one entry") << numberedEntries(1) << 3;
    QTest::newRow("two entries") << numberedEntries(2) << 2;
    QTest::newRow("three entries") << numberedEntries(3) << 1;
    TermEntries shared;
    for (int i = 0; i < 10; ++i)
        shared.append({QStringLiteral("word %1").arg(i), QStringLiteral("one meaning")});
    QTest::newRow("ten sharing one definition") << shared << 3;
    TermEntries blanks = numberedEntries(3);
    blanks.append({QStringLiteral("x"), QString()});
    blanks.append({QStringLiteral("y"), QStringLiteral("definition 1")});
    QTest::newRow("empty and repeated texts") << blanks << 1;
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
    for (AnswerButton *button : answerButtons(test)) {
        if (!button->isEnabled()) {
            QCOMPARE(button->caption(), QString());
            QCOMPARE(button->accessibleName(),
                     button->objectName().right(1) + QStringLiteral(". (no answer)"));
        }
    }
    // A key for a button without an answer does nothing.
    QTest::keyClick(&test, Qt::Key_4);
    QVERIFY(test.awaitingAnswer());
    QCOMPARE(test.selectedQuestion(), 0);
    QTest::keyClick(&test, Qt::Key_1);
    QVERIFY(!test.awaitingAnswer() || test.selectedQuestion() == 1);
}

void TestTestRun::draw_millionEntriesThreeDefinitions()
{
    AppFixture fixture;
    TermStore store;
    const char16_t *definitions[] = {u"alpha", u"beta", u"gamma"};
    for (int i = 0; i < 1000000; ++i)
        store.append(u"term", definitions[i % 3]);
    fixture.app.defs().list().replaceAll(std::move(store));
    fixture.random = seededDraws(3, 1200000);
    fixture.startTest();
    Form3 &test = fixture.form3();
    for (int question = 0; question < 3; ++question) {
        const QStringList texts = offered(test);
        QCOMPARE(texts.count(QString()), 1);
        QCOMPARE(QSet<QString>(texts.begin(), texts.end()),
                 (QSet<QString>{
                     QString(), QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")}));
        QTest::keyClick(&test, Qt::Key_1);
    }
}

void TestTestRun::answer_rightAndWrongInBothDirections_data()
{
    QTest::addColumn<bool>("definitionGiven");
    QTest::addColumn<bool>("right");
    QTest::addColumn<QString>("feedback");
    QTest::newRow("term given, right") << false << true << QStringLiteral("term 0\r\n\r\nCorrect");
    QTest::newRow("term given, wrong")
        << false << false << QStringLiteral("term 0\r\n\r\nThe correct answer was: \r\rdefinition 0");
    QTest::newRow("definition given, right") << true << true << QStringLiteral("definition 0\r\n\r\nCorrect");
    QTest::newRow("definition given, wrong")
        << true << false << QStringLiteral("definition 0\r\n\r\nThe correct answer was: \r\rterm 0");
}

void TestTestRun::answer_rightAndWrongInBothDirections()
{
    QFETCH(bool, definitionGiven);
    QFETCH(bool, right);
    QFETCH(QString, feedback);
    AppFixture fixture;
    fixture.setEntries(numberedEntries(5));
    fixture.form2().Option4->setChecked(true);
    QList<double> draws = inListOrder(5);
    draws << 0.6 << 0.25 << 0.5 << 0.75; // right answer on button 3
    fixture.random = ScriptedRandom(draws);
    for (int i = 0; i < 100; ++i)
        fixture.random.add(0.3);
    fixture.startTest(definitionGiven);
    Form3 &test = fixture.form3();
    // Hold the pause open long enough to read the feedback in it.
    setTimeScale(0.05);
    QString shown;
    QTimer::singleShot(20, &test, [&] { shown = test.label10Caption(); });
    QTest::mouseClick(right ? test.PushButton3 : test.PushButton2, Qt::LeftButton);
    QCOMPARE(shown, feedback);
    QCOMPARE(test.CorrectCount, right ? 1 : 0);
    QCOMPARE(test.selectedQuestion(), 1);
}

void TestTestRun::sound_commandsInOrderBeforeFeedback()
{
    setTimeScale(1.0); // real timing once: the sound plays a whole second before the feedback
    AppFixture fixture;
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
            captionAtStop = test.label10Caption();
        }
    };
    QString captionAtScore;
    fixture.prompts.whileShown = [&](const PromptRecord &) {
        captionAtScore = test.label10Caption();
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
    QCOMPARE(captionAtScore, QStringLiteral("term 0\r\n\r\nCorrect"));
    QVERIFY2(stopped - played >= 990, qPrintable(QString::number(stopped - played)));
}

void TestTestRun::sound_offSendsNothing()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    fixture.form2().Option4->setChecked(true);
    fixture.random = seededDraws(2);
    fixture.startTest();
    QTest::keyClick(&fixture.form3(), Qt::Key_1);
    QTest::keyClick(&fixture.form3(), Qt::Key_2);
    QVERIFY(fixture.sound.log.isEmpty());
}

void TestTestRun::sound_missingFileStillWaits()
{
    QTemporaryDir empty;
    AppFixture fixture(empty.path());
    fixture.setEntries(numberedEntries(1));
    fixture.random = ScriptedRandom({0.0, 0.0});
    fixture.startTest();
    QTest::keyClick(&fixture.form3(), Qt::Key_1);
    QCOMPARE(fixture.sound.log, (QStringList{QStringLiteral("Stop"), QStringLiteral("close")}));
    QCOMPARE(fixture.prompts.records.size(), 1); // the score, and no report of the missing file
}

void TestTestRun::score_lastAnswerEndsTheTest()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(3));
    fixture.random = seededDraws(7);
    fixture.startTest();
    Form3 &test = fixture.form3();
    QTest::keyClick(&test, Qt::Key(Qt::Key_0 + rightButton(test)));
    QTest::keyClick(&test, Qt::Key(Qt::Key_0 + rightButton(test) % 3 + 1));
    QVERIFY(fixture.prompts.records.isEmpty());
    QTest::keyClick(&test, Qt::Key(Qt::Key_0 + rightButton(test)));
    QCOMPARE(fixture.prompts.records.size(), 1);
    const PromptRecord &score = fixture.prompts.records[0];
    QCOMPARE(score.text,
             QStringLiteral("The test has been completed.\r\rScore: 2 correct answers out of 3 questions"));
    QCOMPARE(score.title, QStringLiteral("Glossmere"));
    QCOMPARE(score.icon, Prompts::Icon::None);
    QVERIFY(!test.isVisible());
    QVERIFY(fixture.form2().isVisible());
    QVERIFY(!fixture.form1().isVisible());
}

void TestTestRun::stop_showsNoScore()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(4));
    fixture.random = seededDraws(8);
    fixture.startTest();
    Form3 &test = fixture.form3();
    QTest::keyClick(&test, Qt::Key_1);
    QTest::mouseClick(test.PushButton5, Qt::LeftButton);
    QVERIFY(!test.isVisible());
    QVERIFY(fixture.form2().isVisible());
    QVERIFY(fixture.prompts.records.isEmpty());
}

void TestTestRun::pause_secondAnswerIsIgnored()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(4));
    fixture.form2().Option4->setChecked(true);
    fixture.random = seededDraws(11);
    fixture.startTest();
    Form3 &test = fixture.form3();
    setTimeScale(0.05);
    const int right = rightButton(test);
    // Inside the pause: the right answer again, then another button, by key and by click.
    QTimer::singleShot(10, &test, [&] {
        QTest::keyClick(&test, Qt::Key(Qt::Key_0 + right));
        QTest::mouseClick(test.PushButton4, Qt::LeftButton);
    });
    QTest::keyClick(&test, Qt::Key(Qt::Key_0 + right));
    QCOMPARE(test.CorrectCount, 1);
    QCOMPARE(test.selectedQuestion(), 1);
    QVERIFY(test.awaitingAnswer());
    QCOMPARE(test.label10Caption().count(QStringLiteral("Correct")), 0);
}

void TestTestRun::pause_stopEndsAtOnce()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(1));
    fixture.random = ScriptedRandom({0.0, 0.0});
    fixture.startTest();
    Form3 &test = fixture.form3();
    setTimeScale(0.05);
    // Stop during the sound's second, before even the feedback: nothing of the answer follows.
    fixture.sound.onCommand = [&](const QString &name) {
        if (name == QStringLiteral("Play"))
            QTimer::singleShot(5, &test, [&] { QTest::mouseClick(test.PushButton5, Qt::LeftButton); });
    };
    QTest::keyClick(&test, Qt::Key_1);
    QVERIFY(fixture.prompts.records.isEmpty());
    QVERIFY(!test.isVisible());
    QVERIFY(fixture.form2().isVisible());
    QCOMPARE(test.label10Caption(), QStringLiteral("term 0"));
    QCOMPARE(test.CorrectCount, 0);
    // The device is still stopped and released.
    QCOMPARE(fixture.sound.log.mid(3), (QStringList{QStringLiteral("Stop"), QStringLiteral("close")}));
}

void TestTestRun::pause_closingEndsCleanly()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    fixture.form2().Option4->setChecked(true);
    fixture.random = seededDraws(12);
    fixture.startTest();
    Form3 &test = fixture.form3();
    setTimeScale(0.05);
    QTimer::singleShot(10, &test, [&] { test.close(); });
    QTest::keyClick(&test, Qt::Key(Qt::Key_0 + rightButton(test)));
    QVERIFY(fixture.app.programEnded());
    QCOMPARE(test.selectedQuestion(), 0);
    QVERIFY(fixture.prompts.records.isEmpty());
    QVERIFY(!test.isVisible() && !fixture.form2().isVisible() && !fixture.form1().isVisible());
}

void TestTestRun::wholeTest_byKeys()
{
    setTimeScale(0.001);
    AppFixture fixture;
    fixture.setEntries(numberedEntries(10));
    fixture.random = seededDraws(10);
    fixture.startTest();
    Form3 &test = fixture.form3();
    for (int question = 0; question < 10; ++question) {
        QCOMPARE(test.Frame3Caption, QStringLiteral("Question %1:").arg(question + 1));
        const int right = rightButton(test);
        // Right on even questions, wrong on odd ones.
        const int pressed = question % 2 == 0 ? right : right % 4 + 1;
        QTest::keyClick(
            &test, Qt::Key(Qt::Key_0 + pressed), question % 3 == 0 ? Qt::KeypadModifier : Qt::NoModifier);
    }
    QCOMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(fixture.prompts.records[0].text,
             QStringLiteral("The test has been completed.\r\rScore: 5 correct answers out of 10 questions"));
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
    QCOMPARE(test.Label10->textFormat(), Qt::PlainText);
    QCOMPARE(test.Label10->text(), QStringLiteral("<i>x</i>"));
    QCOMPARE(test.PushButton1->caption(), QStringLiteral("1. R&D"));
    QCOMPARE(test.PushButton2->caption(), QStringLiteral("2. <b>bold</b> & more"));
    QCOMPARE(test.PushButton3->caption(), QStringLiteral("3. &&"));
    QCOMPARE(test.PushButton4->caption(), QStringLiteral("4. שלום"));
    for (AnswerButton *button : answerButtons(test)) {
        // No '&' became a keyboard shortcut.
        QVERIFY(button->shortcut().isEmpty());
        QCOMPARE(button->accessibleName(), button->caption());
    }
    QTest::keyClick(&test, Qt::Key_D, Qt::AltModifier);
    QVERIFY(test.awaitingAnswer());
    // Screen readers get the prompt from the label and from the window, which holds the focus.
    QCOMPARE(test.Label10->accessibleName(), QStringLiteral("<i>x</i>"));
    QCOMPARE(test.accessibleDescription(), QStringLiteral("<i>x</i>"));
}

QTEST_MAIN(TestTestRun)
#include "tst_testrun.moc"
