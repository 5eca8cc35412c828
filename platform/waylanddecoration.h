// The part of Qt's Wayland client that a title-bar plugin builds on. Qt ships these classes only in
// its private headers, which Debian 12 does not package, so they are declared here as Qt 6.4 has
// them: same names, same virtual functions in the same order, no data beyond QObject's. The build
// takes this module only with Qt 6.4, the program asks for it only when the Qt it runs on is the one
// it was built with (GlossmereApp::chooseTitleBar), and the plugin declines on any other, so Qt never
// meets a layout it does not expect; the package also depends on that Qt's exact ABI.
#pragma once

#include <QEventPoint>
#include <QMargins>
#include <QObject>
#include <QPointF>

class QPaintDevice;
class QWindow;

namespace QtWaylandClient {

class QWaylandInputDevice;

// Only what the title bar asks of it; a call goes straight to Qt's own function.
class Q_DECL_IMPORT QWaylandWindow
{
public:
    // Known at once when the compositor tells, unlike QWindow::isActive, which the title bar's
    // repaint would outrun.
    bool isActive() const;
};

class Q_DECL_IMPORT QWaylandAbstractDecoration : public QObject
{
public:
    enum MarginsType { Full, ShadowsExcluded, ShadowsOnly };

    static const QMetaObject staticMetaObject;
    const QMetaObject *metaObject() const override;
    void *qt_metacast(const char *name) override;
    int qt_metacall(QMetaObject::Call call, int id, void **arguments) override;

    QWaylandAbstractDecoration();
    ~QWaylandAbstractDecoration() override;

    void setWaylandWindow(QWaylandWindow *window);
    QWaylandWindow *waylandWindow() const;
    void update();
    bool isDirty() const;

    virtual QMargins margins(MarginsType marginsType = Full) const = 0;

    QWindow *window() const;

    virtual bool handleMouse(QWaylandInputDevice *inputDevice,
                             const QPointF &local,
                             const QPointF &global,
                             Qt::MouseButtons buttons,
                             Qt::KeyboardModifiers modifiers) = 0;
    virtual bool handleTouch(QWaylandInputDevice *inputDevice,
                             const QPointF &local,
                             const QPointF &global,
                             QEventPoint::State state,
                             Qt::KeyboardModifiers modifiers) = 0;

protected:
    virtual void paint(QPaintDevice *device) = 0;

    void setMouseButtons(Qt::MouseButtons buttons);
    void startResize(QWaylandInputDevice *inputDevice, Qt::Edges edges, Qt::MouseButtons buttons);
    void startMove(QWaylandInputDevice *inputDevice, Qt::MouseButtons buttons);
    void showWindowMenu(QWaylandInputDevice *inputDevice);
    bool isLeftClicked(Qt::MouseButtons newButtons);
    bool isRightClicked(Qt::MouseButtons newButtons);
    bool isLeftReleased(Qt::MouseButtons newButtons);
};

class Q_DECL_IMPORT QWaylandDecorationPlugin : public QObject
{
public:
    static const QMetaObject staticMetaObject;
    const QMetaObject *metaObject() const override;
    void *qt_metacast(const char *name) override;
    int qt_metacall(QMetaObject::Call call, int id, void **arguments) override;

    explicit QWaylandDecorationPlugin(QObject *parent = nullptr);
    ~QWaylandDecorationPlugin() override;

    virtual QWaylandAbstractDecoration *create(const QString &key, const QStringList &parameters) = 0;
};

} // namespace QtWaylandClient
