// Loading, saving and searching definition files at scale: parse, model fill, whole load and save, the
// check for texts holding "::" before a save, a search through every entry that finds nothing, peak
// memory.
// Usage: deffiles_bench --generate COUNT DEFLEN FILE  writes a realistic definition file (terms ~12
//                                                     characters, definitions ~DEFLEN)
//        deffiles_bench --measure FILE [RUNS] [tree]    prints medians over RUNS (default 5) and peak
//                                                     memory; "tree" shows the list in the QTreeView
//                                                     the program used before its own table view
#include "bench/benchprompts.h"
#include "bench/randomwords.h"
#include "deffiles/definitiontext.h"
#include "deffiles/defmanager.h"
#include "store/termsearch.h"
#include "termlist/termlistview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

int generate(qsizetype count, int definitionLength, const QString &path)
{
    QRandomGenerator random(42);
    TermStore entries;
    entries.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        // Terms of about 12 characters, definitions of about the length asked for, made of words.
        QString term = randomWord(random, 8 + random.bounded(9));
        const QString definition =
            randomWords(random, definitionLength * 4 / 5 + random.bounded(definitionLength * 2 / 5 + 1));
        entries.append(term, definition);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(encodeDefinitionFile(entries, QStringLiteral("::")));
    return 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long peakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

int measure(const QString &path, int runs, bool tree)
{
    BenchPrompts prompts(false);
    TermListModel list;
    // A tree view keeps a record for every row; the program's table view keeps none.
    std::unique_ptr<QAbstractItemView> view;
    if (tree) {
        auto *treeView = new QTreeView;
        treeView->setUniformRowHeights(true);
        view.reset(treeView);
    } else {
        view = std::make_unique<TermListView>();
    }
    view->setModel(&list);
    view->resize(520, 200);
    view->show();
    DefManager defs(prompts, list);
    const auto settle = [] {
        QCoreApplication::processEvents();
    };
    settle();

    QElapsedTimer timer;
    timer.start();
    if (!defs.loadDefinitionFile(path, QStringLiteral("::")))
        return 1;
    settle();
    const double firstLoad = timer.nsecsElapsed() / 1e6;
    const long firstPeak = peakMiB();
    const int count = defs.GetEntryCount();

    std::vector<double> parse, fill, load, save, separatorCheck, search;
    int holding = 0;
    QTemporaryDir dir;
    const QString savePath = dir.filePath(QStringLiteral("saved.txt"));
    for (int run = 0; run < runs; ++run) {
        list.clear();
        settle();
        timer.restart();
        TermStore entries = readDefinitionEntries(readTextFileBytes(path), QStringLiteral("::"));
        parse.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        list.replaceAll(std::move(entries));
        settle();
        fill.push_back(timer.nsecsElapsed() / 1e6);

        list.clear();
        settle();
        timer.restart();
        defs.loadDefinitionFile(path, QStringLiteral("::"));
        settle();
        load.push_back(timer.nsecsElapsed() / 1e6);

        // What the save command checks before its dialog opens.
        timer.restart();
        holding = entriesHoldingSeparator(list.store(), u"::");
        separatorCheck.push_back(timer.nsecsElapsed() / 1e6);

        timer.restart();
        defs.saveDefinitionFile(savePath, QStringLiteral("::"));
        save.push_back(timer.nsecsElapsed() / 1e6);

        // Find as the window runs it, from the first entry round to the last; the hyphen is in no
        // generated entry.
        timer.restart();
        const TermSearch absent(u"crème-brûlée");
        if (absent.findAfter(list.store(), -1, [] {}).found())
            return 1;
        search.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf(
        "%d entries (%.1f MB): load %.1f ms (read+decode+split %.1f, model reset %.1f), save %.1f ms, "
        "\"::\" check before saving %.1f ms (%d entries hold it), "
        "find (nothing found) %.1f ms = %.2f x load, first load %.1f ms, peak after first load %ld MiB, peak "
        "overall %ld MiB\n",
        count,
        QFileInfo(path).size() / 1e6,
        median(load),
        median(parse),
        median(fill),
        median(save),
        median(separatorCheck),
        holding,
        median(search),
        median(search) / median(load),
        firstLoad,
        firstPeak,
        peakMiB());
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 5 && args[1] == QStringLiteral("--generate"))
        return generate(args[2].toLongLong(), args[3].toInt(), args[4]);
    if (args.size() >= 3 && args[1] == QStringLiteral("--measure"))
        return measure(args[2],
                       args.size() >= 4 ? args[3].toInt() : 5,
                       args.size() >= 5 && args[4] == QStringLiteral("tree"));
    std::fprintf(stderr, "usage: deffiles_bench --generate COUNT DEFLEN FILE | --measure FILE [RUNS]\n");
    return 2;
}
