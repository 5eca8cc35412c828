#include "testrun/answerbutton.h"

#include "common/helpers.h"
#include "testrun/labeladjust.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

AnswerButton::AnswerButton(QWidget *parent)
    : QPushButton(parent)
{ }

void AnswerButton::setCaption(const QString &caption)
{
    m_caption = caption;
    setAccessibleName(caption);
    setEnabled(true);
    update();
}

void AnswerButton::leaveEmpty(int number)
{
    setCaption(QString());
    setEnabled(false);
    setAccessibleName(QStringLiteral("%1. (no answer)").arg(number));
}

void AnswerButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect area =
        style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(4, 0, -4, 0);
    constexpr int flags = Qt::AlignCenter | Qt::TextWordWrap;
    // A button shows a few lines; measuring an answer of megabytes would freeze the window.
    const QString shown = visiblePart(m_caption, 2000);
    painter.setFont(shrunkToFit(painter.font(), area, flags, shown, 0.5));
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(area, flags, shown);
}
