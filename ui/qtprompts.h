// The prompts as Qt dialogs.
#pragma once

#include "common/prompts.h"

// Real dialogs, parented to whichever window of ours is active.
class QtPrompts : public Prompts
{
public:
    void message(const QString &text, const QString &title, Icon icon, const QString &details) override;
    bool askYesNo(const QString &text, const QString &title, Default preferred) override;
    SaveChoice askSaveDiscardCancel(const QString &text, const QString &title) override;
    QString askText(const QString &text, const QString &defaultAnswer, const QList<Preset> &presets) override;
    QStringList
    chooseFilesToOpen(const QString &title, const QString &filter, const QString &folder) override;
    QString chooseFileToSave(const QString &title,
                             const QString &filter,
                             const QString &initialName,
                             const QString &folder) override;
    SaveTarget chooseFileToSaveAs(const QString &title,
                                  const QStringList &filters,
                                  const QStringList &initialNames,
                                  const QString &folder) override;
};

// The title a box gets when none of its own is named.
QString titleOrAppTitle(const QString &title);
