#include "safetycopy/safetycopy.h"

#include "common/failure.h"
#include "common/helpers.h"
#include "deffiles/definitiontext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStringDecoder>
#include <QUrl>

#include <utility>

namespace {
const QByteArray magic("Glossmere safety copy\r\n");
const QByteArray plainTexts("Texts: tab-separated\r\n");
const QByteArray encodedTexts("Texts: percent-encoded\r\n");
const QByteArray bodyHeader("Valid Definition File\r\n");
const QByteArray trailer("End of safety copy\r\n");
const QByteArray typedLine("Typed: ");
const QString copySuffix = QStringLiteral(".copy");

bool needsEncoding(QStringView text)
{
    for (const QChar c : text) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

QByteArray percent(QStringView text)
{
    return QUrl::toPercentEncoding(text.toString());
}

// The reverse of percent(); a leading byte-order mark is text like any other character.
QString unpercent(QByteArrayView text)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArray::fromPercentEncoding(text.toByteArray()));
}

Failure damaged(const QString &why)
{
    return Failure(QStringLiteral("The safety copy is damaged: %1").arg(why));
}

// The value of a "Name: value" header line at `offset`, which moves past it.
QByteArray headerValue(const QByteArray &bytes, qsizetype &offset, QByteArrayView name)
{
    const qsizetype end = bytes.indexOf("\r\n", offset);
    if (end < 0 || !QByteArrayView(bytes).sliced(offset, end - offset).startsWith(name))
        throw damaged(QStringLiteral("a header line is missing"));
    const QByteArray value = bytes.mid(offset + name.size(), end - offset - name.size());
    offset = end + 2;
    return value;
}
} // namespace

void SafetyCopySchedule::changed(qint64 now, bool unsaved)
{
    if (unsaved) {
        if (m_first < 0)
            m_first = now;
        m_last = now;
        m_remove = false;
    } else {
        m_first = m_last = -1;
        m_remove = true;
    }
}

SafetyCopySchedule::Action SafetyCopySchedule::take(qint64 now)
{
    if (m_remove) {
        m_remove = false;
        return Action::Remove;
    }
    if (m_first >= 0 && now >= nextDue()) {
        m_first = m_last = -1;
        return Action::Write;
    }
    return Action::None;
}

qint64 SafetyCopySchedule::nextDue() const
{
    if (m_remove)
        return 0;
    if (m_first < 0)
        return -1;
    return std::min(m_last + quietMs, m_first + latestMs);
}

QByteArray encodeSafetyCopy(const TermStore &entries, const QString &fileName, const TypedTexts &typed)
{
    bool encoded = false;
    for (int i = 0; i < entries.size() && !encoded; ++i)
        encoded = needsEncoding(entries.term(i)) || needsEncoding(entries.definition(i));
    QByteArray out = magic;
    out += "File: " + percent(fileName) + "\r\n";
    // Percent-encoded, neither text holds a colon or a line break.
    if (!typed.isEmpty())
        out += typedLine + percent(typed.term) + "::" + percent(typed.definition) + "\r\n";
    out += "Entries: " + QByteArray::number(entries.size()) + "\r\n";
    out += encoded ? encodedTexts : plainTexts;
    if (encoded) {
        out += bodyHeader;
        for (int i = 0; i < entries.size(); ++i)
            out += percent(entries.term(i)) + "::" + percent(entries.definition(i)) + "\r\n";
    } else {
        out += encodeDefinitionFile(entries, u"\t");
    }
    out += trailer;
    return out;
}

SafetyCopyContent decodeSafetyCopy(const QByteArray &bytes)
{
    if (!bytes.startsWith(magic))
        throw damaged(QStringLiteral("it is not a safety copy"));
    if (!bytes.endsWith(trailer))
        throw damaged(QStringLiteral("it ends early"));
    qsizetype offset = magic.size();
    SafetyCopyContent content;
    content.fileName = unpercent(headerValue(bytes, offset, "File: "));
    if (QByteArrayView(bytes).sliced(offset).startsWith(typedLine)) {
        const QByteArray typed = headerValue(bytes, offset, typedLine);
        const qsizetype cut = typed.indexOf("::");
        if (cut < 0)
            throw damaged(QStringLiteral("its typed texts are garbled"));
        content.typed = {unpercent(QByteArrayView(typed).first(cut)),
                         unpercent(QByteArrayView(typed).sliced(cut + 2))};
    }
    bool counted = false;
    const int count = headerValue(bytes, offset, "Entries: ").toInt(&counted);
    const QByteArray texts = headerValue(bytes, offset, "Texts: ");
    const QByteArrayView body = QByteArrayView(bytes).sliced(offset, bytes.size() - offset - trailer.size());
    if (!counted || !body.startsWith(bodyHeader))
        throw damaged(QStringLiteral("its header is garbled"));
    if (texts == plainTexts.sliced(7, plainTexts.size() - 9)) {
        content.entries = readDefinitionEntries(body.toByteArray(), u"\t");
    } else if (texts == encodedTexts.sliced(7, encodedTexts.size() - 9)) {
        for (QByteArrayView line : QByteArrayView(body).sliced(bodyHeader.size()).toByteArray().split('\n')) {
            if (line.isEmpty())
                continue;
            const qsizetype cut = line.indexOf("::");
            if (cut < 0 || !line.endsWith('\r'))
                throw damaged(QStringLiteral("an entry is garbled"));
            content.entries.append(unpercent(line.first(cut)), unpercent(line.sliced(cut + 2).chopped(1)));
        }
    } else {
        throw damaged(QStringLiteral("its texts are of an unknown kind"));
    }
    if (content.entries.size() != count)
        throw damaged(
            QStringLiteral("it holds %1 of its %2").arg(content.entries.size()).arg(entryCountText(count)));
    return content;
}

SafetyCopyFiles::SafetyCopyFiles(const QString &folder)
    : m_folder(folder)
{
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    // Only the user may look into the copies of his lists.
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString id = QStringLiteral("session-%1-%2")
                           .arg(QCoreApplication::applicationPid())
                           .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
    m_ownPath = QDir(folder).filePath(id + copySuffix);
    m_ownLock = std::make_unique<QLockFile>(m_ownPath + QStringLiteral(".lock"));
    m_usable = m_ownLock->tryLock(0);
}

SafetyCopyFiles::~SafetyCopyFiles() = default;

std::vector<SafetyCopyFiles::Orphan> SafetyCopyFiles::orphans() const
{
    std::vector<Orphan> found;
    if (!m_usable)
        return found;
    // Names are matched here rather than by QDir's name filters, which would bring in the regular
    // expression engine at every start.
    const QFileInfoList files = QDir(m_folder).entryInfoList(QDir::Files, QDir::Time);
    const QString lockSuffix = copySuffix + QStringLiteral(".lock");
    // Locks of sessions that ended before they wrote any copy: nothing to offer, only litter.
    for (const QFileInfo &lockFile : files) {
        if (!lockFile.fileName().endsWith(lockSuffix, Qt::CaseInsensitive))
            continue;
        const QString copy = lockFile.filePath().chopped(5);
        QLockFile stale(lockFile.filePath());
        if (copy != m_ownPath && !QFileInfo::exists(copy) && stale.tryLock(0))
            stale.unlock();
    }
    for (const QFileInfo &copy : files) {
        if (copy.filePath() == m_ownPath || !copy.fileName().endsWith(copySuffix, Qt::CaseInsensitive))
            continue;
        // A running program holds its copy's lock; a dead one's lock is stale and taken over.
        auto lock = std::make_unique<QLockFile>(copy.filePath() + QStringLiteral(".lock"));
        if (lock->tryLock(0))
            found.push_back({copy.filePath(), std::move(lock)});
    }
    return found;
}

std::optional<QString> SafetyCopyFiles::setAside(const QString &path)
{
    // No longer ending in the copies' suffix, it is not offered again.
    const QString aside = path + QStringLiteral(".damaged-")
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddThhmmsszzz"));
    if (!QFile::rename(path, aside))
        return std::nullopt;
    return aside;
}

SafetyCopyWriter::SafetyCopyWriter(QString path)
    : m_path(std::move(path))
{
    // One at a time and in order: a removal never overtakes the write before it.
    m_pool.setMaxThreadCount(1);
}

SafetyCopyWriter::~SafetyCopyWriter()
{
    finish();
}

void SafetyCopyWriter::write(std::shared_ptr<const TermStore> entries,
                             const QString &fileName,
                             const TypedTexts &typed)
{
    m_pool.start([this, entries = std::move(entries), fileName, typed] {
        QString failure;
        try {
            const QByteArray bytes = encodeSafetyCopy(*entries, fileName, typed);
            // Written whole or not at all: a kill in the middle leaves the last copy as it was.
            QSaveFile file(m_path);
            bool written = false;
            if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
                file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
                if (file.write(bytes) != bytes.size())
                    failure = file.errorString();
                else if (failure = writtenToDisk(file); failure.isEmpty())
                    written = file.commit();
            }
            if (!written && failure.isEmpty())
                failure = file.errorString();
        } catch (const std::bad_alloc &) {
            failure = QStringLiteral("Out of memory");
        }
        // Said once: while the copy keeps failing, every change would only say it again.
        if (failure.isEmpty())
            m_failing = false;
        else if (!std::exchange(m_failing, true))
            qWarning("The unsaved list cannot be copied to %ls: %ls",
                     qUtf16Printable(m_path),
                     qUtf16Printable(failure));
    });
}

void SafetyCopyWriter::remove()
{
    m_pool.start([path = m_path] { QFile::remove(path); });
}

void SafetyCopyWriter::finish()
{
    m_pool.waitForDone();
}
