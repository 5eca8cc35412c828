#include "app/glossmereapp.h"
#include "termlist/form1.h"
#include "tests/support/scriptedprompts.h"
#include "tests/support/testsupport.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>

namespace {
// A change to the list, made as a user makes it.
using ListChange = std::function<void(Form1 &form, ScriptedPrompts &prompts)>;

void removeRow(Form1 &form, ScriptedPrompts &prompts, int row)
{
    auto *view = control<QTableView>(&form, "ListView1");
    view->setFocus();
    view->selectRow(row);
    prompts.answerYes();
    QTest::keyClick(view, Qt::Key_Delete);
}

void undo(Form1 &form)
{
    QTest::keyClick(control<QTableView>(&form, "ListView1"), Qt::Key_Z, Qt::ControlModifier);
}

void edit(Form1 &form, int row, int column)
{
    QAbstractItemModel *list = control<QTableView>(&form, "ListView1")->model();
    QVERIFY(list->setData(list->index(row, column), QStringLiteral("edited")));
}
} // namespace
Q_DECLARE_METATYPE(ListChange)

// The term list's own menu and Find, used as a user does: right-click, keys, the menu's items.
class TestListMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menu_itemsAndStatesWhereItOpens_data();
    void menu_itemsAndStatesWhereItOpens();
    void menu_commandsActOnTheRowItWasOpenedFor();
    void keys_deleteRemovesTheSelectedEntryAfterAsking();
    void focus_theCurrentRowIsTheSelectedOne();
    void speech_menuTellsItsKeysAndARemovalIsNotCutOff_data();
    void speech_menuTellsItsKeysAndARemovalIsNotCutOff();
    void practise_enabledUntilOneOfItsEntriesChanges_data();
    void practise_enabledUntilOneOfItsEntriesChanges();
    void find_wrapsFoldsAndReportsNothingFound();
    void find_keysAreTheEntryBoxesOwnThere();
    void find_ignoresEveryAccentButNotLettersOfTheirOwn_data();
    void find_ignoresEveryAccentButNotLettersOfTheirOwn();

private:
    QMenu *openedMenu() const;
    // The enabled items as the menu shows them, "-" for a disabled one's text.
    QString shownItems() const;
    void choose(const QString &item);
    void rightClick(QPoint inViewport);
    void fill();

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    ScriptedRandom m_random;
    RecordingSoundDevice m_sound;
    InstantPause m_pause;
    std::unique_ptr<GlossmereApp> m_app;
    Form1 *m_form = nullptr;
    QTableView *m_view = nullptr;
};

void TestListMenu::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
}

void TestListMenu::init()
{
    m_prompts = std::make_unique<ScriptedPrompts>();
    m_app = std::make_unique<GlossmereApp>(
        builtProgramFolder(), *m_prompts, m_random, m_pause, m_settings->settings(), m_sound);
    m_app->start();
    m_form = &m_app->form1();
    m_view = control<QTableView>(m_form, "ListView1");
    QApplication::setActiveWindow(m_form);
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

void TestListMenu::cleanup()
{
    QVERIFY2(m_prompts->problems().isEmpty(), qPrintable(m_prompts->problems()));
    m_app.reset();
}

void TestListMenu::fill()
{
    m_form->restoreList(TermStore::fromEntries({{QStringLiteral("Apfel"), QStringLiteral("apple")},
                                                {QStringLiteral("Käse"), QStringLiteral("cheese")},
                                                {QStringLiteral("Brot"), QStringLiteral("bread")},
                                                {QStringLiteral("Kase"), QStringLiteral("a box, in Czech")}}),
                        QStringLiteral("words.txt"));
}

QMenu *TestListMenu::openedMenu() const
{
    auto *menu = control<QMenu>(m_form, "ListMenu");
    return menu->isVisible() ? menu : nullptr;
}

QString TestListMenu::shownItems() const
{
    QStringList items;
    for (const QAction *action : openedMenu()->actions())
        items << (action->isSeparator()     ? QStringLiteral("|")
                      : action->isEnabled() ? action->text()
                                            : QStringLiteral("-"));
    return items.join(QLatin1Char(','));
}

void TestListMenu::rightClick(QPoint inViewport)
{
    // What the window system makes of a right-click (test clicks do not make it): the press alone
    // would also select a row, so the event comes without it.
    QWidget *viewport = m_view->viewport();
    QContextMenuEvent click(QContextMenuEvent::Mouse, inViewport, viewport->mapToGlobal(inViewport));
    QApplication::sendEvent(viewport, &click);
}

void TestListMenu::choose(const QString &item)
{
    QMenu *menu = openedMenu();
    QVERIFY(menu);
    for (QAction *action : menu->actions()) {
        if (action->text() == item) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            QTRY_VERIFY(!menu->isVisible());
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no item ") + item));
}

void TestListMenu::menu_itemsAndStatesWhereItOpens_data()
{
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("items");
    // Items as shown, "|" a separator, "-" an item greyed out.
    const QString onRow = QStringLiteral(
        "Edit Term,Edit Definition,Remove Entry,|,Undo Restore,-,|,Find…,-,|,Export List As…,|,-");
    const QString offRow = QStringLiteral("-,-,-,|,Undo Restore,-,|,Find…,-,|,Export List As…,|,-");
    const QString empty = QStringLiteral("-,-,-,|,-,-,|,Find…,-,|,-,|,-");
    QTest::newRow("right-click on a row") << true << QStringLiteral("click row 2") << onRow;
    QTest::newRow("right-click below the rows") << true << QStringLiteral("click below") << offRow;
    QTest::newRow("Shift+F10 on the current row") << true << QStringLiteral("Shift+F10") << onRow;
    QTest::newRow("Menu key without a current row") << true << QStringLiteral("Menu key") << offRow;
    QTest::newRow("empty list") << false << QStringLiteral("Shift+F10") << empty;
}

void TestListMenu::menu_itemsAndStatesWhereItOpens()
{
    QFETCH(bool, filled);
    QFETCH(QString, how);
    QFETCH(QString, items);
    if (filled)
        fill();
    m_view->setFocus();
    if (how == QStringLiteral("click row 2")) {
        const QRect row = m_view->visualRect(m_view->model()->index(2, 1));
        rightClick(row.center());
        QCOMPARE(m_view->currentIndex(), m_view->model()->index(2, 1));
        QCOMPARE(m_view->selectionModel()->selectedRows().value(0).row(), 2);
    } else if (how == QStringLiteral("click below")) {
        rightClick(QPoint(20, m_view->viewport()->height() - 2));
    } else if (how == QStringLiteral("Shift+F10")) {
        m_view->setCurrentIndex(m_view->model()->index(1, 0));
        QTest::keyClick(m_view, Qt::Key_F10, Qt::ShiftModifier);
    } else {
        m_view->selectionModel()->clearCurrentIndex();
        // The window system sends the Menu key as a context menu event from the keyboard.
        QContextMenuEvent menuKey(
            QContextMenuEvent::Keyboard, QPoint(5, 5), m_view->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(m_view, &menuKey);
    }
    QTRY_VERIFY(openedMenu());
    QCOMPARE(shownItems(), items);
    QCOMPARE(openedMenu()->accessibleName(), QStringLiteral("Term list commands"));
    QTest::keyClick(openedMenu(), Qt::Key_Escape);
}

void TestListMenu::menu_commandsActOnTheRowItWasOpenedFor()
{
    fill();
    const auto rightClickRow = [this](int row) {
        rightClick(m_view->visualRect(m_view->model()->index(row, 0)).center());
        QTRY_VERIFY(openedMenu());
    };
    rightClickRow(1);
    m_prompts->answerYes();
    choose(QStringLiteral("Remove Entry"));
    QCOMPARE(m_prompts->records.last().text,
             QStringLiteral("Are you sure you wish to delete the selected term?"));
    QCOMPARE(m_app->defs().GetEntryCount(), 3);
    QCOMPARE(m_app->defs().GetTerm(1), QStringLiteral("Brot"));

    rightClickRow(0);
    choose(QStringLiteral("Undo Remove"));
    QCOMPARE(m_app->defs().GetTerm(1), QStringLiteral("Käse"));
    rightClickRow(3);
    QVERIFY(shownItems().contains(QStringLiteral(",Undo Restore,Redo Remove,")));
    choose(QStringLiteral("Edit Definition"));
    QCOMPARE(m_view->currentIndex(), m_view->model()->index(3, 1));
    auto *editor = qobject_cast<QLineEdit *>(m_view->indexWidget(m_view->currentIndex()));
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("a box, in Czech"));
    QTest::keyClick(editor, Qt::Key_Escape);

    rightClickRow(0);
    m_prompts->script(Prompts::SaveTarget{});
    choose(QStringLiteral("Export List As…"));
    QCOMPARE(m_prompts->records.last().kind, PromptRecord::Kind::SaveFileAs);
}

void TestListMenu::keys_deleteRemovesTheSelectedEntryAfterAsking()
{
    fill();
    m_view->setFocus();
    m_view->selectRow(1);
    m_prompts->answerNo();
    QTest::keyClick(m_view, Qt::Key_Delete);
    QCOMPARE(m_prompts->records.size(), 1);
    QCOMPARE(m_prompts->records.last().text,
             QStringLiteral("Are you sure you wish to delete the selected term?"));
    QCOMPARE(m_app->defs().GetEntryCount(), 4);
    m_prompts->answerYes();
    QTest::keyClick(m_view, Qt::Key_Delete);
    QCOMPARE(m_app->defs().GetEntryCount(), 3);
    QCOMPARE(m_app->defs().GetTerm(1), QStringLiteral("Brot"));
    // In the entry boxes the key keeps its meaning.
    auto *term = control<QLineEdit>(m_form, "Text1");
    term->setText(QStringLiteral("abc"));
    term->setFocus();
    term->setCursorPosition(0);
    QTest::keyClick(term, Qt::Key_Delete);
    QCOMPARE(term->text(), QStringLiteral("bc"));
    QCOMPARE(m_prompts->records.size(), 2);
    // The menu names the key beside the command, as a screen reader reads it.
    m_view->setFocus();
    QTest::keyClick(m_view, Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(openedMenu());
    const QList<QAction *> actions = openedMenu()->actions();
    const auto remove = std::find_if(actions.begin(), actions.end(), [](const QAction *action) {
        return action->text() == QStringLiteral("Remove Entry");
    });
    QVERIFY(remove != actions.end());
    QAccessibleInterface *menu = QAccessible::queryAccessibleInterface(openedMenu());
    QAccessibleInterface *item = menu->child(int(remove - actions.begin()));
    QCOMPARE(item->text(QAccessible::Accelerator),
             QKeySequence(QKeySequence::Delete).toString(QKeySequence::NativeText));
    QTest::keyClick(openedMenu(), Qt::Key_Escape);
}

void TestListMenu::focus_theCurrentRowIsTheSelectedOne()
{
    fill();
    // Tab makes the first row current: Delete removes it, then the row that became current.
    m_view->setFocus(Qt::TabFocusReason);
    for (const char *first : {"Käse", "Brot"}) {
        QTRY_VERIFY(m_view->selectionModel()->isRowSelected(m_view->currentIndex().row()));
        m_prompts->answerYes();
        QTest::keyClick(m_view, Qt::Key_Delete);
        QCOMPARE(m_app->defs().GetTerm(0), QString::fromUtf8(first));
    }
}

void TestListMenu::speech_menuTellsItsKeysAndARemovalIsNotCutOff_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("told");
    QTest::newRow("the menu opens") << QStringLiteral("Shift+F10")
                                    << QStringLiteral(
                                           "Term list commands menu\nEdit Term, F2\nEdit Definition\n"
                                           "Remove Entry, Del\nUndo Restore, Ctrl+Z\nFind…, Ctrl+F\n"
                                           "Export List As…");
    QTest::newRow("an item with keys") << QStringLiteral("Down in the menu") << QStringLiteral("F2");
    QTest::newRow("a removal from the menu, its box in front")
        << QStringLiteral("Remove Entry")
        << QStringLiteral("Removed Apfel — apple; 3 entries\nKäse\ncheese\nrow 1 of 3");
}

void TestListMenu::speech_menuTellsItsKeysAndARemovalIsNotCutOff()
{
    QFETCH(QString, how);
    QFETCH(QString, told);
    fill();
    AccessibilityRecorder heard;
    m_view->setFocus();
    QTest::keyClick(m_view, Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(openedMenu());
    if (how == QStringLiteral("Down in the menu"))
        QTest::keyClick(openedMenu(), Qt::Key_Down);
    if (how == QStringLiteral("Remove Entry")) {
        // The box takes the window's activation and the focus, as a real one does.
        QLineEdit box;
        m_prompts->whileShown = [&box](const PromptRecord &) {
            box.show();
            QApplication::setActiveWindow(&box);
        };
        m_prompts->answerYes();
        choose(QStringLiteral("Remove Entry"));
        QApplication::setActiveWindow(m_form);
    }
    QTRY_VERIFY2(heard.announcements().contains(told), qPrintable(heard.announcements().join(u'|')));
    // A screen reader that comes late to the last two notifications still reads what they said.
    int late = 0;
    for (auto event = heard.events.crbegin(); event != heard.events.crend() && late < 2; ++event) {
        if (event->role == QAccessible::Notification && ++late > 0)
            QCOMPARE(QAccessible::queryAccessibleInterface(const_cast<QObject *>(event->object))
                         ->text(QAccessible::Name),
                     event->text);
    }
}

void TestListMenu::practise_enabledUntilOneOfItsEntriesChanges_data()
{
    QTest::addColumn<QList<int>>("mistakes");
    QTest::addColumn<ListChange>("change");
    QTest::addColumn<QString>("item"); // "-" when greyed out
    QTest::addColumn<QList<int>>("left");
    const QList<int> two{1, 3};
    const QString practiseTwo = QStringLiteral("Practise the 2 Mistakes of the Last Test");
    const ListChange none = [](Form1 &, ScriptedPrompts &) {
    };
    QTest::newRow("none") << QList<int>{} << none << QStringLiteral("-") << QList<int>{};
    QTest::newRow("one") << QList<int>{2} << none << QStringLiteral("Practise the Mistake of the Last Test")
                         << QList<int>{2};
    QTest::newRow("an entry added") << two << ListChange([](Form1 &form, ScriptedPrompts &) {
        control<QLineEdit>(&form, "Text1")->setText(QStringLiteral("new"));
        control<QLineEdit>(&form, "Text2")->setText(QStringLiteral("entry"));
        QTest::mouseClick(control<QPushButton>(&form, "PushButton4"), Qt::LeftButton);
    }) << practiseTwo << two;
    QTest::newRow("another entry removed")
        << two << ListChange([](Form1 &form, ScriptedPrompts &prompts) { removeRow(form, prompts, 0); })
        << practiseTwo << QList<int>{0, 2};
    QTest::newRow("that removal undone") << two << ListChange([](Form1 &form, ScriptedPrompts &prompts) {
        removeRow(form, prompts, 2);
        undo(form);
    }) << practiseTwo << two;
    QTest::newRow("another entry edited")
        << two << ListChange([](Form1 &form, ScriptedPrompts &) { edit(form, 0, 0); }) << practiseTwo << two;
    QTest::newRow("a mistake's entry removed")
        << two << ListChange([](Form1 &form, ScriptedPrompts &prompts) { removeRow(form, prompts, 3); })
        << QStringLiteral("-") << QList<int>{};
    // The entry is back, the mistakes are not: the list changed under them.
    QTest::newRow("a mistake's removal undone")
        << two << ListChange([](Form1 &form, ScriptedPrompts &prompts) {
               removeRow(form, prompts, 1);
               undo(form);
           })
        << QStringLiteral("-") << QList<int>{};
    QTest::newRow("a mistake's definition edited")
        << two << ListChange([](Form1 &form, ScriptedPrompts &) { edit(form, 3, 1); }) << QStringLiteral("-")
        << QList<int>{};
    QTest::newRow("list cleared") << two << ListChange([](Form1 &form, ScriptedPrompts &prompts) {
        prompts.answerYes();
        QTest::mouseClick(control<QPushButton>(&form, "PushButton6"), Qt::LeftButton);
    }) << QStringLiteral("-") << QList<int>{};
}

void TestListMenu::practise_enabledUntilOneOfItsEntriesChanges()
{
    QFETCH(QList<int>, mistakes);
    QFETCH(ListChange, change);
    QFETCH(QString, item);
    QFETCH(QList<int>, left);
    fill();
    m_app->mistakes().set(std::vector<int>(mistakes.begin(), mistakes.end()));
    change(*m_form, *m_prompts);
    m_view->setFocus();
    QTest::keyClick(m_view, Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(openedMenu());
    const QAction *practise = openedMenu()->actions().last();
    QCOMPARE(practise->isEnabled() ? practise->text() : QStringLiteral("-"), item);
    QTest::keyClick(openedMenu(), Qt::Key_Escape);
    const std::vector<int> &entries = m_app->mistakes().entries();
    QCOMPARE(QList<int>(entries.begin(), entries.end()), left);
}

void TestListMenu::find_wrapsFoldsAndReportsNothingFound()
{
    fill();
    m_view->setFocus();
    m_view->setCurrentIndex(m_view->model()->index(1, 0));
    // No accent, other case: the next one after Käse is Kase, then round to Käse itself.
    m_prompts->answerText(QStringLiteral("KASE"));
    QTest::keyClick(m_view, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(m_view->currentIndex(), m_view->model()->index(3, 0));
    QTest::keyClick(m_view, Qt::Key_F3);
    QCOMPARE(m_view->currentIndex(), m_view->model()->index(1, 0));
    QCOMPARE(m_view->selectionModel()->selectedRows().value(0).row(), 1);

    // The last search is offered again; a match in a definition makes that cell current.
    m_prompts->answerText(QStringLiteral("BREAD"));
    QTest::keyClick(m_view, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(m_prompts->records.last().defaultAnswer, QStringLiteral("KASE"));
    QCOMPARE(m_prompts->records.last().title, QStringLiteral("Glossmere"));
    QCOMPARE(m_view->currentIndex(), m_view->model()->index(2, 1));

    m_prompts->answerText(QStringLiteral("<b>pear & “plum”</b>"));
    QTest::keyClick(m_view, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(m_prompts->records.last().text, QStringLiteral("No entry contains “<b>pear & “plum”</b>”."));
    QCOMPARE(m_view->currentIndex(), m_view->model()->index(2, 1));
    QCOMPARE(m_view->selectionModel()->selectedRows().value(0).row(), 2);
    QCOMPARE(m_prompts->records.size(), 4);
}

void TestListMenu::find_keysAreTheEntryBoxesOwnThere()
{
    fill();
    auto *term = control<QLineEdit>(m_form, "Text1");
    term->setFocus();
    QTest::keyClick(term, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(term, Qt::Key_F3);
    QVERIFY(m_prompts->records.isEmpty());
    // F3 before any search asks what to find.
    m_prompts->answerText(QString());
    m_view->setFocus();
    QTest::keyClick(m_view, Qt::Key_F3);
    QCOMPARE(m_prompts->records.size(), 1);
    QCOMPARE(m_prompts->records.last().kind, PromptRecord::Kind::Text);
}

void TestListMenu::find_ignoresEveryAccentButNotLettersOfTheirOwn_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<QStringList>("notFound");
    const auto words = [](const char *utf8) {
        return QString::fromUtf8(utf8).split(u' ');
    };

    // Precomposed, or a letter followed by its marks (in either order where there are two).
    QTest::newRow("no accent typed") << QStringLiteral("tres") << words("très TRÈS trés três tre\u0300s")
                                     << words("tros trs");
    QTest::newRow("a grave accent typed")
        << QStringLiteral("TRÈS") << words("tres trés tre\u0300s") << words("trás");
    QTest::newRow("typed as a letter and its mark")
        << QStringLiteral("tre\u0300s") << words("très tres") << words("tras");
    QTest::newRow("two marks on one letter")
        << QStringLiteral("viet") << words("Việt VIỆT Viết Vie\u0323\u0302t Vie\u0302\u0323t")
        << words("Vit Vi\u0323t");
    QTest::newRow("two marks typed") << QStringLiteral("Việt") << words("viet Viết") << words("Vịt");
    // ᾄ is ἄ and a subscript iota, ἄ is ἀ and an acute, ἀ is α and a breathing.
    QTest::newRow("three marks, precomposed or not")
        << QStringLiteral("ΑΔΩ") << words("ᾄδω ᾌΔΩ α\u0313\u0301\u0345δω") << words("οδω");
    QTest::newRow("pinyin") << QStringLiteral("lǘ") << words("lu LÜ LǗ lǚ lu\u0308\u0301") << words("lo");
    QTest::newRow("letters of their own")
        << QStringLiteral("old") << words("óld ÖLD") << words("øld ołd olđ");
}

void TestListMenu::find_ignoresEveryAccentButNotLettersOfTheirOwn()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, found);
    QFETCH(QStringList, notFound);
    TermEntries entries;
    for (const QStringList &texts : {notFound, found}) {
        for (const QString &text : texts)
            entries.append({text, QStringLiteral("a word")});
    }
    m_form->restoreList(TermStore::fromEntries(entries), QStringLiteral("words.txt"));
    m_view->setFocus();
    // Find, then F3 until it comes round to the first entry it found.
    m_prompts->answerText(typed);
    QTest::keyClick(m_view, Qt::Key_F, Qt::ControlModifier);
    QStringList shown;
    for (int i = 0; i < entries.size() && !shown.contains(m_view->currentIndex().data().toString()); ++i) {
        shown.append(m_view->currentIndex().data().toString());
        QTest::keyClick(m_view, Qt::Key_F3);
    }
    QCOMPARE(shown, found);
    QCOMPARE(m_prompts->records.size(), 1);
}

QTEST_MAIN(TestListMenu)
#include "tst_listmenu.moc"
