// The prompt label: its font size is the designed one for the text's length, but when the text
// would still overflow the fixed label, it is drawn smaller so that no word of an answer is cut off.
#pragma once

#include <QFont>
#include <QLabel>

// How a text is drawn whole in a fixed area: the font shrunk as far as needed, and whether words
// break inside (a word too wide for the area even at the smallest readable size).
struct TextFit
{
    QFont font;
    int flags;
};

// Shrinks `designed` in steps of `step` points until `text` fits `area`, in width and in height.
TextFit fitText(const QFont &designed, const QRect &area, int alignment, const QString &text, qreal step);

class FittingLabel : public QLabel
{
    Q_OBJECT

public:
    explicit FittingLabel(QWidget *parent = nullptr);

    // The point size the text is drawn at now (the font's size, or less where it must shrink).
    qreal drawnPointSize() const;
    // Whether a word too wide even at the smallest readable size breaks inside.
    bool wrapsInsideWords() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TextFit fitted() const;
};
