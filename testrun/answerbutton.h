// An answer button that shows its caption exactly as given: no mnemonic, no markup, and long
// answers wrap (and shrink if they must, and scroll beyond that) instead of being cut off.
#pragma once

#include "testrun/fittinglabel.h"

#include <QPushButton>

class AnswerButton : public QPushButton
{
    Q_OBJECT

public:
    explicit AnswerButton(QWidget *parent = nullptr);

    void setCaption(const QString &caption);
    // No answer to offer: the caption stays empty and disabled, but a screen reader hears why
    // rather than the frame's caption.
    void leaveEmpty(int number);

    const QString &caption() const { return m_caption; }

    // How the caption is drawn now.
    const TextFit &fitted();

    ScrolledText &scroller() { return m_scroller; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    QRect textArea() const;
    QString shownCaption() const;

    QString m_caption;
    ScrolledText m_scroller;
};
