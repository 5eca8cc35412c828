// The prompt label: its font size is the designed one for the text's length, but when the text
// would still overflow the fixed label, it is drawn smaller so that no word of an answer is cut off;
// a text too long even at the smallest designed size scrolls.
#pragma once

#include <QFont>
#include <QLabel>

class QPainter;
class QScrollBar;
class QWheelEvent;

// How a text is drawn whole in a fixed area: the font shrunk as far as needed but never below the
// smallest size a prompt is designed for, words broken inside only where one is too wide even then,
// and what is still too long scrolled.
struct TextFit
{
    QFont font;
    int flags = 0;
    // Where the text goes: the area, narrower by a scroll bar where the text scrolls.
    QRect area;
    // The height all of the text needs.
    int height = 0;

    bool scrolls() const { return height > area.height(); }
};

// Shrinks `designed` in steps of `step` points until `text` fits `area` in width and height, or the
// smallest size is reached; `scrollBarWidth` is what a scroll bar then takes off the area.
TextFit fitText(const QFont &designed,
                const QRect &area,
                int alignment,
                const QString &text,
                qreal step,
                int scrollBarWidth);

// A text shown in a fixed area of a widget, with a scroll bar of its own where it is too long. The
// wheel over the widget and whole pages by key scroll it.
class ScrolledText
{
public:
    ScrolledText(QWidget *owner, int alignment, qreal step);

    // Lays the text out (again only when text, font or area changed) and shows the scroll bar as needed.
    const TextFit &fit(const QFont &designed, const QRect &area, const QString &text);
    void paint(QPainter &painter, const QString &text) const;
    // Whether the text scrolled.
    bool wheel(QWheelEvent *event);
    bool scrollPages(int pages);
    // A new text starts at its top; text added below (feedback) is brought into view.
    void showEnd();

private:
    QWidget *m_owner;
    int m_alignment;
    qreal m_step;
    QScrollBar *m_bar;
    QString m_text;
    QFont m_font;
    QRect m_area;
    TextFit m_fit;
    bool m_endWanted = false;
};

class FittingLabel : public QLabel
{
    Q_OBJECT

public:
    explicit FittingLabel(QWidget *parent = nullptr);

    // The point size the text is drawn at now (the font's size, or less where it must shrink).
    qreal drawnPointSize() const;
    // Whether a word too wide even at the smallest readable size breaks inside.
    bool wrapsInsideWords() const;
    // Whether the text is too long for the label even at the smallest size, and scrolls.
    bool scrolls() const;

    ScrolledText &scroller() { return m_scroller; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    const TextFit &fitted() const;

    mutable ScrolledText m_scroller;
};
