// Every modal question or message the program shows goes through this interface.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

class Prompts
{
public:
    enum class Icon { None, Information, Warning };
    enum class SaveChoice { Save, Discard, Cancel };
    // The button that Enter presses.
    enum class Default { Yes, No };

    // One pick the text prompt offers besides typing: what the user sees and the text it stands for.
    struct Preset
    {
        QString label;
        QString value;
    };

    // Where an export goes, and which of the offered file types (0-based) the user chose.
    struct SaveTarget
    {
        QString path;
        int filter = 0;
    };

    virtual ~Prompts() = default;

    // An empty title stands for the application title. Details, when given, are offered behind the
    // box's standard "Show Details..." button.
    virtual void message(const QString &text,
                         const QString &title = {},
                         Icon icon = Icon::None,
                         const QString &details = {}) = 0;
    virtual bool
    askYesNo(const QString &text, const QString &title = {}, Default preferred = Default::Yes) = 0;
    virtual SaveChoice askSaveDiscardCancel(const QString &text, const QString &title = {}) = 0;
    // Returns the empty text when the user cancels. A default answer that is one of the presets' values
    // opens the box with that preset chosen.
    virtual QString
    askText(const QString &text, const QString &defaultAnswer, const QList<Preset> &presets = {}) = 0;
    // Returns full paths in the order chosen; empty when cancelled. The dialogs open in `folder`.
    virtual QStringList
    chooseFilesToOpen(const QString &title, const QString &filter, const QString &folder = {}) = 0;
    // Returns the full path, or the empty text when cancelled.
    virtual QString chooseFileToSave(const QString &title,
                                     const QString &filter,
                                     const QString &initialName,
                                     const QString &folder = {}) = 0;

    // A save dialog offering several file types, each with a name of its own (`initialNames`, one per
    // filter, the first proposed at the start); an empty path when cancelled. Prompts of programs that
    // never export need not offer it.
    virtual SaveTarget chooseFileToSaveAs(const QString &title,
                                          const QStringList &filters,
                                          const QStringList &initialNames,
                                          const QString &folder = {})
    {
        Q_UNUSED(title);
        Q_UNUSED(filters);
        Q_UNUSED(initialNames);
        Q_UNUSED(folder);
        return {};
    }
};
