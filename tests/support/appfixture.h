// A whole program with scripted dialogs, randomness and sound, for tests that drive it as a user.
#pragma once

#include "app/glossmereapp.h"
#include "common/helpers.h"
#include "termlist/form1.h"
#include "testrun/answerbutton.h"
#include "testrun/form3.h"
#include "tests/support/scriptedprompts.h"
#include "tests/support/testsupport.h"
#include "testsetup/form2.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
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

    // What the test window shows above the answers: the prompt, and after an answer its feedback.
    QString shownPrompt() { return control<QLabel>(&form3(), "Label10")->text(); }

    AnswerButton *answerButton(int number)
    {
        return control<AnswerButton>(&form3(),
                                     QByteArray("PushButton" + QByteArray::number(number)).constData());
    }

    // The button (1 to 4) of the right answer, found as a user finds it: the prompt shown, looked up
    // in the list the main window shows.
    int rightButton()
    {
        const bool termGiven = control<QGroupBox>(&form3(), "Frame1")->title() == QStringLiteral("Term:");
        const QAbstractItemModel *list = control<QTableView>(&form1(), "ListView1")->model();
        QStringList right;
        for (int row = 0; row < list->rowCount(); ++row) {
            if (lineBreaksForDisplay(list->index(row, termGiven ? 0 : 1).data().toString()) == shownPrompt())
                right.append(list->index(row, termGiven ? 1 : 0).data().toString());
        }
        for (int number = 1; number <= 4; ++number) {
            if (answerButton(number)->isEnabled() && right.contains(answerButton(number)->caption().mid(3)))
                return number;
        }
        qFatal("no answer button shows a right answer to %s", qPrintable(shownPrompt()));
    }

    // The first button (1 to 4) that offers a wrong answer.
    int wrongButton()
    {
        const int right = rightButton();
        for (int number = 1; number <= 4; ++number) {
            if (number != right && answerButton(number)->isEnabled())
                return number;
        }
        qFatal("no answer button shows a wrong answer to %s", qPrintable(shownPrompt()));
    }

    IsolatedSettings ownSettings;
    ScriptedPrompts prompts;
    ScriptedRandom random;
    InstantPause pause;
    RecordingSoundDevice sound;
    GlossmereApp app;
};
