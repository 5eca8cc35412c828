#include "deffiles/defmanager.h"
#include "testrun/quizsession.h"
#include "tests/support/scriptedprompts.h"
#include "tests/support/testsupport.h"

#include <QRandomGenerator>
#include <QSet>

namespace {
// Records what the session asks of its window.
struct RecordingView : QuizView
{
    void render() override { ++renders; }

    void PlaySound(bool bCorrect) override
    {
        sounds.append(bCorrect);
        if (duringSound)
            duringSound();
    }

    void finished() override { ++finishes; }

    int renders = 0;
    int finishes = 0;
    QList<bool> sounds;
    std::function<void()> duringSound;
};

std::vector<int> inListOrder(int count)
{
    std::vector<int> order(size_t(count), 0);
    for (int i = 0; i < count; ++i)
        order[size_t(i)] = i;
    return order;
}

// A running test over a list, with scripted draws and a pause that is over at once.
struct Quiz
{
    explicit Quiz(const TermEntries &entries) { list.replaceAll(entries); }

    void start(QList<double> draws, bool definitionGiven = false, bool sounds = false)
    {
        for (const double draw : draws)
            random.add(draw);
        // Every entry the options window would ask, in list order.
        session.start(list.store().askableEntries(), TestOptions{definitionGiven, sounds});
    }

    void seeded(quint32 seed, int count = 20000)
    {
        QRandomGenerator generator(seed);
        for (int i = 0; i < count; ++i)
            random.add(generator.generateDouble());
    }

    // The answer texts offered, without their "1. " numbers; a button without an answer gives a null text.
    QStringList offered() const
    {
        QStringList texts;
        for (int number = 1; number <= 4; ++number)
            texts.append(session.answerOffered(number) ? session.answerCaption(number).mid(3) : QString());
        return texts;
    }

    int right() const { return session.CorrectPosition + 1; }

    TermListModel list;
    ScriptedPrompts prompts;
    DefManager defs{prompts, list};
    ScriptedRandom random;
    InstantPause pause;
    RecordingView view;
    QuizSession session{prompts, random, pause, defs, view};
};
} // namespace

// The rules of a test, without a window: placing, drawing, checking, scoring, pausing and stopping.
class TestQuizSession : public QObject
{
    Q_OBJECT

private slots:
    void placement_followsTheTable_data();
    void placement_followsTheTable();
    void draw_fourDistinctEntriesOfferAllFour();
    void draw_twinsNeverTogetherCaseVariantsMay();
    void pool_blankSidesAreNeitherAskedNorOffered_data();
    void pool_blankSidesAreNeitherAskedNorOffered();
    void draw_degenerateListsLeaveButtonsEmpty_data();
    void draw_degenerateListsLeaveButtonsEmpty();
    void draw_millionEntriesThreeDefinitions();
    void draw_neverOffersAnAnswerTheListCountsRight_data();
    void draw_neverOffersAnAnswerTheListCountsRight();

    void answer_rightAndWrongInBothDirections_data();
    void answer_rightAndWrongInBothDirections();
    void sound_playsRightOrWrongBeforeFeedbackOnlyWhenOn();
    void score_lastAnswerEndsTheTest();
    void pause_secondAnswerIsIgnored();
    void pause_stopEndsAtOnce();
    void mistakes_inTestOrderAtMostAThousandLines();
};

void TestQuizSession::placement_followsTheTable_data()
{
    QTest::addColumn<int>("correctPosition");
    QTest::addColumn<QList<int>>("buttons"); // right, wrong 1, wrong 2, wrong 3
    QTest::newRow("0") << 0 << QList<int>{1, 2, 3, 4};
    QTest::newRow("1") << 1 << QList<int>{2, 1, 3, 4};
    QTest::newRow("2") << 2 << QList<int>{3, 2, 1, 4};
    QTest::newRow("3") << 3 << QList<int>{4, 2, 3, 1};
}

void TestQuizSession::placement_followsTheTable()
{
    QFETCH(int, correctPosition);
    QFETCH(QList<int>, buttons);
    Quiz quiz(numberedEntries(5));
    // Entry 0 is asked first; the wrong answers drawn are entries 1, 2 and 3 (n = round(4 r)).
    quiz.start({correctPosition / 4.0 + 0.1, 0.25, 0.5, 0.75});
    QCOMPARE(quiz.session.CorrectPosition, correctPosition);
    for (int slot = 0; slot < 4; ++slot) {
        const int number = buttons[slot];
        QCOMPARE(quiz.session.answerCaption(number),
                 QStringLiteral("%1. definition %2").arg(number).arg(slot));
        QCOMPARE(quiz.session.AnswerSlots[size_t(slot)], QStringLiteral("definition %1").arg(slot));
    }
    QCOMPARE(quiz.session.caption(), QStringLiteral("term 0"));
    QCOMPARE(quiz.session.directionText(), QStringLiteral("Term:"));
    QVERIFY(!quiz.random.exhausted);
}

void TestQuizSession::draw_fourDistinctEntriesOfferAllFour()
{
    Quiz quiz(numberedEntries(4));
    quiz.seeded(4);
    quiz.start({});
    QSet<QString> all;
    for (int i = 0; i < 4; ++i)
        all.insert(QStringLiteral("definition %1").arg(i));
    for (int question = 0; question < 4; ++question) {
        const QStringList texts = quiz.offered();
        QCOMPARE(QSet<QString>(texts.begin(), texts.end()), all);
        quiz.session.answer(1);
    }
}

void TestQuizSession::draw_twinsNeverTogetherCaseVariantsMay()
{
    Quiz quiz({{QStringLiteral("a"), QStringLiteral("same")},
               {QStringLiteral("b"), QStringLiteral("same")},
               {QStringLiteral("c"), QStringLiteral("Same")},
               {QStringLiteral("d"), QStringLiteral("other")},
               {QStringLiteral("e"), QStringLiteral("more")},
               {QStringLiteral("f"), QStringLiteral("else")}});
    quiz.seeded(9);
    quiz.start({});
    bool caseVariantsTogether = false;
    // Present the questions again and again with fresh draws.
    for (int round = 1; round < 200; ++round) {
        quiz.session.selectQuestion(round % 6 == quiz.session.selectedQuestion() ? (round + 1) % 6
                                                                                 : round % 6);
        const QStringList texts = quiz.offered();
        QCOMPARE(QSet<QString>(texts.begin(), texts.end()).size(), 4);
        caseVariantsTogether |=
            texts.contains(QStringLiteral("same")) && texts.contains(QStringLiteral("Same"));
    }
    QVERIFY(caseVariantsTogether);
}

void TestQuizSession::pool_blankSidesAreNeitherAskedNorOffered_data()
{
    QTest::addColumn<TermEntries>("entries");
    QTest::addColumn<bool>("definitionGiven");
    QTest::addColumn<QList<int>>("practised"); // the entries a practice of mistakes asks, or none
    QTest::addColumn<QList<int>>("asked");
    QTest::addColumn<QStringList>("offered"); // every text on a button, right or wrong, sorted
    const TermEntries four = numberedEntries(4);
    const auto with = [&four](const TermEntries &more) {
        return more + four;
    };
    const auto texts = [](std::initializer_list<QStringView> views) {
        QStringList list;
        for (const QStringView view : views)
            list.append(view.toString());
        return list;
    };
    const QStringList definitions =
        texts({u"definition 0", u"definition 1", u"definition 2", u"definition 3"});
    // As a definition file's "blank::" and "::one" lines bring them.
    QTest::newRow("empty definition") << with({{QStringLiteral("blank"), QString()}}) << false << QList<int>{}
                                      << QList<int>{1, 2, 3, 4} << definitions;
    QTest::newRow("empty term, its definition not offered either")
        << with({{QString(), QStringLiteral("one")}}) << false << QList<int>{} << QList<int>{1, 2, 3, 4}
        << definitions;
    QTest::newRow("empty term, definition given")
        << with({{QString(), QStringLiteral("one")}}) << true << QList<int>{} << QList<int>{1, 2, 3, 4}
        << texts({u"term 0", u"term 1", u"term 2", u"term 3"});
    QTest::newRow("spaces, Tab, no-break and ideographic spaces")
        << TermEntries{{QStringLiteral("  "), QStringLiteral("x")},
                       {QStringLiteral("term 0"), QStringLiteral("definition 0")},
                       {QStringLiteral("y"), QStringLiteral("\t \r\n")},
                       {QStringLiteral("term 1"), QStringLiteral("definition 1")},
                       {QStringLiteral("\u00A0"), QStringLiteral("z")},
                       {QStringLiteral("term 2"), QStringLiteral("definition 2")},
                       {QStringLiteral("w"), QStringLiteral(" \u3000\u00A0 ")},
                       {QStringLiteral("term 3"), QStringLiteral("definition 3")}}
        << false << QList<int>{} << QList<int>{1, 3, 5, 7} << definitions;
    QTest::newRow("text between spaces is text")
        << TermEntries{{QStringLiteral(" a "), QStringLiteral("\u3000one")},
                       {QStringLiteral("b\u00A0"), QStringLiteral("  two")},
                       {QStringLiteral("\u00A0c"), QStringLiteral("three\u3000")}}
        << false << QList<int>{} << QList<int>{0, 1, 2} << texts({u"  two", u"three\u3000", u"\u3000one"});
    // Wrong answers come from the whole list, so two mistakes still get four choices.
    QTest::newRow("two mistakes practised")
        << numberedEntries(6) << false << QList<int>{4, 1} << QList<int>{4, 1}
        << texts({u"definition 0",
                  u"definition 1",
                  u"definition 2",
                  u"definition 3",
                  u"definition 4",
                  u"definition 5"});
    QTest::newRow("a mistake practised beside blank entries")
        << with({{QStringLiteral("blank"), QStringLiteral(" ")}}) << true << QList<int>{2} << QList<int>{2}
        << texts({u"term 0", u"term 1", u"term 2", u"term 3"});
}

void TestQuizSession::pool_blankSidesAreNeitherAskedNorOffered()
{
    QFETCH(TermEntries, entries);
    QFETCH(bool, definitionGiven);
    QFETCH(QList<int>, practised);
    QFETCH(QList<int>, asked);
    QFETCH(QStringList, offered);
    Quiz quiz(entries);
    quiz.seeded(17);
    if (practised.isEmpty()) {
        const std::vector<int> askable = quiz.list.store().askableEntries();
        QCOMPARE(QList<int>(askable.begin(), askable.end()), asked);
        quiz.start({}, definitionGiven);
    } else {
        quiz.session.start(std::vector<int>(practised.begin(), practised.end()), {definitionGiven, false});
    }
    QSet<QString> shown;
    // Each question presented again and again with fresh draws.
    for (int round = 0; round < 100; ++round) {
        if (asked.size() > 1)
            quiz.session.selectQuestion((quiz.session.selectedQuestion() + 1) % int(asked.size()));
        else
            quiz.session.questionlist_Click();
        for (const QString &text : quiz.offered()) {
            if (!text.isNull())
                shown.insert(text);
        }
    }
    QStringList texts(shown.begin(), shown.end());
    texts.sort();
    QCOMPARE(texts, offered);
    // Every answer wrong: the mistakes name their entries, and the score counts the questions asked.
    quiz.session.selectQuestion(0);
    for (int question = 0; question < asked.size(); ++question) {
        int wrong = 1;
        while (wrong == quiz.right() || !quiz.session.answerOffered(wrong))
            ++wrong;
        quiz.session.answer(wrong);
    }
    QList<int> mistaken;
    for (const QuizSession::Mistake &mistake : quiz.session.mistakes())
        mistaken.append(mistake.entry);
    QCOMPARE(mistaken, asked);
    QCOMPARE(quiz.session.scoreText(),
             QStringLiteral("The test has been completed.\r\rScore: 0 correct answers out of %1 questions")
                 .arg(asked.size()));
}

void TestQuizSession::draw_degenerateListsLeaveButtonsEmpty_data()
{
    QTest::addColumn<TermEntries>("entries");
    QTest::addColumn<int>("empty");
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

void TestQuizSession::draw_degenerateListsLeaveButtonsEmpty()
{
    QFETCH(TermEntries, entries);
    QFETCH(int, empty);
    Quiz quiz(entries);
    QList<double> draws{0.0};
    QRandomGenerator generator(5000);
    for (int i = 0; i < 5000; ++i)
        draws.append(generator.generateDouble());
    quiz.start(draws);
    const QStringList texts = quiz.offered();
    QCOMPARE(texts.count(QString()), empty);
    for (int number = 1; number <= 4; ++number) {
        if (!quiz.session.answerOffered(number))
            QCOMPARE(quiz.session.answerCaption(number), QString());
    }
    // A button without an answer answers nothing.
    quiz.session.answer(4);
    QVERIFY(quiz.session.awaitingAnswer());
    QCOMPARE(quiz.session.selectedQuestion(), 0);
    quiz.session.answer(1);
    QCOMPARE(quiz.session.CorrectCount, 1);
}

void TestQuizSession::draw_millionEntriesThreeDefinitions()
{
    Quiz quiz({});
    TermStore store;
    const char16_t *terms[] = {u"one", u"two", u"three"};
    const char16_t *definitions[] = {u"alpha", u"beta", u"gamma"};
    for (int i = 0; i < 1000000; ++i)
        store.append(terms[i % 3], definitions[i % 3]);
    quiz.list.replaceAll(std::move(store));
    quiz.seeded(3, 1200000);
    quiz.session.start(inListOrder(1000000), TestOptions{false, false});
    for (int question = 0; question < 3; ++question) {
        const QStringList texts = quiz.offered();
        QCOMPARE(texts.count(QString()), 1);
        QCOMPARE(QSet<QString>(texts.begin(), texts.end()),
                 (QSet<QString>{
                     QString(), QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")}));
        quiz.session.answer(1);
    }
}

void TestQuizSession::draw_neverOffersAnAnswerTheListCountsRight_data()
{
    QTest::addColumn<bool>("definitionGiven");
    QTest::addColumn<int>("emptyButtons");
    // Asking "bank" leaves Hund, Köter, Töle and Geldinstitut; asking "dog" leaves Ufer, Sitzbank and
    // Geldinstitut, exactly three; asking "shore" refuses Ufer but may offer Sitzbank.
    QTest::newRow("term given") << false << 0;
    // Asking "Ufer" leaves dog and Bank only: one button stays empty.
    QTest::newRow("definition given") << true << 1;
}

void TestQuizSession::draw_neverOffersAnAnswerTheListCountsRight()
{
    QFETCH(bool, definitionGiven);
    QFETCH(int, emptyButtons);
    const TermEntries entries{{QStringLiteral("bank"), QStringLiteral("Ufer")},
                              {QStringLiteral("bank"), QStringLiteral("Sitzbank")},
                              {QStringLiteral("dog"), QStringLiteral("Hund")},
                              {QStringLiteral("dog"), QStringLiteral("Köter")},
                              {QStringLiteral("dog"), QStringLiteral("Töle")},
                              {QStringLiteral("shore"), QStringLiteral("Ufer")},
                              {QStringLiteral("Bank"), QStringLiteral("Geldinstitut")}};
    Quiz quiz(entries);
    quiz.seeded(22);
    quiz.start({}, definitionGiven);
    int fewestEmpty = 4;
    for (int round = 0; round < 300; ++round) {
        const int asked = quiz.session.questionList().at(size_t(quiz.session.selectedQuestion()));
        const QString prompt = definitionGiven ? entries[asked].definition : entries[asked].term;
        QStringList right;
        for (const TermEntry &entry : entries) {
            if ((definitionGiven ? entry.definition : entry.term) == prompt)
                right.append(definitionGiven ? entry.term : entry.definition);
        }
        const QStringList texts = quiz.offered();
        for (int number = 1; number <= 4; ++number) {
            if (number != quiz.right())
                QVERIFY2(!right.contains(texts[number - 1]),
                         qPrintable(prompt + QStringLiteral(" offers ") + texts[number - 1]));
        }
        if (asked == 0)
            fewestEmpty = std::min<int>(fewestEmpty, int(texts.count(QString())));
        quiz.session.selectQuestion((quiz.session.selectedQuestion() + 1 + round % 3) % int(entries.size()));
    }
    QCOMPARE(fewestEmpty, emptyButtons);
}

void TestQuizSession::answer_rightAndWrongInBothDirections_data()
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

void TestQuizSession::answer_rightAndWrongInBothDirections()
{
    QFETCH(bool, definitionGiven);
    QFETCH(bool, right);
    QFETCH(QString, feedback);
    Quiz quiz(numberedEntries(5));
    QList<double> draws{0.6, 0.25, 0.5, 0.75}; // right answer on button 3
    for (int i = 0; i < 100; ++i)
        draws.append(0.3);
    quiz.start(draws, definitionGiven);
    QString shown;
    quiz.pause.during = [&](double seconds) {
        QCOMPARE(seconds, 2.0);
        shown = quiz.session.caption();
    };
    const int renders = quiz.view.renders;
    quiz.session.answer(right ? 3 : 2);
    QCOMPARE(shown, feedback);
    QCOMPARE(quiz.view.renders, renders + 2); // the feedback, then the next question
    QCOMPARE(quiz.session.CorrectCount, right ? 1 : 0);
    QCOMPARE(quiz.session.selectedQuestion(), 1);
}

void TestQuizSession::sound_playsRightOrWrongBeforeFeedbackOnlyWhenOn()
{
    Quiz quiz(numberedEntries(4));
    quiz.seeded(5);
    quiz.start({}, false, true);
    QString captionAtSound;
    quiz.view.duringSound = [&] {
        captionAtSound = quiz.session.caption();
    };
    quiz.session.answer(quiz.right() % 4 + 1);
    quiz.session.answer(quiz.right());
    QCOMPARE(quiz.view.sounds, (QList<bool>{false, true}));
    QCOMPARE(captionAtSound, QStringLiteral("term 1"));

    Quiz silent(numberedEntries(4));
    silent.seeded(5);
    silent.start({}, false, false);
    silent.session.answer(1);
    QVERIFY(silent.view.sounds.isEmpty());
}

void TestQuizSession::score_lastAnswerEndsTheTest()
{
    Quiz quiz(numberedEntries(3));
    quiz.seeded(7);
    quiz.start({});
    quiz.session.answer(quiz.right());
    quiz.session.answer(quiz.right() % 4 + 1);
    QVERIFY(quiz.prompts.records.isEmpty());
    QCOMPARE(quiz.view.finishes, 0);
    quiz.session.answer(quiz.right());
    QCOMPARE(quiz.prompts.records.size(), 1);
    QCOMPARE(quiz.prompts.records[0].text,
             QStringLiteral("The test has been completed.\r\rScore: 2 correct answers out of 3 questions"));
    QCOMPARE(quiz.prompts.records[0].icon, Prompts::Icon::None);
    QCOMPARE(quiz.view.finishes, 1);
    QCOMPARE(quiz.session.phase(), QuizSession::Phase::Ended);
    // A new test starts from nothing.
    quiz.session.start(inListOrder(3), {});
    QCOMPARE(quiz.session.CorrectCount, 0);
    QVERIFY(quiz.session.awaitingAnswer());
}

void TestQuizSession::pause_secondAnswerIsIgnored()
{
    Quiz quiz(numberedEntries(4));
    quiz.seeded(11);
    quiz.start({});
    const int right = quiz.right();
    // Inside the pause: the right answer again, then another button.
    quiz.pause.during = [&](double) {
        quiz.pause.during = nullptr;
        quiz.session.answer(right);
        quiz.session.answer(right % 4 + 1);
    };
    quiz.session.answer(right);
    QCOMPARE(quiz.session.CorrectCount, 1);
    QCOMPARE(quiz.session.selectedQuestion(), 1);
    QVERIFY(quiz.session.awaitingAnswer());
    QCOMPARE(quiz.session.caption(), QStringLiteral("term 1"));
}

void TestQuizSession::pause_stopEndsAtOnce()
{
    // Stop during the sound, before the feedback; and stop during the pause after the last answer.
    for (const bool duringSound : {true, false}) {
        Quiz quiz(numberedEntries(1));
        quiz.start({0.0, 0.0}, false, duringSound);
        if (duringSound)
            quiz.view.duringSound = [&] {
                quiz.session.stop();
            };
        else
            quiz.pause.during = [&](double) {
                quiz.session.stop();
            };
        quiz.session.answer(1);
        QVERIFY(quiz.prompts.records.isEmpty());
        QCOMPARE(quiz.view.finishes, 0);
        QCOMPARE(quiz.session.CorrectCount, duringSound ? 0 : 1);
        QCOMPARE(quiz.session.caption(),
                 duringSound ? QStringLiteral("term 0") : QStringLiteral("term 0\r\n\r\nCorrect"));
        QCOMPARE(quiz.session.phase(), QuizSession::Phase::Ended);
        quiz.session.answer(1);
        QCOMPARE(quiz.session.CorrectCount, duringSound ? 0 : 1);
    }
}

void TestQuizSession::mistakes_inTestOrderAtMostAThousandLines()
{
    Quiz quiz(numberedEntries(1005));
    quiz.seeded(13, 50000);
    quiz.start({}, true);
    // Right on the first question, then every answer wrong: 1,004 mistakes.
    quiz.session.answer(quiz.right());
    QString chosenSecond;
    for (int question = 1; question < 1005; ++question) {
        const int wrong = quiz.right() % 4 + 1;
        if (question == 1)
            chosenSecond = quiz.session.answerCaption(wrong).mid(3);
        quiz.session.answer(wrong);
    }
    const QList<QuizSession::Mistake> &mistakes = quiz.session.mistakes();
    QCOMPARE(mistakes.size(), 1004);
    QCOMPARE(mistakes[0].prompt, QStringLiteral("definition 1"));
    QCOMPARE(mistakes[0].chosen, chosenSecond);
    QCOMPARE(mistakes[0].right, QStringLiteral("term 1"));
    const QStringList lines = quiz.prompts.records.last().details.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 1001);
    QCOMPARE(lines[0],
             QStringLiteral("definition 1 \u2014 your answer: %1 \u2014 right: term 1").arg(chosenSecond));
    QVERIFY(lines[999].startsWith(QStringLiteral("definition 1000 ")));
    QCOMPARE(lines[1000], QStringLiteral("\u2026 and 4 more"));
    // Exactly a thousand mistakes are all listed, with no "more" line.
    quiz.session.start(inListOrder(1000), {});
    for (int question = 0; question < 1000; ++question)
        quiz.session.answer(quiz.right() % 4 + 1);
    QCOMPARE(quiz.prompts.records.last().details.count(QLatin1Char('\n')), 999);

    // A test without mistakes offers no details.
    quiz.session.start(inListOrder(2), {});
    quiz.session.answer(quiz.right());
    quiz.session.answer(quiz.right());
    QCOMPARE(quiz.prompts.records.last().details, QString());
}

QTEST_GUILESS_MAIN(TestQuizSession)
#include "tst_quizsession.moc"
