#include "app/glossmereapp.h"

#include "common/pause.h"
#include "common/prompts.h"
#include "common/randomsource.h"
#include "common/settings.h"
#include "termlist/form1.h"
#include "testrun/form3.h"
#include "testrun/sounddevice.h"

#include <QCoreApplication>

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
    : m_owned(std::make_unique<Owned>())
    , m_services{m_owned->prompts, m_owned->random, m_owned->pause, m_owned->settings, programFolder}
    , m_sound(m_owned->sound)
    , m_defs(m_services.prompts, m_list)
    , m_form1(std::make_unique<Form1>(m_services, m_defs, *this, *this))
{ }

GlossmereApp::GlossmereApp(const QString &programFolder,
                           Prompts &prompts,
                           RandomSource &random,
                           Pause &pause,
                           Settings &settings,
                           SoundDevice &sound)
    : m_services{prompts, random, pause, settings, programFolder}
    , m_sound(sound)
    , m_defs(m_services.prompts, m_list)
    , m_form1(std::make_unique<Form1>(m_services, m_defs, *this, *this))
{ }

GlossmereApp::~GlossmereApp() = default;

void GlossmereApp::start()
{
    m_form1->Form_Load();
    m_form1->show();
}

Form2 &GlossmereApp::form2()
{
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>(m_services, m_defs, *this, *this);
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
    if (m_defs.IsFileUpToDate())
        return true;
    switch (m_services.prompts.askSaveDiscardCancel(
        QStringLiteral("The term list has changes that have not been saved. Save them before closing?"),
        QStringLiteral("Unsaved Changes"))) {
    case Prompts::SaveChoice::Save:
        // A cancelled or failed save keeps the program open.
        return m_form1->saveList();
    case Prompts::SaveChoice::Discard:
        return true;
    case Prompts::SaveChoice::Cancel:
        break;
    }
    return false;
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
    // exit() rather than quit(): it ends every running loop at once, a pause's nested one included,
    // without asking the (already hidden) windows to close a second time.
    QCoreApplication::exit(0);
}
