#include "ui/designedwindow.h"

#include "common/errortrap.h"
#include "common/helpers.h"
#include "ui/look.h"

#include <QCloseEvent>
#include <QPushButton>

DesignedWindow::DesignedWindow(const char *name, int widthTwips, int heightTwips, ProgramLifetime &lifetime)
    : m_lifetime(lifetime)
{
    setObjectName(QString::fromLatin1(name));
    setFont(windowFont());
    setFixedClientSize(this, widthTwips, heightTwips);
    paintWhite(this);
}

void DesignedWindow::openStyled(ErrorTrap &trap, const QString &programFolder)
{
    trap.step(100, [&] { setWindowTitle(QStringLiteral("Glossmere")); });
    trap.step(102, [&] { StyleForm(this); });
    trap.step(104, [&] { setWindowIcon(appIcon()); });
    loadHandPointer(trap, 106, 108, programFolder);
}

void DesignedWindow::loadHandPointer(ErrorTrap &trap,
                                     int testLine,
                                     int loadLine,
                                     const QString &programFolder)
{
    const QString path = programFolder + QStringLiteral("/HAND-M.CUR");
    bool exists = false;
    trap.step(testLine, [&] { exists = FileExists(path); });
    if (!exists)
        return;
    trap.step(loadLine, [&] {
        const QCursor hand = loadCursorFile(path);
        for (QPushButton *button : findChildren<QPushButton *>())
            button->setCursor(hand);
    });
}

void DesignedWindow::closeEvent(QCloseEvent *event)
{
    if (!m_lifetime.mayEnd()) {
        event->ignore();
        return;
    }
    event->accept();
    m_lifetime.endProgram();
}
