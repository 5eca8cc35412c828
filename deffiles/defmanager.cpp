#include "deffiles/defmanager.h"

#include "common/errortrap.h"
#include "common/failure.h"
#include "common/helpers.h"
#include "deffiles/definitiontext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringConverter>

#include <array>
#include <atomic>
#include <exception>
#include <fcntl.h>
#include <system_error>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {
constexpr qint64 writeChunkBytes = 1 << 20;
constexpr qint64 syncStartBytes = qint64(8) << 20;
// Below this a replaced file is freed in no time.
constexpr qint64 releaseElsewhereBytes = qint64(8) << 20;

QString id(const char *procedure)
{
    return procedureId(QStringLiteral("DefManager"), QString::fromLatin1(procedure));
}
} // namespace

QByteArray readTextFileBytes(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Failure(QStringLiteral("File not found: %1").arg(path));
    if (info.isDir())
        throw Failure(QStringLiteral("%1 is a folder, not a file").arg(path));
    // A pipe or a device could block or never end: only plain files are read.
    if (!info.isFile())
        throw Failure(QStringLiteral("%1 is not a regular file").arg(path));
    const auto refuseAbove = [&](qint64 size) {
        if (size > maxDefinitionFileBytes)
            throw Failure(QStringLiteral("%1 is too large to load: files of up to %2 MB can be read")
                              .arg(path)
                              .arg(maxDefinitionFileBytes / (1024 * 1024)));
    };
    refuseAbove(info.size());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    QByteArray bytes(qsizetype(info.size()), Qt::Uninitialized);
    const qint64 got = file.read(bytes.data(), bytes.size());
    if (got >= 0)
        bytes.truncate(got);
    // A file that grew since it was measured is read to its end, within the limit.
    if (got == info.size() && !file.atEnd())
        bytes += file.read(maxDefinitionFileBytes + 1 - bytes.size());
    if (file.error() != QFileDevice::NoError)
        throw Failure(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    refuseAbove(bytes.size());
    return bytes;
}

ImportFormat recogniseImportFile(const QString &path)
{
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return ImportFormat::Literal;
    // The declaration, a document type and comments come before a KVTML file's first element.
    return recogniseImportFormat(file.read(64 * 1024));
}

bool holdsAnotherKindOfFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || file.size() == 0 || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(64);
    const QStringConverter::Encoding encoding =
        QStringConverter::encodingForData(start).value_or(QStringConverter::Utf8);
    QString text = QStringDecoder(encoding).decode(start);
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    const QLatin1StringView header("Valid Definition File");
    return !text.startsWith(header)
        || (text.size() > header.size() && text[header.size()] != u'\r' && text[header.size()] != u'\n');
}

struct DefManager::Reading
{
    std::optional<TermStore> entries;
    std::exception_ptr failure;
    int failedStep = 0;
};

namespace {
// What shows that a file was changed (or made, or removed) since it was last looked at.
std::tuple<bool, qint64, qint64> fileStamp(const QString &path)
{
    const QFileInfo info(path);
    return {info.exists(), info.size(), info.lastModified().toMSecsSinceEpoch()};
}

std::optional<TermStore>
entriesOfFile(const QByteArray &bytes, const QString &path, ImportFormat format, const QString &separator)
{
    if (format == ImportFormat::Literal) {
        if (separator.isEmpty())
            throw Failure(QStringLiteral("The separator is empty"));
        std::optional<TermStore> read = readDefinitionTextFile(bytes, separator);
        if (!read)
            throw Failure(
                QStringLiteral("%1 does not look like a text file: it holds binary data").arg(path));
        return read;
    }
    const auto encoding = QStringConverter::encodingForData(bytes);
    const bool wide = encoding && *encoding != QStringConverter::Utf8;
    // XML has its own word for NUL bytes, with the line they are on.
    if (format != ImportFormat::Kvtml && !wide && bytes.contains('\0'))
        throw Failure(QStringLiteral("%1 does not look like a text file: it holds binary data").arg(path));
    try {
        switch (format) {
        case ImportFormat::Tab:
            return readQuotedFields(bytes, '\t');
        case ImportFormat::Comma:
            return readQuotedFields(bytes, ',');
        case ImportFormat::Semicolon:
            return readQuotedFields(bytes, ';');
        case ImportFormat::Anki:
            return readAnkiNotes(bytes);
        case ImportFormat::Kvtml:
        case ImportFormat::Literal:
            break;
        }
        return readKvtml(bytes);
    } catch (const FormatFault &fault) {
        throw Failure(QStringLiteral("%1 cannot be read: at line %2 %3. None of its entries were taken.")
                          .arg(path)
                          .arg(fault.line())
                          .arg(fault.reason()));
    }
}
} // namespace

struct DefManager::ReadAhead
{
    QString path;
    ImportFormat format;
    QString separator;
    std::tuple<bool, qint64, qint64> stamp;
    Reading reading;
    // The file as read, for an answer that reads it another way; null when it could not be read.
    QByteArray bytes;
    // Whoever of the two comes second frees a dropped reading's result, so it is never kept unused.
    std::atomic<bool> dropped = false;
    std::atomic<bool> finished = false;
    // Last, so that it is joined before the rest goes.
    std::jthread worker;
};

DefManager::DefManager(Prompts &prompts, TermListModel &list)
    : m_prompts(prompts)
    , m_list(list)
{ }

DefManager::~DefManager() = default;

DefManager::Reading
DefManager::read(const QString &path, ImportFormat format, const QString &separator, QByteArray *bytesRead)
{
    QByteArray bytes;
    try {
        bytes = readTextFileBytes(path);
    } catch (...) {
        Reading reading;
        reading.failure = std::current_exception();
        reading.failedStep = 104;
        return reading;
    }
    if (bytesRead)
        *bytesRead = bytes;
    return interpret(bytes, path, format, separator);
}

DefManager::Reading DefManager::interpret(const QByteArray &bytes,
                                          const QString &path,
                                          ImportFormat format,
                                          const QString &separator)
{
    Reading reading;
    try {
        reading.entries = entriesOfFile(bytes, path, format, separator);
    } catch (...) {
        reading.failure = std::current_exception();
        reading.failedStep = 108;
    }
    return reading;
}

std::optional<TermStore> DefManager::reported(Reading reading)
{
    if (!reading.failure)
        return std::move(reading.entries);
    ErrorTrap trap(m_prompts, id("loadDefinitionFile"));
    trap.step(reading.failedStep, [&] { std::rethrow_exception(reading.failure); });
    return std::nullopt;
}

std::optional<TermStore> DefManager::readDefinitionFile(const QString &path, const QString &separator)
{
    return reported(read(path, ImportFormat::Literal, separator));
}

std::optional<TermStore>
DefManager::readImportFile(const QString &path, ImportFormat format, const QString &separator)
{
    std::optional<Reading> ahead = takeReadAhead(path, format, separator);
    return reported(ahead ? std::move(*ahead) : read(path, format, separator));
}

void DefManager::readAhead(const QString &path, ImportFormat format, const QString &separator)
{
    dropReadAhead();
    auto ahead = std::make_unique<ReadAhead>();
    ahead->path = path;
    ahead->format = format;
    ahead->separator = separator;
    // Taken before the first byte is read: a change while it reads shows too.
    ahead->stamp = fileStamp(path);
    try {
        ahead->worker = startReaderThread([ahead = ahead.get()] {
            ahead->reading = read(ahead->path, ahead->format, ahead->separator, &ahead->bytes);
            ahead->finished = true;
            if (ahead->dropped) {
                ahead->reading = Reading();
                ahead->bytes = QByteArray();
            }
        });
    } catch (const std::system_error &) {
        // No thread to be had: the answer reads the file itself.
        return;
    }
    m_readAhead = std::move(ahead);
}

void DefManager::dropReadAhead()
{
    if (!m_readAhead)
        return;
    m_readAhead->dropped = true;
    if (m_readAhead->finished) {
        m_readAhead.reset();
        return;
    }
    // Still reading: it ends on its own. The one dropped before has had a whole question's time to end.
    m_dropped = std::move(m_readAhead);
}

std::optional<DefManager::Reading>
DefManager::takeReadAhead(const QString &path, ImportFormat format, const QString &separator)
{
    if (!m_readAhead || m_readAhead->path != path || m_readAhead->stamp != fileStamp(path)) {
        dropReadAhead();
        return std::nullopt;
    }
    if (m_readAhead->format != format || m_readAhead->separator != separator) {
        // Another answer: the file need not be read again once it has been, only read another way.
        if (!m_readAhead->finished || m_readAhead->bytes.isNull()) {
            dropReadAhead();
            return std::nullopt;
        }
        const QByteArray bytes = std::move(m_readAhead->bytes);
        m_readAhead.reset();
        return interpret(bytes, path, format, separator);
    }
    const std::unique_ptr<ReadAhead> ahead = std::move(m_readAhead);
    if (ahead->worker.joinable())
        ahead->worker.join();
    return std::move(ahead->reading);
}

bool DefManager::loadDefinitionFile(const QString &path, const QString &separator)
{
    std::optional<TermStore> entries = readDefinitionFile(path, separator);
    if (!entries)
        return false;
    ErrorTrap trap(m_prompts, id("loadDefinitionFile"));
    trap.step(114, [&] {
        m_list.replaceAll(std::move(*entries));
        // None of the steps before applies to these entries.
        m_list.history().clear();
    });
    trap.step(124, [&] { m_currentFileName = fileNameFromPath(path, m_currentFileName); });
    return true;
}

bool DefManager::writeAtomically(ErrorTrap &trap,
                                 const QString &path,
                                 const std::function<void(const std::function<void(QByteArrayView)> &)> &body)
{
    // The old file is replaced only once the new one is completely written.
    QSaveFile file(path);
    const bool opened = trap.step(104, [&] {
        if (QFileInfo(path).isDir())
            throw Failure(QStringLiteral("Cannot save to %1: it is a folder").arg(path));
        // Unbuffered: a write the disk refuses fails where it is made, saying why.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw Failure(QStringLiteral("Cannot save to %1: %2").arg(path, file.errorString()));
    });
    if (!opened)
        return false;
    // The kept text is written as it is, chunk by chunk, never gathered into one copy of the file.
    const bool written = trap.step(112, [&] {
        std::unique_ptr<QIODevice> filtered = m_outputFilter ? m_outputFilter(file) : nullptr;
        QIODevice &out = filtered ? *filtered : static_cast<QIODevice &>(file);
        qint64 bytesWritten = 0;
        qint64 handedOn = 0;
        body([&](QByteArrayView chunk) {
            for (qint64 done = 0; done < chunk.size();) {
                const qint64 wrote =
                    out.write(chunk.data() + done, std::min(writeChunkBytes, chunk.size() - done));
                if (wrote <= 0)
                    throw Failure(QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
                done += wrote;
                bytesWritten += wrote;
            }
#ifdef SYNC_FILE_RANGE_WRITE
            // The disk starts on what is written so far while the rest is made, so the commit's sync
            // finds little left to wait for.
            if (!filtered && bytesWritten - handedOn >= syncStartBytes && file.flush()) {
                ::sync_file_range(file.handle(), handedOn, bytesWritten - handedOn, SYNC_FILE_RANGE_WRITE);
                handedOn = bytesWritten;
            }
#endif
        });
        const QString error = writtenToDisk(file);
        if (!error.isEmpty())
            throw Failure(QStringLiteral("Cannot write %1: %2").arg(path, error));
    });
    if (!written) {
        file.cancelWriting();
        return false;
    }
    // The rename frees a replaced file's pages and blocks when nothing holds it, tens of milliseconds
    // for a big one: it is held until the new file is in place, and let go of elsewhere.
    const QFileInfo old(path);
    const int replaced = old.isFile() && old.size() >= releaseElsewhereBytes
        ? ::open(QFile::encodeName(old.absoluteFilePath()).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)
        : -1;
    const bool committed = trap.step(116, [&] {
        if (!file.commit())
            throw Failure(QStringLiteral("Cannot save %1: %2").arg(path, file.errorString()));
    });
    closeLater(replaced);
    return committed;
}

void DefManager::closeLater(int fd)
{
    if (fd < 0)
        return;
    if (m_closing.joinable())
        m_closing.join();
    try {
        m_closing = std::jthread([fd] { ::close(fd); });
    } catch (const std::system_error &) {
        ::close(fd);
    }
}

bool DefManager::saveDefinitionFile(const QString &path, const QString &separator)
{
    ErrorTrap trap(m_prompts, id("saveDefinitionFile"));
    if (!writeAtomically(trap, path, [&](const std::function<void(QByteArrayView)> &write) {
            writeDefinitionFile(m_list.store(), separator, write);
        }))
        return false;
    trap.step(118, [&] { m_currentFileName = fileNameFromPath(path, m_currentFileName); });
    trap.step(126, [&] { m_list.history().setClean(); });
    return true;
}

bool DefManager::exportFile(const QString &path, ExportFormat format)
{
    ErrorTrap trap(m_prompts, id("exportFile"));
    // The list's name, without the extension of the file it came from.
    const QString title = QFileInfo(m_currentFileName).completeBaseName();
    return writeAtomically(trap, path, [&](const std::function<void(QByteArrayView)> &write) {
        writeExport(m_list.store(), format, title, write);
    });
}

QString fileNameFromPath(const QString &path, const QString &current)
{
    // A bare name carries no folder separator and leaves the current name as it was.
    if (path.contains(QLatin1Char('/')) || path.contains(QDir::separator()))
        return bareFileName(path);
    return current;
}

void DefManager::ClearFileName()
{
    m_currentFileName.clear();
}

QString DefManager::GetFileName() const
{
    return m_currentFileName;
}

QString DefManager::GetTerm(int index) const
{
    return m_list.termAt(index);
}

QString DefManager::GetDefinition(int index) const
{
    return m_list.definitionAt(index);
}

int DefManager::GetEntryCount() const
{
    return m_list.count();
}

bool DefManager::IsFileUpToDate() const
{
    return m_list.history().isClean();
}
