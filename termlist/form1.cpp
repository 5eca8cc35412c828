#include "termlist/form1.h"

#include "common/errortrap.h"
#include "common/failure.h"
#include "common/helpers.h"
#include "common/prompts.h"
#include "deffiles/defmanager.h"
#include "termlist/termlistview.h"
#include "ui/announcer.h"
#include "ui/busypointer.h"
#include "ui/look.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

namespace {
QLineEdit *makeTextBox(QWidget *parent, const char *name, QRect geometry)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    return box;
}

QString readSkin(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot load the skin %1: %2").arg(path, file.errorString()));
    return QString::fromUtf8(file.read(1 << 20));
}
} // namespace

Form1::Form1(const Services &services,
             DefManager &defs,
             TestOptionsGate &options,
             const MistakeEntries &mistakes,
             ProgramLifetime &lifetime)
    : DesignedWindow("Form1", 8040, 7095, lifetime)
    , m_services(services)
    , m_defs(defs)
    , m_options(options)
    , m_mistakes(mistakes)
    , m_announcer(new Announcer(this))
    , m_history(defs, [this](const QString &text) { m_announcer->announce(text); })
{
    buildControls();
    connect(&m_defs.list().history(), &QUndoStack::indexChanged, this, &Form1::listStateChanged);
    connect(&m_defs.list().history(), &QUndoStack::cleanChanged, this, &Form1::listStateChanged);
    // Typed but not added yet is unsaved work too.
    connect(Text1, &QLineEdit::textChanged, this, &Form1::listStateChanged);
    connect(Text2, &QLineEdit::textChanged, this, &Form1::listStateChanged);
}

Form1::~Form1()
{
    // An editor still open commits as the window goes; the list's history outlives it.
    disconnect(&m_defs.list().history(), nullptr, this, nullptr);
    // Focus moves while the children go; this is no Form1 any more by then.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

QString Form1::id(const char *procedure) const
{
    return procedureId(QStringLiteral("Form1"), QString::fromLatin1(procedure));
}

void Form1::buildControls()
{
    ListView1 = new TermListView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(twipsRect(120, 120, 7800, 3000));
    ListView1->setModel(&m_defs.list());
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Only F2 edits: a click or a double-click never starts an editor.
    ListView1->setEditTriggers(QAbstractItemView::EditKeyPressed);
    ListView1->setTextElideMode(Qt::ElideRight);
    ListView1->horizontalHeader()->setStretchLastSection(false);
    ListView1->horizontalHeader()->setSectionsMovable(false);
    ListView1->setToolTip(
        QStringLiteral("Drag and drop files here. Double-click item to remove it. Move | line to "
                       "right and out of window to reveal full names."));

    PushButton7 = makeButton(
        this, "PushButton7", QStringLiteral("Remove Selected Term/Def"), twipsRect(120, 3190, 3855, 405));
    PushButton6 =
        makeButton(this, "PushButton6", QStringLiteral("Clear List"), twipsRect(4080, 3190, 3855, 405));
    PushButton5 = makeButton(this,
                             "PushButton5",
                             QStringLiteral("Load Term/Defs From Text File"),
                             twipsRect(120, 3700, 3840, 405));
    PushButton2 = makeButton(
        this, "PushButton2", QStringLiteral("Save Term/Defs To Text File"), twipsRect(4080, 3700, 3840, 405));
    PushButton8 = makeButton(this, "PushButton8", QStringLiteral("Help"), twipsRect(120, 4215, 3840, 405));
    PushButton3 = makeButton(
        this, "PushButton3", QStringLiteral("Load Sample/Example File"), twipsRect(4080, 4215, 3840, 405));

    Frame1 = makeFrame(this, "Frame1", QStringLiteral("Add New Term"), twipsRect(120, 4660, 7800, 1815));
    Label2 = makeLabel(Frame1, "Label2", QStringLiteral("Term:"), twipsRect(240, 345, 615, 240));
    Text1 = makeTextBox(Frame1, "Text1", twipsRect(1320, 300, 6240, 345));
    Label3 = makeLabel(Frame1, "Label3", QStringLiteral("Definition:"), twipsRect(240, 795, 975, 240));
    Text2 = makeTextBox(Frame1, "Text2", twipsRect(1320, 750, 6240, 375));
    PushButton4 =
        makeButton(Frame1, "PushButton4", QStringLiteral("Add New Term"), twipsRect(240, 1250, 7320, 405));

    PushButton1 =
        makeButton(this, "PushButton1", QStringLiteral("Start Taking Test"), twipsRect(120, 6580, 7800, 405));

    const QList<QWidget *> tabOrder{Text1,
                                    Text2,
                                    PushButton5,
                                    PushButton2,
                                    PushButton3,
                                    PushButton1,
                                    ListView1,
                                    PushButton4,
                                    PushButton7,
                                    PushButton6,
                                    PushButton8};
    for (qsizetype i = 0; i + 1 < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i], tabOrder[i + 1]);

    // Names and descriptions for screen readers; buttons and frames are named by their captions.
    ListView1->setAccessibleName(QStringLiteral("Term list"));
    ListView1->setAccessibleDescription(QStringLiteral("Terms and their definitions."));
    Text1->setAccessibleName(QStringLiteral("Term"));
    Text1->setAccessibleDescription(QStringLiteral("The term to add. Enter moves on to the definition."));
    Text2->setAccessibleName(QStringLiteral("Definition"));
    Text2->setAccessibleDescription(QStringLiteral("The definition to add. Enter adds the term."));
    Label2->setBuddy(Text1);
    Label3->setBuddy(Text2);
    PushButton1->setAccessibleDescription(QStringLiteral("Opens the test options for the current list."));
    PushButton5->setAccessibleDescription(QStringLiteral("Imports entries from one or more text files."));

    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(Text1, &QLineEdit::returnPressed, this, &Form1::Text1_Enter);

    // Undo and redo of the list wherever the focus is, except in the entry boxes: their own undo of
    // the typing comes first there.
    const auto outsideEntryBoxes = [this](void (QUndoStack::*act)()) {
        return [this, act] {
            if (focusWidget() != Text1 && focusWidget() != Text2) {
                // Taking back a load or clear of a big list swaps whole stores, but the view lays
                // out all its rows again.
                const BusyPointer busy;
                (m_defs.list().history().*act)();
            }
        };
    };
    connect(new QShortcut(QKeySequence::Undo, this),
            &QShortcut::activated,
            this,
            outsideEntryBoxes(&QUndoStack::undo));
    for (const QKeySequence &keys :
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, outsideEntryBoxes(&QUndoStack::redo));
    connect(Text2, &QLineEdit::returnPressed, this, &Form1::Text2_Enter);
    buildListMenu();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { tellFocus(now); });
    // A screen reader reads the cells of the row the keys moved to, not where it stands.
    connect(
        ListView1, &TermListView::rowMoved, this, [this](int row) { m_announcer->announce(rowPlace(row)); });
}

QString Form1::rowPlace(int row) const
{
    return QStringLiteral("row %1 of %2").arg(row + 1).arg(m_defs.list().count());
}

void Form1::tellFocus(QWidget *now)
{
    if (!now)
        return;
    if (now == ListView1) {
        // The view makes its first row current as it takes the focus: read the row after that.
        QTimer::singleShot(0, this, [this] {
            const QModelIndex current = ListView1->currentIndex();
            // Not when the window is going: a closing box hands the focus on as the window hides.
            if (!ListView1->isVisible() || !ListView1->hasFocus() || !current.isValid())
                return;
            const int row = current.row();
            const TermListModel &list = m_defs.list();
            // After the result of a command that a box asked about (Delete, the menu's Remove Entry).
            m_announcer->follow(visiblePart(list.termAt(row), 1000) + QLatin1Char('\n')
                                + visiblePart(list.definitionAt(row), 1000) + QLatin1Char('\n')
                                + rowPlace(row));
        });
    } else if (auto *editor = qobject_cast<QLineEdit *>(now); editor && ListView1->isAncestorOf(editor)) {
        editor->setAccessibleName(ListView1->currentIndex().column() == TermListModel::TermColumn
                                      ? QStringLiteral("Edit term")
                                      : QStringLiteral("Edit definition"));
        // Orca 43 reads an editor inside a table only as its selected text, without its name.
        QPointer<QLineEdit> opened(editor);
        QTimer::singleShot(0, this, [this, opened] {
            if (opened && opened->hasFocus())
                m_announcer->announce(opened->accessibleName() + QLatin1Char('\n')
                                      + visiblePart(opened->text(), 1000));
        });
    }
}

void Form1::Form_Load()
{
    ErrorTrap trap(m_services.prompts, id("Form_Load"));
    trap.step(100, [&] { m_defs.ClearFileName(); });
    trap.step(102, [&] { ApplySkin(); });
    loadHandPointer(trap, 104, 106, m_services.programFolder);
    TermListModel &list = m_defs.list();
    trap.step(126,
              [&] { list.setHeaderData(TermListModel::TermColumn, Qt::Horizontal, QStringLiteral("Term")); });
    trap.step(128,
              [&] { ListView1->horizontalHeader()->resizeSection(TermListModel::TermColumn, twips(2000)); });
    trap.step(130, [&] {
        list.setHeaderData(TermListModel::DefinitionColumn, Qt::Horizontal, QStringLiteral("Definition"));
    });
    trap.step(132, [&] {
        ListView1->horizontalHeader()->resizeSection(TermListModel::DefinitionColumn, twips(5000));
    });
    trap.step(134, [&] {
        setWindowTitle(QStringLiteral("Glossmere"));
        setWindowIcon(appIcon());
        SetAppTitle();
    });
    centreOnScreen(this);
    Text1->setFocus();
}

void Form1::ApplySkin()
{
    const QString path = m_services.programFile(QStringLiteral("/x/o.cjs"));
    if (!QFileInfo::exists(path))
        return;
    StyleForm(this);
    const QString sheet = readSkin(path);
    setStyleSheet(sheet);
}

void Form1::Text1_Enter()
{
    if (!Text1->text().isEmpty() && !Text2->text().isEmpty())
        PushButton4_Click();
    else
        Text2->setFocus();
}

void Form1::Text2_Enter()
{
    if (!Text1->text().isEmpty() && !Text2->text().isEmpty())
        PushButton4_Click();
    else
        Text1->setFocus();
}
