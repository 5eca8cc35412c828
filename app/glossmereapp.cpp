#include "app/glossmereapp.h"

#include "termlist/form1.h"

#include <QCoreApplication>

GlossmereApp::GlossmereApp(const QString &programFolder)
    : m_ownPrompts(std::make_unique<QtPrompts>())
    , m_ownRandom(std::make_unique<SystemRandom>())
    , m_services{*m_ownPrompts, *m_ownRandom, programFolder}
    , m_defs(m_services.prompts, m_list)
    , m_form1(std::make_unique<Form1>(m_services, m_defs))
{
    m_form1->programEnd = [this] {
        endProgram();
    };
}

GlossmereApp::GlossmereApp(const QString &programFolder, Prompts &prompts, RandomSource &random)
    : m_services{prompts, random, programFolder}
    , m_defs(m_services.prompts, m_list)
    , m_form1(std::make_unique<Form1>(m_services, m_defs))
{
    m_form1->programEnd = [this] {
        endProgram();
    };
}

GlossmereApp::~GlossmereApp() = default;

void GlossmereApp::start()
{
    m_form1->Form_Load();
    m_form1->show();
}

void GlossmereApp::endProgram()
{
    // Closing any window ends the whole program: the others go with it.
    m_ended = true;
    m_form1->hide();
    QCoreApplication::quit();
}
