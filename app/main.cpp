#include "app/glossmereapp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("glossmere"));
    QApplication::setOrganizationName(QStringLiteral("Tamberlux"));
    GlossmereApp glossmere(QApplication::applicationDirPath());
    glossmere.start();
    return QApplication::exec();
}
