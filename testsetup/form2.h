// The test options window: direction and sounds, remembered across runs, and the start of a test.
#pragma once

#include "common/services.h"
#include "termlist/testoptionsgate.h"

#include <QWidget>

#include <functional>

class DefManager;
class Form3;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class Form2
    : public QWidget
    , public TestOptionsGate
{
    Q_OBJECT

public:
    Form2(const Services &services, DefManager &defs, QWidget *parent = nullptr);

    void Form_Load();
    void PushButton1_Click();
    void PushButton2_Click();

    // Whether "Play sounds" is the selected sound option, read at every answer.
    bool soundsOn() const;

    void setFileNameCaption(const QString &caption) override;
    void setEntryCountCaption(const QString &caption) override;
    void showOptions() override;

    // The test window, created and opened at its first use.
    std::function<Form3 &()> testWindow;
    std::function<void()> showMainWindow;
    std::function<bool()> closeGuard;
    std::function<void()> programEnd;

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

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void readOptionPair(int line, QRadioButton *first, QRadioButton *second, bool keepOneSelected);
    void
    writeOptionPair(const char *firstKey, QRadioButton *first, const char *secondKey, QRadioButton *second);
    QString id(const QString &procedure) const;

    const Services &m_services;
    DefManager &m_defs;
    bool m_loading = false;
};
