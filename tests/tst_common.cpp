#include "common/errortrap.h"
#include "common/failure.h"
#include "common/helpers.h"
#include "common/pause.h"
#include "common/settings.h"
#include "tests/support/scriptedprompts.h"
#include "tests/support/testsupport.h"
#include "ui/clickguard.h"
#include "ui/look.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <QWindow>

class TestCommon : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void errorReport_hasExactTextAndGoesOn_data();
    void errorReport_hasExactTextAndGoesOn();
    void errorReport_describesStandardExceptions();

    void settings_freshStoreGivesDefaults();
    void settings_writeIsReadBackByNewStore();
    void settings_booleanRules_data();
    void settings_booleanRules();
    void settings_garbageIsNoBoolean();
    void settings_listValueReadsAsText();

    void normalisePath_data();
    void normalisePath();
    void normalisePath_keepsProgramPathsUsable();
    void appTitle_data();
    void appTitle();
    void visiblePart_cutsOnlyPastTheLimit();
    void fileExists_answersWithoutFailing();

    void wait_runsEventsInside();
    void wait_zeroOrLessRunsNoEvent();
    void wait_endsWhenTheProgramQuits();

    void clickGuard_newWindowIgnoresPressesForADoubleClick_data();
    void clickGuard_newWindowIgnoresPressesForADoubleClick();
    void clickGuard_ordersOfPressesAsTheWindowSystemSendsThem_data();
    void clickGuard_ordersOfPressesAsTheWindowSystemSendsThem();

    void styleForm_paintsOnlyFramesLabelsAndOptions();
    void pictures_cursorKeepsHotspotAndIconMatchesItsFiles();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestCommon::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
}

void TestCommon::errorReport_hasExactTextAndGoesOn_data()
{
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("identifier");
    QTest::newRow("options window opening") << QStringLiteral("Form2") << QStringLiteral("Form_Load") << 116
                                            << QStringLiteral("in Glossbox2021/08/31.Form2.Form_Load ");
    QTest::newRow("save routine") << QStringLiteral("DefManager") << QStringLiteral("saveDefinitionFile")
                                  << 104
                                  << QStringLiteral("in Glossbox2021/08/31.DefManager.saveDefinitionFile ");
}

void TestCommon::errorReport_hasExactTextAndGoesOn()
{
    QFETCH(QString, owner);
    QFETCH(QString, procedure);
    QFETCH(int, line);
    QFETCH(QString, identifier);

    ScriptedPrompts prompts;
    ErrorTrap trap(prompts, procedureId(owner, procedure));
    QList<int> ran;
    trap.step(line - 2, [&] { ran << line - 2; });
    trap.step(line, [&] {
        throw Failure(QStringLiteral("Type mismatch"));
        ran << line; // never reached: the rest of a failing step is skipped
    });
    trap.step(line + 2, [&] { ran << line + 2; });

    QCOMPARE(ran, (QList<int>{line - 2, line + 2}));
    QCOMPARE(prompts.records.size(), 1);
    const PromptRecord &report = prompts.records.first();
    QCOMPARE(report.kind, PromptRecord::Kind::Message);
    QCOMPARE(report.title, QStringLiteral("Application Error"));
    QCOMPARE(report.icon, Prompts::Icon::Warning);
    QCOMPARE(
        report.text,
        QStringLiteral("Type mismatch\r\n") + identifier + QStringLiteral("at line ") + QString::number(line)
            + QStringLiteral("\r\rPlease email screenshot of this message to support@glossmere.example.org"));
}

void TestCommon::errorReport_describesStandardExceptions()
{
    ScriptedPrompts prompts;
    ErrorTrap trap(prompts, procedureId(QStringLiteral("Form1"), QStringLiteral("PushButton1_Click")));
    trap.step(100, [] { throw std::runtime_error("disk on fire"); });
    trap.step(102, [] { throw 42; });
    QCOMPARE(prompts.records.size(), 2);
    QVERIFY(prompts.records[0].text.startsWith(
        QStringLiteral("disk on fire\r\nin Glossbox2021/08/31.Form1.PushButton1_Click at line 100\r\r")));
    QVERIFY(prompts.records[1].text.startsWith(QStringLiteral("Unknown failure\r\n")));
}

void TestCommon::settings_freshStoreGivesDefaults()
{
    QCOMPARE(m_settings->settings().ReadSetting(QStringLiteral("Option1"), QStringLiteral("1")),
             QStringLiteral("1"));
    QCOMPARE(
        settingToBool(m_settings->settings().ReadSetting(QStringLiteral("Option1"), QStringLiteral("1"))),
        true);
    QCOMPARE(
        settingToBool(m_settings->settings().ReadSetting(QStringLiteral("Option2"), QStringLiteral("0"))),
        false);
}

void TestCommon::settings_writeIsReadBackByNewStore()
{
    m_settings->settings().WriteSetting(QStringLiteral("Option3"), boolSettingText(false));
    QCOMPARE(m_settings->settings().ReadSetting(QStringLiteral("Option3"), QStringLiteral("1")),
             QStringLiteral("False"));
    // The value sits in the file under the program's section, readable by a store opened afresh.
    QCOMPARE(m_settings->raw()->value(QStringLiteral("Glossmere/Option3")).toString(),
             QStringLiteral("False"));
}

void TestCommon::settings_booleanRules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // 1 true, 0 false, -1 fails
    QTest::newRow("True") << QStringLiteral("True") << 1;
    QTest::newRow("false lower") << QStringLiteral("false") << 0;
    QTest::newRow("TRUE upper") << QStringLiteral("TRUE") << 1;
    QTest::newRow("one") << QStringLiteral("1") << 1;
    QTest::newRow("zero") << QStringLiteral("0") << 0;
    QTest::newRow("negative number") << QStringLiteral("-1") << 1;
    QTest::newRow("fraction") << QStringLiteral("0.5") << 1;
    QTest::newRow("garbage") << QStringLiteral("garbage") << -1;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("yes is no boolean here") << QStringLiteral("yes") << -1;
    QTest::newRow("on is no boolean here") << QStringLiteral("on") << -1;
    QTest::newRow("not a number") << QStringLiteral("nan") << -1;
}

void TestCommon::settings_booleanRules()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    if (expected < 0) {
        QVERIFY_THROWS_EXCEPTION(Failure, settingToBool(text));
        return;
    }
    QCOMPARE(settingToBool(text), expected == 1);
}

void TestCommon::settings_garbageIsNoBoolean()
{
    m_settings->settings().WriteSetting(QStringLiteral("Option1"), QStringLiteral("garbage"));
    QVERIFY_THROWS_EXCEPTION(
        Failure,
        settingToBool(m_settings->settings().ReadSetting(QStringLiteral("Option1"), QStringLiteral("1"))));
}

void TestCommon::settings_listValueReadsAsText()
{
    m_settings->raw()->setValue(QStringLiteral("Glossmere/Option4"),
                                QStringList{QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(m_settings->settings().ReadSetting(QStringLiteral("Option4"), QStringLiteral("0")),
             QStringLiteral("a, b"));
}

void TestCommon::normalisePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("doubled inside") << QStringLiteral(R"(C:\\Program Files\\Glossmere\\Sounds)")
                                    << QStringLiteral(R"(C:\Program Files\Glossmere\Sounds)");
    QTest::newRow("run of three inside") << QStringLiteral(R"(C:\a\\\b)") << QStringLiteral(R"(C:\a\\b)");
    QTest::newRow("single leading") << QStringLiteral(R"(\server\share)")
                                    << QStringLiteral(R"(\\server\share)");
    QTest::newRow("four leading, doubled later")
        << QStringLiteral(R"(\\\\server\\share)") << QStringLiteral(R"(\\server\share)");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("drive root joined")
        << QStringLiteral(R"(C:\\Sounds\right.wav)") << QStringLiteral(R"(C:\Sounds\right.wav)");
    QTest::newRow("nothing to do") << QStringLiteral(R"(a\b\c)") << QStringLiteral(R"(a\b\c)");
}

void TestCommon::normalisePath()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(NormalisePath(path, QLatin1Char('\\')), expected);
    // The same rules with slashes, except that a leading run is the root here, not a network prefix.
    const auto slashes = [](QString text) {
        return text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    };
    QString rooted = slashes(expected);
    if (rooted.startsWith(QStringLiteral("//")))
        rooted.remove(0, 1);
    QCOMPARE(NormalisePath(slashes(path), QLatin1Char('/')), rooted);
}

void TestCommon::normalisePath_keepsProgramPathsUsable()
{
    // A program folder at the root joined with a content name: one slash, and a path a URL can carry.
    QCOMPARE(NormalisePath(QStringLiteral("/") + QStringLiteral("/Sounds/right.wav"), QLatin1Char('/')),
             QStringLiteral("/Sounds/right.wav"));
    QCOMPARE(NormalisePath(QStringLiteral("/opt/glossmere/Sounds/right.wav"), QLatin1Char('/')),
             QStringLiteral("/opt/glossmere/Sounds/right.wav"));
}

void TestCommon::appTitle_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("three words of five")
        << QStringLiteral("Alpha Bravo Charl") << QStringLiteral("Alpha Bravo");
    QTest::newRow("sixty characters")
        << QStringLiteral("Vocabulary Trainer Deluxe Edition For Learners Of Many Tongue")
        << QStringLiteral("Vocabulary Trainer Deluxe Edition For");
    QTest::newRow("no blank stays whole") << QStringLiteral("Glossmere") << QStringLiteral("Glossmere");
    QTest::newRow("long word after a blank")
        << (QStringLiteral("a ") + QString(50, QLatin1Char('x'))) << QStringLiteral("a");
}

void TestCommon::appTitle()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    const QString title = appTitleFrom(name);
    QCOMPARE(title, expected);
    QVERIFY(title.size() <= 40);
}

void TestCommon::visiblePart_cutsOnlyPastTheLimit()
{
    QCOMPARE(visiblePart(QStringLiteral("abc"), 3), QStringLiteral("abc"));
    QCOMPARE(visiblePart(QStringLiteral("abcd"), 3), QStringLiteral("abc\u2026"));
}

void TestCommon::fileExists_answersWithoutFailing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("there.txt"));
    writeFile(path, "x");
    QVERIFY(FileExists(path));
    QVERIFY(!FileExists(QString()));
    QVERIFY(!FileExists(dir.filePath(QStringLiteral("missing.txt"))));
    QVERIFY(!FileExists(QString(QChar(0)) + QStringLiteral("bad")));
}

void TestCommon::wait_runsEventsInside()
{
    bool handled = false;
    QTimer::singleShot(10, [&] { handled = true; });
    EventLoopPause().Wait(0.2);
    QVERIFY(handled);
}

void TestCommon::wait_zeroOrLessRunsNoEvent()
{
    bool handled = false;
    QMetaObject::invokeMethod(
        this, [&] { handled = true; }, Qt::QueuedConnection);
    EventLoopPause().Wait(0);
    EventLoopPause().Wait(-1);
    QVERIFY(!handled);
    QCoreApplication::processEvents();
    QVERIFY(handled);
}

void TestCommon::wait_endsWhenTheProgramQuits()
{
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(10, qApp, [] { QCoreApplication::exit(0); });
    EventLoopPause().Wait(30);
    QVERIFY(clock.elapsed() < 20000);
    // Let the application's loop run once so that later waits are not cut short.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    bool handled = false;
    QTimer::singleShot(10, [&] { handled = true; });
    EventLoopPause().Wait(0.1);
    QVERIFY(handled);
}

void TestCommon::styleForm_paintsOnlyFramesLabelsAndOptions()
{
    QWidget window;
    paintWhite(&window);
    auto *frame = new QGroupBox(&window);
    auto *label = new QLabel(frame);
    auto *option = new QRadioButton(frame);
    auto *button = new QPushButton(&window);
    auto *text = new QLineEdit(&window);
    const QColor buttonBefore = button->palette().color(QPalette::Button);
    const QColor textBefore = text->palette().color(QPalette::Base);
    StyleForm(&window);
    const QColor face = buttonFaceColour();
    QVERIFY(face != QColor(Qt::white));
    for (QWidget *widget : std::initializer_list<QWidget *>{&window, frame, label, option})
        QCOMPARE(widget->palette().color(QPalette::Window), face);
    QCOMPARE(button->palette().color(QPalette::Button), buttonBefore);
    QCOMPARE(text->palette().color(QPalette::Base), textBefore);
}

void TestCommon::pictures_cursorKeepsHotspotAndIconMatchesItsFiles()
{
    const QCursor hand = loadCursorFile(builtProgramFolder() + QStringLiteral("/HAND-M.CUR"));
    QVERIFY(!hand.pixmap().isNull());
    // The hotspot sits at the fingertip, near the top, not at the image's corner.
    QVERIFY(hand.hotSpot().y() < 8);
    QVERIFY(hand.hotSpot().x() > 4);

    // The bitmap is read without Qt's reader: it must give what that reader gives.
    QTemporaryDir dir;
    QFile shipped(builtProgramFolder() + QStringLiteral("/HAND-M.CUR"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QByteArray asIcon = shipped.readAll();
    asIcon[2] = 1;
    QCOMPARE(hand.pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
             QImage::fromData(asIcon, "ICO").convertToFormat(QImage::Format_ARGB32));

    // The icon's pixels are made at build time from the shipped pictures.
    const QIcon icon = appIcon();
    QCOMPARE(icon.availableSizes().size(), 4);
    for (int size : {32, 48, 128, 256}) {
        const QString png = QStringLiteral(GLOSSMERE_SOURCE_DIR "/ui/icons/glossmere-%1.png").arg(size);
        QCOMPARE(icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 QImage(png).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    const QString garbage = dir.filePath(QStringLiteral("bad.cur"));
    writeFile(garbage, literalBytes("\0\0\2\0\1\0this is not a cursor"));
    QVERIFY_THROWS_EXCEPTION(Failure, loadCursorFile(garbage));
    QVERIFY_THROWS_EXCEPTION(Failure, loadCursorFile(dir.filePath(QStringLiteral("missing.cur"))));
}

void TestCommon::clickGuard_newWindowIgnoresPressesForADoubleClick_data()
{
    QTest::addColumn<bool>("firstClick");
    QTest::addColumn<int>("firstButton");
    QTest::addColumn<bool>("key");
    QTest::addColumn<int>("apart");
    QTest::addColumn<bool>("acts");
    const int interval = QApplication::doubleClickInterval();
    const int left = Qt::LeftButton;
    QTest::newRow("the second click of a double-click") << true << left << false << interval / 2 << false;
    QTest::newRow("a key at once") << true << left << true << 0 << true;
    QTest::newRow("a click after the interval") << true << left << false << interval + 1 << true;
    QTest::newRow("a window's first click, at once") << false << left << false << 0 << true;
    QTest::newRow("a left click on the menu a right-click opened")
        << true << int(Qt::RightButton) << false << 150 << true;
}

void TestCommon::clickGuard_newWindowIgnoresPressesForADoubleClick()
{
    QFETCH(bool, firstClick);
    QFETCH(int, firstButton);
    QFETCH(bool, key);
    QFETCH(int, apart);
    QFETCH(bool, acts);
    // Clicks with the time stamps the window system gives them: a double-click is told by those.
    // Qt on X11 makes a second press within the interval a double-click event alone.
    const auto click =
        [](QWidget *target, ulong stamp, bool second = false, Qt::MouseButton button = Qt::LeftButton) {
            const QPointF at = QRectF(target->rect()).center();
            for (const QEvent::Type type : {second ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress,
                                            QEvent::MouseButtonRelease}) {
                QMouseEvent event(type,
                                  at,
                                  target->mapToGlobal(at),
                                  button,
                                  type == QEvent::MouseButtonPress ? button : Qt::NoButton,
                                  Qt::NoModifier);
                event.setTimestamp(stamp);
                QApplication::sendEvent(target, &event);
            }
        };
    ClickGuard guard;
    qApp->installEventFilter(&guard);
    QPushButton older(QStringLiteral("Older"));
    older.show();
    QWidget window;
    auto *button = new QPushButton(QStringLiteral("Continue >"), &window);
    int clicks = 0;
    connect(button, &QPushButton::clicked, [&] { ++clicks; });
    // The first click opens the window; the second lands in it.
    const ulong first = 100000;
    if (firstClick)
        click(&older, first, false, Qt::MouseButton(firstButton));
    window.show();
    if (key) {
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Space);
    } else {
        // The window system makes a double-click event only of two presses of one button.
        click(button,
              first + ulong(apart),
              firstClick && firstButton == Qt::LeftButton && apart < QApplication::doubleClickInterval());
    }
    qApp->removeEventFilter(&guard);
    QCOMPARE(clicks, acts ? 1 : 0);
}

namespace {

// One press and its release; the first press of a row opens the new window.
struct Press
{
    enum Target { Opener, OtherOld, InNewWindow };

    Target target;
    Qt::MouseButton button;
    int afterPrevious; // milliseconds between this press and the one before
};

} // namespace

Q_DECLARE_METATYPE(QList<Press>)

void TestCommon::clickGuard_ordersOfPressesAsTheWindowSystemSendsThem_data()
{
    QTest::addColumn<QList<Press>>("presses");
    QTest::addColumn<int>("newClicks");
    QTest::addColumn<int>("oldClicks");
    const int soon = QApplication::doubleClickInterval() / 2;
    const int late = QApplication::doubleClickInterval() + 50;
    // Long after anything an earlier row pressed.
    const Press open{Press::Opener, Qt::LeftButton, late};
    const Press rightOpen{Press::Opener, Qt::RightButton, late};
    const auto inNew = [](Qt::MouseButton button, int after) {
        return Press{Press::InNewWindow, button, after};
    };
    QTest::newRow("left, left soon: a double-click")
        << QList<Press>{open, inNew(Qt::LeftButton, soon)} << 0 << 0;
    QTest::newRow("left, left late") << QList<Press>{open, inNew(Qt::LeftButton, late)} << 1 << 0;
    QTest::newRow("right, left soon") << QList<Press>{rightOpen, inNew(Qt::LeftButton, soon)} << 1 << 0;
    QTest::newRow("left, right soon, left soon")
        << QList<Press>{open, inNew(Qt::RightButton, soon), inNew(Qt::LeftButton, soon)} << 1 << 0;
    // The first press in the window ends the double-click; the next is a click of the window's own.
    QTest::newRow("left, then a double-click in the new window")
        << QList<Press>{open, inNew(Qt::LeftButton, soon), inNew(Qt::LeftButton, soon)} << 1 << 0;
    QTest::newRow("left, left soon on another control of the older window")
        << QList<Press>{open, {Press::OtherOld, Qt::LeftButton, soon}} << 0 << 1;
}

void TestCommon::clickGuard_ordersOfPressesAsTheWindowSystemSendsThem()
{
    QFETCH(QList<Press>, presses);
    QFETCH(int, newClicks);
    QFETCH(int, oldClicks);
    ClickGuard guard;
    qApp->installEventFilter(&guard);
    QWidget older;
    auto *opener = new QPushButton(QStringLiteral("Open"), &older);
    auto *other = new QPushButton(QStringLiteral("Other"), &older);
    other->move(0, 60);
    older.setGeometry(100, 100, 200, 120);
    older.show();
    QWidget window;
    window.setGeometry(100, 100, 200, 120);
    auto *button = new QPushButton(QStringLiteral("Continue >"), &window);
    int clicks[2] = {0, 0};
    connect(button, &QPushButton::clicked, [&] { ++clicks[0]; });
    connect(other, &QPushButton::clicked, [&] { ++clicks[1]; });
    QVERIFY(QTest::qWaitForWindowExposed(&older));
    for (const Press &press : presses) {
        QWidget *target = press.target == Press::Opener ? opener
            : press.target == Press::OtherOld           ? other
                                                        : button;
        // Through Qt's own handling of window system input, which makes the double-click events; a
        // release moves QTest's clock on by a whole interval, which a user's release does not. The
        // guard also tells windows shown before a press by when it is handled: a user's press comes at
        // least a few milliseconds after the one before.
        QTest::qWait(2);
        // The opener and the new window's button lie at the same place on the screen, as a
        // double-click's two presses do.
        QWindow *handle = target->window()->windowHandle();
        const QPoint at = target->mapTo(target->window(), QPoint(10, 10));
        QTest::mousePress(handle, press.button, {}, at, press.afterPrevious);
        const int pressedAt = QTest::lastMouseTimestamp;
        QTest::mouseRelease(handle, press.button, {}, at, 1);
        QTest::lastMouseTimestamp = pressedAt + 1;
        if (target == opener) {
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
        }
    }
    qApp->removeEventFilter(&guard);
    QCOMPARE(clicks[0], newClicks);
    QCOMPARE(clicks[1], oldClicks);
}

QTEST_MAIN(TestCommon)
#include "tst_common.moc"
