#include "app/glossmereapp.h"

#include "common/pause.h"
#include "common/randomsource.h"
#include "common/settings.h"
#include "safetycopy/sessioncopy.h"
#include "termlist/form1.h"
#include "testrun/form3.h"
#include "testrun/sounddevice.h"
#include "ui/qtprompts.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTimer>

#include <cstring>
#include <filesystem>
#ifdef __GLIBC__
#include <malloc.h>
#endif

// The real services, when the program runs for a user.
struct GlossmereApp::Owned
{
    QtPrompts prompts;
    SystemRandom random;
    EventLoopPause pause;
    Settings settings;
    EffectSoundDevice sound;
};

GlossmereApp::GlossmereApp(const QString &programFolder)
    : GlossmereApp(programFolder, std::make_unique<Owned>())
{ }

GlossmereApp::GlossmereApp(const QString &programFolder, std::unique_ptr<Owned> owned)
    : GlossmereApp(programFolder,
                   owned->prompts,
                   owned->random,
                   owned->pause,
                   owned->settings,
                   owned->sound,
                   QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
{
    m_owned = std::move(owned);
}

GlossmereApp::GlossmereApp(const QString &programFolder,
                           Prompts &prompts,
                           RandomSource &random,
                           Pause &pause,
                           Settings &settings,
                           SoundDevice &sound,
                           const QString &dataFolder)
    : m_services{prompts, random, pause, settings, programFolder}
    , m_sound(sound)
    , m_defs(m_services.prompts, m_list)
    , m_mistakes(m_list)
    , m_form1(std::make_unique<Form1>(m_services, m_defs, *this, m_mistakes, *this))
{
    if (dataFolder.isEmpty())
        return;
    m_safety = std::make_unique<SessionSafetyCopy>(dataFolder, m_defs, [this] {
        return TypedTexts{m_form1->typedTerm(), m_form1->typedDefinition()};
    });
    if (!m_safety->usable()) {
        m_safety.reset();
        return;
    }
    QObject::connect(
        m_form1.get(), &Form1::listStateChanged, m_form1.get(), [this] { m_safety->listChanged(); });
}

GlossmereApp::~GlossmereApp()
{
    endSafetyCopy();
    // The list's history reports its own teardown; nothing is copied any more.
    QObject::disconnect(m_form1.get(), &Form1::listStateChanged, nullptr, nullptr);
}

void GlossmereApp::chooseTitleBar()
{
    // The title bar module is built against this very Qt's Wayland client: with any other Qt, or
    // when the user chose a title bar, Qt's own stays. Without the module Qt would warn.
    if (qEnvironmentVariableIsSet("QT_WAYLAND_DECORATION") || std::strcmp(qVersion(), QT_VERSION_STR) != 0)
        return;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::canonical("/proc/self/exe", error).parent_path();
    if (!error
        && std::filesystem::exists(folder / "wayland-decoration-client/libglossmere-titlebar.so", error))
        qputenv("QT_WAYLAND_DECORATION", "glossmere");
}

void GlossmereApp::start()
{
    m_form1->Form_Load();
    m_form1->show();
#ifdef __GLIBC__
    // Building the window leaves freed temporaries in the heap, which would otherwise stay with the
    // program for good; given back before the first paint, they lower the program's peak.
    malloc_trim(0);
#endif
    // Asked once the window is up: a normal start is not delayed by looking for copies.
    if (m_safety)
        QTimer::singleShot(0, m_form1.get(), [this] {
            m_safety->offerCopies(m_services.prompts, [this](SafetyCopyContent copy) {
                // An empty, unnamed list is the one a session starts with: there is no list to bring
                // back, only what was typed.
                if (!copy.entries.isEmpty() || !copy.fileName.isEmpty())
                    m_form1->restoreList(std::move(copy.entries), copy.fileName);
                if (!copy.typed.isEmpty())
                    m_form1->restoreTypedTexts(copy.typed.term, copy.typed.definition);
            });
        });
    // Once start-up is over and the program waits for the user, the options and test windows are
    // built (not shown), so that neither first use waits for it.
    QTimer::singleShot(prepareAfterMs, m_form1.get(), [this] { prepareWindows(); });
}

void GlossmereApp::prepareWindows()
{
    if (m_ended)
        return;
    // One window per turn of the event loop: a click in between waits for one at most.
    if (!m_form2) {
        form2().ensurePolished();
        QTimer::singleShot(0, m_form1.get(), [this] { prepareWindows(); });
        return;
    }
    if (!m_form3)
        form3().ensurePolished();
}

void GlossmereApp::endSafetyCopy()
{
    if (m_safety)
        m_safety->end();
}

Form2 &GlossmereApp::form2()
{
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>(m_services, m_defs, m_sound, m_mistakes, *this, *this);
        m_form2->Form_Load();
    }
    return *m_form2;
}

Form3 &GlossmereApp::form3()
{
    if (!m_form3) {
        m_form3 =
            std::make_unique<Form3>(m_services, m_defs, m_sound, *this, [this] { form2().showOptions(); });
        m_form3->Form_Load();
        // A completed test's mistakes become the ones to practise; a stopped test leaves them.
        QObject::connect(m_form3.get(), &Form3::testCompleted, m_form3.get(), [this] {
            std::vector<int> entries;
            for (const QuizSession::Mistake &mistake : m_form3->session().mistakes())
                entries.push_back(mistake.entry);
            m_mistakes.set(std::move(entries));
        });
    }
    return *m_form3;
}

void GlossmereApp::setFileNameCaption(const QString &caption)
{
    form2().setFileNameCaption(caption);
}

void GlossmereApp::setEntryCountCaption(const QString &caption)
{
    form2().setEntryCountCaption(caption);
}

void GlossmereApp::setTestEntries(std::optional<std::vector<int>> entries)
{
    form2().setTestEntries(std::move(entries));
}

void GlossmereApp::showOptions()
{
    form2().showOptions();
}

void GlossmereApp::startTest(std::vector<int> order, TestOptions options)
{
    form3().session().start(std::move(order), options);
}

void GlossmereApp::showTest()
{
    Form3 &test = form3();
    test.show();
    test.activateWindow();
    test.setFocus();
}

void GlossmereApp::showMainWindow()
{
    m_form1->show();
    m_form1->activateWindow();
}

bool GlossmereApp::mayEnd()
{
    if (!m_defs.IsFileUpToDate()) {
        switch (m_services.prompts.askSaveDiscardCancel(
            QStringLiteral("The term list has changes that have not been saved. Save them before closing?"),
            QStringLiteral("Unsaved Changes"))) {
        case Prompts::SaveChoice::Save:
            // A cancelled or failed save keeps the program open.
            if (!m_form1->saveList())
                return false;
            break;
        case Prompts::SaveChoice::Discard:
            // Discarding the work discards what was typed with it: one question is enough.
            return true;
        case Prompts::SaveChoice::Cancel:
            return false;
        }
    }
    if (m_form1->typedTerm().isEmpty() && m_form1->typedDefinition().isEmpty())
        return true;
    return m_services.prompts.askYesNo(QStringLiteral("The Term and Definition boxes hold text that has not "
                                                      "been added to the list. Close and lose it?"),
                                       QStringLiteral("Unsaved Changes"),
                                       Prompts::Default::No);
}

void GlossmereApp::endProgram()
{
    // Closing any window ends the whole program: the others go with it, and a test that is pausing
    // after an answer goes no further.
    m_ended = true;
    if (m_form3) {
        m_form3->session().stop();
        m_form3->hide();
    }
    if (m_form2)
        m_form2->hide();
    m_form1->hide();
    // A normal end, Discard included: no copy is left to be offered.
    endSafetyCopy();
    // exit() rather than quit(): it ends every running loop at once, a pause's nested one included,
    // without asking the (already hidden) windows to close a second time.
    QCoreApplication::exit(0);
}
