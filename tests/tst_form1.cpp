#include "app/glossmereapp.h"
#include "common/helpers.h"
#include "termlist/form1.h"
#include "tests/support/appfixture.h"
#include "tests/support/testsupport.h"
#include "ui/look.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void load_setsCaptionColumnsAndFocus();
    void load_skinDecidesFaceColourAndSheet();
    void load_badCursorFileReportsOnceAndOpens();
    void close_endsTheProgram();
};

void TestForm1::load_setsCaptionColumnsAndFocus()
{
    AppFixture fixture(builtProgramFolder());
    GlossmereApp &app = fixture.app;
    ScriptedPrompts &prompts = fixture.prompts;
    Form1 &form = app.form1();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(form.windowTitle(), QStringLiteral("Glossmere"));
    QCOMPARE(appTitle(), QStringLiteral("Glossmere"));
    QVERIFY(!form.windowIcon().isNull());
    QCOMPARE(form.size(), QSize(536, 473));
    // Every caption as designed, and no control cut off by the window or frame that holds it.
    for (const auto &[name, caption] : {std::pair("PushButton7", "Remove Selected Term/Def"),
                                        std::pair("PushButton5", "Load Term/Defs From Text File"),
                                        std::pair("PushButton4", "Add New Term"),
                                        std::pair("PushButton1", "Start Taking Test")}) {
        auto *button = control<QPushButton>(&form, name);
        QCOMPARE(button->text(), QString::fromLatin1(caption));
        QVERIFY(button->parentWidget()->rect().contains(button->geometry()));
    }
    QCOMPARE(control<QGroupBox>(&form, "Frame1")->title(), QStringLiteral("Add New Term"));
    QVERIFY(form.rect().contains(control<QGroupBox>(&form, "Frame1")->geometry()));
    const QAbstractItemModel *model = control<QTableView>(&form, "ListView1")->model();
    QCOMPARE(model->columnCount(), 2);
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Term"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Definition"));
    QCOMPARE(control<QTableView>(&form, "ListView1")->horizontalHeader()->sectionSize(0), 133);
    QCOMPARE(control<QTableView>(&form, "ListView1")->horizontalHeader()->sectionSize(1), 333);
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>(&form, "Text1"));
    QCOMPARE(control<QTableView>(&form, "ListView1")->toolTip(),
             QStringLiteral(
                 "Drag and drop files here. Double-click item to remove it. Move | line to right and out "
                 "of window to reveal full names."));
    QCOMPARE(app.defs().GetFileName(), QString());
    QVERIFY2(prompts.records.isEmpty(), "a clean start reports nothing");
    // The shipped pointer file gives the push buttons, and only them, the hand.
    for (QPushButton *button : form.findChildren<QPushButton *>())
        QCOMPARE(button->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(control<QTableView>(&form, "ListView1")->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(control<QLineEdit>(&form, "Text1")->cursor().shape(), Qt::IBeamCursor);
}

void TestForm1::load_skinDecidesFaceColourAndSheet()
{
    // The test sheet leaves backgrounds alone, so the recolouring underneath stays visible.
    const QByteArray sheet("QPushButton { border-radius: 3px; }");
    for (bool skinned : {false, true}) {
        QTemporaryDir dir;
        if (skinned) {
            QDir(dir.path()).mkpath(QStringLiteral("x"));
            writeFile(dir.filePath(QStringLiteral("x/o.cjs")), sheet);
        }
        AppFixture fixture(dir.path());
        Form1 &form = fixture.app.form1();
        for (QWidget *widget : std::initializer_list<QWidget *>{&form,
                                                                control<QGroupBox>(&form, "Frame1"),
                                                                control<QLabel>(&form, "Label2"),
                                                                control<QLabel>(&form, "Label3")})
            QCOMPARE(widget->palette().color(QPalette::Window),
                     skinned ? buttonFaceColour() : QColor(Qt::white));
        QCOMPARE(form.styleSheet(), skinned ? QString::fromUtf8(sheet) : QString());
        QVERIFY(fixture.prompts.records.isEmpty());
    }
}

void TestForm1::load_badCursorFileReportsOnceAndOpens()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("HAND-M.CUR")), "not a cursor at all");
    AppFixture fixture(dir.path());
    GlossmereApp &app = fixture.app;
    ScriptedPrompts &prompts = fixture.prompts;
    QCOMPARE(prompts.records.size(), 1);
    QVERIFY(prompts.records[0].text.contains(
        QStringLiteral("\r\nin Glossbox2021/08/31.Form1.Form_Load at line 106\r\r")));
    // The steps after the failing one still ran.
    QCOMPARE(app.form1().windowTitle(), QStringLiteral("Glossmere"));
    QCOMPARE(
        control<QTableView>(&app.form1(), "ListView1")->model()->headerData(1, Qt::Horizontal).toString(),
        QStringLiteral("Definition"));
    QVERIFY(app.form1().isVisible());
    QCOMPARE(control<QPushButton>(&app.form1(), "PushButton1")->cursor().shape(), Qt::ArrowCursor);
}

void TestForm1::close_endsTheProgram()
{
    AppFixture fixture(builtProgramFolder());
    GlossmereApp &app = fixture.app;
    ScriptedPrompts &prompts = fixture.prompts;
    QVERIFY(app.form1().close());
    QVERIFY(app.programEnded());
    QVERIFY(!app.form1().isVisible());
    QVERIFY(prompts.records.isEmpty());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
