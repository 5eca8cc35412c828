#include "common/helpers.h"
#include "common/settings.h"
#include "tests/support/appfixture.h"
#include "testsetup/questionorder.h"

#include <QGroupBox>
#include <QLabel>
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

    void goBack_showsTheMainWindow();
    void continue_emptyListIsRefused();
    void continue_setsDirectionAndPresentsBeforeShowing();
    void continue_againRebuildsOrderAndResetsCount();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestTestSetup::init()
{
    m_settings = std::make_unique<IsolatedSettings>();
}

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
    QVERIFY(form.Option1->isChecked());
    QVERIFY(!form.Option2->isChecked());
    QVERIFY(form.Option3->isChecked());
    QVERIFY(!form.Option4->isChecked());
    QVERIFY(form.soundsOn());
    QCOMPARE(form.windowTitle(), QStringLiteral("Glossmere"));
    QVERIFY(fixture.prompts.records.isEmpty());
    // Opening writes nothing.
    QCOMPARE(ReadSetting(QStringLiteral("Option1"), QStringLiteral("unset")), QStringLiteral("unset"));
}

void TestTestSetup::options_clickIsStoredAndReadByNextRun()
{
    {
        AppFixture fixture;
        Form2 &form = fixture.form2();
        form.show();
        QTest::mouseClick(form.Option2, Qt::LeftButton, {}, QPoint(8, form.Option2->height() / 2));
        QVERIFY(form.Option2->isChecked());
        QCOMPARE(ReadSetting(QStringLiteral("Option1"), {}), QStringLiteral("False"));
        QCOMPARE(ReadSetting(QStringLiteral("Option2"), {}), QStringLiteral("True"));
        QTest::mouseClick(form.Option4, Qt::LeftButton, {}, QPoint(8, form.Option4->height() / 2));
        QCOMPARE(ReadSetting(QStringLiteral("Option3"), {}), QStringLiteral("False"));
        QCOMPARE(ReadSetting(QStringLiteral("Option4"), {}), QStringLiteral("True"));
        QVERIFY(!form.soundsOn());
    }
    AppFixture nextRun;
    QVERIFY(nextRun.form2().Option2->isChecked());
    QVERIFY(!nextRun.form2().Option1->isChecked());
    QVERIFY(nextRun.form2().Option4->isChecked());
}

void TestTestSetup::options_badTextIsReportedAndDesignedStateKept_data()
{
    QTest::addColumn<QStringList>("stored"); // Option1..Option4, empty for unset
    QTest::addColumn<QList<int>>("reportedLines");
    QTest::addColumn<bool>("termGiven");
    QTest::addColumn<bool>("sounds");
    QTest::newRow("garbage direction")
        << QStringList{QStringLiteral("garbage"), {}, {}, {}} << QList<int>{110} << true << true;
    QTest::newRow("garbage sound after other choice") << QStringList{QStringLiteral("False"),
                                                                     QStringLiteral("True"),
                                                                     QStringLiteral("maybe"),
                                                                     QStringLiteral("True")}
                                                      << QList<int>{114} << false << false;
    QTest::newRow("neither direction selected")
        << QStringList{QStringLiteral("False"), QStringLiteral("False"), {}, {}} << QList<int>{} << true
        << true;
    QTest::newRow("numbers read as booleans")
        << QStringList{QStringLiteral("0"), QStringLiteral("-1"), QStringLiteral("0"), QStringLiteral("2")}
        << QList<int>{} << false << false;
    QTest::newRow("every one bad") << QStringList{QStringLiteral("x"),
                                                  QStringLiteral("y"),
                                                  QStringLiteral(""),
                                                  QStringLiteral("z")}
                                   << QList<int>{110, 112, 114, 116} << true << true;
}

void TestTestSetup::options_badTextIsReportedAndDesignedStateKept()
{
    QFETCH(QStringList, stored);
    QFETCH(QList<int>, reportedLines);
    QFETCH(bool, termGiven);
    QFETCH(bool, sounds);
    QSettings raw(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tamberlux"));
    for (int i = 0; i < 4; ++i) {
        if (!stored[i].isNull())
            raw.setValue(QStringLiteral("Glossmere/Option%1").arg(i + 1), stored[i]);
    }
    raw.sync();

    AppFixture fixture;
    Form2 &form = fixture.form2();
    QCOMPARE(fixture.prompts.records.size(), reportedLines.size());
    for (int i = 0; i < reportedLines.size(); ++i) {
        QCOMPARE(fixture.prompts.records[i].title, QStringLiteral("Application Error"));
        QVERIFY2(fixture.prompts.records[i].text.contains(
                     QStringLiteral("\r\nin Glossbox2021/08/31.Form2.Form_Load at line %1\r\r")
                         .arg(reportedLines[i])),
                 qPrintable(fixture.prompts.records[i].text));
    }
    QCOMPARE(form.Option1->isChecked(), termGiven);
    QCOMPARE(form.Option2->isChecked(), !termGiven);
    QCOMPARE(form.Option3->isChecked(), sounds);
    QCOMPARE(form.Option4->isChecked(), !sounds);
}

void TestTestSetup::goBack_showsTheMainWindow()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    QTest::mouseClick(fixture.form1().PushButton1, Qt::LeftButton);
    QVERIFY(!fixture.form1().isVisible());
    QVERIFY(fixture.form2().isVisible());
    QTest::mouseClick(fixture.form2().PushButton1, Qt::LeftButton);
    QVERIFY(fixture.form1().isVisible());
    QVERIFY(!fixture.form2().isVisible());
}

void TestTestSetup::continue_emptyListIsRefused()
{
    AppFixture fixture;
    fixture.form2().show();
    fixture.form2().Option2->setChecked(true);
    QTest::mouseClick(fixture.form2().PushButton2, Qt::LeftButton);
    QCOMPARE(fixture.prompts.records.size(), 1);
    QCOMPARE(fixture.prompts.records[0].text,
             QStringLiteral("There are no terms/definitions currently entered"));
    QCOMPARE(fixture.prompts.records[0].title, QStringLiteral("Glossmere"));
    QCOMPARE(fixture.prompts.records[0].icon, Prompts::Icon::None);
    QVERIFY(fixture.form2().isVisible());
    QVERIFY(!fixture.app.hasForm3());
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
            captionWhenShown = form.label10Caption();
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
    QCOMPARE(test.Frame1->title(), QStringLiteral("Definition:"));
    QCOMPARE(test.questionlistToolTip, QStringLiteral("Definition:"));
    QCOMPARE(test.questionList(), (std::vector<int>{2, 1, 0}));
    QCOMPARE(test.selectedQuestion(), 0);
    QCOMPARE(test.Frame3Caption, QStringLiteral("Question 1:"));
    QCOMPARE(test.CorrectCount, 0);
    QCOMPARE(test.PushButton2->caption(), QStringLiteral("2. term 2"));
}

void TestTestSetup::continue_againRebuildsOrderAndResetsCount()
{
    setTimeScale(0.0);
    AppFixture fixture;
    fixture.setEntries(numberedEntries(4));
    for (int i = 0; i < 200; ++i)
        fixture.random.add(0.3);
    fixture.startTest();
    Form3 &test = fixture.form3();
    test.ShowAnswer(true);
    QCOMPARE(test.CorrectCount, 1);
    QTest::mouseClick(test.PushButton5, Qt::LeftButton);
    QVERIFY(fixture.form2().isVisible());

    fixture.random = ScriptedRandom(QList<double>{0.0, 0.9, 0.9, 0.9, 0.0, 0.1, 0.4, 0.7, 0.95});
    QTest::mouseClick(fixture.form2().PushButton2, Qt::LeftButton);
    QCOMPARE(test.CorrectCount, 0);
    QCOMPARE(test.questionList(), (std::vector<int>{0, 1, 2, 3}));
    QCOMPARE(test.selectedQuestion(), 0);
    QVERIFY(test.awaitingAnswer());
    setTimeScale(1.0);
}

QTEST_MAIN(TestTestSetup)
#include "tst_testsetup.moc"
