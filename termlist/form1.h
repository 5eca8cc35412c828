// The main window: the term list, the box for adding a term and the eight commands.
#pragma once

#include "common/services.h"
#include "termlist/listhistory.h"
#include "ui/designedwindow.h"

#include <optional>
#include <vector>

class Announcer;
class DefManager;
class MistakeEntries;
class QAction;
class TestOptionsGate;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class TermListView;

class Form1 : public DesignedWindow
{
    Q_OBJECT

public:
    // The test options window behind `options` may be created only when first asked for; `mistakes`
    // are those of the last test, which the list's menu offers to practise.
    Form1(const Services &services,
          DefManager &defs,
          TestOptionsGate &options,
          const MistakeEntries &mistakes,
          ProgramLifetime &lifetime);
    ~Form1() override;

    // The start-up sequence: file name, skin, pointer, columns, caption, icon, title.
    void Form_Load();

    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton8_Click();

    // Imports the text files the open dialog names, asking each file's separator.
    void importFiles(const QStringList &paths);

    // "Export List As…": asks where and in which format, then writes the list there. The list, its
    // file name and its up-to-date state stay as they are.
    void exportList();

    // The list of a session that ended without saving it, brought back as unsaved work.
    void restoreList(TermStore entries, const QString &fileName);
    // What that session's Term and Definition boxes held, put back into them.
    void restoreTypedTexts(const QString &term, const QString &definition);

    // What the Term and Definition boxes hold, not added to the list yet.
    QString typedTerm() const;
    QString typedDefinition() const;

    // Runs the save command; true when the list was written.
    bool saveList();
    // Before a command replaces the list: true when there are no unsaved edits or the user agrees.
    bool mayReplaceList();

    // "Practise the N Mistakes of the Last Test" (Ctrl+R): the options window as "Start Taking Test"
    // opens it, for a test of those entries alone.
    void practiseMistakes();

    // Find… (Ctrl+F): asks for a text, then selects the next entry that holds it.
    void findEntry();
    // Find Next (F3): the next entry after the current one that holds the text last asked for.
    void findNextEntry();

signals:
    // The list or its up-to-date state changed (an edit, an undo, a load, a save), or the text in
    // the Term or Definition box did.
    void listStateChanged();

private:
    void buildControls();
    void ApplySkin();
    void Text1_Enter();
    void Text2_Enter();
    QString id(const char *procedure) const;
    // "Start Taking Test", for the whole list or for `entries` alone.
    void openTestOptions(const QString &procedure, std::optional<std::vector<int>> entries);
    void loadSample();
    // Before a save: true when no text holds the file's separator or the user saves anyway.
    bool maySaveSeparatorTexts();
    // Before a KVTML export: true when every text can be written as it is or the user exports anyway.
    bool mayExportToKvtml();
    // Asks before a save replaces a file that is not a definition file (an imported KVTML, a CSV).
    bool mayReplaceOtherKind(const QString &path);
    // A screen reader hears the list's current row, its place and both its texts, as the list gets
    // the focus, and the column an editor opened in it edits.
    void tellFocus(QWidget *now);
    // "row 12 of 50".
    QString rowPlace(int row) const;
    void buildListMenu();
    void showListMenu(int row, const QPoint &globalPosition);
    void editCell(int column);
    bool focusInEntryBox() const;

    const Services &m_services;
    DefManager &m_defs;
    TestOptionsGate &m_options;
    const MistakeEntries &m_mistakes;
    Announcer *m_announcer = nullptr;
    ListHistory m_history;
    // Where the file dialogs open: the folder of the file last imported or saved, and the folder of
    // the last import.
    QString m_fileFolder;
    QString m_importFolder;

    TermListView *ListView1 = nullptr;
    QPushButton *PushButton1 = nullptr;
    QPushButton *PushButton2 = nullptr;
    QPushButton *PushButton3 = nullptr;
    QPushButton *PushButton4 = nullptr;
    QPushButton *PushButton5 = nullptr;
    QPushButton *PushButton6 = nullptr;
    QPushButton *PushButton7 = nullptr;
    QPushButton *PushButton8 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;

    // The list's own menu; its entry commands act on m_menuRow.
    QMenu *m_listMenu = nullptr;
    int m_menuRow = -1;
    QAction *m_editTerm = nullptr;
    QAction *m_editDefinition = nullptr;
    QAction *m_removeEntry = nullptr;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    QAction *m_findNext = nullptr;
    QAction *m_exportList = nullptr;
    QAction *m_practise = nullptr;
    QString m_lastSearch;
};
