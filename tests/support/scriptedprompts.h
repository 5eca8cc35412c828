// Prompts for tests: records every prompt and answers from a script; unexpected prompts are noted.
#pragma once

#include "common/prompts.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <variant>

struct PromptRecord
{
    enum class Kind { Message, YesNo, SaveDiscardCancel, Text, OpenFiles, SaveFile, SaveFileAs };
    Kind kind;
    QString text;
    QString title; // as the user sees it: the application title stands in for an empty one
    Prompts::Icon icon = Prompts::Icon::None;
    QString defaultAnswer;
    QString filter; // a save dialog offering several types: joined by ";;"
    QString initialName;
    QList<Prompts::Preset> presets;
    QString details;
    QString folder = {};
    Prompts::Default preferred = Prompts::Default::Yes;
};

class ScriptedPrompts : public Prompts
{
public:
    using Answer = std::variant<bool, QString, QStringList, SaveChoice, SaveTarget>;

    void script(Answer answer) { m_script.append(std::move(answer)); }

    void answerYes() { script(true); }

    void answerNo() { script(false); }

    void answerText(const QString &text) { script(text); }

    void answerFiles(const QStringList &paths) { script(paths); }

    void answerSavePath(const QString &path) { script(path); }

    void answerChoice(SaveChoice choice) { script(choice); }

    void answerSaveTarget(const QString &path, int filter) { script(SaveTarget{path, filter}); }

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

    QList<PromptRecord> records;
    // Runs as each prompt is shown, before it is answered: lets a test act while a box is open.
    std::function<void(const PromptRecord &)> whileShown;

    QList<PromptRecord> ofKind(PromptRecord::Kind kind) const;
    // Prompts that came without a scripted answer, answers left unused: empty when all went as scripted.
    QString problems() const;
    void reset();

private:
    template <typename T> T next(const PromptRecord &record, T fallback);

    QList<Answer> m_script;
    QStringList m_problems;
};
