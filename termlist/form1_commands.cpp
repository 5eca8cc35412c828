// The main window's commands on the term list.
#include "common/busypointer.h"
#include "common/contact.h"
#include "common/errortrap.h"
#include "common/prompts.h"
#include "deffiles/defmanager.h"
#include "termlist/form1.h"
#include "termlist/termlistview.h"
#include "termlist/testoptionsgate.h"

#include <QItemSelectionModel>
#include <QLineEdit>

void Form1::PushButton4_Click()
{
    ErrorTrap trap(m_services.prompts, id("PushButton4_Click"));
    QString term;
    QString definition;
    bool incomplete = true;
    trap.step(104, [&] {
        term = Text1->text();
        definition = Text2->text();
        incomplete = term.isEmpty() || definition.isEmpty();
    });
    if (incomplete)
        return;
    trap.step(106, [&] { m_history.add({term, definition}); });
    trap.step(110, [&] { Text1->clear(); });
    trap.step(112, [&] { Text2->clear(); });
    trap.step(114, [&] { Text1->setFocus(); });
}

void Form1::PushButton7_Click()
{
    ErrorTrap trap(m_services.prompts, id("PushButton7_Click"));
    bool empty = true;
    trap.step(100, [&] { empty = m_defs.GetEntryCount() == 0; });
    if (empty)
        return;
    bool confirmed = false;
    trap.step(102, [&] {
        confirmed =
            m_services.prompts.askYesNo(QStringLiteral("Are you sure you wish to delete the selected term?"),
                                        QStringLiteral("Confirm Delete"));
    });
    if (!confirmed)
        return;
    trap.step(104, [&] {
        const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
        if (selected.isEmpty()) {
            m_services.prompts.message(
                QStringLiteral("No term is selected. Click a term in the list, then remove it."));
            return;
        }
        m_history.remove(selected.first().row());
    });
}

void Form1::PushButton6_Click()
{
    ErrorTrap trap(m_services.prompts, id("PushButton6_Click"));
    bool empty = true;
    trap.step(100, [&] { empty = m_defs.GetEntryCount() == 0; });
    if (empty)
        return;
    bool confirmed = false;
    trap.step(102, [&] {
        confirmed = m_services.prompts.askYesNo(QStringLiteral("Are you sure you wish to delete all terms?"));
    });
    if (!confirmed)
        return;
    trap.step(104, [&] { m_history.clear(); });
}

void Form1::PushButton2_Click()
{
    saveList();
}

bool Form1::saveList()
{
    ErrorTrap trap(m_services.prompts, id("PushButton2_Click"));
    QString path;
    trap.step(108, [&] {
        path = m_services.prompts.chooseFileToSave(QStringLiteral("Saving Definition File"),
                                                   QStringLiteral("Text Files (*.txt)"),
                                                   m_defs.GetFileName());
    });
    if (path.isEmpty())
        return false;
    bool saved = false;
    trap.step(118, [&] {
        const BusyPointer busy;
        saved = m_defs.saveDefinitionFile(path, QStringLiteral("::"));
    });
    return saved;
}

bool Form1::mayReplaceList()
{
    if (m_defs.IsFileUpToDate())
        return true;
    return m_services.prompts.askYesNo(
        QStringLiteral("The term list has changes that have not been saved. Replace them anyway?"),
        QStringLiteral("Unsaved Changes"));
}

void Form1::PushButton3_Click()
{
    // Unsaved typing is never replaced without a question.
    if (!mayReplaceList())
        return;
    loadSample();
}

void Form1::loadSample()
{
    ErrorTrap trap(m_services.prompts, id("PushButton3_Click"));
    QString path;
    trap.step(100, [&] { path = m_services.programFile(QStringLiteral("/Sample/sample_glossbox.txt")); });
    const BusyPointer busy;
    std::optional<TermStore> entries;
    trap.step(106, [&] { entries = m_defs.readDefinitionFile(path, QStringLiteral("::")); });
    if (entries)
        trap.step(106, [&] { m_history.replace(std::move(*entries), path, false); });
}

void Form1::PushButton1_Click()
{
    ErrorTrap trap(m_services.prompts, id("PushButton1_Click"));
    bool upToDate = true;
    trap.step(100, [&] { upToDate = m_defs.IsFileUpToDate(); });
    if (!upToDate) {
        bool save = false;
        trap.step(102, [&] {
            save = m_services.prompts.askYesNo(
                QStringLiteral("The current definition file is not up to date, would "
                               "you like to save it before doing a test?"),
                QStringLiteral("Save File?"));
        });
        if (save)
            trap.step(104, [&] { saveList(); });
    }
    bool empty = true;
    trap.step(106, [&] { empty = m_defs.GetEntryCount() == 0; });
    if (empty) {
        trap.step(108, [&] {
            m_services.prompts.message(QStringLiteral("There are no definition entries found."));
        });
        return;
    }
    trap.step(110, [&] { hide(); });
    trap.step(112,
              [&] { m_options.setFileNameCaption(QStringLiteral("Filename: ") + m_defs.GetFileName()); });
    trap.step(114, [&] {
        m_options.setEntryCountCaption(QStringLiteral("Total Number of Entries: ")
                                       + QString::number(m_defs.GetEntryCount()));
    });
    trap.step(116, [&] { m_options.showOptions(); });
}

void Form1::PushButton5_Click()
{
    ErrorTrap trap(m_services.prompts, id("PushButton5_Click"));
    QStringList paths;
    trap.step(112, [&] {
        paths = m_services.prompts.chooseFilesToOpen(
            QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"),
            QStringLiteral("All Files (*.*)"));
    });
    importFiles(paths);
}

void Form1::importFiles(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    // Unsaved typing is never replaced without a question.
    if (!mayReplaceList())
        return;
    ErrorTrap trap(m_services.prompts, id("PushButton5_Click"));
    const bool several = paths.size() > 1;
    // Tab-separated exports are the most common word lists, and a tab cannot be typed into a text box.
    const QList<Prompts::Preset> presets{{QStringLiteral("⇥ Tab character"), QStringLiteral("\t")},
                                         {QStringLiteral(", (comma)"), QStringLiteral(",")},
                                         {QStringLiteral("; (semicolon)"), QStringLiteral(";")}};
    // Every file that is read adds its entries after those of the files before it.
    TermStore gathered;
    QString lastRead;
    int filesRead = 0;
    for (const QString &path : paths) {
        QString separator;
        trap.step(several ? 138 : 120, [&] {
            separator = m_services.prompts.askText(
                QStringLiteral("Enter separating character that divides the find what and the replace with:"),
                QStringLiteral("::"),
                presets);
        });
        if (separator.isEmpty())
            continue;
        const BusyPointer busy;
        std::optional<TermStore> entries = m_defs.readDefinitionFile(path, separator);
        if (!entries)
            continue;
        gathered.appendAll(std::move(*entries));
        lastRead = path;
        ++filesRead;
    }
    if (filesRead == 0)
        return;
    trap.step(several ? 142 : 124, [&] {
        const BusyPointer busy;
        m_history.replace(std::move(gathered), lastRead, filesRead > 1);
    });
}

void Form1::restoreList(TermStore entries, const QString &fileName)
{
    m_history.restore(std::move(entries), fileName);
}

void Form1::PushButton8_Click()
{
    ErrorTrap trap(m_services.prompts, id("PushButton8_Click"));
    trap.step(100, [&] {
        m_services.prompts.message(QStringLiteral("Questions? Please contact Team Tamberlux at ")
                                   + Contact::contactPage());
    });
}
