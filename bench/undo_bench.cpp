// Clearing a list of a million entries in the real main window and taking it back with Ctrl+Z.
// Usage: undo_bench [entries] [runs]   (run with QT_QPA_PLATFORM=offscreen)
#include "app/glossmereapp.h"
#include "bench/benchprompts.h"
#include "common/pause.h"
#include "common/randomsource.h"
#include "common/settings.h"
#include "termlist/form1.h"
#include "testrun/sounddevice.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {
class Silence : public SoundDevice
{
public:
    void setFileName(const QString &) override { }

    void command(const QString &) override { }
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    QTemporaryDir dir;
    BenchPrompts prompts(true);
    SystemRandom random;
    EventLoopPause pause;
    Settings settings(
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat));
    Silence sound;
    GlossmereApp app(QCoreApplication::applicationDirPath(), prompts, random, pause, settings, sound);
    app.start();
    TermStore store;
    for (int i = 0; i < entries; ++i)
        store.append(QStringLiteral("term %1").arg(i), QStringLiteral("the definition of entry %1").arg(i));
    app.defs().list().replaceAll(std::move(store));
    app.form1().show();
    Form1 &form = app.form1();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    form.findChild<QTableView *>(QStringLiteral("ListView1"))->setFocus();

    QList<double> clears;
    QList<double> undos;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        form.PushButton6_Click();
        QCoreApplication::processEvents();
        clears.append(clock.nsecsElapsed() / 1e6);
        clock.restart();
        QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
        QCoreApplication::processEvents();
        undos.append(clock.nsecsElapsed() / 1e6);
        if (app.defs().GetEntryCount() != entries) {
            std::fprintf(stderr, "undo did not bring the list back\n");
            return 1;
        }
    }
    std::sort(clears.begin(), clears.end());
    std::sort(undos.begin(), undos.end());
    std::printf("%d entries: clear median %.1f ms, undo of the clear median %.1f ms (min %.1f, max %.1f) "
                "over %d runs\n",
                entries,
                clears[runs / 2],
                undos[runs / 2],
                undos.first(),
                undos.last(),
                runs);
    return 0;
}
