#include "tests/support/appfixture.h"

#include <QMimeData>
#include <QStringEncoder>
#include <QTableView>
#include <QUrl>

// Importing text files through the open dialog; the list itself takes no drops.
class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void cancelDialog_asksNothingChangesNothing();
    void oneFile_replacesTheList();
    void oneFile_cancelledSeparatorChangesNothing();
    void threeFiles_secondCancelledGathersFirstAndThird();
    void unreadableFile_reportedOnceOthersLoad();
    void separator_usedExactly_data();
    void separator_usedExactly();
    void separator_offersTabCommaSemicolon();
    void unsavedEdits_askFirst();
    void encodings_windows1252AndUtf8();
    void realisticExport_everyRowIntact();

    void doubleClickAndDrop_doNothing();

private:
    QString file(const QString &name, const QByteArray &bytes);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestImport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

QString TestImport::file(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    writeFile(path, bytes);
    return path;
}

void TestImport::cancelDialog_asksNothingChangesNothing()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    fixture.prompts.answerFiles({});
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.records.size(), 1);
    const PromptRecord &dialog = fixture.prompts.records[0];
    QCOMPARE(dialog.kind, PromptRecord::Kind::OpenFiles);
    QCOMPARE(dialog.title, QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
    QCOMPARE(dialog.filter, QStringLiteral("All Files (*.*)"));
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(2));
}

void TestImport::oneFile_replacesTheList()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    const QString path =
        file(QStringLiteral("words.txt"), "Valid Definition File\r\nHund::dog\r\nKatze::cat\r\n");
    fixture.prompts.answerFiles({path});
    fixture.prompts.answerText(QStringLiteral("::"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    const PromptRecord &question = fixture.prompts.records[1];
    QCOMPARE(question.kind, PromptRecord::Kind::Text);
    QCOMPARE(question.text,
             QStringLiteral("Enter separating character that divides the find what and the replace with:"));
    QCOMPARE(question.title, QStringLiteral("Glossmere"));
    QCOMPARE(question.defaultAnswer, QStringLiteral("::"));
    QCOMPARE(fixture.app.defs().list().entries(),
             (TermEntries{{QStringLiteral("Hund"), QStringLiteral("dog")},
                          {QStringLiteral("Katze"), QStringLiteral("cat")}}));
    QCOMPARE(fixture.app.defs().GetFileName(), QStringLiteral("words.txt"));
    QVERIFY(fixture.app.defs().IsFileUpToDate());
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestImport::oneFile_cancelledSeparatorChangesNothing()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    fixture.prompts.answerFiles({file(QStringLiteral("words.txt"), "a::b\r\n")});
    fixture.prompts.answerText(QString());
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(2));
    QCOMPARE(fixture.prompts.records.size(),
             2); // the dialog and the question: no report of an empty separator
    QCOMPARE(fixture.app.defs().GetFileName(), QString());
}

void TestImport::threeFiles_secondCancelledGathersFirstAndThird()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(2));
    const QString first = file(QStringLiteral("one.txt"), "a::1\r\nb::2\r\n");
    const QString second = file(QStringLiteral("two.txt"), "c::3\r\n");
    const QString third = file(QStringLiteral("three.txt"), "d;4\r\ne;5\r\n");
    fixture.prompts.answerFiles({first, second, third});
    fixture.prompts.answerText(QStringLiteral("::"));
    fixture.prompts.answerText(QString());
    fixture.prompts.answerText(QStringLiteral(";"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.prompts.ofKind(PromptRecord::Kind::Text).size(), 3);
    QCOMPARE(fixture.app.defs().list().entries(),
             (TermEntries{{QStringLiteral("a"), QStringLiteral("1")},
                          {QStringLiteral("b"), QStringLiteral("2")},
                          {QStringLiteral("d"), QStringLiteral("4")},
                          {QStringLiteral("e"), QStringLiteral("5")}}));
    QCOMPARE(fixture.app.defs().GetFileName(), QStringLiteral("three.txt"));
    // Gathered from two files, the list matches neither of them.
    QVERIFY(!fixture.app.defs().IsFileUpToDate());
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestImport::unreadableFile_reportedOnceOthersLoad()
{
    AppFixture fixture;
    const QString good = file(QStringLiteral("good.txt"), "a::1\r\n");
    fixture.prompts.answerFiles({m_dir->filePath(QStringLiteral("vanished.txt")), good});
    fixture.prompts.answerText(QStringLiteral("::"));
    fixture.prompts.answerText(QStringLiteral("::"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    const QList<PromptRecord> reports = fixture.prompts.ofKind(PromptRecord::Kind::Message);
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports[0].text.contains(QStringLiteral("vanished.txt")));
    QVERIFY(reports[0].text.contains(QStringLiteral("DefManager.loadDefinitionFile at line 104")));
    QCOMPARE(fixture.app.defs().list().entries(), (TermEntries{{QStringLiteral("a"), QStringLiteral("1")}}));
    // Only one file was read after all: the list is that file.
    QVERIFY(fixture.app.defs().IsFileUpToDate());
}

void TestImport::separator_usedExactly_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<TermEntries>("expected");
    QTest::newRow("space hyphen space")
        << QByteArray("cat - a small animal\r\nred-brown - a colour\r\n") << QStringLiteral(" - ")
        << TermEntries{{QStringLiteral("cat"), QStringLiteral("a small animal")},
                       {QStringLiteral("red-brown"), QStringLiteral("a colour")}};
    QTest::newRow("several characters")
        << QByteArray("Hund ==> dog\r\nno arrow here\r\n") << QStringLiteral(" ==> ")
        << TermEntries{{QStringLiteral("Hund"), QStringLiteral("dog")}};
    QTest::newRow("a lone space") << QByteArray("one two three\r\n") << QStringLiteral(" ")
                                  << TermEntries{{QStringLiteral("one"), QStringLiteral("two")}};
}

void TestImport::separator_usedExactly()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, separator);
    QFETCH(TermEntries, expected);
    AppFixture fixture;
    fixture.prompts.answerFiles({file(QStringLiteral("list.txt"), content)});
    fixture.prompts.answerText(separator);
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(), expected);
}

void TestImport::separator_offersTabCommaSemicolon()
{
    AppFixture fixture;
    fixture.prompts.answerFiles({file(QStringLiteral("export.tsv"), "Hund\tdog\r\nKatze\tcat\r\n")});
    // The user picks the Tab choice the box offers instead of typing.
    fixture.prompts.whileShown = [&](const PromptRecord &record) {
        if (record.kind != PromptRecord::Kind::Text)
            return;
        QStringList values;
        for (const Prompts::Preset &preset : record.presets)
            values.append(preset.value);
        QCOMPARE(values, (QStringList{QStringLiteral("\t"), QStringLiteral(","), QStringLiteral(";")}));
        fixture.prompts.answerText(record.presets[0].value);
    };
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(),
             (TermEntries{{QStringLiteral("Hund"), QStringLiteral("dog")},
                          {QStringLiteral("Katze"), QStringLiteral("cat")}}));
}

void TestImport::unsavedEdits_askFirst()
{
    AppFixture fixture;
    fixture.typeEntries(numberedEntries(2));
    const QString path = file(QStringLiteral("list.txt"), "a::1\r\n");
    fixture.prompts.answerFiles({path});
    fixture.prompts.answerNo();
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(2));
    QCOMPARE(fixture.prompts.ofKind(PromptRecord::Kind::Text).size(), 0);

    fixture.prompts.answerFiles({path});
    fixture.prompts.answerYes();
    fixture.prompts.answerText(QStringLiteral("::"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().GetEntryCount(), 1);
    QVERIFY(fixture.prompts.problems().isEmpty());
}

void TestImport::encodings_windows1252AndUtf8()
{
    AppFixture fixture;
    QStringEncoder cp1252("windows-1252");
    const QString text = QStringLiteral("café\tcoffee house\r\nnaïve\tinnocent\r\n€5\tfive euros\r\n");
    fixture.prompts.answerFiles({file(QStringLiteral("old.txt"), cp1252.encode(text)),
                                 file(QStringLiteral("new.txt"), text.toUtf8())});
    fixture.prompts.answerText(QStringLiteral("\t"));
    fixture.prompts.answerText(QStringLiteral("\t"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    const TermEntries once{{QStringLiteral("café"), QStringLiteral("coffee house")},
                           {QStringLiteral("naïve"), QStringLiteral("innocent")},
                           {QStringLiteral("€5"), QStringLiteral("five euros")}};
    QCOMPARE(fixture.app.defs().list().entries(), once + once);
}

void TestImport::realisticExport_everyRowIntact()
{
    // The shape of a flash-card tool's export: a header row, quotes, commas, accents, scripts.
    QString text = QStringLiteral("Front\tBack\n");
    TermEntries expected{{QStringLiteral("Front"), QStringLiteral("Back")}};
    const QStringList fronts{QStringLiteral("\"quoted\" word"),
                             QStringLiteral("Straße"),
                             QStringLiteral("日本"),
                             QStringLiteral("l'été"),
                             QStringLiteral("a, b, c")};
    for (int i = 0; i < 3000; ++i) {
        const QString front = fronts[i % fronts.size()] + QStringLiteral(" %1").arg(i);
        const QString back = QStringLiteral("meaning %1, \"with\" ‘quotes’ & ampersands; Ελληνικά").arg(i);
        text += front + QLatin1Char('\t') + back + QLatin1Char('\n');
        expected.append({front, back});
    }
    AppFixture fixture;
    fixture.prompts.answerFiles({file(QStringLiteral("export.txt"), text.toUtf8())});
    fixture.prompts.answerText(QStringLiteral("\t"));
    QTest::mouseClick(control<QPushButton>(&fixture.form1(), "PushButton5"), Qt::LeftButton);
    QCOMPARE(fixture.app.defs().list().entries(), expected);
}

void TestImport::doubleClickAndDrop_doNothing()
{
    AppFixture fixture;
    fixture.setEntries(numberedEntries(3));
    QTableView *view = control<QTableView>(&fixture.form1(), "ListView1");
    QVERIFY(QTest::qWaitForWindowExposed(&fixture.form1()));
    view->doItemsLayout();
    const QPoint middle = view->visualRect(view->model()->index(1, 1)).center();
    // A double-click is a click and then the second press, as a mouse delivers it.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, middle);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, middle);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file(QStringLiteral("one.txt"), "a::1\r\n"))});
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &drop);
    QCoreApplication::processEvents();

    QVERIFY(fixture.prompts.records.isEmpty());
    QCOMPARE(fixture.app.defs().list().entries(), numberedEntries(3));
    QVERIFY(fixture.app.defs().IsFileUpToDate());
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
