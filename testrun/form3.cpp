#include "testrun/form3.h"

#include "common/errortrap.h"
#include "common/failure.h"
#include "common/helpers.h"
#include "common/look.h"
#include "common/prompts.h"
#include "common/randomsource.h"
#include "deffiles/defmanager.h"
#include "testrun/answerbutton.h"
#include "testrun/fittinglabel.h"
#include "testrun/labeladjust.h"
#include "testrun/sounddevice.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSet>

namespace {
// Random draws that may repeat a refused candidate before the pool of distinct texts is consulted.
constexpr int randomAttempts = 64;

const QString definitionDirection = QStringLiteral("Definition:");
} // namespace

Form3::Form3(const Services &services, DefManager &defs, SoundDevice &sound, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_defs(defs)
    , m_sound(sound)
{
    setObjectName(QStringLiteral("Form3"));
    buildControls();
}

QString Form3::id(const QString &procedure) const
{
    return procedureId(QStringLiteral("Form3"), procedure);
}

void Form3::buildControls()
{
    prepareWindow(this, 8040, 7815);
    // The window itself holds the focus at first, so that no answer is one Space press away.
    setFocusPolicy(Qt::StrongFocus);

    Frame1 = makeFrame(this, "Frame1", QStringLiteral("Term/Definition"), twipsRect(120, 120, 7800, 2535));
    Label10 = new FittingLabel(Frame1);
    Label10->setObjectName(QStringLiteral("Label10"));
    Label10->setGeometry(twipsRect(240, 300, 7335, 2040));
    paintWhite(Label10);
    setLabel10Caption(QStringLiteral("[term]"));

    Frame2 = makeFrame(this,
                       "Frame2",
                       QStringLiteral("Possible Answers (Press 1 2 3 or 4 on the keyboard)"),
                       twipsRect(120, 2700, 7800, 4485));
    const int tops[] = {360, 1370, 2380, 3390};
    AnswerButton **buttons[] = {&PushButton1, &PushButton2, &PushButton3, &PushButton4};
    for (int i = 0; i < 4; ++i) {
        auto *button = new AnswerButton(Frame2);
        button->setObjectName(QStringLiteral("PushButton%1").arg(i + 1));
        button->setGeometry(twipsRect(240, tops[i], 7320, 810));
        styleCommandButton(button);
        *buttons[i] = button;
    }
    PushButton5 =
        makeButton(this, "PushButton5", QStringLiteral("Stop Test"), twipsRect(120, 7290, 7800, 405));

    setTabOrder(PushButton5, PushButton1);
    setTabOrder(PushButton1, PushButton2);
    setTabOrder(PushButton2, PushButton3);
    setTabOrder(PushButton3, PushButton4);

    connect(PushButton1, &QPushButton::clicked, this, &Form3::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form3::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form3::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form3::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form3::PushButton5_Click);

    Label10->setAccessibleDescription(
        QStringLiteral("The question, and after an answer whether it was right."));
    PushButton5->setAccessibleDescription(QStringLiteral("Ends the test without a score."));

    // The window sees the keys 1 to 4 before whichever control has the focus.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

void Form3::Form_Load()
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("Form_Load")));
    trap.step(100, [&] { setWindowTitle(QStringLiteral("Glossmere")); });
    trap.step(102, [&] { StyleForm(this); });
    trap.step(104, [&] { setWindowIcon(appIcon()); });
    loadHandPointer(
        trap, 106, 108, m_services.programFile(QStringLiteral("/HAND-M.CUR")), findChildren<QPushButton *>());
    trap.step(110, [&] { paintWhite(Label10); });
    centreOnScreen(this);
}

void Form3::setLabel10Caption(const QString &caption)
{
    m_label10Caption = caption;
    // The label holds a few hundred characters at its smallest size; the rest stays in the caption.
    const QString shown = lineBreaksForDisplay(visiblePart(caption, 4000));
    Label10->setText(shown);
    // Setting the name tells assistive technology that the prompt or its feedback changed.
    Label10->setAccessibleName(shown);
    // The window itself usually holds the focus here, and screen readers speak what the focus carries.
    setAccessibleDescription(shown);
}

void Form3::clearQuestionList()
{
    m_questionList.clear();
    m_selected = -1;
    m_pool.reset();
    endRun();
}

void Form3::setQuestionList(std::vector<int> order)
{
    m_questionList = std::move(order);
    m_selected = -1;
}

void Form3::selectQuestion(int position)
{
    if (position == m_selected)
        return;
    m_selected = position;
    questionlist_Click();
}

AnswerButton *Form3::answerButton(int number) const
{
    AnswerButton *const buttons[] = {PushButton1, PushButton2, PushButton3, PushButton4};
    return buttons[number - 1];
}

bool Form3::definitionGiven() const
{
    return Frame1->title() == definitionDirection;
}

QString Form3::answerText(int entry) const
{
    return definitionGiven() ? m_defs.GetTerm(entry) : m_defs.GetDefinition(entry);
}

void Form3::questionlist_Click()
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("questionlist_Click")));
    m_phase = Phase::Idle;
    trap.step(100, [&] {
        for (int number = 1; number <= 4; ++number) {
            answerButton(number)->setCaption(QString());
            answerButton(number)->setEnabled(true);
        }
    });
    trap.step(102, [&] { Frame1->setTitle(questionlistToolTip); });
    trap.step(104, [&] { Frame3Caption = QStringLiteral("Question %1:").arg(m_selected + 1); });
    trap.step(106, [&] { AnswerSlots = {}; });
    trap.step(108, [&] { CorrectPosition = std::min(3, int(4 * m_services.random.draw())); });
    QString right;
    trap.step(110, [&] {
        const int entry = m_questionList.at(size_t(m_selected));
        setLabel10Caption(definitionGiven() ? m_defs.GetDefinition(entry) : m_defs.GetTerm(entry));
        right = answerText(entry);
    });
    trap.step(112, [&] { LabelAdjust(); });
    trap.step(114, [&] { AnswerSlots[0] = right; });
    trap.step(116, [&] {
        // The right answer trades places with whatever the base order puts on its button.
        int buttonFor[4] = {1, 2, 3, 4};
        std::swap(buttonFor[0], buttonFor[CorrectPosition]);
        answerButton(buttonFor[0])->setCaption(QStringLiteral("%1. ").arg(buttonFor[0]) + right);
        for (int k = 1; k <= 3; ++k) {
            AnswerButton *button = answerButton(buttonFor[k]);
            const std::optional<QString> wrong = WrongAnswer(k);
            if (wrong)
                button->setCaption(QStringLiteral("%1. ").arg(buttonFor[k]) + *wrong);
            else
                button->setEnabled(false);
        }
    });
    m_phase = Phase::Answering;
}

std::optional<QString> Form3::WrongAnswer(int lCount)
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("WrongAnswer")));
    std::optional<QString> accepted;
    trap.step(100, [&] {
        const int current = m_questionList.at(size_t(m_selected));
        const int last = int(m_questionList.size()) - 1;
        for (int attempt = 0; attempt < randomAttempts && !accepted; ++attempt) {
            const int n = int(roundHalfEven(last * m_services.random.draw()));
            const QString candidate = answerText(n);
            if (n != current && !AnswerInUse(candidate))
                accepted = candidate;
        }
        // Chance keeps refusing: choose among the texts that are still acceptable, if any are.
        if (!accepted)
            accepted = drawFromPool();
        if (accepted)
            AnswerSlots[size_t(lCount)] = *accepted;
    });
    return accepted;
}

std::optional<QString> Form3::drawFromPool()
{
    if (!m_pool) {
        const TermStore &store = m_defs.list().store();
        const bool terms = definitionGiven();
        QSet<QByteArrayView> seen;
        std::vector<QString> pool;
        for (int i = 0; i < store.size(); ++i) {
            const QByteArrayView text = terms ? store.termUtf8(i) : store.definitionUtf8(i);
            if (!text.isEmpty() && !seen.contains(text)) {
                seen.insert(text);
                pool.push_back(decodeTermText(text));
            }
        }
        m_pool = std::move(pool);
    }
    std::vector<const QString *> open;
    for (const QString &text : *m_pool) {
        if (!AnswerInUse(text))
            open.push_back(&text);
    }
    if (open.empty())
        return std::nullopt;
    const size_t pick = std::min(open.size() - 1, size_t(m_services.random.draw() * double(open.size())));
    return *open[pick];
}

bool Form3::AnswerInUse(const QString &text) const
{
    return std::find(AnswerSlots.begin(), AnswerSlots.end(), text) != AnswerSlots.end();
}

void Form3::LabelAdjust()
{
    QFont font = Label10->font();
    font.setPointSize(9);
    font.setPointSize(labelPointSize(m_label10Caption.size()));
    Label10->setFont(font);
}

void Form3::answer(int number)
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("PushButton%1_Click").arg(number)));
    bool correct = false;
    trap.step(100, [&] { correct = CorrectPosition == number - 1; });
    // A button left without an answer text answers nothing, by click or by key.
    if (!answerButton(number)->isEnabled())
        return;
    ShowAnswer(correct);
}

void Form3::PushButton1_Click()
{
    answer(1);
}

void Form3::PushButton2_Click()
{
    answer(2);
}

void Form3::PushButton3_Click()
{
    answer(3);
}

void Form3::PushButton4_Click()
{
    answer(4);
}

void Form3::ShowAnswer(bool lCorrect)
{
    // One answer per question: answers during the feedback pause are ignored.
    if (m_phase != Phase::Answering)
        return;
    m_phase = Phase::Feedback;
    const quint64 run = m_run;
    const auto cutShort = [&] {
        return run != m_run;
    };
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("ShowAnswer")));
    bool sounds = false;
    trap.step(100, [&] { sounds = soundsOn && soundsOn(); });
    if (sounds) {
        trap.step(102, [&] { PlaySound(lCorrect); });
        if (cutShort())
            return;
    }
    QString feedback;
    if (lCorrect) {
        trap.step(104, [&] { feedback = QStringLiteral("Correct"); });
        trap.step(106, [&] { ++CorrectCount; });
    } else {
        trap.step(108, [&] {
            feedback = QStringLiteral("The correct answer was: \r\r")
                + answerText(m_questionList.at(size_t(m_selected)));
        });
    }
    trap.step(110, [&] { setLabel10Caption(m_label10Caption + QStringLiteral("\r\n\r\n") + feedback); });
    trap.step(112, [&] { LabelAdjust(); });
    trap.step(114, [&] { Wait(2); });
    if (cutShort())
        return;
    if (m_selected < int(m_questionList.size()) - 1) {
        trap.step(116, [&] { selectQuestion(m_selected + 1); });
        return;
    }
    m_phase = Phase::Idle;
    trap.step(118, [&] {
        m_services.prompts.message(
            QStringLiteral("The test has been completed.\r\rScore: %1 correct answers out of %2 "
                           "questions")
                .arg(CorrectCount)
                .arg(m_questionList.size()));
    });
    if (cutShort())
        return;
    trap.step(120, [&] { hide(); });
    trap.step(122, [&] {
        if (showOptions)
            showOptions();
    });
}

void Form3::PushButton5_Click()
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("PushButton5_Click")));
    // Whatever pause is running ends here: no later question, no score.
    endRun();
    trap.step(100, [&] {
        if (showOptions)
            showOptions();
    });
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
    trap.step(110, [&] { Wait(1); });
    trap.step(112, [&] { m_sound.command(QStringLiteral("Stop")); });
    trap.step(114, [&] { m_sound.command(QStringLiteral("close")); });
}

void Form3::endRun()
{
    ++m_run;
    m_phase = Phase::Idle;
}

bool Form3::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        if (text.size() == 1 && text[0] >= u'1' && text[0] <= u'4') {
            answer(text[0].unicode() - u'0');
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form3::closeEvent(QCloseEvent *event)
{
    if (closeGuard && !closeGuard()) {
        event->ignore();
        return;
    }
    event->accept();
    endRun();
    if (programEnd)
        programEnd();
}
