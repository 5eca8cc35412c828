// Times the user's actions in the real program (same libraries, the real GlossmereApp), started with a
// definition file as listbench does, each from the synthetic click or key on the real window to that
// window repainted with the action's result, the event loop about to wait and no other thread of the
// program running. Between actions the program is left until it has been quiet for a while, as a user
// takes a moment before the next click. Every action runs once, in the order of the table below, so
// each window's first use is what is measured; bench/actions starts it once per run.
// Usage: actionbench FILE [IMPORTS]   prints "ACTION<Tab>MILLISECONDS" per action (run under X, not
//        offscreen); IMPORTS is a folder of import_bench --generate, whose files the imports read;
//        ACTIONBENCH_ONLY=TEXT in the environment keeps only the actions whose names hold TEXT;
//        ACTIONBENCH_QUESTION_MS (default 500) is how long an import's separator question stays open
#include "app/glossmereapp.h"
#include "bench/benchprompts.h"
#include "common/pause.h"
#include "common/randomsource.h"
#include "common/settings.h"
#include "termlist/form1.h"
#include "testrun/form3.h"
#include "testrun/sounddevice.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
// Yes to every question; a save or an export goes to a new file of the run's own, an import reads the
// file and choice of the action at hand, and a report is kept for the action to look at.
class ActionPrompts : public BenchPrompts
{
public:
    explicit ActionPrompts(QString savePath)
        : BenchPrompts(true)
        , m_savePath(std::move(savePath))
    { }

    void message(const QString &text, const QString &, Icon, const QString &) override { lastMessage = text; }

    // Find asks for its text without presets; an import's separator question offers the choices.
    QString askText(const QString &, const QString &, const QList<Preset> &presets) override
    {
        if (presets.isEmpty())
            return searchText;
        // The separator question stays open for as long as a user takes to read it and press Enter;
        // the import is timed from that answer, the user's last input.
        if (questionMs > 0) {
            QEventLoop reading;
            QTimer::singleShot(questionMs, &reading, &QEventLoop::quit);
            reading.exec();
        }
        if (answered)
            answered();
        for (const Preset &preset : presets) {
            if (preset.label == importChoice)
                return preset.value;
        }
        std::fprintf(stderr, "actionbench: no choice %s\n", qPrintable(importChoice));
        std::_Exit(1);
    }

    QStringList chooseFilesToOpen(const QString &, const QString &, const QString &) override
    {
        return {importPath};
    }

    QString chooseFileToSave(const QString &, const QString &, const QString &, const QString &) override
    {
        return m_savePath;
    }

    SaveTarget
    chooseFileToSaveAs(const QString &, const QStringList &, const QStringList &, const QString &) override
    {
        return exportTarget;
    }

    QString lastMessage;
    QString searchText;
    QString importPath;
    QString importChoice;
    SaveTarget exportTarget;
    int questionMs = 0;
    std::function<void()> answered;

private:
    QString m_savePath;
};

// Nanoseconds all the program's threads have run so far, and whether one besides the main thread is
// running now (from the scheduler's own accounting, as mapwait reads it).
long long runNanoseconds()
{
    long long total = 0;
    for (const QString &task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream stat("/proc/self/task/" + task.toStdString() + "/schedstat");
        long long ran = 0;
        if (stat >> ran)
            total += ran;
    }
    return total;
}

bool otherThreadRunning()
{
    const QString self = QString::number(getpid());
    for (const QString &task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (task == self)
            continue;
        std::ifstream stat("/proc/self/task/" + task.toStdString() + "/stat");
        std::string line;
        std::getline(stat, line);
        const size_t end = line.rfind(')');
        if (end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'R')
            return true;
    }
    return false;
}

// One user action: where the user is before it (not timed), the input, the window that answers it and
// what shows the action is done when that window is painted.
struct Action
{
    QString name;
    std::function<void()> prepare;
    std::function<void()> act;
    std::function<QWidget *()> window;
    std::function<bool()> done;
    // How long at least the user waits after it before the next action (a test's feedback pause).
    int restMs = 1200;
    // False for an action that changes nothing on the screen: it is done once `done` holds.
    bool paints = true;
};

class Driver : public QObject
{
public:
    explicit Driver(std::vector<Action> actions)
        : m_actions(std::move(actions))
    {
        qApp->installEventFilter(this);
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (m_armed && (m_painted || (!m_actions[m_next].paints && m_actions[m_next].done())))
                finishWhenQuiet();
        });
        connect(&m_poll, &QTimer::timeout, this, [this] { poll(); });
    }

    // Waits for the program to settle after start, then runs every action once.
    void run(int restMs) { settle(restMs); }

    // The action's input is the one given now (a question's answer after the click).
    void restartClock()
    {
        m_painted = false;
        m_clock.start();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_armed && event->type() == QEvent::Paint && watched->isWidgetType()) {
            const Action &action = m_actions[m_next];
            QWidget *window = action.window();
            if (window && static_cast<QWidget *>(watched)->window() == window && action.done())
                m_painted = true;
        }
        return false;
    }

private:
    // Quiet: at least `restMs` since the last action ended and hardly any processor time in the last
    // 300 ms (a caret's blink is allowed).
    void settle(int restMs)
    {
        m_restMs = restMs;
        m_settling.start();
        m_samples.clear();
        m_poll.start(50);
    }

    void poll()
    {
        const qint64 now = m_settling.elapsed();
        m_samples.push_back({now, runNanoseconds()});
        while (m_samples.size() > 1 && now - m_samples[1].first >= 300)
            m_samples.pop_front();
        const bool quiet = now - m_samples.front().first >= 300
            && m_samples.back().second - m_samples.front().second < 2000000;
        if (now < m_restMs || !quiet)
            return;
        m_poll.stop();
        const Action &action = m_actions[m_next];
        if (action.prepare)
            action.prepare();
        // The input comes from the event loop, as the window system's would.
        QTimer::singleShot(0, this, [this] {
            m_painted = false;
            m_armed = true;
            m_clock.start();
            m_actions[m_next].act();
        });
    }

    void finishWhenQuiet()
    {
        if (otherThreadRunning()) {
            // Look again in a moment: a timer wakes the loop.
            QTimer::singleShot(1, this, [] {});
            return;
        }
        const double ms = m_clock.nsecsElapsed() / 1e6;
        m_armed = false;
        const Action &action = m_actions[m_next];
        std::printf("%s\t%.1f\n", qPrintable(action.name), ms);
        std::fflush(stdout);
        if (++m_next == m_actions.size()) {
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            return;
        }
        settle(action.restMs);
    }

    std::vector<Action> m_actions;
    size_t m_next = 0;
    bool m_armed = false;
    bool m_painted = false;
    QElapsedTimer m_clock;
    QElapsedTimer m_settling;
    QTimer m_poll;
    int m_restMs = 0;
    std::deque<std::pair<qint64, long long>> m_samples;
};

template <typename T> T *child(QWidget *parent, const char *name)
{
    T *found = parent->findChild<T *>(QString::fromLatin1(name));
    if (!found) {
        std::fprintf(stderr, "actionbench: no %s\n", name);
        std::_Exit(1);
    }
    return found;
}

void click(QWidget *parent, const char *button)
{
    QTest::mouseClick(child<QPushButton>(parent, button), Qt::LeftButton);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("glossmere"));
    QApplication::setOrganizationName(QStringLiteral("Tamberlux"));
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 && args.size() != 3) {
        std::fprintf(stderr, "usage: actionbench FILE [IMPORTS]\n");
        return 2;
    }
    QTemporaryDir dir;
    ActionPrompts prompts(dir.filePath(QStringLiteral("saved.txt")));
    SystemRandom random;
    EventLoopPause pause;
    Settings settings(
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    // Sounds off: the answer is timed to its feedback.
    settings.WriteSetting(QStringLiteral("Option3"), boolSettingText(false));
    settings.WriteSetting(QStringLiteral("Option4"), boolSettingText(true));
    EffectSoundDevice sound;
    GlossmereApp app(QApplication::applicationDirPath(),
                     prompts,
                     random,
                     pause,
                     settings,
                     sound,
                     dir.filePath(QStringLiteral("data")));
    Form1 &form1 = app.form1();
    DefManager &defs = app.defs();
    auto *view = child<QTableView>(&form1, "ListView1");
    app.start();
    if (!defs.loadDefinitionFile(args[1], QStringLiteral("::")))
        return 1;

    const auto count = [&defs] {
        return defs.GetEntryCount();
    };
    const auto mainWindow = [&form1]() -> QWidget * {
        return &form1;
    };
    const auto options = [&app]() -> QWidget * {
        return app.hasForm2() ? &app.form2() : nullptr;
    };
    const auto test = [&app]() -> QWidget * {
        return app.hasForm3() ? &app.form3() : nullptr;
    };
    // A middle entry, as the user has clicked it.
    // The list holds the focus in the active window (a window manager would make it active).
    const auto focusList = [&] {
        QApplication::setActiveWindow(&form1);
        view->setFocus();
    };
    const auto pickMiddle = [&] {
        const QModelIndex middle = view->model()->index(count() / 2, 0);
        focusList();
        view->scrollTo(middle, QAbstractItemView::PositionAtCenter);
        view->setCurrentIndex(middle);
    };
    int before = 0;
    QString question;
    const QString edited = QStringLiteral("edited term");

    // Through the list's menu command, as the user picks it there.
    auto *exportCommand = form1.findChild<QAction *>(QStringLiteral("ExportListCommand"));
    if (!exportCommand) {
        std::fprintf(stderr, "actionbench: no ExportListCommand\n");
        return 1;
    }
    const auto exportRow = [&](const QString &name, const QString &file, int filter) {
        const QString path = dir.filePath(file);
        return Action{name,
                      [&prompts, path, filter] {
                          prompts.exportTarget = {path, filter};
                      },
                      [exportCommand] { exportCommand->trigger(); },
                      mainWindow,
                      [path] { return QFileInfo::exists(path); },
                      1200,
                      false};
    };
    // "Load Term/Defs From Text File", the file chosen and the separator question's choice picked.
    const auto importRow = [&](const QString &name, const QString &file, const QString &choice) {
        const QString path = QDir(args.value(2)).filePath(file);
        return Action{name,
                      [&prompts, path, choice] {
                          prompts.importPath = path;
                          prompts.importChoice = choice;
                      },
                      [&form1] { click(&form1, "PushButton5"); },
                      mainWindow,
                      [&defs, file] {
                          return defs.GetFileName() == file && defs.GetEntryCount() > 0;
                      }};
    };

    // New actions go into this table, in the order a user could do them one after the other.
    std::vector<Action> actions{
        {QStringLiteral("F2 (entry editor shown)"),
         pickMiddle,
         [&] { QTest::keyClick(view, Qt::Key_F2); },
         mainWindow,
         [&] {
             const auto *editor = view->viewport()->findChild<QLineEdit *>();
             return editor && editor->isVisible();
         }},
        {QStringLiteral("Edit committed by Enter"),
         [&] { child<QLineEdit>(view->viewport(), nullptr)->setText(edited); },
         [&] { QTest::keyClick(child<QLineEdit>(view->viewport(), nullptr), Qt::Key_Return); },
         mainWindow,
         [&] {
             return defs.list().termAt(count() / 2) == edited;
         }},
        {QStringLiteral("Add New Term (Enter)"),
         [&] {
             before = count();
             child<QLineEdit>(&form1, "Text1")->setText(QStringLiteral("new term"));
             child<QLineEdit>(&form1, "Text2")->setText(QStringLiteral("new definition"));
             child<QLineEdit>(&form1, "Text2")->setFocus();
         },
         [&] { QTest::keyClick(child<QLineEdit>(&form1, "Text2"), Qt::Key_Return); },
         mainWindow,
         [&] {
             return count() == before + 1;
         }},
        {QStringLiteral("Remove Selected Term/Def (a middle entry, Yes)"),
         [&] {
             before = count();
             pickMiddle();
         },
         [&] { click(&form1, "PushButton7"); },
         mainWindow,
         [&] {
             return count() == before - 1;
         }},
        {QStringLiteral("Ctrl+Z of the removal"),
         focusList,
         [&] { QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier); },
         mainWindow,
         [&] {
             return count() == before;
         }},
        {QStringLiteral("Clear List (Yes)"),
         nullptr,
         [&] { click(&form1, "PushButton6"); },
         mainWindow,
         [&] {
             return count() == 0;
         }},
        {QStringLiteral("Ctrl+Z of the clear"),
         focusList,
         [&] { QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier); },
         mainWindow,
         [&] {
             return count() == before;
         }},
        // A text no entry holds: the whole list is searched before the report.
        {QStringLiteral("Find with no match (Ctrl+F, to the “No entry contains …” report)"),
         [&] {
             focusList();
             prompts.searchText = QStringLiteral("no entry holds ☂ this");
             prompts.lastMessage.clear();
         },
         [&] { QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier); },
         mainWindow,
         [&] { return prompts.lastMessage.startsWith(QStringLiteral("No entry contains")); },
         1200,
         false},
        {QStringLiteral("Save (to a new file)"),
         nullptr,
         [&] { click(&form1, "PushButton2"); },
         mainWindow,
         [&] { return defs.IsFileUpToDate(); },
         1200,
         false},
        exportRow(QStringLiteral("Export List As… CSV (to a new file)"), QStringLiteral("export.csv"), 0),
        exportRow(QStringLiteral("Export List As… KVTML (to a new file)"), QStringLiteral("export.kvtml"), 3),
        {QStringLiteral("Start Taking Test (options shown)"),
         nullptr,
         [&] { click(&form1, "PushButton1"); },
         options,
         [&] {
             return !form1.isVisible();
         }},
        {QStringLiteral("Continue > (first question shown)"),
         nullptr,
         [&] { click(&app.form2(), "PushButton2"); },
         test,
         [&] {
             return app.form3().session().awaitingAnswer();
         }},
        {QStringLiteral("An answer (feedback shown)"),
         [&] { question = child<QLabel>(&app.form3(), "Label10")->text(); },
         [&] { click(&app.form3(), "PushButton1"); },
         test,
         [&] { return child<QLabel>(&app.form3(), "Label10")->text() != question; },
         // The feedback's pause and the next question.
         2500},
        {QStringLiteral("Stop Test (options shown)"),
         nullptr,
         [&] { click(&app.form3(), "PushButton5"); },
         options,
         [&] {
             return !app.form3().isVisible();
         }},
        // A test of the whole list that ended with a mistake in every hundredth entry (10,000 of
        // 1,000,000; 10 of the 50 entries), practised from the options window.
        {QStringLiteral("Ctrl+R in the options (the last test's mistakes chosen)"),
         [&] {
             std::vector<int> entries;
             const int mistakes = std::max(10, count() / 100);
             for (int i = 0; i < mistakes; ++i)
                 entries.push_back(int(qint64(i) * count() / mistakes));
             app.mistakes().set(std::move(entries));
             QApplication::setActiveWindow(&app.form2());
         },
         [&] { QTest::keyClick(&app.form2(), Qt::Key_R, Qt::ControlModifier); },
         options,
         [&] {
             return child<QLabel>(&app.form2(), "Label5")->text()
                 == QStringLiteral("Total Number of Entries: %1").arg(app.mistakes().count());
         }},
        {QStringLiteral("Continue > of the mistakes (first question shown)"),
         nullptr,
         [&] { click(&app.form2(), "PushButton2"); },
         test,
         [&] {
             return app.form3().session().awaitingAnswer()
                 && int(app.form3().session().questionList().size()) == app.mistakes().count();
         }},
        {QStringLiteral("Stop Test of the mistakes (options shown)"),
         nullptr,
         [&] { click(&app.form3(), "PushButton5"); },
         options,
         [&] {
             return !app.form3().isVisible();
         }},
        {QStringLiteral("< Go Back (list shown)"),
         nullptr,
         [&] { click(&app.form2(), "PushButton1"); },
         mainWindow,
         [&] {
             return !app.form2().isVisible();
         }},
        {QStringLiteral("Load Sample/Example File over a saved list"),
         nullptr,
         [&] { click(&form1, "PushButton3"); },
         mainWindow,
         [&] {
             return defs.GetFileName().endsWith(QStringLiteral("sample_glossbox.txt"));
         }},
    };
    // Last, so that every row before runs on the list as loaded; each import replaces the list.
    if (args.size() == 3) {
        actions.push_back(importRow(QStringLiteral("Import a CSV file (comma), from the question's answer"),
                                    QStringLiteral("list.csv"),
                                    QStringLiteral(", (comma)")));
        actions.push_back(importRow(QStringLiteral("Import an Anki notes export, from the question's answer"),
                                    QStringLiteral("list-anki.txt"),
                                    QStringLiteral("Anki notes export (.txt)")));
        actions.push_back(importRow(QStringLiteral("Import a KVTML file, from the question's answer"),
                                    QStringLiteral("list.kvtml"),
                                    QStringLiteral("KWordQuiz / Parley vocabulary (.kvtml)")));
    }
    // bench/actions --only TEXT: only the actions whose names hold TEXT, each on the list as loaded.
    if (const QString only = qEnvironmentVariable("ACTIONBENCH_ONLY"); !only.isEmpty())
        std::erase_if(actions, [&only](const Action &action) { return !action.name.contains(only); });
    Driver driver(std::move(actions));
    prompts.questionMs = qEnvironmentVariableIsSet("ACTIONBENCH_QUESTION_MS")
        ? qEnvironmentVariableIntValue("ACTIONBENCH_QUESTION_MS")
        : 500;
    prompts.answered = [&driver] {
        driver.restartClock();
    };
    // As long as a user takes at least to reach for the first command after the list appears.
    driver.run(1500);
    return QApplication::exec();
}
