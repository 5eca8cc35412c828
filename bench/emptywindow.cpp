// The yardstick: an empty Qt Widgets window, built with the same compiler, flags and Qt as Glossmere.
// Usage: emptywindow            shows a window titled "Empty Window" until it is closed
//        emptywindow --ready    reports when it has been painted and the event loop is idle (see launch)
//        emptywindow --text     the same window with one line of text: what loading and drawing any font
//                               costs by itself, the floor for a window that shows words
#include "bench/readyprobe.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Empty Window"));
    window.resize(640, 480);
    if (QCoreApplication::arguments().contains(QStringLiteral("--text")))
        (new QLabel(QStringLiteral("Empty Window"), &window))->move(10, 10);
    std::unique_ptr<ReadyProbe> probe;
    if (QCoreApplication::arguments().contains(QStringLiteral("--ready")))
        probe = std::make_unique<ReadyProbe>(&window);
    window.show();
    return QApplication::exec();
}
