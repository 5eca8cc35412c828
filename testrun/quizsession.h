// A running test, without any window: the question order, the current question with its four
// answers, the score, the pause after each answer, and what stopping or closing does to it.
#pragma once

#include <QList>
#include <QString>

#include <array>
#include <optional>
#include <vector>

class DefManager;
class Pause;
class Prompts;
class RandomSource;

// What the options window hands over when it starts a test.
struct TestOptions
{
    // The definition is given and the terms are the answers; otherwise the other way round.
    bool definitionGiven = false;
    bool soundsOn = true;
};

// The window that shows a session.
class QuizView
{
public:
    virtual ~QuizView() = default;
    // The question or its feedback changed.
    virtual void render() = 0;
    // Sounds the answer; returns once its pause is over.
    virtual void PlaySound(bool bCorrect) = 0;
    // The score has been shown: the test goes, the options come back.
    virtual void finished() = 0;
};

class QuizSession
{
public:
    enum class Phase { Idle, Answering, Pausing, Ended };

    QuizSession(Prompts &prompts, RandomSource &random, Pause &pause, const DefManager &defs, QuizView &view);

    // A new test: the score back to 0, the first question presented at once.
    void start(std::vector<int> order, TestOptions options);
    // Presents the question at this position of the order.
    void selectQuestion(int position);

    void questionlist_Click();
    // Draws wrong answer k (1 to 3); empty when the list has no acceptable text left.
    std::optional<QString> WrongAnswer(int lCount);
    bool AnswerInUse(const QString &text) const;

    // Answer button `number` (1 to 4) pressed or its key typed.
    void answer(int number);
    void ShowAnswer(bool lCorrect);
    // "Stop Test" or the end of the program: whatever pause runs ends, and nothing of it runs on.
    void stop();

    Phase phase() const { return m_phase; }

    bool awaitingAnswer() const { return m_phase == Phase::Answering; }

    const std::vector<int> &questionList() const { return m_questionList; }

    int selectedQuestion() const { return m_selected; }

    // "Term:" or "Definition:", the caption above the prompt: what the test's options give.
    QString directionText() const;

    // The prompt, and after an answer its feedback below it.
    const QString &caption() const { return m_caption; }

    // The feedback part of the caption; empty while the question waits for its answer.
    const QString &feedback() const { return m_feedback; }

    // "1. " to "4. " and the answer; empty for a button without an answer.
    const QString &answerCaption(int number) const { return m_captions[size_t(number - 1)]; }

    bool answerOffered(int number) const { return m_offered[size_t(number - 1)]; }

    QString scoreText() const;

    // A question answered wrongly: what was asked, what was chosen, what was right, and the entry
    // (its position in the list) it asked.
    struct Mistake
    {
        QString prompt;
        QString chosen;
        QString right;
        int entry = -1;
    };

    const QList<Mistake> &mistakes() const { return m_mistakes; }

    // One line per mistake in test order, at most `mistakeLinesShown` of them; empty without mistakes.
    QString mistakesText() const;
    static constexpr int mistakeLinesShown = 1000;

    int CorrectPosition = 0;
    std::array<QString, 4> AnswerSlots;
    int CorrectCount = 0;

private:
    bool definitionGiven() const;
    QString answerText(int entry) const;
    std::optional<QString> drawFromPool();
    // Neither offered already nor right by the list for the asked prompt.
    bool acceptableWrong(const QString &text) const;

    Prompts &m_prompts;
    RandomSource &m_random;
    Pause &m_pause;
    const DefManager &m_defs;
    QuizView &m_view;

    std::vector<int> m_questionList;
    int m_selected = -1;
    TestOptions m_options;
    QString m_caption;
    QString m_feedback;
    std::array<QString, 4> m_captions;
    std::array<bool, 4> m_offered{};
    QString m_chosen;
    // The answers of every entry whose prompt is the asked one: the list counts each of them right.
    QList<QString> m_rightAnswers;
    QList<Mistake> m_mistakes;
    Phase m_phase = Phase::Idle;
    // Changes whenever a run of answers is cut short; a paused sequence that sees it change stops.
    quint64 m_run = 0;
    // Every distinct answer text of the entries a test may ask, built only when random draws fail.
    std::optional<std::vector<QString>> m_pool;
};
