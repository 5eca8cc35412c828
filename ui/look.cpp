#include "ui/look.h"

#include "common/failure.h"
#include "common/helpers.h"
#include "ui/waylandtoplevel.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QCursor>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QResource>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtEndian>

QFont windowFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    font.setBold(true);
    return font;
}

QFont buttonFont()
{
    QFont font = windowFont();
    font.setPointSizeF(11.25);
    return font;
}

namespace {
bool fixedInSize(const QWidget *window)
{
    return window->minimumSize() == window->maximumSize();
}

class StayUnmaximised : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::Show)
            watch(window);
        if (event->type() != QEvent::WindowStateChange)
            return false;
        if (window->isMaximized() && fixedInSize(window)) {
            // Not from within the change: the compositor's answer is still being taken in.
            QTimer::singleShot(0, window, [window] {
                window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
            });
        }
        return false;
    }

private:
    // Under Wayland, xdg-shell binds a client to the size of the maximised state it acknowledges, and
    // Qt acknowledges the compositor's answer to its own title bar's maximise at once: weston ends
    // a client whose fixed-size window then keeps its size. The window asks to be unmaximised in the
    // same breath as Qt asks to maximise it, so the compositor's answer is the unmaximised state.
    void watch(QWidget *window)
    {
        QWindow *handle = window->windowHandle();
        if (!handle || handle == m_watched)
            return;
        m_watched = handle;
        connect(handle, &QWindow::windowStateChanged, this, [window, handle](Qt::WindowState state) {
            if (state == Qt::WindowMaximized && fixedInSize(window) && askUnmaximised(handle))
                handle->setWindowStates(handle->windowStates() & ~Qt::WindowMaximized);
        });
    }

    QPointer<QWindow> m_watched;
};
} // namespace

void setFixedClientSize(QWidget *window, int widthTwips, int heightTwips)
{
    window->setFixedSize(twips(widthTwips), twips(heightTwips));
    window->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    keepUnmaximised(window);
}

void keepUnmaximised(QWidget *window)
{
    window->installEventFilter(new StayUnmaximised(window));
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void paintWhite(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : {32, 48, 128, 256}) {
        // Pixels made from the PNGs at build time: decoding those here cost the start-up several
        // milliseconds.
        const QResource pixels(QStringLiteral(":/icons/glossmere-%1.argb").arg(size));
        const qsizetype bytes = qsizetype(size) * size * 4;
        if (pixels.compressionAlgorithm() != QResource::NoCompression || pixels.size() != bytes)
            continue;
        // The pixmaps read the program's own copy of the pixels, which lasts as long as the program,
        // rather than a copy in the heap; only a misaligned resource is copied.
        QImage image(pixels.data(), size, size, QImage::Format_ARGB32_Premultiplied);
        if (reinterpret_cast<quintptr>(pixels.data()) % alignof(quint32) != 0)
            image = image.copy();
        icon.addPixmap(QPixmap::fromImage(std::move(image)));
    }
    return icon;
}

void styleCommandButton(QPushButton *button)
{
    button->setFont(buttonFont());
    // Enter presses the focused button, as Space does; outside dialogs Qt leaves that to Space alone.
    button->setAutoDefault(true);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, Qt::white);
    button->setPalette(palette);
}

namespace {
// A captioned control, named and placed as designed.
template <typename Control>
Control *placed(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *control = new Control(caption, parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(geometry);
    return control;
}
} // namespace

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *button = placed<QPushButton>(parent, name, caption, geometry);
    styleCommandButton(button);
    return button;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *label = placed<QLabel>(parent, name, caption, geometry);
    label->setTextFormat(Qt::PlainText);
    paintWhite(label);
    return label;
}

QGroupBox *makeFrame(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *frame = placed<QGroupBox>(parent, name, caption, geometry);
    paintWhite(frame);
    return frame;
}

QRadioButton *makeOption(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *option = placed<QRadioButton>(parent, name, caption, geometry);
    paintWhite(option);
    return option;
}

namespace {
struct CursorImage
{
    int width = 0;
    int hotX = 0;
    int hotY = 0;
    QByteArray data;
};

// A 32-bit bitmap entry read straight: Qt's readers would first scan and load the image plugins,
// which costs the start-up a few milliseconds. Any other kind of entry returns a null image.
QImage decodeTrueColourEntry(const QByteArray &data)
{
    constexpr qsizetype headerSize = 40;
    if (data.size() < headerSize || qFromLittleEndian<quint32>(data.constData()) != headerSize)
        return {};
    const qint32 width = qFromLittleEndian<qint32>(data.constData() + 4);
    const qint32 height = qFromLittleEndian<qint32>(data.constData() + 8) / 2; // image, then its mask
    const quint16 bits = qFromLittleEndian<quint16>(data.constData() + 14);
    const quint32 compression = qFromLittleEndian<quint32>(data.constData() + 16);
    if (bits != 32 || compression != 0 || width <= 0 || width > 256 || height <= 0 || height > 256)
        return {};
    if (data.size() < headerSize + qsizetype(width) * height * 4)
        return {};
    QImage image(width, height, QImage::Format_ARGB32);
    const auto *pixels = reinterpret_cast<const uchar *>(data.constData()) + headerSize;
    for (int y = 0; y < height; ++y) {
        // Rows run bottom-up. Like Qt's reader, the alpha is taken as stored and the mask left aside.
        const uchar *row = pixels + qsizetype(height - 1 - y) * width * 4;
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            out[x] = qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
    }
    return image;
}

// A lone bitmap entry wrapped as an .ico file, which Qt's reader understands.
QImage decodeEntry(const QByteArray &entryHeader, const QByteArray &data)
{
    static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
    if (data.startsWith(pngSignature))
        return QImage::fromData(data, "PNG");
    if (QImage image = decodeTrueColourEntry(data); !image.isNull())
        return image;
    QByteArray ico;
    ico.append("\0\0\1\0\1\0", 6);
    QByteArray entry = entryHeader;
    qToLittleEndian<quint16>(1, entry.data() + 4); // colour planes, where a cursor keeps its hotspot
    qToLittleEndian<quint16>(32, entry.data() + 6);
    qToLittleEndian<quint32>(6 + 16, entry.data() + 12);
    ico.append(entry);
    ico.append(data);
    return QImage::fromData(ico, "ICO");
}
} // namespace

QCursor loadCursorFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot open the pointer file %1: %2").arg(path, file.errorString()));
    // Pointer files are tiny; anything large is not one.
    const QByteArray bytes = file.read(1 << 20);
    const auto invalid = [&path] {
        return Failure(QStringLiteral("Invalid picture: %1").arg(path));
    };
    if (bytes.size() < 6 || qFromLittleEndian<quint16>(bytes.constData()) != 0
        || qFromLittleEndian<quint16>(bytes.constData() + 2) != 2)
        throw invalid();
    const int count = qFromLittleEndian<quint16>(bytes.constData() + 4);
    if (count == 0 || bytes.size() < 6 + 16 * count)
        throw invalid();

    // Prefer the image that matches the screen's density best.
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    const int wanted = int(32 * ratio);
    CursorImage best;
    QByteArray bestHeader;
    for (int i = 0; i < count; ++i) {
        const char *entry = bytes.constData() + 6 + 16 * i;
        CursorImage image;
        image.width = static_cast<unsigned char>(entry[0]) ? static_cast<unsigned char>(entry[0]) : 256;
        image.hotX = qFromLittleEndian<quint16>(entry + 4);
        image.hotY = qFromLittleEndian<quint16>(entry + 6);
        const quint32 size = qFromLittleEndian<quint32>(entry + 8);
        const quint32 offset = qFromLittleEndian<quint32>(entry + 12);
        if (offset > quint32(bytes.size()) || size > quint32(bytes.size()) - offset)
            throw invalid();
        image.data = bytes.mid(offset, size);
        const bool better = best.width == 0 || std::abs(image.width - wanted) < std::abs(best.width - wanted);
        if (better) {
            best = image;
            bestHeader = QByteArray(entry, 16);
        }
    }
    QImage image = decodeEntry(bestHeader, best.data);
    if (image.isNull())
        throw invalid();
    const qreal imageRatio = std::max<qreal>(1.0, image.width() / 32.0);
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(imageRatio);
    // Qt's X11 backend hands the hot spot to the server unscaled, as a position in the image itself.
    const qreal hotSpotRatio = QGuiApplication::platformName() == QLatin1String("xcb") ? 1.0 : imageRatio;
    return QCursor(pixmap, qRound(best.hotX / hotSpotRatio), qRound(best.hotY / hotSpotRatio));
}

namespace {
bool takesFaceColour(const QWidget *widget)
{
    return qobject_cast<const QLabel *>(widget) || qobject_cast<const QGroupBox *>(widget)
        || qobject_cast<const QRadioButton *>(widget) || qobject_cast<const QCheckBox *>(widget);
}

void paintWindowRole(QWidget *widget, const QColor &colour, bool fill)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    // Labels and option buttons take the colour but let their frame show through: painting their own
    // rectangles would set them off from the frame's shaded panel.
    widget->setAutoFillBackground(fill);
}
} // namespace

QColor buttonFaceColour()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

void StyleForm(QWidget *window)
{
    const QColor face = buttonFaceColour();
    paintWindowRole(window, face, true);
    for (QWidget *child : window->findChildren<QWidget *>()) {
        if (takesFaceColour(child))
            paintWindowRole(child, face, qobject_cast<QGroupBox *>(child) != nullptr);
    }
}
