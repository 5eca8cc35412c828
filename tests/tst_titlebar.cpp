// The Wayland title bar as Qt's Wayland client meets it: found and made through Qt's own factory, asked
// for its margins, and clicked across its bar. It runs as a client of a headless weston
// (tests/with-weston.sh), so the windows here are Qt's real Wayland windows.
#include "platform/declaredqt.h"
#include "platform/waylanddecoration.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPluginLoader>
#include <QTest>
#include <QWindow>
#include <qpa/qplatformwindow.h>

#include <memory>

namespace QtWaylandClient {
// Qt's own lookup of title-bar plugins, as its Wayland windows use it (exported by Qt's Wayland client).
class Q_DECL_IMPORT QWaylandDecorationFactory
{
public:
    static QStringList keys();
    static QWaylandAbstractDecoration *create(const QString &key, const QStringList &parameters);
};
} // namespace QtWaylandClient

using QtWaylandClient::QWaylandAbstractDecoration;

namespace {

// Counts the close requests its title bar makes and refuses them, so the window stays to be clicked.
class ProbedWindow : public QWindow
{
public:
    int closes = 0;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        ++closes;
        event->ignore();
    }
};

QtWaylandClient::QWaylandWindow *waylandWindow(QWindow &window)
{
    auto *platform = dynamic_cast<QObject *>(window.handle());
    return platform ? static_cast<QtWaylandClient::QWaylandWindow *>(
               platform->qt_metacast("QtWaylandClient::QWaylandWindow"))
                    : nullptr;
}

QFont captionFont()
{
    QFont font = QGuiApplication::font();
    font.setBold(true);
    return font;
}

// What one click at `local` (frame coordinates) did to the window.
QString clickAt(QWaylandAbstractDecoration &bar, ProbedWindow &window, QPointF local)
{
    const int closesBefore = window.closes;
    bar.handleMouse(nullptr, local, local, Qt::LeftButton, Qt::NoModifier);
    bar.handleMouse(nullptr, local, local, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::processEvents();
    const Qt::WindowStates states = window.windowStates();
    window.setWindowStates(Qt::WindowNoState);
    if (window.closes > closesBefore)
        return QStringLiteral("close");
    if (states & Qt::WindowMinimized)
        return QStringLiteral("minimise");
    if (states & Qt::WindowMaximized)
        return QStringLiteral("maximise");
    return {};
}

struct Button
{
    QString action;
    int left, right; // frame x, both inside
};

} // namespace

class TestTitleBar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void margins_frameTheCaptionAndQtUsesThem();
    void buttons_onlyWhatTheWindowCanDo_data();
    void buttons_onlyWhatTheWindowCanDo();
    void declarations_fitOnlyTheQtTheyWereMadeFor_data();
    void declarations_fitOnlyTheQtTheyWereMadeFor();
    void plugin_declaredForAnotherQt_makesNoTitleBar();

private:
    std::unique_ptr<QWaylandAbstractDecoration> make()
    {
        return std::unique_ptr<QWaylandAbstractDecoration>(
            QtWaylandClient::QWaylandDecorationFactory::create(QStringLiteral("glossmere"), {}));
    }
};

void TestTitleBar::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
    // Found as the program finds it: beside the executable.
    QVERIFY2(QtWaylandClient::QWaylandDecorationFactory::keys().contains(QStringLiteral("glossmere")),
             qPrintable(QtWaylandClient::QWaylandDecorationFactory::keys().join(u' ')));
    QVERIFY(make());
}

void TestTitleBar::margins_frameTheCaptionAndQtUsesThem()
{
    const auto bar = make();
    const QMargins frame = bar->margins();
    QCOMPARE(bar->margins(QWaylandAbstractDecoration::ShadowsExcluded), frame);
    QCOMPARE(bar->margins(QWaylandAbstractDecoration::ShadowsOnly), QMargins());
    // A bar with room for the bold caption above and below, a thin even border on the other sides.
    QVERIFY2(frame.top() >= QFontMetrics(captionFont()).height() + 4,
             qPrintable(QString::number(frame.top())));
    QVERIFY(frame.left() > 0);
    QCOMPARE(frame.right(), frame.left());
    QCOMPARE(frame.bottom(), frame.left());
    QVERIFY(frame.left() * 4 <= frame.top());

    // Qt's own window, which chose this title bar (main), asks the same through its own classes.
    QWindow shown;
    shown.resize(536, 473);
    shown.setMinimumSize(shown.size());
    shown.setMaximumSize(shown.size());
    shown.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shown));
    QCOMPARE(shown.frameMargins(), frame);
}

void TestTitleBar::buttons_onlyWhatTheWindowCanDo_data()
{
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<bool>("belongsToAnother");
    QTest::addColumn<QStringList>("buttons"); // left to right

    const QStringList all{QStringLiteral("minimise"), QStringLiteral("maximise"), QStringLiteral("close")};
    QTest::newRow("a fixed window") << true << false << QStringList{all[0], all[2]};
    QTest::newRow("a window that can grow") << false << false << all;
    QTest::newRow("a fixed question of another window") << true << true << QStringList{all[2]};
    QTest::newRow("a question that can grow") << false << true << QStringList{all[2]};
}

void TestTitleBar::buttons_onlyWhatTheWindowCanDo()
{
    QFETCH(bool, fixed);
    QFETCH(bool, belongsToAnother);
    QFETCH(QStringList, buttons);

    // Created, never shown: Qt's Wayland window exists, and no compositor answer moves it mid-test.
    QWindow owner;
    ProbedWindow window;
    window.resize(536, 473);
    if (fixed) {
        window.setMinimumSize(window.size());
        window.setMaximumSize(window.size());
    }
    if (belongsToAnother)
        window.setTransientParent(&owner);
    window.create();
    QtWaylandClient::QWaylandWindow *platform = waylandWindow(window);
    QVERIFY(platform);
    const auto bar = make();
    bar->setWaylandWindow(platform);
    const QMargins frame = bar->margins();
    const int frameWidth = window.width() + frame.left() + frame.right();

    // A click at every point along the middle of the bar, as a user might try each.
    QList<Button> found;
    for (int x = 0; x < frameWidth; ++x) {
        const QString action = clickAt(*bar, window, QPointF(x + 0.5, frame.top() / 2.0));
        if (action.isEmpty())
            continue;
        if (!found.isEmpty() && found.last().action == action && found.last().right == x - 1)
            found.last().right = x;
        else
            found.append({action, x, x});
    }
    QStringList actions;
    for (const Button &button : found)
        actions.append(button.action);
    QCOMPARE(actions, buttons);

    const int minimumTarget = QFontMetrics(captionFont()).height();
    for (const Button &button : found) {
        const int width = button.right - button.left + 1;
        QVERIFY2(width >= minimumTarget && width <= 2 * frame.top(), qPrintable(button.action));
        // Down the button's middle: it lies within the bar, clear of its edges, and tall enough to hit.
        const qreal middle = (button.left + button.right + 1) / 2.0;
        int top = -1;
        int bottom = -1;
        for (int y = 0; y < frame.top() + 10; ++y) {
            if (clickAt(*bar, window, QPointF(middle, y + 0.5)) == button.action) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        }
        QVERIFY2(top > 0 && bottom < frame.top() - 1, qPrintable(button.action));
        QVERIFY2(bottom - top + 1 >= minimumTarget, qPrintable(button.action));
    }
    // Close sits at the right end, inside the border.
    QCOMPARE(found.last().action, QStringLiteral("close"));
    QVERIFY(found.last().right < frameWidth - frame.right());
    QVERIFY(frameWidth - found.last().right <= frame.top());
}

void TestTitleBar::declarations_fitOnlyTheQtTheyWereMadeFor_data()
{
    QTest::addColumn<QByteArray>("running");
    QTest::addColumn<bool>("fits");

    QTest::newRow("the Qt it was built with") << QByteArray(QT_VERSION_STR) << true;
    QTest::newRow("the next patch release") << QByteArray::number(QT_VERSION_MAJOR) + '.'
            + QByteArray::number(QT_VERSION_MINOR) + '.' + QByteArray::number(QT_VERSION_PATCH + 1)
                                            << false;
    QTest::newRow("a longer version with the same start") << QByteArray(QT_VERSION_STR "0") << false;
    QTest::newRow("the next minor release") << QByteArray("6.5.0") << false;
    QTest::newRow("no version") << QByteArray() << false;
}

void TestTitleBar::declarations_fitOnlyTheQtTheyWereMadeFor()
{
    QFETCH(QByteArray, running);
    QFETCH(bool, fits);
    QCOMPARE(declarationsFit(running.constData()), fits);
}

void TestTitleBar::plugin_declaredForAnotherQt_makesNoTitleBar()
{
    // The same plugin built with declarations for another Qt, as Qt would load it.
    QPluginLoader loader(QStringLiteral(GLOSSMERE_FOREIGN_TITLEBAR));
    auto *plugin = qobject_cast<QtWaylandClient::QWaylandDecorationPlugin *>(loader.instance());
    QVERIFY2(plugin, qPrintable(loader.errorString()));
    QCOMPARE(plugin->create(QStringLiteral("glossmere"), {}), nullptr);
}

int main(int argc, char **argv)
{
    // As GlossmereApp::chooseTitleBar picks it, so that Qt's own windows wear it too.
    qputenv("QT_WAYLAND_DECORATION", "glossmere");
    QGuiApplication app(argc, argv);
    TestTitleBar test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_titlebar.moc"
