// Owns the program's windows and services and wires the windows to one another.
#pragma once

#include "common/prompts.h"
#include "common/randomsource.h"
#include "common/services.h"
#include "deffiles/defmanager.h"
#include "deffiles/termlistmodel.h"

#include <memory>

class Form1;

class GlossmereApp
{
public:
    explicit GlossmereApp(const QString &programFolder);
    // For tests: scripted dialogs and random values instead of real ones.
    GlossmereApp(const QString &programFolder, Prompts &prompts, RandomSource &random);
    ~GlossmereApp();

    // Loads and shows the main window.
    void start();

    Form1 &form1() { return *m_form1; }

    DefManager &defs() { return m_defs; }

    bool programEnded() const { return m_ended; }

private:
    void endProgram();

    std::unique_ptr<QtPrompts> m_ownPrompts;
    std::unique_ptr<SystemRandom> m_ownRandom;
    Services m_services;
    TermListModel m_list;
    DefManager m_defs;
    std::unique_ptr<Form1> m_form1;
    bool m_ended = false;
};
