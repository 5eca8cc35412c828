// Launch to list: the real program (same libraries, the real GlossmereApp) started, its main window
// shown, a definition file loaded through DefManager right after start; reports (see launch) when the
// list has been painted with the file's entries and the event loop is idle.
// Usage: listbench FILE
#include "app/glossmereapp.h"
#include "bench/readyprobe.h"
#include "termlist/form1.h"

#include <QAbstractItemView>
#include <QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("glossmere"));
    QApplication::setOrganizationName(QStringLiteral("Tamberlux"));
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: listbench FILE\n");
        return 2;
    }
    GlossmereApp glossmere(QApplication::applicationDirPath());
    auto *view = glossmere.form1().findChild<QAbstractItemView *>(QStringLiteral("ListView1"));
    if (!view)
        return 2;
    DefManager &defs = glossmere.defs();
    const ReadyProbe probe(view->viewport(), [&defs] { return defs.GetEntryCount() > 0; });
    glossmere.start();
    if (!defs.loadDefinitionFile(args[1], QStringLiteral("::")))
        return 1;
    return QApplication::exec();
}
