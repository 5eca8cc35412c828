#include "testrun/fittinglabel.h"

#include <QCoreApplication>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace {
constexpr int promptAlignment = Qt::AlignLeft | Qt::AlignTop;
// The smallest size a prompt is designed for: a longer text scrolls rather than shrinking further.
constexpr qreal smallestPoints = 9;
} // namespace

namespace {
// Lays `text` out with the fit's font, flags and area, and records the height it needs; whether it is
// too wide for the area.
bool measure(TextFit &fit, const QString &text)
{
    const QRect needed = QFontMetrics(fit.font).boundingRect(fit.area, fit.flags, text);
    fit.height = needed.height();
    return needed.width() > fit.area.width();
}

bool fits(TextFit &fit, const QString &text)
{
    return !measure(fit, text) && !fit.scrolls();
}
} // namespace

TextFit fitText(const QFont &designed,
                const QRect &area,
                int alignment,
                const QString &text,
                qreal step,
                int scrollBarWidth)
{
    TextFit fit{designed, alignment | Qt::TextWordWrap, area, 0};
    if (fit.font.pointSizeF() < smallestPoints)
        fit.font.setPointSizeF(smallestPoints);
    if (fits(fit, text))
        return fit;
    // Whether the smallest size is enough tells at once whether shrinking will do: a very long text
    // is not measured again at every size on the way down.
    TextFit smallest = fit;
    smallest.font.setPointSizeF(smallestPoints);
    if (smallest.font != fit.font && fits(smallest, text)) {
        while (fit.font.pointSizeF() - step >= smallestPoints) {
            fit.font.setPointSizeF(fit.font.pointSizeF() - step);
            if (fits(fit, text))
                return fit;
        }
        return smallest;
    }
    // A word too wide even at the smallest size breaks inside; a text too long for the area scrolls,
    // beside a scroll bar.
    fit = smallest;
    if (measure(fit, text)) {
        fit.flags = alignment | Qt::TextWrapAnywhere;
        measure(fit, text);
    }
    if (fit.scrolls()) {
        fit.area.setWidth(area.width() - scrollBarWidth);
        if (measure(fit, text)) {
            fit.flags = alignment | Qt::TextWrapAnywhere;
            measure(fit, text);
        }
    }
    return fit;
}

ScrolledText::ScrolledText(QWidget *owner, int alignment, qreal step)
    : m_owner(owner)
    , m_alignment(alignment)
    , m_step(step)
    , m_bar(new QScrollBar(Qt::Vertical, owner))
{
    m_bar->hide();
    QObject::connect(m_bar, &QScrollBar::valueChanged, owner, qOverload<>(&QWidget::update));
}

const TextFit &ScrolledText::fit(const QFont &designed, const QRect &area, const QString &text)
{
    if (text == m_text && designed == m_font && area == m_area && m_fit.area.isValid())
        return m_fit;
    const bool newText = text != m_text;
    m_text = text;
    m_font = designed;
    m_area = area;
    const int barWidth = m_bar->sizeHint().width();
    m_fit = fitText(designed, area, m_alignment, text, m_step, barWidth);
    if (m_fit.scrolls()) {
        m_bar->setGeometry(area.right() + 1 - barWidth, area.top(), barWidth, area.height());
        m_bar->setRange(0, m_fit.height - m_fit.area.height());
        m_bar->setPageStep(m_fit.area.height());
        m_bar->setSingleStep(QFontMetrics(m_fit.font).lineSpacing());
        if (newText)
            m_bar->setValue(m_endWanted ? m_bar->maximum() : 0);
        m_bar->show();
    } else {
        m_bar->hide();
        m_bar->setValue(0);
    }
    if (newText)
        m_endWanted = false;
    return m_fit;
}

void ScrolledText::paint(QPainter &painter, const QString &text) const
{
    painter.setFont(m_fit.font);
    if (!m_fit.scrolls()) {
        painter.drawText(m_fit.area, m_fit.flags, text);
        return;
    }
    painter.setClipRect(m_fit.area);
    const QRect whole(m_fit.area.left(), m_fit.area.top() - m_bar->value(), m_fit.area.width(), m_fit.height);
    painter.drawText(whole, m_fit.flags, text);
}

bool ScrolledText::wheel(QWheelEvent *event)
{
    if (!m_bar->isVisible())
        return false;
    const int before = m_bar->value();
    QCoreApplication::sendEvent(m_bar, event);
    return m_bar->value() != before;
}

bool ScrolledText::scrollPages(int pages)
{
    if (!m_bar->isVisible())
        return false;
    m_bar->setValue(m_bar->value() + pages * m_bar->pageStep());
    return true;
}

void ScrolledText::showEnd()
{
    m_endWanted = true;
}

FittingLabel::FittingLabel(QWidget *parent)
    : QLabel(parent)
    , m_scroller(this, promptAlignment, 1)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::Alignment(promptAlignment));
}

const TextFit &FittingLabel::fitted() const
{
    return m_scroller.fit(font(), contentsRect(), text());
}

qreal FittingLabel::drawnPointSize() const
{
    return fitted().font.pointSizeF();
}

bool FittingLabel::wrapsInsideWords() const
{
    return fitted().flags & Qt::TextWrapAnywhere;
}

bool FittingLabel::scrolls() const
{
    return fitted().scrolls();
}

void FittingLabel::paintEvent(QPaintEvent *)
{
    fitted();
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    m_scroller.paint(painter, text());
}

void FittingLabel::wheelEvent(QWheelEvent *event)
{
    if (!m_scroller.wheel(event))
        QLabel::wheelEvent(event);
}
