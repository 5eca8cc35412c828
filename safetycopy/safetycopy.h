// A copy of unsaved work in the user's data folder, so that a crash or a kill costs nothing typed:
// written a moment after each change, removed once the list is saved, offered back after a crash.
#pragma once

#include "store/termstore.h"

#include <QByteArray>
#include <QLockFile>
#include <QString>
#include <QThreadPool>

#include <memory>
#include <optional>
#include <vector>

// When to write or remove the copy: a plain rule over times in milliseconds.
class SafetyCopySchedule
{
public:
    enum class Action { None, Write, Remove };
    // A copy follows once typing pauses this long...
    static constexpr qint64 quietMs = 1000;
    // ...and never later than this after the first change it does not hold yet.
    static constexpr qint64 latestMs = 2000;

    // The list changed at `now`; `unsaved` says whether it now differs from its file.
    void changed(qint64 now, bool unsaved);
    // What is due at `now`; taking it clears it.
    Action take(qint64 now);
    // When something falls due; -1 when nothing is pending.
    qint64 nextDue() const;

private:
    qint64 m_first = -1;
    qint64 m_last = -1;
    bool m_remove = false;
};

// What the boxes for a new entry hold but was not added to the list yet.
struct TypedTexts
{
    QString term;
    QString definition;

    bool isEmpty() const { return term.isEmpty() && definition.isEmpty(); }
};

struct SafetyCopyContent
{
    TermStore entries;
    QString fileName;
    TypedTexts typed;
};

// A header, then the entries as a definition file separated by Tab, or with every text
// percent-encoded where a text holds a Tab or a line break; a last line shows the copy is whole.
// Typed texts, when there are any, follow the file name as a line of their own; copies written
// before there was such a line read as ever.
QByteArray encodeSafetyCopy(const TermStore &entries, const QString &fileName, const TypedTexts &typed = {});
// Throws a Failure for a copy that is truncated, garbled or not a copy at all.
SafetyCopyContent decodeSafetyCopy(const QByteArray &bytes);

// The copies in one folder: this session's own, and those of sessions that ended without cleaning up.
class SafetyCopyFiles
{
public:
    // Locks this session's copy for as long as the object lives; an unusable folder disables copies.
    explicit SafetyCopyFiles(const QString &folder);
    ~SafetyCopyFiles();

    bool usable() const { return m_usable; }

    QString ownPath() const { return m_ownPath; }

    // A copy that no running program owns; its lock is ours while the object lives.
    struct Orphan
    {
        QString path;
        std::unique_ptr<QLockFile> lock;
    };

    // Newest first.
    std::vector<Orphan> orphans() const;
    // Keeps a copy that cannot be read out of the way, without destroying it. Returns the name it
    // now has; nothing when it could not be renamed and so is still at `path`.
    static std::optional<QString> setAside(const QString &path);

private:
    QString m_folder;
    QString m_ownPath;
    std::unique_ptr<QLockFile> m_ownLock;
    bool m_usable = false;
};

// Writes and removes this session's copy one after another on a thread of its own, so that a big
// list never holds up the window. A copy that cannot be written is said once on standard error,
// and again only after a write has succeeded.
class SafetyCopyWriter
{
public:
    explicit SafetyCopyWriter(QString path);
    ~SafetyCopyWriter();

    void
    write(std::shared_ptr<const TermStore> entries, const QString &fileName, const TypedTexts &typed = {});
    void remove();
    // Waits for whatever is queued.
    void finish();

private:
    QString m_path;
    // Touched only by the jobs, which the pool runs one after another.
    bool m_failing = false;
    QThreadPool m_pool;
};
