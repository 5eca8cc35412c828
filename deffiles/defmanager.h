// Moves the term list to and from definition files and answers questions about it.
#pragma once

#include "deffiles/termlistmodel.h"
#include "formats/foreignformats.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class ErrorTrap;
class Prompts;
class QIODevice;

class DefManager
{
public:
    // Lets tests put a device between the writer and the file, e.g. one that fails part-way.
    using OutputFilter = std::function<std::unique_ptr<QIODevice>(QIODevice &file)>;

    DefManager(Prompts &prompts, TermListModel &list);
    ~DefManager();

    // Replaces the list with the file's entries, with no history before them; on failure reports once
    // and keeps the list as it was.
    bool loadDefinitionFile(const QString &path, const QString &separator);
    // Reads a file's entries without touching the list; on failure reports once (as a load).
    std::optional<TermStore> readDefinitionFile(const QString &path, const QString &separator);
    // Reads an imported file's entries in `format`, `separator` cutting the lines of a Literal one; on
    // failure reports once (as a load) and gives nothing.
    std::optional<TermStore>
    readImportFile(const QString &path, ImportFormat format, const QString &separator);
    // Writes the list atomically and marks the history saved there; on failure reports once and the
    // old file stays as it was.
    bool saveDefinitionFile(const QString &path, const QString &separator);

    // Writes the list in `format` atomically, as a save does; the file name and up-to-date state stay.
    bool exportFile(const QString &path, ExportFormat format);

    void ClearFileName();
    QString GetFileName() const;
    QString GetTerm(int index) const;
    QString GetDefinition(int index) const;
    int GetEntryCount() const;
    // Whether the list's history stands where the list was last loaded or saved.
    bool IsFileUpToDate() const;

    // The file the list now stands for, as when a load is undone.
    void setFileName(const QString &name) { m_currentFileName = name; }

    TermListModel &list() const { return m_list; }

    void setOutputFilter(OutputFilter filter) { m_outputFilter = std::move(filter); }

private:
    // A file's entries; a failure is reported once, as a load.
    std::optional<TermStore> read(const QString &path, ImportFormat format, const QString &separator);

    // Writes through a temporary file that replaces `path` only once complete; reports a failure once.
    bool writeAtomically(ErrorTrap &trap,
                         const QString &path,
                         const std::function<void(const std::function<void(QByteArrayView)> &)> &body);

    Prompts &m_prompts;
    TermListModel &m_list;
    QString m_currentFileName;
    OutputFilter m_outputFilter;
};

// The name a load or save of `path` leaves as the current file name: its bare name, or `current`
// when the path names no folder.
QString fileNameFromPath(const QString &path, const QString &current);

// What the first bytes of a regular file show it to be; Literal when nothing is recognised.
ImportFormat recogniseImportFile(const QString &path);

// Whether saving over `path` could cost another kind of file: it exists, holds something, and does not
// start with a definition file's header.
bool holdsAnotherKindOfFile(const QString &path);

// The whole content of a regular file of at most maxDefinitionFileBytes; throws a Failure otherwise.
QByteArray readTextFileBytes(const QString &path);
