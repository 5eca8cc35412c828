// A whole program with scripted dialogs, randomness and sound, for tests that drive it as a user.
#pragma once

#include "app/glossmereapp.h"
#include "termlist/form1.h"
#include "testrun/answerbutton.h"
#include "testrun/form3.h"
#include "tests/support/scriptedprompts.h"
#include "tests/support/testsupport.h"
#include "testsetup/form2.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

struct AppFixture
{
    // Copies of unsaved work are kept in `dataFolder`, none when it is empty.
    explicit AppFixture(const QString &programFolder = builtProgramFolder(),
                        Settings *sharedSettings = nullptr,
                        const QString &dataFolder = {})
        : app(programFolder,
              prompts,
              random,
              pause,
              sharedSettings ? *sharedSettings : ownSettings.settings(),
              sound,
              dataFolder)
    {
        app.start();
    }

    // A second run of the program over the settings another one left.
    explicit AppFixture(Settings &sharedSettings)
        : AppFixture(builtProgramFolder(), &sharedSettings)
    { }

    ~AppFixture()
    {
        // The program asked the application to quit; one turn of its loop clears that for the tests after.
        if (app.programEnded()) {
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
        }
    }

    Form1 &form1() { return app.form1(); }

    Form2 &form2() { return app.form2(); }

    Form3 &form3() { return app.form3(); }

    void setEntries(const TermEntries &entries) { app.defs().list().replaceAll(entries); }

    // Types each entry and adds it, as a user does: the list then holds unsaved work.
    void typeEntries(const TermEntries &entries)
    {
        for (const TermEntry &entry : entries) {
            control<QLineEdit>(&form1(), "Text1")->setText(entry.term);
            control<QLineEdit>(&form1(), "Text2")->setText(entry.definition);
            QTest::mouseClick(control<QPushButton>(&form1(), "PushButton4"), Qt::LeftButton);
        }
    }

    // Start Taking Test, then Continue with the given direction; the first question is presented.
    void startTest(bool definitionGiven = false)
    {
        QTest::mouseClick(control<QPushButton>(&form1(), "PushButton1"), Qt::LeftButton);
        control<QRadioButton>(&form2(), definitionGiven ? "Option2" : "Option1")->setChecked(true);
        QTest::mouseClick(control<QPushButton>(&form2(), "PushButton2"), Qt::LeftButton);
    }

    const QuizSession &session() { return form3().session(); }

    IsolatedSettings ownSettings;
    ScriptedPrompts prompts;
    ScriptedRandom random;
    InstantPause pause;
    RecordingSoundDevice sound;
    GlossmereApp app;
};
