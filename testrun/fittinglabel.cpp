#include "testrun/fittinglabel.h"

#include <QPainter>

namespace {
constexpr int promptAlignment = Qt::AlignLeft | Qt::AlignTop;
// Below this a long word breaks rather than shrinking further; texts too long for the area in
// height shrink on down to the smallest size.
constexpr qreal readablePoints = 8;
constexpr qreal smallestPoints = 6;
} // namespace

TextFit fitText(const QFont &designed, const QRect &area, int alignment, const QString &text, qreal step)
{
    TextFit fit{designed, alignment | Qt::TextWordWrap};
    for (;;) {
        const QRect needed = QFontMetrics(fit.font).boundingRect(area, fit.flags, text);
        const bool tooWide = needed.width() > area.width();
        if (!tooWide && needed.height() <= area.height())
            return fit;
        const qreal smaller = fit.font.pointSizeF() - step;
        if (tooWide && smaller < readablePoints && (fit.flags & Qt::TextWordWrap)) {
            fit.flags = alignment | Qt::TextWrapAnywhere;
            continue;
        }
        if (smaller < smallestPoints)
            return fit;
        fit.font.setPointSizeF(smaller);
    }
}

FittingLabel::FittingLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::Alignment(promptAlignment));
}

TextFit FittingLabel::fitted() const
{
    return fitText(font(), contentsRect(), promptAlignment, text(), 1);
}

qreal FittingLabel::drawnPointSize() const
{
    return fitted().font.pointSizeF();
}

bool FittingLabel::wrapsInsideWords() const
{
    return fitted().flags & Qt::TextWrapAnywhere;
}

void FittingLabel::paintEvent(QPaintEvent *)
{
    const TextFit fit = fitted();
    QPainter painter(this);
    painter.setFont(fit.font);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), fit.flags, text());
}
