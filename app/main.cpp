#include "app/glossmereapp.h"
#include "ui/clickguard.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    GlossmereApp::chooseTitleBar();
    QApplication application(argc, argv);
    ClickGuard clickGuard;
    application.installEventFilter(&clickGuard);
    QApplication::setApplicationName(QStringLiteral("glossmere"));
    QApplication::setOrganizationName(QStringLiteral("Tamberlux"));
    // Ties the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("glossmere"));
    GlossmereApp glossmere(QApplication::applicationDirPath());
    glossmere.start();
    return QApplication::exec();
}
