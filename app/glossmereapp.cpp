#include "app/glossmereapp.h"

#include "termlist/form1.h"
#include "testrun/form3.h"
#include "testrun/sounddevice.h"
#include "testsetup/form2.h"

#include <QCoreApplication>

GlossmereApp::GlossmereApp(const QString &programFolder)
    : m_ownPrompts(std::make_unique<QtPrompts>())
    , m_ownRandom(std::make_unique<SystemRandom>())
    , m_ownSound(std::make_unique<EffectSoundDevice>())
    , m_services{*m_ownPrompts, *m_ownRandom, programFolder}
    , m_sound(*m_ownSound)
    , m_defs(m_services.prompts, m_list)
    , m_form1(std::make_unique<Form1>(m_services, m_defs))
{
    wireForm1();
}

GlossmereApp::GlossmereApp(const QString &programFolder,
                           Prompts &prompts,
                           RandomSource &random,
                           SoundDevice &sound)
    : m_services{prompts, random, programFolder}
    , m_sound(sound)
    , m_defs(m_services.prompts, m_list)
    , m_form1(std::make_unique<Form1>(m_services, m_defs))
{
    wireForm1();
}

GlossmereApp::~GlossmereApp() = default;

void GlossmereApp::wireForm1()
{
    m_form1->testOptions = [this]() -> TestOptionsGate & {
        return form2();
    };
    m_form1->closeGuard = [this] {
        return mayEnd();
    };
    m_form1->programEnd = [this] {
        endProgram();
    };
}

void GlossmereApp::start()
{
    m_form1->Form_Load();
    m_form1->show();
}

Form2 &GlossmereApp::form2()
{
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>(m_services, m_defs);
        m_form2->testWindow = [this]() -> Form3 & {
            return form3();
        };
        m_form2->showMainWindow = [this] {
            m_form1->show();
            m_form1->activateWindow();
        };
        m_form2->closeGuard = [this] {
            return mayEnd();
        };
        m_form2->programEnd = [this] {
            endProgram();
        };
        m_form2->Form_Load();
    }
    return *m_form2;
}

Form3 &GlossmereApp::form3()
{
    if (!m_form3) {
        m_form3 = std::make_unique<Form3>(m_services, m_defs, m_sound);
        m_form3->soundsOn = [this] {
            return form2().soundsOn();
        };
        m_form3->showOptions = [this] {
            form2().showOptions();
        };
        m_form3->closeGuard = [this] {
            return mayEnd();
        };
        m_form3->programEnd = [this] {
            endProgram();
        };
        m_form3->Form_Load();
    }
    return *m_form3;
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
        m_form3->endRun();
        m_form3->hide();
    }
    if (m_form2)
        m_form2->hide();
    m_form1->hide();
    // exit() rather than quit(): it ends every running loop at once, a pause's nested one included,
    // without asking the (already hidden) windows to close a second time.
    QCoreApplication::exit(0);
}
