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

class DefManager;
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
    Form2(const Services &services, const DefManager &defs, OptionsLinks &links, ProgramLifetime &lifetime);
    ~Form2() override;

    void Form_Load();
    void PushButton1_Click();
    void PushButton2_Click();

    void setFileNameCaption(const QString &caption) override;
    void setEntryCountCaption(const QString &caption) override;
    void showOptions() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void readOptionPair(int line, QRadioButton *first, QRadioButton *second, bool keepOneSelected);
    void writeOptionPair(QRadioButton *first, QRadioButton *second);
    void drawOrderAhead();
    // The order of the test "Continue >" starts: every entry that can be asked, shuffled.
    std::vector<int> takeOrder();

    const Services &m_services;
    const DefManager &m_defs;
    OptionsLinks &m_links;
    bool m_loading = false;
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
