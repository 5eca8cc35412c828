// The title bar Qt draws on Wayland when the compositor draws none (weston, GNOME). Qt's own offers
// maximise on every window; this one offers only what the window can do, as X11 window managers
// show it: no maximise where the size is fixed, no minimise on a window that belongs to another.
#include "declaredqt.h"
#include "waylanddecoration.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QTimer>
#include <QWindow>

namespace {

using QtWaylandClient::QWaylandAbstractDecoration;
using QtWaylandClient::QWaylandInputDevice;

constexpr int titleHeight = 30;
constexpr int border = 3;
constexpr qreal buttonWidth = 26;
constexpr qreal buttonHeight = 22;
constexpr qreal buttonsRightMargin = 4;
constexpr QMargins frameMargins(border, titleHeight, border, border);

enum class Button { None, Close, Maximise, Minimise };

class TitleBar final : public QWaylandAbstractDecoration
{
public:
    QMargins margins(MarginsType type) const override
    {
        return type == ShadowsOnly ? QMargins() : frameMargins;
    }

    bool handleMouse(QWaylandInputDevice *device,
                     const QPointF &local,
                     const QPointF &,
                     Qt::MouseButtons buttons,
                     Qt::KeyboardModifiers) override;
    bool handleTouch(QWaylandInputDevice *,
                     const QPointF &local,
                     const QPointF &,
                     QEventPoint::State state,
                     Qt::KeyboardModifiers) override;

protected:
    void paint(QPaintDevice *device) override;

private:
    QRectF frame() const
    {
        const QMargins m = frameMargins;
        return QRectF(
            0, 0, window()->width() + m.left() + m.right(), window()->height() + m.top() + m.bottom());
    }

    // Where the window draws itself, in the frame's coordinates.
    QRectF content() const
    {
        return QRectF(frameMargins.left(), frameMargins.top(), window()->width(), window()->height());
    }

    bool sizeFixed() const { return window()->minimumSize() == window()->maximumSize(); }

    bool resizable() const
    {
        return !sizeFixed()
            && !window()->windowStates().testAnyFlags(Qt::WindowMaximized | Qt::WindowFullScreen);
    }

    // A question or dialog goes with the window it belongs to: it is neither minimised nor
    // maximised on its own.
    bool standsAlone() const { return !window()->transientParent(); }

    // Right to left, as drawn.
    QList<Button> buttons() const
    {
        QList<Button> shown{Button::Close};
        if (standsAlone() && !sizeFixed())
            shown.append(Button::Maximise);
        if (standsAlone())
            shown.append(Button::Minimise);
        return shown;
    }

    QRectF buttonRect(qsizetype fromRight) const
    {
        return QRectF(frame().right() - buttonsRightMargin - buttonWidth * qreal(fromRight + 1),
                      (titleHeight - buttonHeight) / 2,
                      buttonWidth,
                      buttonHeight);
    }

    Button buttonAt(const QPointF &local) const;
    Qt::Edges edgesAt(const QPointF &local) const;
    void press(Button button);

    Button m_pressed = Button::None;
};

Button TitleBar::buttonAt(const QPointF &local) const
{
    const QList<Button> shown = buttons();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (buttonRect(i).contains(local))
            return shown[i];
    }
    return Button::None;
}

Qt::Edges TitleBar::edgesAt(const QPointF &local) const
{
    if (!resizable())
        return {};
    const QRectF all = frame();
    Qt::Edges edges;
    if (local.x() < border)
        edges |= Qt::LeftEdge;
    if (local.x() >= all.right() - border)
        edges |= Qt::RightEdge;
    if (local.y() < border)
        edges |= Qt::TopEdge;
    if (local.y() >= all.bottom() - border)
        edges |= Qt::BottomEdge;
    return edges;
}

void TitleBar::press(Button button)
{
    QWindow *target = window();
    switch (button) {
    case Button::Close:
        // After this event has been handled: closing may destroy the window and this title bar.
        QTimer::singleShot(0, target, [target] { target->close(); });
        break;
    case Button::Maximise:
        target->setWindowStates(target->windowStates() ^ Qt::WindowMaximized);
        break;
    case Button::Minimise:
        target->setWindowStates(target->windowStates() | Qt::WindowMinimized);
        break;
    case Button::None:
        break;
    }
}

bool TitleBar::handleMouse(QWaylandInputDevice *device,
                           const QPointF &local,
                           const QPointF &,
                           Qt::MouseButtons buttons,
                           Qt::KeyboardModifiers)
{
    if (content().contains(local)) {
        setMouseButtons(buttons);
        return false;
    }
    if (const Qt::Edges edges = edgesAt(local)) {
        startResize(device, edges, buttons);
    } else if (local.y() < frameMargins.top()) {
        const Button over = buttonAt(local);
        if (isLeftClicked(buttons))
            m_pressed = over;
        if (over == Button::None) {
            if (isRightClicked(buttons))
                showWindowMenu(device);
            else
                startMove(device, buttons);
        } else if (isLeftReleased(buttons) && m_pressed == over) {
            press(over);
        }
    }
    if (isLeftReleased(buttons))
        m_pressed = Button::None;
    setMouseButtons(buttons);
    return true;
}

bool TitleBar::handleTouch(QWaylandInputDevice *,
                           const QPointF &local,
                           const QPointF &,
                           QEventPoint::State state,
                           Qt::KeyboardModifiers)
{
    if (content().contains(local))
        return false;
    if (state == QEventPoint::Pressed)
        press(buttonAt(local));
    return true;
}

void TitleBar::paint(QPaintDevice *device)
{
    const QPalette palette = QGuiApplication::palette();
    const bool active = waylandWindow()->isActive();
    const QColor background = palette.color(QPalette::Window);
    const QColor ink = palette.color(active ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    const QRectF all = frame();
    const QMargins m = frameMargins;

    QPainter painter(device);
    // Only the frame: the window's own content is drawn into the same buffer.
    QRegion frameRegion(all.toRect());
    frameRegion -= content().toRect();
    painter.setClipRegion(frameRegion);
    painter.fillRect(all, background);
    painter.setPen(palette.color(QPalette::Mid));
    painter.drawRect(all.adjusted(0, 0, -1, -1));

    const QList<Button> shown = buttons();
    QFont font = QGuiApplication::font();
    font.setBold(true);
    painter.setFont(font);
    const qreal titleRight = buttonRect(shown.size() - 1).left() - 4;
    const qreal titleLeft = m.left() + 8;
    const QString title = QFontMetricsF(font).elidedText(
        window()->title(), Qt::ElideRight, qMax<qreal>(0, titleRight - titleLeft));
    painter.setPen(ink);
    painter.drawText(QRectF(titleLeft, 0, titleRight - titleLeft, titleHeight), Qt::AlignCenter, title);

    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(ink, 1.5);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const QRectF glyph =
            QRectF(QPointF(), QSizeF(10, 10)).translated(buttonRect(i).center() - QPointF(5, 5));
        switch (shown[i]) {
        case Button::Close:
            painter.drawLine(glyph.topLeft(), glyph.bottomRight());
            painter.drawLine(glyph.bottomLeft(), glyph.topRight());
            break;
        case Button::Maximise:
            painter.drawRect(window()->windowStates() & Qt::WindowMaximized ? glyph.adjusted(2, 2, -2, -2)
                                                                            : glyph);
            break;
        case Button::Minimise:
            painter.drawLine(glyph.bottomLeft(), glyph.bottomRight());
            break;
        case Button::None:
            break;
        }
    }
}

class TitleBarPlugin : public QtWaylandClient::QWaylandDecorationPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.WaylandClient.QWaylandDecorationFactoryInterface.5.4" FILE
                          "titlebar.json")

public:
    // Qt takes the first title-bar plugin it finds when none is named, whatever the program chose: on
    // a Qt other than the one these classes were declared for, this one declines.
    QWaylandAbstractDecoration *create(const QString &, const QStringList &) override
    {
        return declarationsFit(qVersion()) ? new TitleBar : nullptr;
    }
};

} // namespace

#include "titlebar.moc"
