#include "testrun/quizsession.h"

#include "common/errortrap.h"
#include "common/pause.h"
#include "common/prompts.h"
#include "common/randomsource.h"
#include "deffiles/defmanager.h"

#include <QSet>

namespace {
// Random draws that may repeat a refused candidate before the pool of distinct texts is consulted.
constexpr int randomAttempts = 64;

// The answers of the entries that share the prompt of `asked` (homonyms, a term with several meanings).
QList<QString> rightAnswersFor(const TermStore &store, int asked, bool definitionGiven)
{
    const QByteArrayView prompt = definitionGiven ? store.definitionUtf8(asked) : store.termUtf8(asked);
    QList<QString> answers;
    store.forEachEntryUtf8([&](int, QByteArrayView term, QByteArrayView definition) {
        if ((definitionGiven ? definition : term) == prompt)
            answers.append(decodeTermText(definitionGiven ? term : definition));
    });
    return answers;
}

QString id(const QString &procedure)
{
    return procedureId(QStringLiteral("Form3"), procedure);
}
} // namespace

QuizSession::QuizSession(
    Prompts &prompts, RandomSource &random, Pause &pause, const DefManager &defs, QuizView &view)
    : m_prompts(prompts)
    , m_random(random)
    , m_pause(pause)
    , m_defs(defs)
    , m_view(view)
{ }

void QuizSession::start(std::vector<int> order, TestOptions options)
{
    stop();
    m_pool.reset();
    m_questionList = std::move(order);
    m_selected = -1;
    CorrectCount = 0;
    m_mistakes.clear();
    m_options = options;
    selectQuestion(0);
}

void QuizSession::selectQuestion(int position)
{
    if (position == m_selected)
        return;
    m_selected = position;
    questionlist_Click();
}

bool QuizSession::definitionGiven() const
{
    return m_options.definitionGiven;
}

QString QuizSession::directionText() const
{
    return definitionGiven() ? QStringLiteral("Definition:") : QStringLiteral("Term:");
}

QString QuizSession::answerText(int entry) const
{
    return definitionGiven() ? m_defs.GetTerm(entry) : m_defs.GetDefinition(entry);
}

void QuizSession::questionlist_Click()
{
    ErrorTrap trap(m_prompts, id(QStringLiteral("questionlist_Click")));
    m_phase = Phase::Idle;
    trap.step(100, [&] {
        m_captions = {};
        m_offered = {true, true, true, true};
    });
    trap.step(106, [&] { AnswerSlots = {}; });
    trap.step(108, [&] { CorrectPosition = std::min(3, int(4 * m_random.draw())); });
    QString right;
    trap.step(110, [&] {
        m_feedback.clear();
        const int entry = m_questionList.at(size_t(m_selected));
        m_caption = definitionGiven() ? m_defs.GetDefinition(entry) : m_defs.GetTerm(entry);
        right = answerText(entry);
        m_rightAnswers = rightAnswersFor(m_defs.list().store(), entry, definitionGiven());
    });
    trap.step(114, [&] { AnswerSlots[0] = right; });
    trap.step(116, [&] {
        // The right answer trades places with whatever the base order puts on its button.
        int buttonFor[4] = {1, 2, 3, 4};
        std::swap(buttonFor[0], buttonFor[CorrectPosition]);
        m_captions[size_t(buttonFor[0] - 1)] = QStringLiteral("%1. ").arg(buttonFor[0]) + right;
        for (int k = 1; k <= 3; ++k) {
            const size_t button = size_t(buttonFor[k] - 1);
            const std::optional<QString> wrong = WrongAnswer(k);
            if (wrong)
                m_captions[button] = QStringLiteral("%1. ").arg(buttonFor[k]) + *wrong;
            m_offered[button] = wrong.has_value();
        }
    });
    m_phase = Phase::Answering;
    m_view.render();
}

std::optional<QString> QuizSession::WrongAnswer(int lCount)
{
    ErrorTrap trap(m_prompts, id(QStringLiteral("WrongAnswer")));
    std::optional<QString> accepted;
    trap.step(100, [&] {
        const int current = m_questionList.at(size_t(m_selected));
        // Wrong answers come from the whole list, whichever of its entries the test asks.
        const TermStore &store = m_defs.list().store();
        const int last = store.size() - 1;
        for (int attempt = 0; attempt < randomAttempts && !accepted; ++attempt) {
            const int n = int(roundHalfEven(last * m_random.draw()));
            if (n == current || !store.isAskable(n))
                continue;
            const QString candidate = answerText(n);
            if (acceptableWrong(candidate))
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

std::optional<QString> QuizSession::drawFromPool()
{
    if (!m_pool) {
        const TermStore &store = m_defs.list().store();
        const bool terms = definitionGiven();
        QSet<QByteArrayView> seen;
        std::vector<QString> pool;
        store.forEachEntryUtf8([&](int, QByteArrayView term, QByteArrayView definition) {
            const QByteArrayView text = terms ? term : definition;
            // An entry with an empty side is offered in neither direction.
            if (!seen.contains(text) && !isBlankText(term) && !isBlankText(definition)) {
                seen.insert(text);
                pool.push_back(decodeTermText(text));
            }
        });
        m_pool = std::move(pool);
    }
    std::vector<const QString *> open;
    for (const QString &text : *m_pool) {
        if (acceptableWrong(text))
            open.push_back(&text);
    }
    if (open.empty())
        return std::nullopt;
    const size_t pick = std::min(open.size() - 1, size_t(m_random.draw() * double(open.size())));
    return *open[pick];
}

bool QuizSession::AnswerInUse(const QString &text) const
{
    return std::find(AnswerSlots.begin(), AnswerSlots.end(), text) != AnswerSlots.end();
}

bool QuizSession::acceptableWrong(const QString &text) const
{
    return !AnswerInUse(text) && !m_rightAnswers.contains(text);
}

void QuizSession::answer(int number)
{
    // Only the four buttons answer, whatever key or caller names another.
    if (number < 1 || number > 4)
        return;
    ErrorTrap trap(m_prompts, id(QStringLiteral("PushButton%1_Click").arg(number)));
    bool correct = false;
    trap.step(100, [&] { correct = CorrectPosition == number - 1; });
    // A button left without an answer text answers nothing, by click or by key.
    if (!answerOffered(number))
        return;
    m_chosen = answerCaption(number).mid(3);
    ShowAnswer(correct);
}

void QuizSession::ShowAnswer(bool lCorrect)
{
    // One answer per question: answers during the feedback pause are ignored.
    if (m_phase != Phase::Answering)
        return;
    m_phase = Phase::Pausing;
    const quint64 run = m_run;
    const auto cutShort = [&] {
        return run != m_run;
    };
    ErrorTrap trap(m_prompts, id(QStringLiteral("ShowAnswer")));
    bool sounds = false;
    trap.step(100, [&] { sounds = m_options.soundsOn; });
    if (sounds) {
        trap.step(102, [&] { m_view.PlaySound(lCorrect); });
        if (cutShort())
            return;
    }
    QString feedback;
    if (lCorrect) {
        trap.step(104, [&] { feedback = QStringLiteral("Correct"); });
        trap.step(106, [&] { ++CorrectCount; });
    } else {
        trap.step(108, [&] {
            const int entry = m_questionList.at(size_t(m_selected));
            const QString right = answerText(entry);
            m_mistakes.append({m_caption, m_chosen, right, entry});
            feedback = QStringLiteral("The correct answer was: \r\r") + right;
        });
    }
    trap.step(110, [&] {
        m_feedback = feedback;
        m_caption += QStringLiteral("\r\n\r\n") + feedback;
    });
    trap.step(112, [&] { m_view.render(); });
    trap.step(114, [&] { m_pause.Wait(2); });
    if (cutShort())
        return;
    if (m_selected < int(m_questionList.size()) - 1) {
        trap.step(116, [&] { selectQuestion(m_selected + 1); });
        return;
    }
    m_phase = Phase::Ended;
    trap.step(118, [&] { m_prompts.message(scoreText(), {}, Prompts::Icon::None, mistakesText()); });
    if (cutShort())
        return;
    trap.step(120, [&] { m_view.finished(); });
}

QString QuizSession::scoreText() const
{
    return QStringLiteral("The test has been completed.\r\rScore: %1 correct answers out of %2 questions")
        .arg(CorrectCount)
        .arg(m_questionList.size());
}

QString QuizSession::mistakesText() const
{
    // One line each: line breaks inside a text would split a mistake over several.
    const auto oneLine = [](QString text) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return text;
    };
    QStringList lines;
    for (const Mistake &mistake : m_mistakes.first(std::min<qsizetype>(m_mistakes.size(), mistakeLinesShown)))
        lines.append(oneLine(mistake.prompt) + QStringLiteral(" — your answer: ") + oneLine(mistake.chosen)
                     + QStringLiteral(" — right: ") + oneLine(mistake.right));
    if (m_mistakes.size() > mistakeLinesShown)
        lines.append(QStringLiteral("… and %1 more").arg(m_mistakes.size() - mistakeLinesShown));
    return lines.join(QLatin1Char('\n'));
}

void QuizSession::stop()
{
    ++m_run;
    m_phase = Phase::Ended;
}
