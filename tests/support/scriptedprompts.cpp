#include "tests/support/scriptedprompts.h"

#include "ui/qtprompts.h"

template <typename T> T ScriptedPrompts::next(const PromptRecord &record, T fallback)
{
    records.append(record);
    if (whileShown)
        whileShown(record);
    if (m_script.isEmpty()) {
        m_problems.append(QStringLiteral("unexpected prompt: ") + record.text + record.title);
        return fallback;
    }
    const Answer answer = m_script.takeFirst();
    if (const T *value = std::get_if<T>(&answer))
        return *value;
    m_problems.append(QStringLiteral("scripted answer of the wrong kind for: ") + record.text + record.title);
    return fallback;
}

void ScriptedPrompts::message(const QString &text, const QString &title, Icon icon, const QString &details)
{
    records.append(
        {PromptRecord::Kind::Message, text, titleOrAppTitle(title), icon, {}, {}, {}, {}, details});
    if (whileShown)
        whileShown(records.last());
}

bool ScriptedPrompts::askYesNo(const QString &text, const QString &title, Default preferred)
{
    return next<bool>({PromptRecord::Kind::YesNo,
                       text,
                       titleOrAppTitle(title),
                       Icon::None,
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       preferred},
                      false);
}

Prompts::SaveChoice ScriptedPrompts::askSaveDiscardCancel(const QString &text, const QString &title)
{
    return next<SaveChoice>(
        {PromptRecord::Kind::SaveDiscardCancel, text, titleOrAppTitle(title), Icon::None, {}, {}, {}, {}, {}},
        SaveChoice::Cancel);
}

QString
ScriptedPrompts::askText(const QString &text, const QString &defaultAnswer, const QList<Preset> &presets)
{
    return next<QString>(
        {PromptRecord::Kind::Text, text, titleOrAppTitle({}), Icon::None, defaultAnswer, {}, {}, presets, {}},
        QString());
}

QStringList
ScriptedPrompts::chooseFilesToOpen(const QString &title, const QString &filter, const QString &folder)
{
    return next<QStringList>(
        {PromptRecord::Kind::OpenFiles, {}, title, Icon::None, {}, filter, {}, {}, {}, folder}, {});
}

QString ScriptedPrompts::chooseFileToSave(const QString &title,
                                          const QString &filter,
                                          const QString &initialName,
                                          const QString &folder)
{
    return next<QString>(
        {PromptRecord::Kind::SaveFile, {}, title, Icon::None, {}, filter, initialName, {}, {}, folder}, {});
}

Prompts::SaveTarget ScriptedPrompts::chooseFileToSaveAs(const QString &title,
                                                        const QStringList &filters,
                                                        const QStringList &initialNames,
                                                        const QString &folder)
{
    const PromptRecord record{PromptRecord::Kind::SaveFileAs,
                              {},
                              title,
                              Icon::None,
                              {},
                              filters.join(QStringLiteral(";;")),
                              initialNames.join(QStringLiteral(";;")),
                              {},
                              {},
                              folder};
    return next<SaveTarget>(record, {});
}

QList<PromptRecord> ScriptedPrompts::ofKind(PromptRecord::Kind kind) const
{
    QList<PromptRecord> found;
    for (const PromptRecord &record : records) {
        if (record.kind == kind)
            found.append(record);
    }
    return found;
}

QString ScriptedPrompts::problems() const
{
    QStringList all = m_problems;
    if (!m_script.isEmpty())
        all.append(QStringLiteral("%1 scripted answer(s) never used").arg(m_script.size()));
    return all.join(QLatin1Char('\n'));
}

void ScriptedPrompts::reset()
{
    records.clear();
    m_script.clear();
    m_problems.clear();
}
