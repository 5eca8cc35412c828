// The prompt label: its font size is the designed one for the text's length, but when the text
// would still overflow the fixed label, it is drawn smaller so that no word of an answer is cut off.
#pragma once

#include <QLabel>

class FittingLabel : public QLabel
{
    Q_OBJECT

public:
    explicit FittingLabel(QWidget *parent = nullptr);

    // The point size the text is drawn at now (the font's size, or less where it must shrink).
    qreal drawnPointSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QFont fittedFont() const;
};
