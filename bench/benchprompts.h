// Prompts for benchmarks: a box would block the run, so reports are printed and every question gets
// the one answer the benchmark needs.
#pragma once

#include "common/prompts.h"

#include <cstdio>

class BenchPrompts : public Prompts
{
public:
    // yes: Yes to every Yes/No question and Discard to an unsaved list; otherwise No and Cancel.
    explicit BenchPrompts(bool yes)
        : m_yes(yes)
    { }

    void message(const QString &text, const QString &, Icon, const QString &) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }

    bool askYesNo(const QString &, const QString &, Default) override { return m_yes; }

    SaveChoice askSaveDiscardCancel(const QString &, const QString &) override
    {
        return m_yes ? SaveChoice::Discard : SaveChoice::Cancel;
    }

    QString askText(const QString &, const QString &, const QList<Preset> &) override { return {}; }

    QStringList chooseFilesToOpen(const QString &, const QString &, const QString &) override { return {}; }

    QString chooseFileToSave(const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }

private:
    bool m_yes;
};
