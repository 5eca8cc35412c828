// Owns the program's windows and services and wires the windows to one another.
#pragma once

#include "common/prompts.h"
#include "common/randomsource.h"
#include "common/services.h"
#include "deffiles/defmanager.h"
#include "deffiles/termlistmodel.h"

#include <memory>

class Form1;
class Form2;
class Form3;
class SoundDevice;

class GlossmereApp
{
public:
    explicit GlossmereApp(const QString &programFolder);
    // For tests: scripted dialogs, random values and sound device instead of real ones.
    GlossmereApp(const QString &programFolder, Prompts &prompts, RandomSource &random, SoundDevice &sound);
    ~GlossmereApp();

    // Loads and shows the main window.
    void start();

    Form1 &form1() { return *m_form1; }

    // The options and test windows are created, and opened, at their first use.
    Form2 &form2();
    Form3 &form3();

    bool hasForm2() const { return bool(m_form2); }

    bool hasForm3() const { return bool(m_form3); }

    DefManager &defs() { return m_defs; }

    bool programEnded() const { return m_ended; }

private:
    void wireForm1();
    // Closing any window with unsaved edits asks first; true when the program may end.
    bool mayEnd();
    void endProgram();

    std::unique_ptr<QtPrompts> m_ownPrompts;
    std::unique_ptr<SystemRandom> m_ownRandom;
    std::unique_ptr<SoundDevice> m_ownSound;
    Services m_services;
    SoundDevice &m_sound;
    TermListModel m_list;
    DefManager m_defs;
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<Form2> m_form2;
    std::unique_ptr<Form3> m_form3;
    bool m_ended = false;
};
