// The designed look shared by the windows: twips, fonts, white design colours, the hand pointer.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>

class QCursor;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QIcon;
class QWidget;

// Designs are measured in twips; 15 twips make one logical pixel.
constexpr int twips(int value)
{
    return (value + 7) / 15;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

QFont windowFont();
QFont buttonFont();

// A window opens fixed in size, without maximise, centred on the screen.
void setFixedClientSize(QWidget *window, int widthTwips, int heightTwips);
// Qt's own title bar (Wayland, where the compositor draws none) offers maximise to every window; a
// window of fixed size so maximised goes straight back to its own size and state.
void keepUnmaximised(QWidget *window);
void centreOnScreen(QWidget *window);

// The system colour of button faces, which the option and test windows wear.
QColor buttonFaceColour();
// Window, frames, labels, option buttons and check boxes take the button-face colour.
void StyleForm(QWidget *window);

// Windows and containers are designed white.
void paintWhite(QWidget *widget);

// Controls as the windows are designed: named, placed in twips, white, in the designed fonts.
void styleCommandButton(QPushButton *button);
QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, QRect geometry);
QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, QRect geometry);
QGroupBox *makeFrame(QWidget *parent, const char *name, const QString &caption, QRect geometry);
QRadioButton *makeOption(QWidget *parent, const char *name, const QString &caption, QRect geometry);

// The application icon at every size it ships in.
QIcon appIcon();

// Reads a Windows cursor file, keeping its hotspot. Throws a Failure when it cannot.
QCursor loadCursorFile(const QString &path);
