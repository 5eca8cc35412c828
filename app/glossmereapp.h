// Owns the program's services and windows and wires the windows to one another.
#pragma once

#include "common/services.h"
#include "deffiles/defmanager.h"
#include "deffiles/termlistmodel.h"
#include "termlist/mistakeentries.h"
#include "termlist/testoptionsgate.h"
#include "testsetup/form2.h"
#include "ui/designedwindow.h"

#include <memory>

class Form1;
class SessionSafetyCopy;
class Form3;
class Pause;
class Prompts;
class RandomSource;
class Settings;
class SoundDevice;

class GlossmereApp
    : public ProgramLifetime
    , public TestOptionsGate
    , public OptionsLinks
{
public:
    // The real services: dialogs, randomness, pauses, the user's settings and the sound device.
    explicit GlossmereApp(const QString &programFolder);
    // Services of the caller's choosing, e.g. scripted ones in tests.
    GlossmereApp(const QString &programFolder,
                 Prompts &prompts,
                 RandomSource &random,
                 Pause &pause,
                 Settings &settings,
                 SoundDevice &sound,
                 const QString &dataFolder = {});
    ~GlossmereApp() override;

    // Loads and shows the main window; then offers back unsaved work of a session that crashed.
    void start();

    // Called before the application object exists: on Wayland, where the compositor draws no title
    // bar, the program's own draws it (no maximise on windows of fixed size).
    static void chooseTitleBar();

    Form1 &form1() { return *m_form1; }

    // How long after start the options and test windows are built, shown only at their first use.
    static constexpr int prepareAfterMs = 500;

    // Created at their first use or, unseen, once start-up is over, whichever comes first.
    Form2 &form2();
    Form3 &form3();

    bool hasForm2() const { return bool(m_form2); }

    bool hasForm3() const { return bool(m_form3); }

    DefManager &defs() { return m_defs; }

    // The entries of the last completed test's mistakes.
    MistakeEntries &mistakes() { return m_mistakes; }

    bool programEnded() const { return m_ended; }

    // Closing any window with unsaved edits asks first; true when the program may end.
    bool mayEnd() override;
    void endProgram() override;

    void setFileNameCaption(const QString &caption) override;
    void setEntryCountCaption(const QString &caption) override;
    void setTestEntries(std::optional<std::vector<int>> entries) override;
    void showOptions() override;
    void startTest(std::vector<int> order, TestOptions options) override;
    void showTest() override;
    void showMainWindow() override;

private:
    struct Owned;

    GlossmereApp(const QString &programFolder, std::unique_ptr<Owned> owned);

    void prepareWindows();
    void endSafetyCopy();

    std::unique_ptr<Owned> m_owned;
    Services m_services;
    SoundDevice &m_sound;
    TermListModel m_list;
    DefManager m_defs;
    MistakeEntries m_mistakes;
    std::unique_ptr<Form1> m_form1;
    std::unique_ptr<Form2> m_form2;
    std::unique_ptr<Form3> m_form3;
    std::unique_ptr<SessionSafetyCopy> m_safety;
    bool m_ended = false;
};
