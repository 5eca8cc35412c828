#include "testrun/form3.h"

#include "common/errortrap.h"
#include "common/helpers.h"
#include "common/pause.h"
#include "testrun/answerbutton.h"
#include "testrun/fittinglabel.h"
#include "testrun/labeladjust.h"
#include "testrun/sounddevice.h"
#include "testrun/spokentext.h"
#include "ui/announcer.h"
#include "ui/look.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>

namespace {
QString id(const QString &procedure)
{
    return procedureId(QStringLiteral("Form3"), procedure);
}
} // namespace

Form3::Form3(const Services &services,
             const DefManager &defs,
             SoundDevice &sound,
             ProgramLifetime &lifetime,
             std::function<void()> showOptions)
    : DesignedWindow("Form3", 8040, 7815, lifetime)
    , m_services(services)
    , m_sound(sound)
    , m_showOptions(std::move(showOptions))
    , m_session(services.prompts, services.random, services.pause, defs, *this)
{
    buildControls();
}

void Form3::buildControls()
{
    // The window itself holds the focus at first, so that no answer is one Space press away.
    setFocusPolicy(Qt::StrongFocus);

    Frame1 = makeFrame(this, "Frame1", QStringLiteral("Term/Definition"), twipsRect(120, 120, 7800, 2535));
    Label10 = new FittingLabel(Frame1);
    Label10->setObjectName(QStringLiteral("Label10"));
    Label10->setGeometry(twipsRect(240, 300, 7335, 2040));
    paintWhite(Label10);
    Label10->setText(QStringLiteral("[term]"));

    Frame2 = makeFrame(this,
                       "Frame2",
                       QStringLiteral("Possible Answers (Press 1 2 3 or 4 on the keyboard)"),
                       twipsRect(120, 2700, 7800, 4485));
    const int tops[] = {360, 1370, 2380, 3390};
    for (int i = 0; i < 4; ++i) {
        auto *button = new AnswerButton(Frame2);
        button->setObjectName(QStringLiteral("PushButton%1").arg(i + 1));
        button->setGeometry(twipsRect(240, tops[i], 7320, 810));
        styleCommandButton(button);
        m_answers[size_t(i)] = button;
    }
    PushButton5 =
        makeButton(this, "PushButton5", QStringLiteral("Stop Test"), twipsRect(120, 7290, 7800, 405));

    setTabOrder(PushButton5, m_answers[0]);
    for (size_t i = 0; i + 1 < m_answers.size(); ++i)
        setTabOrder(m_answers[i], m_answers[i + 1]);

    connect(m_answers[0], &QPushButton::clicked, this, &Form3::PushButton1_Click);
    connect(m_answers[1], &QPushButton::clicked, this, &Form3::PushButton2_Click);
    connect(m_answers[2], &QPushButton::clicked, this, &Form3::PushButton3_Click);
    connect(m_answers[3], &QPushButton::clicked, this, &Form3::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form3::PushButton5_Click);

    Label10->setAccessibleDescription(
        QStringLiteral("The question, and after an answer whether it was right."));
    PushButton5->setAccessibleDescription(QStringLiteral("Ends the test without a score."));
    m_announcer = new Announcer(this);

    // The window sees the keys 1 to 4 before whichever control has the focus.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

void Form3::Form_Load()
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("Form_Load")));
    openStyled(trap, m_services.programFolder);
    trap.step(110, [&] { paintWhite(Label10); });
    centreOnScreen(this);
}

void Form3::render()
{
    Frame1->setTitle(m_session.directionText());
    // Said with the window's title as it opens.
    const QString description = testWindowDescription(m_session.directionText());
    if (accessibleDescription() != description)
        setAccessibleDescription(description);
    // Far more than anyone reads, far less than would freeze the window to lay out; the feedback
    // below a long prompt is kept whole and scrolled into view.
    constexpr qsizetype shownCharacters = 100000;
    const QString &caption = m_session.caption();
    const QString &feedback = m_session.feedback();
    // The caption is the prompt, then (after an answer) two line breaks and the feedback.
    const qsizetype promptLength = feedback.isEmpty() ? caption.size() : caption.size() - feedback.size() - 4;
    const QString shown =
        lineBreaksForDisplay(visiblePart(caption.left(promptLength), shownCharacters)
                             + caption.sliced(promptLength, caption.size() - promptLength - feedback.size())
                             + visiblePart(feedback, shownCharacters));
    if (!feedback.isEmpty())
        Label10->scroller().showEnd();
    Label10->setText(shown);
    Label10->setAccessibleName(shown);
    LabelAdjust();
    QStringList answers;
    for (int number = 1; number <= 4; ++number) {
        AnswerButton *button = m_answers[size_t(number - 1)];
        if (m_session.answerOffered(number)) {
            button->setCaption(m_session.answerCaption(number));
            answers.append(button->caption());
        } else {
            button->leaveEmpty(number);
        }
    }
    if (m_session.phase() == QuizSession::Phase::Pausing) {
        m_announcer->announce(spokenFeedback(m_session.feedback()));
    } else {
        // The caption above the answers tells the keys; once per test is enough.
        const QString heading = m_session.selectedQuestion() == 0 ? Frame2->title() : QString();
        m_announcer->announce(spokenQuestion(m_session.directionText(), shown, heading, answers));
    }
}

void Form3::LabelAdjust()
{
    QFont font = Label10->font();
    font.setPointSize(labelPointSize(m_session.caption().size()));
    Label10->setFont(font);
}

void Form3::finished()
{
    hide();
    emit testCompleted();
    m_showOptions();
}

void Form3::PushButton5_Click()
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("PushButton5_Click")));
    // Whatever pause is running ends here: no later question, no score.
    m_session.stop();
    trap.step(100, [&] { m_showOptions(); });
    trap.step(102, [&] { hide(); });
}

void Form3::PlaySound(bool bCorrect)
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("PlaySound")));
    QString right;
    QString wrong;
    trap.step(100, [&] {
        right = NormalisePath(m_services.programFile(QStringLiteral("/Sounds/right.wav")));
        wrong = NormalisePath(m_services.programFile(QStringLiteral("/Sounds/wrong.wav")));
    });
    const QString path = bCorrect ? right : wrong;
    bool exists = false;
    trap.step(102, [&] { exists = FileExists(path); });
    if (exists) {
        trap.step(104, [&] { m_sound.setFileName(path); });
        trap.step(106, [&] { m_sound.command(QStringLiteral("Open")); });
        trap.step(108, [&] { m_sound.command(QStringLiteral("Play")); });
    }
    // Where no sound can be heard the answer is not kept waiting for one.
    if (m_sound.canPlay())
        trap.step(110, [&] { m_services.pause.Wait(1); });
    trap.step(112, [&] { m_sound.command(QStringLiteral("Stop")); });
    trap.step(114, [&] { m_sound.command(QStringLiteral("close")); });
}

bool Form3::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (text.size() == 1 && text[0] >= u'1' && text[0] <= u'4') {
            m_session.answer(text[0].unicode() - u'0');
            return true;
        }
        // Page keys scroll a text too long for its place: the focused answer's, else the prompt.
        if (key->key() == Qt::Key_PageDown || key->key() == Qt::Key_PageUp) {
            const int pages = key->key() == Qt::Key_PageDown ? 1 : -1;
            auto *answer = qobject_cast<AnswerButton *>(focusWidget());
            if (answer && answer->scroller().scrollPages(pages))
                return true;
            return Label10->scroller().scrollPages(pages);
        }
    }
    return QWidget::eventFilter(watched, event);
}
