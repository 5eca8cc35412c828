// What a screen reader says when the test window changes: the texts the window shows, in reading order.
#pragma once

#include <QString>
#include <QStringList>

// The direction ("Term:" or "Definition:"), the prompt, the heading when given, then the answers
// offered ("1. …"), one a line.
QString spokenQuestion(const QString &direction,
                       const QString &prompt,
                       const QString &heading,
                       const QStringList &answers);

// The feedback below the prompt, its line breaks kept, without the blank lines between them.
QString spokenFeedback(const QString &feedback);

// How the test window describes itself for the direction "Term:" or "Definition:".
QString testWindowDescription(const QString &direction);
