#include "testrun/fittinglabel.h"

#include <QPainter>

namespace {
constexpr int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
}

FittingLabel::FittingLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QFont FittingLabel::fittedFont() const
{
    QFont fitted = font();
    const QRect area = contentsRect();
    while (fitted.pointSizeF() > 6
           && QFontMetrics(fitted).boundingRect(area, flags, text()).height() > area.height())
        fitted.setPointSizeF(fitted.pointSizeF() - 1);
    return fitted;
}

qreal FittingLabel::drawnPointSize() const
{
    return fittedFont().pointSizeF();
}

void FittingLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(fittedFont());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), flags, text());
}
