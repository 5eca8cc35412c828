#include "ui/waylandtoplevel.h"

#include <QGuiApplication>
#include <QWindow>

#ifdef GLOSSMERE_XDG_SHELL
#include "xdg-shell-client-protocol.h"

#include <qpa/qplatformnativeinterface.h>
#endif

bool askUnmaximised(QWindow *window)
{
#ifdef GLOSSMERE_XDG_SHELL
    if (!window || !QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    void *toplevel =
        native ? native->nativeResourceForWindow(QByteArrayLiteral("xdg_toplevel"), window) : nullptr;
    if (!toplevel)
        return false;
    xdg_toplevel_unset_maximized(static_cast<xdg_toplevel *>(toplevel));
    return true;
#else
    Q_UNUSED(window);
    return false;
#endif
}
