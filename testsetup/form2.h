// The test options window: direction and sounds, remembered across runs, and the start of a test.
#pragma once

#include "common/services.h"
#include "termlist/testoptionsgate.h"
#include "testrun/quizsession.h"
#include "ui/designedwindow.h"

#include <QFuture>
#include <QTimer>

#include <optional>
#include <vector>

class Announcer;
class DefManager;
class SoundDevice;
class MistakeEntries;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// What the options window asks of the windows around it.
class OptionsLinks
{
public:
    virtual ~OptionsLinks() = default;
    // Hands a new test to the test window (created at its first use), which presents its first question.
    virtual void startTest(std::vector<int> order, TestOptions options) = 0;
    virtual void showTest() = 0;
    virtual void showMainWindow() = 0;
};

class Form2
    : public DesignedWindow
    , public TestOptionsGate
{
    Q_OBJECT

public:
    // `mistakes` are those of the last test, which Ctrl+R chooses to practise.
    Form2(const Services &services,
          const DefManager &defs,
          SoundDevice &sound,
          const MistakeEntries &mistakes,
          OptionsLinks &links,
          ProgramLifetime &lifetime);
    ~Form2() override;

    void Form_Load();
    void PushButton1_Click();
    void PushButton2_Click();

    void setFileNameCaption(const QString &caption) override;
    void setEntryCountCaption(const QString &caption) override;
    void setTestEntries(std::optional<std::vector<int>> entries) override;
    void showOptions() override;

    // Ctrl+R: the next "Continue >" tests the last test's mistakes alone, as the list's menu chooses.
    void practiseMistakes();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void readOptionPair(int line, QRadioButton *first, QRadioButton *second, bool keepOneSelected);
    void writeOptionPair(QRadioButton *first, QRadioButton *second);
    // Drops an order drawn for what was shown before and draws again once the user reads the options.
    void restartOrderAhead();
    void drawOrderAhead();
    void describeSound();
    // The order of the test "Continue >" starts: the entries chosen, or every entry that can be asked,
    // shuffled.
    std::vector<int> takeOrder();

    const Services &m_services;
    const DefManager &m_defs;
    SoundDevice &m_sound;
    const MistakeEntries &m_mistakes;
    OptionsLinks &m_links;
    bool m_loading = false;
    // The entries the next test asks, when not the whole list.
    std::optional<std::vector<int>> m_testEntries;
    Announcer *m_announcer = nullptr;
    // A big list's question order, drawn on another thread while the options are shown.
    std::optional<QFuture<std::optional<std::vector<int>>>> m_orderAhead;
    int m_orderAheadCount = 0;
    QTimer m_orderAheadTimer;

    QPushButton *PushButton1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QRadioButton *Option3 = nullptr;
    QRadioButton *Option4 = nullptr;
    QPushButton *PushButton2 = nullptr;
};
