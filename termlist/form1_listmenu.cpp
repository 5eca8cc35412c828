// The term list's own menu and Find: the commands a user looks for on a right-click, without a
// control of their own in the designed window.
#include "common/prompts.h"
#include "deffiles/defmanager.h"
#include "store/termsearch.h"
#include "termlist/form1.h"
#include "termlist/mistakeentries.h"
#include "termlist/termlistview.h"
#include "ui/announcer.h"
#include "ui/busypointer.h"

#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QTimer>

#include <optional>

namespace {
QAction *addCommand(QMenu *menu, const char *name, const QString &text, const QList<QKeySequence> &keys = {})
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    // The keys are only shown here: they work in the window itself (F2 and Delete by the list), and a
    // shortcut of the menu's own widget keeps them from being bound twice.
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setShortcutVisibleInContextMenu(true);
    return action;
}

// The menu takes `&` as the mark of a mnemonic; a step's name is shown as it is.
QString literally(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// An item's keys as the menu shows them beside it. Qt hands them to a screen reader where Orca
// takes them for a mnemonic, which it does not read.
QString shownKeys(const QAction *action)
{
    QStringList keys;
    for (const QKeySequence &key : action->shortcuts())
        keys.append(key.toString(QKeySequence::NativeText));
    return keys.join(QStringLiteral(" or "));
}

QString spokenItem(const QAction *action)
{
    QString text = action->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
    const QString keys = shownKeys(action);
    return keys.isEmpty() ? text : text + QStringLiteral(", ") + keys;
}
} // namespace

bool Form1::focusInEntryBox() const
{
    return focusWidget() == Text1 || focusWidget() == Text2;
}

void Form1::buildListMenu()
{
    m_listMenu = new QMenu(this);
    m_listMenu->setObjectName(QStringLiteral("ListMenu"));
    m_listMenu->setAccessibleName(QStringLiteral("Term list commands"));

    m_editTerm = addCommand(m_listMenu, "EditTermCommand", QStringLiteral("Edit Term"), {Qt::Key_F2});
    m_editDefinition = addCommand(m_listMenu, "EditDefinitionCommand", QStringLiteral("Edit Definition"));
    m_removeEntry =
        addCommand(m_listMenu, "RemoveEntryCommand", QStringLiteral("Remove Entry"), {QKeySequence::Delete});
    m_listMenu->addSeparator();
    m_undo = addCommand(m_listMenu, "UndoCommand", QStringLiteral("Undo"), {QKeySequence::Undo});
    m_redo = addCommand(m_listMenu,
                        "RedoCommand",
                        QStringLiteral("Redo"),
                        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_listMenu->addSeparator();
    QAction *find =
        addCommand(m_listMenu, "FindCommand", QStringLiteral("Find…"), {QKeySequence(Qt::CTRL | Qt::Key_F)});
    m_findNext = addCommand(m_listMenu, "FindNextCommand", QStringLiteral("Find Next"), {Qt::Key_F3});
    m_listMenu->addSeparator();
    m_exportList = addCommand(m_listMenu, "ExportListCommand", QStringLiteral("Export List As…"));
    m_listMenu->addSeparator();
    m_practise = addCommand(
        m_listMenu, "PractiseMistakesCommand", practiseMistakesText(0), {QKeySequence(Qt::CTRL | Qt::Key_R)});

    connect(m_editTerm, &QAction::triggered, this, [this] { editCell(TermListModel::TermColumn); });
    connect(
        m_editDefinition, &QAction::triggered, this, [this] { editCell(TermListModel::DefinitionColumn); });
    connect(m_removeEntry, &QAction::triggered, this, &Form1::PushButton7_Click);
    connect(m_undo, &QAction::triggered, this, [this] {
        const BusyPointer busy;
        m_defs.list().history().undo();
    });
    connect(m_redo, &QAction::triggered, this, [this] {
        const BusyPointer busy;
        m_defs.list().history().redo();
    });
    connect(find, &QAction::triggered, this, &Form1::findEntry);
    connect(m_exportList, &QAction::triggered, this, &Form1::exportList);
    connect(m_findNext, &QAction::triggered, this, &Form1::findNextEntry);
    connect(m_practise, &QAction::triggered, this, &Form1::practiseMistakes);
    connect(ListView1, &TermListView::menuRequested, this, &Form1::showListMenu);
    connect(m_listMenu, &QMenu::hovered, this, [this](QAction *action) {
        // After the item itself, which Qt tells a screen reader after this signal.
        QTimer::singleShot(0, this, [this, action] {
            if (m_listMenu->isVisible() && m_listMenu->activeAction() == action
                && !shownKeys(action).isEmpty())
                m_announcer->announce(shownKeys(action));
        });
    });
    connect(ListView1, &TermListView::removeRequested, this, &Form1::PushButton7_Click);

    // Everywhere in the window but the entry boxes, where the keys keep a text box's meaning.
    const auto outsideEntryBoxes = [this](void (Form1::*command)()) {
        return [this, command] {
            if (!focusInEntryBox())
                (this->*command)();
        };
    };
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this),
            &QShortcut::activated,
            this,
            outsideEntryBoxes(&Form1::findEntry));
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this),
            &QShortcut::activated,
            this,
            outsideEntryBoxes(&Form1::findNextEntry));
    // A text box gives the key no meaning: it works everywhere in the window.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this),
            &QShortcut::activated,
            this,
            &Form1::practiseMistakes);
}

void Form1::showListMenu(int row, const QPoint &globalPosition)
{
    m_menuRow = row >= 0 && row < m_defs.GetEntryCount() ? row : -1;
    const bool onEntry = m_menuRow >= 0;
    m_editTerm->setEnabled(onEntry);
    m_editDefinition->setEnabled(onEntry);
    m_removeEntry->setEnabled(onEntry);
    const QUndoStack &stack = m_defs.list().history();
    m_undo->setEnabled(stack.canUndo());
    m_undo->setText(stack.canUndo() ? QStringLiteral("Undo ") + literally(stack.undoText())
                                    : QStringLiteral("Undo"));
    m_redo->setEnabled(stack.canRedo());
    m_redo->setText(stack.canRedo() ? QStringLiteral("Redo ") + literally(stack.redoText())
                                    : QStringLiteral("Redo"));
    m_findNext->setEnabled(!m_lastSearch.isEmpty());
    m_exportList->setEnabled(m_defs.GetEntryCount() > 0);
    m_practise->setEnabled(m_mistakes.count() > 0);
    m_practise->setText(practiseMistakesText(m_mistakes.count()));
    m_listMenu->popup(globalPosition);
    // Qt tells a screen reader nothing of a menu that opens until an item is chosen in it: the menu
    // and what it offers, as the arrow keys reach them.
    QStringList said{m_listMenu->accessibleName() + QStringLiteral(" menu")};
    for (const QAction *action : m_listMenu->actions()) {
        if (!action->isSeparator() && action->isEnabled())
            said.append(spokenItem(action));
    }
    m_announcer->announce(said.join(QLatin1Char('\n')));
}

void Form1::editCell(int column)
{
    if (m_menuRow < 0 || m_menuRow >= m_defs.GetEntryCount())
        return;
    const QModelIndex cell = m_defs.list().index(m_menuRow, column);
    ListView1->setFocus();
    ListView1->selectionModel()->setCurrentIndex(
        cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListView1->edit(cell);
}

void Form1::findEntry()
{
    const QString text = m_services.prompts.askText(
        QStringLiteral("Find the next entry whose term or definition contains:"), m_lastSearch);
    if (text.isEmpty())
        return;
    m_lastSearch = text;
    findNextEntry();
}

void Form1::findNextEntry()
{
    if (m_lastSearch.isEmpty()) {
        findEntry();
        return;
    }
    const TermSearch search(m_lastSearch);
    TermSearch::Match match;
    {
        // The busy pointer only for a search long enough to be noticed.
        QElapsedTimer searching;
        searching.start();
        std::optional<BusyPointer> busy;
        match = search.findAfter(m_defs.list().store(), ListView1->currentIndex().row(), [&] {
            if (!busy && searching.elapsed() > 100)
                busy.emplace();
        });
    }
    if (!match.found()) {
        m_services.prompts.message(QStringLiteral("No entry contains “") + m_lastSearch
                                   + QStringLiteral("”."));
        return;
    }
    const QModelIndex cell = m_defs.list().index(match.position, match.column);
    ListView1->selectionModel()->setCurrentIndex(
        cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListView1->scrollTo(cell);
    ListView1->setFocus();
}
