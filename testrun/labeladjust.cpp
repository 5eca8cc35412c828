#include "testrun/labeladjust.h"

#include <QFontMetrics>

QFont shrunkToFit(QFont font, const QRect &area, int flags, const QString &text, qreal step)
{
    while (font.pointSizeF() > 6
           && QFontMetrics(font).boundingRect(area, flags, text).height() > area.height())
        font.setPointSizeF(font.pointSizeF() - step);
    return font;
}

int labelPointSize(qsizetype characters)
{
    struct Band
    {
        qsizetype below;
        int points;
    };

    static constexpr Band bands[] = {{5, 72},
                                     {10, 48},
                                     {15, 36},
                                     {25, 28},
                                     {40, 24},
                                     {55, 20},
                                     {75, 16},
                                     {100, 14},
                                     {300, 12},
                                     {400, 11},
                                     {500, 10}};
    for (const Band &band : bands) {
        if (characters < band.below)
            return band.points;
    }
    return 9;
}
