// The test window: shows a QuizSession — the prompt, four numbered answers, feedback — and passes
// clicks and the keys 1 to 4 on to it.
#pragma once

#include "common/services.h"
#include "testrun/quizsession.h"
#include "ui/designedwindow.h"

#include <functional>

class Announcer;
class AnswerButton;
class DefManager;
class FittingLabel;
class QGroupBox;
class QPushButton;
class SoundDevice;

class Form3
    : public DesignedWindow
    , public QuizView
{
    Q_OBJECT

public:
    Form3(const Services &services,
          const DefManager &defs,
          SoundDevice &sound,
          ProgramLifetime &lifetime,
          std::function<void()> showOptions);

    void Form_Load();

    QuizSession &session() { return m_session; }

    void PushButton1_Click() { m_session.answer(1); }

    void PushButton2_Click() { m_session.answer(2); }

    void PushButton3_Click() { m_session.answer(3); }

    void PushButton4_Click() { m_session.answer(4); }

    void PushButton5_Click();
    void LabelAdjust();

    void render() override;
    void PlaySound(bool bCorrect) override;
    void finished() override;

signals:
    // The last question has been answered and the score shown (not sent for a test stopped).
    void testCompleted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();

    const Services &m_services;
    SoundDevice &m_sound;
    std::function<void()> m_showOptions;
    QuizSession m_session;

    QGroupBox *Frame1 = nullptr;
    FittingLabel *Label10 = nullptr;
    QGroupBox *Frame2 = nullptr;
    std::array<AnswerButton *, 4> m_answers{};
    QPushButton *PushButton5 = nullptr;
    Announcer *m_announcer = nullptr;
};
