#include "app/glossmereapp.h"
#include "termlist/form1.h"
#include "tests/support/scriptedprompts.h"
#include "tests/support/testsupport.h"
#include "ui/announcer.h"

#include <QApplication>
#include <QHoverEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

// Typing, adding, removing and clearing entries through the main window, as a user does.
class TestTermList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void add_buttonKeepsTextsUntrimmed();
    void add_incompleteInputIsIgnoredSilently_data();
    void add_incompleteInputIsIgnoredSilently();
    void add_sameTermTwiceGivesTwoEntries();
    void add_newEntryIsShownAndCurrent();
    void add_pastedLineBreaksAndNulsBecomeSpaces();
    void enter_movesFocusOrAdds();
    void enter_inDefinitionWithEmptyTermMovesToTerm();
    void remove_keepsOrderAndUndoPutsItBack_data();
    void remove_keepsOrderAndUndoPutsItBack();
    void remove_noKeepsTheList();
    void remove_withoutSelectionAsksFirst();
    void removeAndClear_emptyListAsksNothing();
    void clear_asksAndEmpties();
    void userText_isKeptLiterally();
    void edit_f2EditsEscCancelsEmptyRefused();
    void list_rowsKeysAndPointerAsInAReportList();
    void undo_everyChangeBackToTheSavedState();
    void undo_inTheTermBoxUndoesTheTyping();
    void focusMark_onTheCellThatF2Edits_data();
    void focusMark_onTheCellThatF2Edits();
    void screenReader_toldEveryChangeAndTheRowOnFocus();

private:
    void type(QLineEdit *box, const QString &text);
    void addEntry(const QString &term, const QString &definition);

    TermEntries entries() const { return m_app->defs().list().entries(); }

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    ScriptedRandom m_random;
    RecordingSoundDevice m_sound;
    InstantPause m_pause;
    std::unique_ptr<GlossmereApp> m_app;
    Form1 *m_form = nullptr;
};

void TestTermList::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
}

void TestTermList::init()
{
    m_prompts = std::make_unique<ScriptedPrompts>();
    m_app = std::make_unique<GlossmereApp>(
        builtProgramFolder(), *m_prompts, m_random, m_pause, m_settings->settings(), m_sound);
    m_app->start();
    m_form = &m_app->form1();
    QApplication::setActiveWindow(m_form);
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

void TestTermList::cleanup()
{
    QVERIFY2(m_prompts->problems().isEmpty(), qPrintable(m_prompts->problems()));
    m_app.reset();
}

void TestTermList::focusMark_onTheCellThatF2Edits_data()
{
    QTest::addColumn<bool>("selected");
    QTest::newRow("in the selected row") << true;
    QTest::newRow("in a row not selected") << false;
}

void TestTermList::focusMark_onTheCellThatF2Edits()
{
    QFETCH(bool, selected);
    m_app->defs().list().replaceAll(numberedEntries(3));
    auto *view = control<QTableView>(m_form, "ListView1");
    view->setFocus();
    view->setCurrentIndex(view->model()->index(1, 0));
    QTest::keyClick(view, Qt::Key_Right);
    if (!selected)
        view->clearSelection();
    QCOMPARE(view->currentIndex(), view->model()->index(1, 1));
    // The left edge of each cell of the row, halfway down: only the current cell's is marked.
    const auto edges = [&] {
        const QImage shot = view->viewport()->grab().toImage();
        QList<QRgb> colours;
        for (int column : {0, 1}) {
            const QRect cell = view->visualRect(view->model()->index(1, column));
            colours.append(shot.pixel(cell.left() + 1, cell.center().y()));
        }
        return colours;
    };
    const QList<QRgb> focused = edges();
    // Plainly different, not a shade (the style's own mark is one or two dozen steps from its ground).
    const auto contrast = [](QRgb a, QRgb b) {
        return std::max(
            {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
    };
    QVERIFY2(contrast(focused[0], focused[1]) >= 64, "the current cell looks like the other cell of its row");
    QTest::keyClick(view, Qt::Key_Left);
    if (!selected)
        view->clearSelection();
    const QList<QRgb> moved = edges();
    QCOMPARE(moved[0], focused[1]);
    QCOMPARE(moved[1], focused[0]);
}

void TestTermList::type(QLineEdit *box, const QString &text)
{
    box->setFocus();
    // keyClicks cannot type characters outside Latin-1; those are sent as text events. A tab cannot be
    // typed into a text box at all: it arrives the way a paste brings it.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        if (character == QStringLiteral("\t"))
            box->insert(character);
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, character, Qt::NoModifier);
    }
}

void TestTermList::addEntry(const QString &term, const QString &definition)
{
    type(control<QLineEdit>(m_form, "Text1"), term);
    type(control<QLineEdit>(m_form, "Text2"), definition);
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton4"), Qt::LeftButton);
}

void TestTermList::add_buttonKeepsTextsUntrimmed()
{
    QTest::keyClicks(control<QLineEdit>(m_form, "Text1"), QStringLiteral("  cat  "));
    QTest::keyClicks(control<QLineEdit>(m_form, "Text2"), QStringLiteral("a small animal "));
    QVERIFY(m_app->defs().IsFileUpToDate());
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton4"), Qt::LeftButton);
    QCOMPARE(entries(), (TermEntries{{QStringLiteral("  cat  "), QStringLiteral("a small animal ")}}));
    QCOMPARE(control<QTableView>(m_form, "ListView1")->model()->index(0, 0).data().toString(),
             QStringLiteral("  cat  "));
    QCOMPARE(control<QLineEdit>(m_form, "Text1")->text(), QString());
    QCOMPARE(control<QLineEdit>(m_form, "Text2")->text(), QString());
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(m_form, "Text1"));
    QVERIFY(!m_app->defs().IsFileUpToDate());
    QVERIFY(m_prompts->records.isEmpty());
}

void TestTermList::add_incompleteInputIsIgnoredSilently_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("definition");
    QTest::newRow("definition empty") << QStringLiteral("cat") << QString();
    QTest::newRow("term empty") << QString() << QStringLiteral("a small animal");
    QTest::newRow("both empty") << QString() << QString();
}

void TestTermList::add_incompleteInputIsIgnoredSilently()
{
    QFETCH(QString, term);
    QFETCH(QString, definition);
    QTest::keyClicks(control<QLineEdit>(m_form, "Text1"), term);
    QTest::keyClicks(control<QLineEdit>(m_form, "Text2"), definition);
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton4"), Qt::LeftButton);
    QCOMPARE(entries().size(), 0);
    QCOMPARE(control<QLineEdit>(m_form, "Text1")->text(), term);
    QCOMPARE(control<QLineEdit>(m_form, "Text2")->text(), definition);
    QVERIFY(m_prompts->records.isEmpty());
    QVERIFY(m_app->defs().IsFileUpToDate());
}

void TestTermList::add_pastedLineBreaksAndNulsBecomeSpaces()
{
    // A definition file holds one line per text and refuses a NUL: kept, they would lose the list.
    control<QLineEdit>(m_form, "Text1")->insert(QStringLiteral("two\nlines"));
    control<QLineEdit>(m_form, "Text2")->insert(QStringLiteral("a\r\nb") + QChar(0) + QStringLiteral("c\r"));
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton4"), Qt::LeftButton);
    QCOMPARE(entries(), (TermEntries{{QStringLiteral("two lines"), QStringLiteral("a b c ")}}));
    QAbstractItemModel *model = control<QTableView>(m_form, "ListView1")->model();
    QVERIFY(model->setData(model->index(0, 1), QStringLiteral("x\ny")));
    QCOMPARE(entries(), (TermEntries{{QStringLiteral("two lines"), QStringLiteral("x y")}}));
}

void TestTermList::add_sameTermTwiceGivesTwoEntries()
{
    addEntry(QStringLiteral("cat"), QStringLiteral("a small animal"));
    addEntry(QStringLiteral("cat"), QStringLiteral("a small animal"));
    QCOMPARE(entries().size(), 2);
    QCOMPARE(entries()[0], entries()[1]);
}

void TestTermList::add_newEntryIsShownAndCurrent()
{
    TermStore store;
    for (int i = 0; i < 500; ++i)
        store.append(QStringLiteral("term %1").arg(i), QStringLiteral("definition"));
    m_app->defs().list().replaceAll(std::move(store));
    auto *view = control<QTableView>(m_form, "ListView1");
    view->selectRow(3);
    addEntry(QStringLiteral("new"), QStringLiteral("entry"));
    const QModelIndex added = view->model()->index(500, 0);
    QCOMPARE(added.data().toString(), QStringLiteral("new"));
    QCOMPARE(view->currentIndex().row(), 500);
    QCOMPARE(view->selectionModel()->selectedRows(), QModelIndexList{added});
    QVERIFY(view->viewport()->rect().contains(view->visualRect(added)));
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(m_form, "Text1"));
}

void TestTermList::enter_movesFocusOrAdds()
{
    control<QLineEdit>(m_form, "Text1")->setFocus();
    QTest::keyClicks(control<QLineEdit>(m_form, "Text1"), QStringLiteral("dog"));
    QTest::keyClick(control<QLineEdit>(m_form, "Text1"), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(m_form, "Text2"));
    QCOMPARE(entries().size(), 0);
    QTest::keyClicks(control<QLineEdit>(m_form, "Text2"), QStringLiteral("a loyal pet"));
    QTest::keyClick(control<QLineEdit>(m_form, "Text2"), Qt::Key_Enter); // the keypad's Enter works too
    QCOMPARE(entries(), (TermEntries{{QStringLiteral("dog"), QStringLiteral("a loyal pet")}}));
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(m_form, "Text1"));
    QVERIFY(control<QLineEdit>(m_form, "Text1")->text().isEmpty()
            && control<QLineEdit>(m_form, "Text2")->text().isEmpty());

    // Both filled and Enter in either box adds as well; a blank-only text is filled, as for the button.
    QTest::keyClicks(control<QLineEdit>(m_form, "Text2"), QStringLiteral(" "));
    QTest::keyClicks(control<QLineEdit>(m_form, "Text1"), QStringLiteral("elephant"));
    QTest::keyClick(control<QLineEdit>(m_form, "Text1"), Qt::Key_Return);
    QTest::keyClicks(control<QLineEdit>(m_form, "Text1"), QStringLiteral(" "));
    QTest::keyClicks(control<QLineEdit>(m_form, "Text2"), QStringLiteral("a big animal"));
    QTest::keyClick(control<QLineEdit>(m_form, "Text2"), Qt::Key_Return);
    QCOMPARE(entries().size(), 3);
}

void TestTermList::enter_inDefinitionWithEmptyTermMovesToTerm()
{
    QTest::keyClicks(control<QLineEdit>(m_form, "Text2"), QStringLiteral("orphan definition"));
    QTest::keyClick(control<QLineEdit>(m_form, "Text2"), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(m_form, "Text1"));
    QCOMPARE(entries().size(), 0);
    QCOMPARE(control<QLineEdit>(m_form, "Text2")->text(), QStringLiteral("orphan definition"));
}

void TestTermList::remove_keepsOrderAndUndoPutsItBack_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("the first of three") << 0;
    QTest::newRow("the middle one") << 1;
}

void TestTermList::remove_keepsOrderAndUndoPutsItBack()
{
    QFETCH(int, row);
    addEntry(QStringLiteral("one"), QStringLiteral("1"));
    addEntry(QStringLiteral("two"), QStringLiteral("2"));
    addEntry(QStringLiteral("three"), QStringLiteral("3"));
    QVERIFY(m_app->defs().saveDefinitionFile(QDir::tempPath() + QStringLiteral("/glossmere-remove.txt"),
                                             QStringLiteral("::")));
    QFile::remove(QDir::tempPath() + QStringLiteral("/glossmere-remove.txt"));
    QVERIFY(m_app->defs().IsFileUpToDate());
    const TermEntries all = entries();

    auto *view = control<QTableView>(m_form, "ListView1");
    QTest::mouseClick(
        view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 0)).center());
    m_prompts->answerYes();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton7"), Qt::LeftButton);

    QCOMPARE(m_prompts->records.size(), 1);
    QCOMPARE(m_prompts->records[0].kind, PromptRecord::Kind::YesNo);
    QCOMPARE(m_prompts->records[0].text,
             QStringLiteral("Are you sure you wish to delete the selected term?"));
    QCOMPARE(m_prompts->records[0].title, QStringLiteral("Confirm Delete"));
    TermEntries left = all;
    left.removeAt(row);
    QCOMPARE(entries(), left);
    QVERIFY(!m_app->defs().IsFileUpToDate());

    view->setFocus();
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(entries(), all);
    QVERIFY(m_app->defs().IsFileUpToDate());
}

void TestTermList::remove_noKeepsTheList()
{
    addEntry(QStringLiteral("one"), QStringLiteral("1"));
    control<QTableView>(m_form, "ListView1")
        ->setCurrentIndex(control<QTableView>(m_form, "ListView1")->model()->index(0, 0));
    m_prompts->answerNo();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton7"), Qt::LeftButton);
    QCOMPARE(entries().size(), 1);
}

void TestTermList::remove_withoutSelectionAsksFirst()
{
    addEntry(QStringLiteral("one"), QStringLiteral("1"));
    control<QTableView>(m_form, "ListView1")->selectionModel()->clearSelection();
    m_prompts->answerNo();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton7"), Qt::LeftButton);
    QCOMPARE(m_prompts->records.size(), 1);
    QCOMPARE(m_prompts->records[0].title, QStringLiteral("Confirm Delete"));
    m_prompts->answerYes();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton7"), Qt::LeftButton);
    QCOMPARE(m_prompts->records.size(), 3);
    QCOMPARE(m_prompts->records[2].kind, PromptRecord::Kind::Message);
    QVERIFY(m_prompts->records[2].text.contains(QStringLiteral("No term is selected")));
    QCOMPARE(entries().size(), 1);
    QVERIFY(m_prompts->problems().isEmpty());
}

void TestTermList::removeAndClear_emptyListAsksNothing()
{
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton7"), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton6"), Qt::LeftButton);
    QVERIFY(m_prompts->records.isEmpty());
    QVERIFY(m_app->defs().IsFileUpToDate());
}

void TestTermList::clear_asksAndEmpties()
{
    addEntry(QStringLiteral("one"), QStringLiteral("1"));
    addEntry(QStringLiteral("two"), QStringLiteral("2"));
    m_prompts->answerNo();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton6"), Qt::LeftButton);
    QCOMPARE(entries().size(), 2);
    m_prompts->answerYes();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton6"), Qt::LeftButton);
    QCOMPARE(entries().size(), 0);
    QVERIFY(!m_app->defs().IsFileUpToDate());
    QCOMPARE(m_prompts->records.size(), 2);
    QCOMPARE(m_prompts->records[1].text, QStringLiteral("Are you sure you wish to delete all terms?"));
    QCOMPARE(m_prompts->records[1].title, QStringLiteral("Glossmere")); // no title of its own
}

void TestTermList::userText_isKeptLiterally()
{
    const QStringList texts{QStringLiteral("<b>x</b>"),
                            QStringLiteral("R&D"),
                            QStringLiteral("  spaced\tand tabbed  "),
                            QStringLiteral("עברית and العربية"),
                            QStringLiteral("日本語 한국어 Ελληνικά 🙂"),
                            QStringLiteral("long ").repeated(200)}; // as long as a cell shows whole
    for (const QString &text : texts)
        addEntry(text, text);
    const QAbstractItemModel *model = control<QTableView>(m_form, "ListView1")->model();
    for (int row = 0; row < texts.size(); ++row) {
        QCOMPARE(model->index(row, 0).data().toString(), texts[row]);
        QCOMPARE(model->index(row, 1).data().toString(), texts[row]);
        // No role hands Qt something it could read as markup.
        QVERIFY(!model->index(row, 0).data(Qt::ToolTipRole).isValid());
    }
}

namespace {
// Presses keys in the cell editor that F2 opened, then Enter or Esc.
void editCell(QTableView *view, const QString &text, Qt::Key close)
{
    // A closed editor goes only on the next turn of the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(view->currentIndex()));
    QVERIFY(editor);
    editor->selectAll();
    if (text.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else
        QTest::keyClicks(editor, text);
    QTest::keyClick(editor, close);
    // The delegate commits on the next turn of the event loop.
    QCoreApplication::processEvents();
}
} // namespace

void TestTermList::edit_f2EditsEscCancelsEmptyRefused()
{
    addEntry(QStringLiteral("one"), QStringLiteral("1"));
    addEntry(QStringLiteral("two"), QStringLiteral("2"));
    QTemporaryDir dir;
    m_prompts->answerSavePath(dir.filePath(QStringLiteral("saved.txt")));
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton2"), Qt::LeftButton);
    QVERIFY(m_app->defs().IsFileUpToDate());
    auto *view = control<QTableView>(m_form, "ListView1");
    view->setFocus();
    view->setCurrentIndex(view->model()->index(0, 0));
    // A double-click opens no editor.
    view->doItemsLayout();
    const QPoint cell = view->visualRect(view->currentIndex()).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
    QVERIFY(!view->indexWidget(view->currentIndex()));

    QTest::keyClick(view, Qt::Key_Right);
    editCell(view, QStringLiteral(" eins & <b>"), Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Left);
    editCell(view, QStringLiteral("uno"), Qt::Key_Escape);
    editCell(view, QString(), Qt::Key_Return);
    QCOMPARE(entries(),
             (TermEntries{{QStringLiteral("one"), QStringLiteral(" eins & <b>")},
                          {QStringLiteral("two"), QStringLiteral("2")}}));
    QVERIFY(!m_app->defs().IsFileUpToDate());
}

void TestTermList::list_rowsKeysAndPointerAsInAReportList()
{
    for (const TermEntry &entry : numberedEntries(40))
        m_app->defs().list().append(entry);
    auto *view = control<QTableView>(m_form, "ListView1");
    view->doItemsLayout();
    QCOMPARE(view->rowHeight(39), static_cast<QAbstractItemView *>(view)->sizeHintForRow(39));
    // Home and End go to the first and last entry, in the column chosen; on the last page the top
    // entry starts at the top, with no row cut off above it.
    view->setFocus();
    view->setCurrentIndex(view->model()->index(5, 1));
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(view->currentIndex(), view->model()->index(39, 1));
    QVERIFY(view->verticalScrollBar()->value() > 0);
    QCOMPARE(view->rowViewportPosition(view->verticalScrollBar()->value()), 0);
    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(view->currentIndex(), view->model()->index(0, 1));
    // Tab leaves the list for the next control rather than moving between cells.
    QTest::keyClick(view, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), control<QPushButton>(m_form, "PushButton4"));

    // The pointer over a term lights the whole row: the definition's cell takes the hover colour too.
    const int hovered = 2;
    const QPoint over(5, view->rowViewportPosition(hovered) + 2);
    QHoverEvent move(QEvent::HoverMove, over, view->viewport()->mapToGlobal(over), QPoint(-1, -1));
    QApplication::sendEvent(view->viewport(), &move);
    const QImage shot = view->viewport()->grab().toImage();
    const auto colourAt = [&](int row, int column) {
        return shot.pixelColor(view->columnViewportPosition(column) + view->columnWidth(column) - 3,
                               view->rowViewportPosition(row) + 1);
    };
    QCOMPARE(colourAt(hovered, 1), colourAt(hovered, 0));
    QVERIFY(colourAt(hovered, 1) != colourAt(hovered + 1, 1));
}

void TestTermList::undo_everyChangeBackToTheSavedState()
{
    QTemporaryDir dir;
    addEntry(QStringLiteral("one"), QStringLiteral("1"));
    addEntry(QStringLiteral("two"), QStringLiteral("2"));
    m_prompts->answerSavePath(dir.filePath(QStringLiteral("saved.txt")));
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton2"), Qt::LeftButton);
    const TermEntries saved = entries();
    QVERIFY(m_app->defs().IsFileUpToDate());
    auto *view = control<QTableView>(m_form, "ListView1");
    view->setFocus();
    const auto undo = [view] {
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    };
    const auto redo = [view](bool y) {
        if (y)
            QTest::keyClick(view, Qt::Key_Y, Qt::ControlModifier);
        else
            QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    };

    // Remove, edit, clear, add, then the sample: each one undone and redone.
    view->setCurrentIndex(view->model()->index(1, 0));
    m_prompts->answerYes();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton7"), Qt::LeftButton);
    undo();
    QCOMPARE(entries(), saved);
    QVERIFY(m_app->defs().IsFileUpToDate());
    redo(false);
    QCOMPARE(entries(), TermEntries{saved[0]});
    QVERIFY(!m_app->defs().IsFileUpToDate());
    undo();

    view->setCurrentIndex(view->model()->index(1, 1));
    editCell(view, QStringLiteral("zwei"), Qt::Key_Return);
    m_prompts->answerYes();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton6"), Qt::LeftButton);
    QVERIFY(entries().isEmpty());
    undo();
    QCOMPARE(entries()[1].definition, QStringLiteral("zwei"));
    undo();
    QCOMPARE(entries(), saved);
    QVERIFY(m_app->defs().IsFileUpToDate());
    redo(true);
    QCOMPARE(entries()[1].definition, QStringLiteral("zwei"));
    addEntry(QStringLiteral("three"), QStringLiteral("3"));
    view->setFocus();
    undo();
    QCOMPARE(entries()[1].definition, QStringLiteral("zwei"));

    m_prompts->answerYes();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton3"), Qt::LeftButton);
    QCOMPARE(m_prompts->records.last().title, QStringLiteral("Unsaved Changes"));
    QCOMPARE(m_app->defs().GetFileName(), QStringLiteral("sample_glossbox.txt"));
    QVERIFY(m_app->defs().IsFileUpToDate());
    undo();
    QCOMPARE(entries()[1].definition, QStringLiteral("zwei"));
    QCOMPARE(m_app->defs().GetFileName(), QStringLiteral("saved.txt"));
    QVERIFY(!m_app->defs().IsFileUpToDate());
    redo(true);
    QCOMPARE(entries().size(), 50);
    QVERIFY(m_app->defs().IsFileUpToDate());
}

void TestTermList::undo_inTheTermBoxUndoesTheTyping()
{
    addEntry(QStringLiteral("one"), QStringLiteral("1"));
    auto *term = control<QLineEdit>(m_form, "Text1");
    type(term, QStringLiteral("abc"));
    QTest::keyClick(term, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(term->text(), QString());
    QCOMPARE(entries().size(), 1);
}

void TestTermList::screenReader_toldEveryChangeAndTheRowOnFocus()
{
    const auto *announcer = m_form->findChild<Announcer *>();
    QVERIFY(announcer);
    auto *view = control<QTableView>(m_form, "ListView1");
    const auto undo = [view] {
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    };
    const auto redo = [view] {
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Y, Qt::ControlModifier);
    };
    const QString typed = QStringLiteral("R&D <b>");

    addEntry(QStringLiteral("one"), QStringLiteral("1"));
    QCOMPARE(announcer->text(), QStringLiteral("Added one — 1; 1 entry"));
    addEntry(typed, QStringLiteral("2"));
    QCOMPARE(announcer->text(), QStringLiteral("Added R&D <b> — 2; 2 entries"));

    // The row the list makes current as it takes the focus, both its texts and its place.
    view->setCurrentIndex(view->model()->index(1, 1));
    control<QLineEdit>(m_form, "Text1")->setFocus();
    view->setFocus();
    QTRY_COMPARE(announcer->text(), QStringLiteral("R&D <b>\n2\nrow 2 of 2"));

    // The editor is named for its column; what it commits is read back.
    QTest::keyClick(view, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(view->currentIndex()));
    QVERIFY(editor);
    QCOMPARE(editor->accessibleName(), QStringLiteral("Edit definition"));
    editor->setText(QStringLiteral("zwei"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    QCOMPARE(announcer->text(), QStringLiteral("Definition: zwei"));
    QTest::keyClick(view, Qt::Key_Left);
    QTest::keyClick(view, Qt::Key_F2);
    editor = qobject_cast<QLineEdit *>(view->indexWidget(view->currentIndex()));
    QVERIFY(editor);
    QCOMPARE(editor->accessibleName(), QStringLiteral("Edit term"));
    QTest::keyClick(editor, Qt::Key_Escape);
    QCoreApplication::processEvents();

    undo();
    QCOMPARE(announcer->text(), QStringLiteral("Undone: Edit Definition: zwei; 2 entries"));
    redo();
    QCOMPARE(announcer->text(), QStringLiteral("Redone: Edit Definition: zwei; 2 entries"));

    view->setCurrentIndex(view->model()->index(0, 0));
    m_prompts->answerYes();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton7"), Qt::LeftButton);
    QCOMPARE(announcer->text(), QStringLiteral("Removed one — 1; 1 entry"));
    undo();
    QCOMPARE(announcer->text(), QStringLiteral("Undone: Remove one — 1; 2 entries"));

    m_prompts->answerYes();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton6"), Qt::LeftButton);
    QCOMPARE(announcer->text(), QStringLiteral("List cleared"));
    undo();
    QCOMPARE(announcer->text(), QStringLiteral("Undone: Clear List; 2 entries"));

    m_prompts->answerYes();
    QTest::mouseClick(control<QPushButton>(m_form, "PushButton3"), Qt::LeftButton);
    QVERIFY(entries().size() > 2);
    QCOMPARE(announcer->text(), QStringLiteral("%1 entries loaded").arg(entries().size()));
    // A load's undo and redo name the list that comes back.
    undo();
    QCOMPARE(announcer->text(), QStringLiteral("Undone: Load; the list without a file name, 2 entries"));
    redo();
    QCOMPARE(announcer->text(), QStringLiteral("Redone: Load; sample_glossbox.txt, 50 entries"));
}

QTEST_MAIN(TestTermList)
#include "tst_termlist.moc"
