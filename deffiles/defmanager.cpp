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

#include <fcntl.h>

namespace {
constexpr qint64 writeChunkBytes = 1 << 20;
constexpr qint64 syncStartBytes = qint64(8) << 20;

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

namespace {
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

DefManager::DefManager(Prompts &prompts, TermListModel &list)
    : m_prompts(prompts)
    , m_list(list)
{ }

DefManager::~DefManager() = default;

std::optional<TermStore> DefManager::read(const QString &path, ImportFormat format, const QString &separator)
{
    ErrorTrap trap(m_prompts, id("loadDefinitionFile"));
    QByteArray bytes;
    if (!trap.step(104, [&] { bytes = readTextFileBytes(path); }))
        return std::nullopt;
    std::optional<TermStore> entries;
    trap.step(108, [&] { entries = entriesOfFile(bytes, path, format, separator); });
    return entries;
}

std::optional<TermStore> DefManager::readDefinitionFile(const QString &path, const QString &separator)
{
    return read(path, ImportFormat::Literal, separator);
}

std::optional<TermStore>
DefManager::readImportFile(const QString &path, ImportFormat format, const QString &separator)
{
    return read(path, format, separator);
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
    const bool committed = trap.step(116, [&] {
        if (!file.commit())
            throw Failure(QStringLiteral("Cannot save %1: %2").arg(path, file.errorString()));
    });
    return committed;
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
