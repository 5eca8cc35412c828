// What every window of the program shares: a fixed white client area measured in twips, the
// designed font, the hand pointer over its push buttons, centring, and closing that ends the program.
#pragma once

#include <QWidget>

class ErrorTrap;

// Decides over the end of the whole program, which closing any window means.
class ProgramLifetime
{
public:
    virtual ~ProgramLifetime() = default;
    // Whether the program may end now; unsaved edits are offered for saving first.
    virtual bool mayEnd() = 0;
    // Ends the program: every window goes, and nothing under way runs on.
    virtual void endProgram() = 0;
};

class DesignedWindow : public QWidget
{
    Q_OBJECT

public:
    DesignedWindow(const char *name, int widthTwips, int heightTwips, ProgramLifetime &lifetime);

protected:
    // The opening steps of the option and test windows: caption, face colour, icon, hand pointer.
    void openStyled(ErrorTrap &trap, const QString &programFolder);
    // The hand pointer from the program folder over every push button of the window.
    void loadHandPointer(ErrorTrap &trap, int testLine, int loadLine, const QString &programFolder);

    void closeEvent(QCloseEvent *event) override;

    ProgramLifetime &m_lifetime;
};
