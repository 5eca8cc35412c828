// The designed look shared by the windows: twips, fonts, white design colours, the hand pointer.
#pragma once

#include <QFont>
#include <QRect>

class QCursor;
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
void centreOnScreen(QWidget *window);

// Windows and containers are designed white.
void paintWhite(QWidget *widget);

// The application icon at every size it ships in.
QIcon appIcon();

// Reads a Windows cursor file, keeping its hotspot. Throws a Failure when it cannot.
QCursor loadCursorFile(const QString &path);
