// Made-up words for the benchmarks' generated lists: the same seed gives the same list.
#pragma once

#include <QRandomGenerator>
#include <QString>

inline QString randomWord(QRandomGenerator &random, int length)
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzeeaaiioou");
    static const QString accented = QStringLiteral("éèàüöñçøß");
    QString word;
    for (int i = 0; i < length; ++i) {
        // About one letter in fifty carries an accent.
        const bool special = random.bounded(50) == 0;
        const QString &from = special ? accented : letters;
        word.append(from[random.bounded(int(from.size()))]);
    }
    return word;
}

// Words of 2 to 9 letters, separated by spaces, until the text holds at least `wanted` characters.
inline QString randomWords(QRandomGenerator &random, int wanted)
{
    QString text;
    while (text.size() < wanted)
        text += randomWord(random, 2 + random.bounded(8)) + QLatin1Char(' ');
    text.chop(1);
    return text;
}
