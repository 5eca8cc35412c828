// Build step: turns an icon's PNG into the raw premultiplied ARGB32 pixels the program loads at
// start-up, so that showing the main window decodes no image.
// Usage: glossmere-icon-pixels IN.png OUT SIZE
#include <QFile>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: glossmere-icon-pixels IN.png OUT SIZE\n");
        return 2;
    }
    const QImage image =
        QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int size = std::atoi(argv[3]);
    if (image.width() != size || image.height() != size) {
        std::fprintf(stderr, "%s: not a %d×%d image\n", argv[1], size, size);
        return 1;
    }
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly)
        || out.write(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes())
            != image.sizeInBytes()) {
        std::fprintf(stderr, "%s: cannot write\n", argv[2]);
        return 1;
    }
    return 0;
}
