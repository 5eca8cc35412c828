#include "common/helpers.h"
#include "tests/support/testsupport.h"
#include "ui/look.h"
#include "ui/qtprompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <QTreeView>

namespace {
// Runs `act` on the modal dialog as soon as it is shown.
void whenShown(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(0, qApp, [act] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog) {
            whenShown(act);
            return;
        }
        act(dialog);
    });
}
} // namespace

// The real dialogs: what they show and what they hand back.
class TestPrompts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void message_showsTextLiterallyWithLineBreaks();
    void message_detailsLinesOfEightyCharactersDoNotWrap();
    void askText_typedTextIsUsedExactly_data();
    void askText_typedTextIsUsedExactly();
    void askText_pickedPresetGivesItsValue();
    void askText_presetAsDefaultOpensChosen();
    void askText_cancelGivesEmptyText();
    void askYesNo_answers();
    void fileDialogs_openInTheGivenFolderWithNamesWhole_data();
    void fileDialogs_openInTheGivenFolderWithNamesWhole();
    void saveAsDialog_eachTypeProposesItsNameTypedNamesStay();
    void question_belongsToTheShowingWindowWhenNoneIsActive();
    void askText_escapeThatClosedTheDropDownKeepsTheQuestion();
    void fixedWindow_maximisedGoesBack_data();
    void fixedWindow_maximisedGoesBack();
};

void TestPrompts::initTestCase()
{
    SetAppTitle();
}

void TestPrompts::message_showsTextLiterallyWithLineBreaks()
{
    QtPrompts qtPrompts;
    Prompts &prompts = qtPrompts;
    QString shown;
    QString title;
    Qt::TextFormat format = Qt::AutoText;
    whenShown([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        QVERIFY(box);
        shown = box->text();
        title = box->windowTitle();
        format = box->textFormat();
        box->accept();
    });
    prompts.message(QStringLiteral("<b>R&D</b>\r\nline two\r\rafter a gap"));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(shown, QStringLiteral("<b>R&D</b>\nline two\n\nafter a gap"));
    QCOMPARE(title, QStringLiteral("Glossmere"));
}

void TestPrompts::message_detailsLinesOfEightyCharactersDoNotWrap()
{
    // Wide letters and narrow ones: what matters is the text's own width.
    const QStringList lines{
        QString(80, QLatin1Char('W')),
        QString(80, QLatin1Char('i')),
        QStringLiteral("pneumonoultramicroscopicsilicovolcanoconiosis — your answer: x — right: y"),
        QString(120, QLatin1Char('m'))};
    QtPrompts prompts;
    QList<int> linesPerItem;
    qreal gap = 0;
    whenShown([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        for (QAbstractButton *button : box->buttons()) {
            if (box->buttonRole(button) == QMessageBox::ActionRole)
                button->click();
        }
        auto *field = box->findChild<QTextEdit *>();
        QTRY_VERIFY(field->isVisible());
        QCoreApplication::processEvents();
        for (QTextBlock block = field->document()->begin(); block.isValid(); block = block.next())
            linesPerItem.append(block.layout()->lineCount());
        gap = field->document()->begin().blockFormat().bottomMargin();
        box->accept();
    });
    prompts.message(QStringLiteral("Done."), {}, Prompts::Icon::None, lines.join(QLatin1Char('\n')));
    QCOMPARE(linesPerItem.size(), 4);
    QCOMPARE(linesPerItem.first(3), QList<int>({1, 1, 1}));
    QVERIFY(gap > 0);
}

void TestPrompts::askText_typedTextIsUsedExactly_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("spaces around") << QStringLiteral(" - ");
    QTest::newRow("a comma alone") << QStringLiteral(",");
    QTest::newRow("the start of a preset's label") << QStringLiteral("; ");
    QTest::newRow("several characters") << QStringLiteral("=>");
}

void TestPrompts::askText_typedTextIsUsedExactly()
{
    QFETCH(QString, typed);
    QtPrompts qtPrompts;
    Prompts &prompts = qtPrompts;
    whenShown([&](QWidget *dialog) {
        auto *answer = dialog->findChild<QComboBox *>(QStringLiteral("answer"));
        QVERIFY(answer);
        QCOMPARE(answer->currentText(), QStringLiteral("::"));
        answer->lineEdit()->selectAll();
        QTest::keyClicks(answer->lineEdit(), typed);
        QTest::keyClick(answer->lineEdit(), Qt::Key_Return);
    });
    const QList<Prompts::Preset> presets{{QStringLiteral("⇥ Tab character"), QStringLiteral("\t")},
                                         {QStringLiteral(", (comma)"), QStringLiteral(",")},
                                         {QStringLiteral("; (semicolon)"), QStringLiteral(";")}};
    QCOMPARE(prompts.askText(QStringLiteral("Separator?"), QStringLiteral("::"), presets), typed);
}

void TestPrompts::askText_pickedPresetGivesItsValue()
{
    QtPrompts qtPrompts;
    Prompts &prompts = qtPrompts;
    whenShown([&](QWidget *dialog) {
        auto *answer = dialog->findChild<QComboBox *>(QStringLiteral("answer"));
        answer->setCurrentIndex(0);
        QTest::keyClick(answer->lineEdit(), Qt::Key_Return);
    });
    const QList<Prompts::Preset> presets{{QStringLiteral("⇥ Tab character"), QStringLiteral("\t")}};
    QCOMPARE(prompts.askText(QStringLiteral("Separator?"), QStringLiteral("::"), presets),
             QStringLiteral("\t"));
}

void TestPrompts::askText_presetAsDefaultOpensChosen()
{
    QtPrompts qtPrompts;
    Prompts &prompts = qtPrompts;
    const QList<Prompts::Preset> presets{
        {QStringLiteral(", (comma)"), QStringLiteral("\x01comma")},
        {QStringLiteral("Anki notes export (.txt)"), QStringLiteral("\x01anki")}};
    whenShown([&](QWidget *dialog) {
        auto *answer = dialog->findChild<QComboBox *>(QStringLiteral("answer"));
        QCOMPARE(answer->currentIndex(), 1);
        QCOMPARE(answer->currentText(), QStringLiteral("Anki notes export (.txt)"));
        QTest::keyClick(answer->lineEdit(), Qt::Key_Return);
    });
    QCOMPARE(prompts.askText(QStringLiteral("Separator?"), QStringLiteral("\x01anki"), presets),
             QStringLiteral("\x01anki"));
}

void TestPrompts::askText_cancelGivesEmptyText()
{
    QtPrompts qtPrompts;
    Prompts &prompts = qtPrompts;
    whenShown([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QCOMPARE(prompts.askText(QStringLiteral("Separator?"), QStringLiteral("::"), {}), QString());
}

void TestPrompts::askYesNo_answers()
{
    // A desktop whose button order puts the affirmative answer last, as GNOME's does.
    class AffirmativeLast : public QProxyStyle
    {
    public:
        int styleHint(StyleHint hint,
                      const QStyleOption *option,
                      const QWidget *widget,
                      QStyleHintReturn *returnData) const override
        {
            if (hint == SH_DialogButtonLayout)
                return QDialogButtonBox::GnomeLayout;
            return QProxyStyle::styleHint(hint, option, widget, returnData);
        }
    };

    QApplication::setStyle(new AffirmativeLast);
    QtPrompts qtPrompts;
    Prompts &prompts = qtPrompts;
    bool yesIsDefault = false;
    bool yesFirst = false;
    QMessageBox::Icon icon = QMessageBox::Warning;
    whenShown([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        icon = box->icon();
        yesIsDefault = box->defaultButton() == box->button(QMessageBox::Yes);
        yesFirst = box->button(QMessageBox::Yes)->x() < box->button(QMessageBox::No)->x();
        box->button(QMessageBox::No)->click();
    });
    QVERIFY(!prompts.askYesNo(QStringLiteral("Sure?"), QStringLiteral("Confirm Delete")));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QVERIFY(yesIsDefault);
    QVERIFY2(yesFirst, "Yes stands left of No");
    whenShown(
        [](QWidget *dialog) { qobject_cast<QMessageBox *>(dialog)->button(QMessageBox::Yes)->click(); });
    QVERIFY(prompts.askYesNo(QStringLiteral("Sure?"), QStringLiteral("Confirm Delete")));
    // Where the safe answer is No, Enter gives No.
    whenShown([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
    QVERIFY(!prompts.askYesNo(QStringLiteral("Replace?"), {}, Prompts::Default::No));
}

void TestPrompts::fileDialogs_openInTheGivenFolderWithNamesWhole_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<bool>("folderGiven");
    QTest::newRow("open, a folder given") << false << true;
    QTest::newRow("open, no folder yet") << false << false;
    QTest::newRow("save, a folder given") << true << true;
    QTest::newRow("save, no folder yet") << true << false;
}

void TestPrompts::fileDialogs_openInTheGivenFolderWithNamesWhole()
{
    QFETCH(bool, save);
    QFETCH(bool, folderGiven);
    QTemporaryDir dir;
    const QString longName =
        QStringLiteral("english-german-freedict-wordlist-2024-complete-with-examples-and-notes-v2-final.txt");
    writeFile(dir.filePath(longName), "x");
    const QString folder = folderGiven ? dir.path() : QString();
    QtPrompts prompts;
    QStringList filters;
    QString opened;
    QStringList selected;
    int nameWidth = 0;
    int nameNeeds = 0;
    whenShown([&](QWidget *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        filters = files->nameFilters();
        opened = files->directory().absolutePath();
        selected = files->selectedFiles();
        auto *view = files->findChild<QTreeView *>(QStringLiteral("treeView"));
        nameNeeds = view->fontMetrics().horizontalAdvance(longName) + 2 * view->iconSize().width();
        // The folder is read in the background; the dialog closes whatever is found.
        [[maybe_unused]] const bool shown = QTest::qWaitFor([&] {
            nameWidth = std::min(view->header()->sectionSize(0), view->viewport()->width());
            return nameWidth >= nameNeeds;
        });
        files->reject();
    });
    if (save)
        QVERIFY(prompts
                    .chooseFileToSave(QStringLiteral("Save"),
                                      QStringLiteral("Text Files (*.txt)"),
                                      QStringLiteral("list.txt"),
                                      folder)
                    .isEmpty());
    else
        QVERIFY(prompts.chooseFilesToOpen(QStringLiteral("Add"), QStringLiteral("All Files (*.*)"), folder)
                    .isEmpty());
    QCOMPARE(opened, folderGiven ? QDir(dir.path()).absolutePath() : QDir::homePath());
    QVERIFY2(nameWidth >= nameNeeds, qPrintable(QStringLiteral("%1 < %2").arg(nameWidth).arg(nameNeeds)));
    if (save)
        QCOMPARE(QFileInfo(selected.value(0)).fileName(), QStringLiteral("list.txt"));
    else
        QCOMPARE(filters, QStringList{QStringLiteral("All Files (*)")});
}

void TestPrompts::saveAsDialog_eachTypeProposesItsNameTypedNamesStay()
{
    QTemporaryDir dir;
    QtPrompts prompts;
    QStringList seen;
    whenShown([&](QWidget *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        auto *types = files->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        const auto choose = [&](int type) {
            // As a choice in the drop-down does.
            types->setCurrentIndex(type);
            emit types->activated(type);
            emit types->textActivated(types->itemText(type));
            seen.append(name->text());
        };
        seen.append(name->text());
        choose(2);
        choose(1);
        name->setText(QStringLiteral("mine.txt"));
        choose(3);
        files->reject();
    });
    prompts.chooseFileToSaveAs(QStringLiteral("Export"),
                               {QStringLiteral("CSV (*.csv)"),
                                QStringLiteral("Tab (*.tsv *.txt)"),
                                QStringLiteral("Anki (*.txt)"),
                                QStringLiteral("KVTML (*.kvtml)")},
                               {QStringLiteral("w.csv"),
                                QStringLiteral("w.tsv"),
                                QStringLiteral("w-anki.txt"),
                                QStringLiteral("w.kvtml")},
                               dir.path());
    QCOMPARE(seen.join(QLatin1Char(' ')), QStringLiteral("w.csv w-anki.txt w.tsv mine.kvtml"));
}

void TestPrompts::question_belongsToTheShowingWindowWhenNoneIsActive()
{
    // Right after a dialog closes on Wayland, no window is active until the compositor says so.
    QWidget window;
    window.show();
    QApplication::setActiveWindow(nullptr);
    QtPrompts qtPrompts;
    Prompts &prompts = qtPrompts;
    QWidget *parent = nullptr;
    whenShown([&](QWidget *dialog) {
        parent = dialog->parentWidget();
        qobject_cast<QDialog *>(dialog)->reject();
    });
    prompts.askText(QStringLiteral("Separator?"), QStringLiteral("::"), {});
    QCOMPARE(parent, &window);
}

void TestPrompts::askText_escapeThatClosedTheDropDownKeepsTheQuestion()
{
    QtPrompts qtPrompts;
    Prompts &prompts = qtPrompts;
    bool stayed = false;
    whenShown([&](QWidget *dialog) {
        auto *answer = dialog->findChild<QComboBox *>(QStringLiteral("answer"));
        answer->showPopup();
        // What Wayland delivers: the drop-down takes the key's shortcut check and closes, and the
        // key itself then reaches the question.
        QKeyEvent check(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
        check.setTimestamp(4711);
        QApplication::sendEvent(answer->view(), &check);
        answer->hidePopup();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        press.setTimestamp(4711);
        QApplication::sendEvent(dialog, &press);
        stayed = dialog->isVisible();
        QKeyEvent next(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        next.setTimestamp(4790);
        QApplication::sendEvent(dialog, &next);
    });
    const QList<Prompts::Preset> presets{{QStringLiteral(", (comma)"), QStringLiteral(",")}};
    QCOMPARE(prompts.askText(QStringLiteral("Separator?"), QStringLiteral("::"), presets), QString());
    QVERIFY2(stayed, "the Escape that closed the drop-down left the question open");
}

void TestPrompts::fixedWindow_maximisedGoesBack_data()
{
    QTest::addColumn<bool>("fixed");
    QTest::newRow("fixed size") << true;
    QTest::newRow("resizable") << false;
}

void TestPrompts::fixedWindow_maximisedGoesBack()
{
    QFETCH(bool, fixed);
    QWidget window;
    if (fixed)
        setFixedClientSize(&window, 8040, 7095);
    else
        keepUnmaximised(&window);
    window.show();
    window.setWindowState(Qt::WindowMaximized);
    QTest::qWait(50);
    QCOMPARE(window.isMaximized(), !fixed);
    if (fixed)
        QCOMPARE(window.size(), QSize(536, 473));
}

QTEST_MAIN(TestPrompts)
#include "tst_prompts.moc"
