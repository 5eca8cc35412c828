// Small shared routines used by every window.
#pragma once

#include <QDir>
#include <QString>

// The application title derived from the product name.
QString appTitleFrom(const QString &productName);
void SetAppTitle();
// The title of boxes that name none of their own; empty until SetAppTitle.
QString appTitle();

// "1 entry", "2 entries".
QString entryCountText(qsizetype count);

// Texts keep CR and CR LF as the program builds them; labels and boxes show each as one line break.
QString lineBreaksForDisplay(QString text);

// A term or definition as the list can keep it: a definition file holds one line per text and
// refuses a NUL as binary, so a line break or NUL pasted into a box becomes one space.
QString oneLineText(QString text);

// Only the start of a text far longer than any control can show: laying out megabytes of text for
// a list cell or a label would freeze the window, and no one could see the rest anyway.
QString visiblePart(const QString &text, qsizetype limit);

// Doubled separators inside a path become one. A leading run of separators becomes the platform's
// network prefix where it has one (two backslashes), and the root (one slash) where paths start there.
QString NormalisePath(const QString &path, QChar separator = QDir::separator());
bool FileExists(const QString &path);

class QFileDevice;
// Empty once everything written to `file` is on the disk, else what failed. QSaveFile::commit alone
// drops the error of its last buffered write and of the sync, and then renames a cut file over the
// old one.
QString writtenToDisk(QFileDevice &file);
