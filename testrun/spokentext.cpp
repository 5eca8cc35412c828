#include "testrun/spokentext.h"

#include "common/helpers.h"

namespace {
QString withoutBlankLines(const QString &text)
{
    return lineBreaksForDisplay(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QLatin1Char('\n'));
}
} // namespace

QString spokenQuestion(const QString &direction,
                       const QString &prompt,
                       const QString &heading,
                       const QStringList &answers)
{
    QStringList lines{direction, withoutBlankLines(prompt)};
    if (!heading.isEmpty())
        lines.append(heading);
    for (const QString &answer : answers)
        lines.append(withoutBlankLines(answer));
    return lines.join(QLatin1Char('\n'));
}

QString spokenFeedback(const QString &feedback)
{
    return withoutBlankLines(feedback);
}

QString testWindowDescription(const QString &direction)
{
    return direction == QStringLiteral("Definition:")
        ? QStringLiteral("Test: the definition is given; choose its term with the keys 1 to 4.")
        : QStringLiteral("Test: the term is given; choose its definition with the keys 1 to 4.");
}
