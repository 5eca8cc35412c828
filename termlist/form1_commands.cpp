// The main window's commands on the term list.
#include "common/errortrap.h"
#include "common/prompts.h"
#include "deffiles/defmanager.h"
#include "termlist/form1.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTreeView>

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
    trap.step(106, [&] {
        m_defs.list().append({term, definition});
        m_defs.setModified();
    });
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
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        m_services.prompts.message(
            QStringLiteral("No term is selected. Click a term in the list, then remove it."));
        return;
    }
    bool confirmed = false;
    trap.step(102, [&] {
        confirmed =
            m_services.prompts.askYesNo(QStringLiteral("Are you sure you wish to delete the selected term?"),
                                        QStringLiteral("Confirm Delete"));
    });
    if (!confirmed)
        return;
    trap.step(104, [&] {
        m_defs.list().removeAt(selected.first().row());
        m_defs.setModified();
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
    trap.step(104, [&] {
        m_defs.list().clear();
        m_defs.setModified();
    });
}

void Form1::PushButton1_Click()
{ }

void Form1::PushButton2_Click()
{ }

void Form1::PushButton3_Click()
{ }

void Form1::PushButton5_Click()
{ }

void Form1::PushButton8_Click()
{ }
