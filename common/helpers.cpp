#include "common/helpers.h"

#include "common/contact.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

QString appTitleFrom(const QString &productName)
{
    QString title = productName;
    // A name without a blank has nothing to cut: it stays whole.
    if (!title.contains(QLatin1Char(' ')))
        return title;
    do {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            break;
        title.truncate(blank);
    } while (title.size() > 40);
    return title;
}

namespace {
QString g_appTitle;
}

void SetAppTitle()
{
    // Not Qt's application display name: the window system would append that to every title.
    g_appTitle = appTitleFrom(Contact::productName());
}

QString appTitle()
{
    return g_appTitle;
}

QString lineBreaksForDisplay(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString oneLineText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar &c : text) {
        if (c == u'\r' || c == u'\n' || c == QChar(0))
            c = u' ';
    }
    return text;
}

QString visiblePart(const QString &text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    qsizetype cut = limit;
    // Never split a surrogate pair.
    if (cut > 0 && text[cut - 1].isHighSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}

QString NormalisePath(const QString &path, QChar separator)
{
    const auto collapsePairs = [separator](QStringView text) {
        QString result;
        result.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            result.append(text[i]);
            if (text[i] == separator && i + 1 < text.size() && text[i + 1] == separator)
                ++i;
        }
        return result;
    };
    if (path.isEmpty() || path.front() != separator)
        return collapsePairs(path);
    qsizetype run = 0;
    while (run < path.size() && path[run] == separator)
        ++run;
    const int prefix = separator == QLatin1Char('\\') ? 2 : 1;
    return QString(prefix, separator) + collapsePairs(QStringView(path).mid(run));
}

bool FileExists(const QString &path)
{
    // A name with a NUL cannot exist; Qt would warn and look at a different path.
    if (path.isEmpty() || path.contains(QChar(0)))
        return false;
    return QFileInfo(path).lastModified().isValid();
}

QString writtenToDisk(QFileDevice &file)
{
    if (!file.flush())
        return file.errorString();
    // A file system that keeps nothing to sync (a pipe, some special files) has nothing to lose.
    if (::fdatasync(file.handle()) != 0 && errno != EINVAL && errno != ENOTSUP)
        return qt_error_string(errno);
    return {};
}

QString entryCountText(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count);
}
