#include "safetycopy/sessioncopy.h"

#include "common/helpers.h"
#include "common/prompts.h"
#include "deffiles/defmanager.h"

#include <QFile>

#include <stdexcept>

SessionSafetyCopy::SessionSafetyCopy(const QString &folder, const DefManager &defs, TypedSource typed)
    : m_defs(defs)
    , m_typed(std::move(typed))
    , m_files(folder)
    , m_writer(m_files.ownPath())
{
    m_clock.start();
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { followSchedule(); });
}

void SessionSafetyCopy::listChanged()
{
    m_schedule.changed(m_clock.elapsed(), !m_defs.IsFileUpToDate() || !typed().isEmpty());
    followSchedule();
}

TypedTexts SessionSafetyCopy::typed() const
{
    return m_typed ? m_typed() : TypedTexts();
}

void SessionSafetyCopy::followSchedule()
{
    switch (m_schedule.take(m_clock.elapsed())) {
    case SafetyCopySchedule::Action::Write:
        // The snapshot shares the list's text and records; encoding and writing happen on the
        // writer's thread.
        m_writer.write(std::make_shared<const TermStore>(m_defs.list().store().snapshot()),
                       m_defs.GetFileName(),
                       typed());
        break;
    case SafetyCopySchedule::Action::Remove:
        m_writer.remove();
        break;
    case SafetyCopySchedule::Action::None:
        break;
    }
    const qint64 due = m_schedule.nextDue();
    if (due < 0)
        m_timer.stop();
    else
        m_timer.start(int(std::max<qint64>(0, due - m_clock.elapsed())));
}

void SessionSafetyCopy::offerCopies(Prompts &prompts, const std::function<void(SafetyCopyContent)> &restore)
{
    for (SafetyCopyFiles::Orphan &orphan : m_files.orphans()) {
        QFile file(orphan.path);
        SafetyCopyContent content;
        try {
            if (!file.open(QIODevice::ReadOnly))
                throw std::runtime_error("unreadable");
            content = decodeSafetyCopy(file.readAll());
        } catch (...) {
            file.close();
            const std::optional<QString> keptAs = SafetyCopyFiles::setAside(orphan.path);
            orphan.lock->unlock();
            prompts.message(QStringLiteral("The unsaved list of an earlier session cannot be read back. ")
                                + (keptAs ? QStringLiteral("Its copy was kept as %1.").arg(*keptAs)
                                          : QStringLiteral("Its copy is still at %1.").arg(orphan.path)),
                            {},
                            Prompts::Icon::Warning);
            continue;
        }
        // An empty list with nothing typed holds nothing worth a question.
        if (content.entries.isEmpty() && content.typed.isEmpty()) {
            QFile::remove(orphan.path);
            orphan.lock->unlock();
            continue;
        }
        QString held = entryCountText(content.entries.size());
        if (!content.typed.isEmpty())
            held += QStringLiteral(" and text typed");
        const bool restoring = prompts.askYesNo(
            QStringLiteral(
                "Glossmere did not close normally. Restore the unsaved list from that session (%1)?")
                .arg(held));
        if (restoring) {
            restore(std::move(content));
            // This session writes its own copy only a second from now; until then the old copy is the
            // only one of that list, so it becomes this session's copy rather than being removed. One
            // that cannot be renamed stays where it is, to be offered again.
            if (!QFile::rename(orphan.path, m_files.ownPath())) {
                orphan.lock->unlock();
                break;
            }
        }
        QFile::remove(orphan.path);
        orphan.lock->unlock();
        // One list at a time: a second crashed session's copy waits for the next start.
        if (restoring)
            break;
    }
}

void SessionSafetyCopy::end()
{
    m_timer.stop();
    m_writer.remove();
    m_writer.finish();
}
