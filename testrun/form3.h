// The test window: one question at a time, four numbered answers, feedback and the score.
#pragma once

#include "common/services.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class AnswerButton;
class FittingLabel;
class DefManager;
class QGroupBox;
class QLabel;
class QPushButton;
class SoundDevice;

class Form3 : public QWidget
{
    Q_OBJECT

public:
    Form3(const Services &services, DefManager &defs, SoundDevice &sound, QWidget *parent = nullptr);

    void Form_Load();

    // The question list: entry positions in test order, and the current question (-1 for none).
    // Selecting another position presents that question at once.
    void clearQuestionList();
    void setQuestionList(std::vector<int> order);

    const std::vector<int> &questionList() const { return m_questionList; }

    int selectedQuestion() const { return m_selected; }

    void selectQuestion(int position);

    void questionlist_Click();
    // Draws wrong answer k (1 to 3); empty when the list has no acceptable text left.
    std::optional<QString> WrongAnswer(int lCount);
    bool AnswerInUse(const QString &text) const;

    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void ShowAnswer(bool lCorrect);
    void PlaySound(bool bCorrect);
    void LabelAdjust();

    // Ends whatever answer sequence is under way; nothing of it runs on.
    void endRun();

    // Whether a question waits for its answer.
    bool awaitingAnswer() const { return m_phase == Phase::Answering; }

    const QString &label10Caption() const { return m_label10Caption; }

    void setLabel10Caption(const QString &caption);

    // Set by the options window when it starts a test.
    QString questionlistToolTip;
    int CorrectCount = 0;

    QString Frame3Caption = QStringLiteral("Test");
    int CorrectPosition = 0;
    std::array<QString, 4> AnswerSlots;

    std::function<bool()> soundsOn;
    std::function<void()> showOptions;
    std::function<bool()> closeGuard;
    std::function<void()> programEnd;

    QGroupBox *Frame1 = nullptr;
    FittingLabel *Label10 = nullptr;
    QGroupBox *Frame2 = nullptr;
    AnswerButton *PushButton1 = nullptr;
    AnswerButton *PushButton2 = nullptr;
    AnswerButton *PushButton3 = nullptr;
    AnswerButton *PushButton4 = nullptr;
    QPushButton *PushButton5 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Phase { Idle, Answering, Feedback };

    void buildControls();
    void answer(int number);
    AnswerButton *answerButton(int number) const;
    bool definitionGiven() const;
    QString answerText(int entry) const;
    std::optional<QString> drawFromPool();
    QString id(const QString &procedure) const;

    const Services &m_services;
    DefManager &m_defs;
    SoundDevice &m_sound;
    std::vector<int> m_questionList;
    int m_selected = -1;
    QString m_label10Caption;
    Phase m_phase = Phase::Idle;
    // Changes whenever a run of answers is cut short; a paused sequence that sees it change stops.
    quint64 m_run = 0;
    // Every distinct non-empty answer text of the current test, built only when random draws fail.
    std::optional<std::vector<QString>> m_pool;
};
