#include "testrun/fittinglabel.h"

#include "testrun/labeladjust.h"

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
    return shrunkToFit(font(), contentsRect(), flags, text(), 1);
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
