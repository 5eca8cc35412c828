// The prompt's font size follows the length of its text so that short terms show large.
#pragma once

#include <QFont>
#include <QRect>

// Point size for a caption of this many characters (line-break characters included).
int labelPointSize(qsizetype characters);

// `font`, made smaller by `step` points at a time (down to 6 points) only as far as `text`, laid out
// with `flags`, needs to fit into `area`.
QFont shrunkToFit(QFont font, const QRect &area, int flags, const QString &text, qreal step);
