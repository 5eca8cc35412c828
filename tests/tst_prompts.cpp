#include "common/helpers.h"
#include "common/prompts.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTimer>

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
    void askText_typedTextIsUsedExactly_data();
    void askText_typedTextIsUsedExactly();
    void askText_pickedPresetGivesItsValue();
    void askText_presetAsDefaultOpensChosen();
    void askText_cancelGivesEmptyText();
    void askYesNo_answers();
    void openFiles_offersFilesWithoutADot();
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
}

void TestPrompts::openFiles_offersFilesWithoutADot()
{
    QtPrompts prompts;
    QStringList filters;
    whenShown([&](QWidget *dialog) {
        filters = qobject_cast<QFileDialog *>(dialog)->nameFilters();
        qobject_cast<QDialog *>(dialog)->reject();
    });
    QVERIFY(prompts.chooseFilesToOpen(QStringLiteral("Add"), QStringLiteral("All Files (*.*)")).isEmpty());
    QCOMPARE(filters, QStringList{QStringLiteral("All Files (*)")});
}

QTEST_MAIN(TestPrompts)
#include "tst_prompts.moc"
