// Importing and exporting other trainers' formats at scale, against loading and saving the same
// entries as a definition file. The goals printed are those for 1,000,000 entries.
// Usage: import_bench --generate COUNT FOLDER   writes list.txt, list.csv, list-anki.txt, list.kvtml
//                                               holding the same COUNT entries
//        import_bench --measure FOLDER [RUNS]   prints medians over RUNS (default 5) and the ratios
//        import_bench --export csv|tsv|anki|kvtml DEFINITION_FILE OUT   writes a definition file's
//                                               entries in an export format
//        import_bench --dump kvtml|anki|csv|tsv FILE   prints the entries read, one "term<TAB>definition"
//                                               per line (for comparing with other readers)
#include "bench/benchprompts.h"
#include "bench/randomwords.h"
#include "deffiles/definitiontext.h"
#include "deffiles/defmanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>

namespace {

bool writeFile(
    const QString &path,
    const TermStore &store,
    const std::function<void(const TermStore &, const std::function<void(QByteArrayView)> &)> &write)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    write(store, [&](QByteArrayView chunk) { file.write(chunk.data(), chunk.size()); });
    return true;
}

int generate(qsizetype count, const QString &folder)
{
    QRandomGenerator random(42);
    TermStore entries;
    entries.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        // Terms of about 12 characters, definitions of about 22; one in four holds a comma, so that
        // the CSV quotes it, and one in twenty a quote.
        const QString term = randomWord(random, 8 + random.bounded(9));
        QString definition = randomWords(random, 18 + random.bounded(9));
        if (random.bounded(4) == 0)
            definition.insert(definition.indexOf(u' ') + 1, QStringLiteral(", "));
        if (random.bounded(20) == 0)
            definition += QStringLiteral(" \"so\"");
        entries.append(term, definition);
    }
    const QDir dir(folder);
    const auto exporter = [](ExportFormat format) {
        return [format](const TermStore &store, const std::function<void(QByteArrayView)> &write) {
            writeExport(store, format, QStringLiteral("bench"), write);
        };
    };
    const bool written =
        writeFile(dir.filePath(QStringLiteral("list.txt")),
                  entries,
                  [](const TermStore &store, const std::function<void(QByteArrayView)> &write) {
                      writeDefinitionFile(store, QStringLiteral("::"), write);
                  })
        && writeFile(dir.filePath(QStringLiteral("list.csv")), entries, exporter(ExportFormat::Csv))
        && writeFile(dir.filePath(QStringLiteral("list.kvtml")), entries, exporter(ExportFormat::Kvtml));
    // Anki writes its exports with HTML; these texts hold none, so the entries are the same.
    QByteArray anki = encodeExport(entries, ExportFormat::Anki);
    anki.replace("#html:false", "#html:true");
    QFile ankiFile(dir.filePath(QStringLiteral("list-anki.txt")));
    return written && ankiFile.open(QIODevice::WriteOnly) && ankiFile.write(anki) == anki.size() ? 0 : 1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int measure(const QString &folder, int runs)
{
    BenchPrompts prompts(false);
    TermListModel list;
    DefManager defs(prompts, list);
    const QDir dir(folder);
    QElapsedTimer timer;
    const auto time = [&](const std::function<bool()> &work) {
        list.clear();
        timer.restart();
        const bool done = work();
        const double ms = timer.nsecsElapsed() / 1e6;
        if (!done)
            std::fprintf(stderr, "a run failed\n");
        return ms;
    };
    const auto importer = [&](const QString &name, ImportFormat format) {
        return [&, name, format] {
            std::optional<TermStore> entries = defs.readImportFile(dir.filePath(name), format, {});
            if (!entries)
                return false;
            defs.list().replaceAll(std::move(*entries));
            return true;
        };
    };
    std::vector<double> load, csv, anki, kvtml, save, toCsv, toTsv, toAnki, toKvtml;
    int counts[4] = {};
    for (int run = 0; run < runs; ++run) {
        load.push_back(time([&] {
            return defs.loadDefinitionFile(dir.filePath(QStringLiteral("list.txt")), QStringLiteral("::"));
        }));
        counts[0] = list.count();
        csv.push_back(time(importer(QStringLiteral("list.csv"), ImportFormat::Comma)));
        counts[1] = list.count();
        anki.push_back(time(importer(QStringLiteral("list-anki.txt"), ImportFormat::Anki)));
        counts[2] = list.count();
        kvtml.push_back(time(importer(QStringLiteral("list.kvtml"), ImportFormat::Kvtml)));
        counts[3] = list.count();
        // The list stays loaded for the writes.
        const auto write = [&](const std::function<bool()> &work) {
            timer.restart();
            work();
            return timer.nsecsElapsed() / 1e6;
        };
        save.push_back(write([&] {
            return defs.saveDefinitionFile(dir.filePath(QStringLiteral("out.txt")), QStringLiteral("::"));
        }));
        toCsv.push_back(write(
            [&] { return defs.exportFile(dir.filePath(QStringLiteral("out.csv")), ExportFormat::Csv); }));
        toTsv.push_back(write(
            [&] { return defs.exportFile(dir.filePath(QStringLiteral("out.tsv")), ExportFormat::Tsv); }));
        toAnki.push_back(write([&] {
            return defs.exportFile(dir.filePath(QStringLiteral("out-anki.txt")), ExportFormat::Anki);
        }));
        toKvtml.push_back(write(
            [&] { return defs.exportFile(dir.filePath(QStringLiteral("out.kvtml")), ExportFormat::Kvtml); }));
    }
    const auto size = [&](const char *name) {
        return QFileInfo(dir.filePath(QString::fromLatin1(name))).size() / 1e6;
    };
    std::printf("entries read: definition file %d, CSV %d, Anki %d, KVTML %d\n",
                counts[0],
                counts[1],
                counts[2],
                counts[3]);
    std::printf("load definition file (%.1f MB)  %8.1f ms\n", size("list.txt"), median(load));
    std::printf("import CSV (%.1f MB)            %8.1f ms  %.2fx  (goal: 6 s)\n",
                size("list.csv"),
                median(csv),
                median(csv) / median(load));
    std::printf("import Anki export (%.1f MB)    %8.1f ms  %.2fx  (goal: 6 s)\n",
                size("list-anki.txt"),
                median(anki),
                median(anki) / median(load));
    std::printf("import KVTML (%.1f MB)         %8.1f ms  %.2fx  (goal: 6 s)\n",
                size("list.kvtml"),
                median(kvtml),
                median(kvtml) / median(load));
    std::printf("save definition file           %8.1f ms\n", median(save));
    std::printf("export CSV                     %8.1f ms  %.2fx  (goal: 3 s)\n",
                median(toCsv),
                median(toCsv) / median(save));
    std::printf("export TSV                     %8.1f ms  %.2fx  (goal: 3 s)\n",
                median(toTsv),
                median(toTsv) / median(save));
    std::printf("export Anki                    %8.1f ms  %.2fx  (goal: 3 s)\n",
                median(toAnki),
                median(toAnki) / median(save));
    std::printf("export KVTML (%.1f MB)         %8.1f ms  %.2fx  (goal: 3 s)\n",
                size("out.kvtml"),
                median(toKvtml),
                median(toKvtml) / median(save));
    return 0;
}

int exportTo(const QString &kind, const QString &in, const QString &out)
{
    QFile input(in);
    QFile output(out);
    if (!input.open(QIODevice::ReadOnly) || !output.open(QIODevice::WriteOnly))
        return 1;
    const ExportFormat format = kind == QStringLiteral("csv") ? ExportFormat::Csv
        : kind == QStringLiteral("tsv")                       ? ExportFormat::Tsv
        : kind == QStringLiteral("anki")                      ? ExportFormat::Anki
                                                              : ExportFormat::Kvtml;
    output.write(encodeExport(readDefinitionEntries(input.readAll(), QStringLiteral("::")),
                              format,
                              QFileInfo(in).completeBaseName()));
    return 0;
}

int dump(const QString &kind, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = file.readAll();
    TermStore store;
    try {
        if (kind == QStringLiteral("kvtml"))
            store = readKvtml(bytes);
        else if (kind == QStringLiteral("anki"))
            store = readAnkiNotes(bytes);
        else
            store = readQuotedFields(bytes, kind == QStringLiteral("csv") ? ',' : '\t');
    } catch (const FormatFault &fault) {
        std::fprintf(stderr, "line %lld: %s\n", fault.line(), qPrintable(fault.reason()));
        return 1;
    }
    for (int i = 0; i < store.size(); ++i)
        std::printf("%s\t%s\n", store.term(i).toUtf8().constData(), store.definition(i).toUtf8().constData());
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 4 && args[1] == QStringLiteral("--generate"))
        return generate(args[2].toLongLong(), args[3]);
    if (args.size() >= 3 && args[1] == QStringLiteral("--measure"))
        return measure(args[2], args.size() >= 4 ? args[3].toInt() : 5);
    if (args.size() >= 5 && args[1] == QStringLiteral("--export"))
        return exportTo(args[2], args[3], args[4]);
    if (args.size() >= 4 && args[1] == QStringLiteral("--dump"))
        return dump(args[2], args[3]);
    std::fprintf(
        stderr,
        "usage: import_bench --generate COUNT FOLDER | --measure FOLDER [RUNS] | --export KIND IN OUT | "
        "--dump KIND FILE\n");
    return 2;
}
