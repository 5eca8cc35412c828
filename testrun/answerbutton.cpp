#include "testrun/answerbutton.h"

#include "common/helpers.h"
#include "testrun/fittinglabel.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
// Far more than anyone reads in a test, far less than would freeze the window to lay out.
constexpr qsizetype shownCharacters = 100000;
} // namespace

AnswerButton::AnswerButton(QWidget *parent)
    : QPushButton(parent)
    , m_scroller(this, Qt::AlignCenter, 0.5)
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

QRect AnswerButton::textArea() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(4, 0, -4, 0);
}

QString AnswerButton::shownCaption() const
{
    return visiblePart(m_caption, shownCharacters);
}

const TextFit &AnswerButton::fitted()
{
    return m_scroller.fit(font(), textArea(), shownCaption());
}

void AnswerButton::paintEvent(QPaintEvent *)
{
    fitted();
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    m_scroller.paint(painter, shownCaption());
}

void AnswerButton::wheelEvent(QWheelEvent *event)
{
    if (!m_scroller.wheel(event))
        QPushButton::wheelEvent(event);
}
