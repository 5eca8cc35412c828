// Presenting a question at scale: the four answers drawn for one question, median over many questions.
// Each presentation also looks through the whole list for the entries that share the asked prompt.
// Usage: question_bench [sizes...]   (default 32767 1000000)
#include "bench/benchprompts.h"
#include "common/pause.h"
#include "common/randomsource.h"
#include "deffiles/defmanager.h"
#include "testrun/quizsession.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {
class NoView : public QuizView
{
public:
    void render() override { }

    void PlaySound(bool) override { }

    void finished() override { }
};

class NoPause : public Pause
{
public:
    void Wait(double) override { }
};

// Terms all different but for the first `shared` (at least 2), which share the prompt "bank" as
// homonyms do; the questions asked are theirs.
void measure(int count, int shared)
{
    TermStore store;
    for (int i = 0; i < count; ++i)
        store.append(i < shared ? QStringLiteral("bank") : QStringLiteral("term %1").arg(i),
                     QStringLiteral("definition %1").arg(i));
    BenchPrompts prompts(false);
    TermListModel list;
    list.replaceAll(std::move(store));
    DefManager defs(prompts, list);
    SystemRandom random;
    NoPause pause;
    NoView view;
    QuizSession session(prompts, random, pause, defs, view);
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    session.start(std::move(order), TestOptions{false, false});
    constexpr int questions = 41;
    std::vector<double> times;
    QElapsedTimer timer;
    for (int q = 1; q <= questions; ++q) {
        timer.start();
        session.selectQuestion(q % shared);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%d entries, %d sharing the asked prompt: %.2f ms per question (median of %d)\n",
                count,
                shared,
                times[times.size() / 2],
                questions);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QStringList sizes = QCoreApplication::arguments().mid(1);
    if (sizes.isEmpty())
        sizes = {QStringLiteral("32767"), QStringLiteral("1000000")};
    for (const QString &size : sizes) {
        measure(size.toInt(), 2);
        measure(size.toInt(), size.toInt() / 3);
    }
    return 0;
}
