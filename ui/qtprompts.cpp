#include "ui/qtprompts.h"

#include "common/helpers.h"
#include "ui/announcer.h"
#include "ui/busypointer.h"
#include "ui/look.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {
// The window a question belongs to, and stays in front of. For a moment after a dialog closes there
// may be no active window (on Wayland the compositor hands the focus back when it likes): the
// question then goes to the window of ours that is showing, never to no window at all.
QWidget *dialogParent()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible() && window->windowType() == Qt::Window)
            return window;
    }
    return nullptr;
}

// A chooser of the desktop's own (GTK's, the portal's) is another client's window on Wayland, which
// Qt 6 cannot tie to ours: it could open behind the window it blocks. Qt's own dialog can be tied.
QFileDialog::Options fileDialogOptions()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return QFileDialog::DontUseNativeDialog;
    return {};
}

// The Escape that closes the open drop-down must not cancel the question too. Where the window
// system hands keys to the question rather than to the drop-down (Wayland), that key still reaches
// the question after the drop-down has closed; it is known by its time stamp.
class DropDownEscape : public QObject
{
public:
    DropDownEscape(QDialog *dialog, QComboBox *box)
        : QObject(dialog)
        , m_dialog(dialog)
        , m_box(box)
    {
        box->view()->installEventFilter(this);
        dialog->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const auto type = event->type();
        if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->matches(QKeySequence::Cancel))
            return false;
        if (watched == m_box->view() && type == QEvent::ShortcutOverride)
            m_closedAt = key->timestamp();
        else if (watched == m_dialog && type == QEvent::KeyPress && m_closedAt == key->timestamp())
            return true;
        return false;
    }

private:
    QDialog *m_dialog;
    QComboBox *m_box;
    std::optional<quint64> m_closedAt;
};

QMessageBox::Icon boxIcon(Prompts::Icon icon)
{
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Warning:
        return QMessageBox::Warning;
    case Prompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Message texts carry user data (terms, file names): never let Qt read them as markup.
void preparePlainBox(QMessageBox &box, const QString &text, const QString &title)
{
    box.setTextFormat(Qt::PlainText);
    box.setText(lineBreaksForDisplay(text));
    box.setWindowTitle(titleOrAppTitle(title));
    keepUnmaximised(&box);
}

// On this platform "*.*" would hide every file without a dot in its name.
QString platformFilter(QString filter)
{
    return filter.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
}

// Details are one item per line: the field is wide enough for a line of up to 80 characters, and
// the items stand apart so that a longer one that wraps is still seen as one.
void fitDetails(QTextEdit &field)
{
    constexpr int shownWhole = 80;
    const QFontMetrics metrics = field.fontMetrics();
    const QStringList lines = field.toPlainText().split(QLatin1Char('\n'));
    int widest = 0;
    for (const QString &line : lines.first(std::min<qsizetype>(lines.size(), 2000)))
        widest = std::max(widest, metrics.horizontalAdvance(line.left(shownWhole)));
    const int margins = 2 * (field.frameWidth() + int(field.document()->documentMargin()) + 2);
    const int scrollBar = field.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &field);
    field.setMinimumWidth(widest + margins + scrollBar);
    QTextBlockFormat spaced;
    spaced.setBottomMargin(metrics.height() / 2.0);
    QTextCursor all(field.document());
    all.select(QTextCursor::Document);
    all.mergeBlockFormat(spaced);
}

// Never the folder the program happened to be started from.
QString startFolder(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

// Qt's own dialog opens so small, and its name column so narrow (255 pixels until the user has
// widened it once, which Qt then keeps), that a long file name is cut at its edge. The column
// takes the longest name of each folder once that folder has been read, which happens in the
// background after the dialog shows.
void fitFileDialog(QFileDialog &dialog)
{
    const QFontMetrics metrics = dialog.fontMetrics();
    QSize size(metrics.averageCharWidth() * 130, metrics.height() * 30);
    if (const QScreen *screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog.resize(size.expandedTo(dialog.sizeHint()));

    auto *files = dialog.findChild<QFileSystemModel *>();
    auto *view = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    if (!files || !view)
        return; // the desktop's own dialog, which sizes its columns itself
    QObject::connect(files, &QFileSystemModel::directoryLoaded, view, [view] {
        // Wider only: a folder of short names keeps the width the user chose.
        QHeaderView *header = view->header();
        const int before = header->sectionSize(0);
        view->resizeColumnToContents(0);
        if (header->sectionSize(0) < before)
            header->resizeSection(0, before);
    });
}

} // namespace

QString titleOrAppTitle(const QString &title)
{
    return title.isEmpty() ? appTitle() : title;
}

void QtPrompts::message(const QString &text, const QString &title, Icon icon, const QString &details)
{
    const ArrowPointer arrow;
    QMessageBox box(dialogParent());
    preparePlainBox(box, text, title);
    box.setIcon(boxIcon(icon));
    // Shown in a plain-text field: user texts stay as typed.
    box.setDetailedText(details);
    if (auto *field = box.findChild<QTextEdit *>())
        fitDetails(*field);
    // The details' field and the line above it come without names; screen readers want one.
    for (QFrame *part : box.findChildren<QFrame *>()) {
        if (part->accessibleName().isEmpty() && !qobject_cast<QLabel *>(part))
            part->setAccessibleName(QStringLiteral("Details"));
    }
    box.setStandardButtons(QMessageBox::Ok);
    // Enter closes the box, as without details; "Show Details..." is a button of its own.
    box.setDefaultButton(QMessageBox::Ok);
    if (auto *field = box.findChild<QTextEdit *>()) {
        // Qt keeps the details out of the Tab order: a screen reader's user could not read them.
        field->setFocusPolicy(Qt::StrongFocus);
        field->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
        auto *announcer = new Announcer(&box);
        for (QAbstractButton *button : box.buttons()) {
            if (box.buttonRole(button) == QMessageBox::ActionRole) {
                // The button's new caption says the details opened or closed; Orca does not read
                // a renamed button that has the focus. The box renames it after this signal.
                QObject::connect(button, &QAbstractButton::clicked, announcer, [announcer, button] {
                    QTimer::singleShot(
                        0, announcer, [announcer, button] { announcer->announce(button->text()); });
                });
            }
        }
    }
    box.exec();
}

bool QtPrompts::askYesNo(const QString &text, const QString &title, Default preferred)
{
    const ArrowPointer arrow;
    QMessageBox box(dialogParent());
    preparePlainBox(box, text, title);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(preferred == Default::Yes ? QMessageBox::Yes : QMessageBox::No);
    // Yes stands left of No on every desktop (GNOME's layout would put it last).
    box.setStyleSheet(QStringLiteral("QDialogButtonBox { button-layout: 0; }"));
    return box.exec() == QMessageBox::Yes;
}

Prompts::SaveChoice QtPrompts::askSaveDiscardCancel(const QString &text, const QString &title)
{
    const ArrowPointer arrow;
    QMessageBox box(dialogParent());
    preparePlainBox(box, text, title);
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel;
    }
}

QString QtPrompts::askText(const QString &text, const QString &defaultAnswer, const QList<Preset> &presets)
{
    const ArrowPointer arrow;
    QDialog dialog(dialogParent());
    dialog.setWindowTitle(titleOrAppTitle({}));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(text, &dialog);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(label);

    // An editable box: whatever is typed is used as typed; the listed picks stand for characters that
    // are awkward to type into a text box, such as Tab.
    auto *answer = new QComboBox(&dialog);
    answer->setObjectName(QStringLiteral("answer"));
    answer->setEditable(true);
    answer->setInsertPolicy(QComboBox::NoInsert);
    // No completion: what is typed must stay exactly what was typed.
    answer->setCompleter(nullptr);
    for (const Preset &preset : presets)
        answer->addItem(preset.label, preset.value);
    qsizetype preset = presets.size() - 1;
    while (preset >= 0 && presets[preset].value != defaultAnswer)
        --preset;
    answer->setCurrentIndex(int(preset));
    if (preset < 0)
        answer->setEditText(defaultAnswer);
    answer->lineEdit()->selectAll();
    label->setBuddy(answer);
    new DropDownEscape(&dialog, answer);
    // Screen readers name the editable box and its list by the question they answer.
    answer->setAccessibleName(text);
    answer->lineEdit()->setAccessibleName(text);
    answer->view()->setAccessibleName(text);
    layout->addWidget(answer);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(420, dialog.sizeHint().height());

    if (dialog.exec() != QDialog::Accepted)
        return {};
    const int index = answer->currentIndex();
    if (index >= 0 && answer->currentText() == answer->itemText(index))
        return answer->itemData(index).toString();
    return answer->currentText();
}

QStringList QtPrompts::chooseFilesToOpen(const QString &title, const QString &filter, const QString &folder)
{
    const ArrowPointer arrow;
    QFileDialog dialog(dialogParent(), title, startFolder(folder), platformFilter(filter));
    dialog.setOptions(fileDialogOptions());
    dialog.setFileMode(QFileDialog::ExistingFiles);
    fitFileDialog(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

QString QtPrompts::chooseFileToSave(const QString &title,
                                    const QString &filter,
                                    const QString &initialName,
                                    const QString &folder)
{
    const ArrowPointer arrow;
    QFileDialog dialog(dialogParent(), title, startFolder(folder), platformFilter(filter));
    dialog.setOptions(QFileDialog::DontConfirmOverwrite | fileDialogOptions());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    fitFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

Prompts::SaveTarget QtPrompts::chooseFileToSaveAs(const QString &title,
                                                  const QStringList &filters,
                                                  const QStringList &initialNames,
                                                  const QString &folder)
{
    const ArrowPointer arrow;
    QFileDialog dialog(dialogParent(), title, startFolder(folder));
    dialog.setOptions(fileDialogOptions());
    dialog.setNameFilters(filters);
    // Orca reads no new choice in a closed combo box: the type chosen is said.
    auto *announcer = new Announcer(&dialog);
    QObject::connect(&dialog, &QFileDialog::filterSelected, announcer, &Announcer::announce);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!initialNames.isEmpty())
        dialog.selectFile(initialNames.constFirst());
    // The dialog would only swap the extension, so that two types sharing one (.txt) would share a
    // name too. A name the user typed is left alone: only one of the proposals gives way.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        const qsizetype chosen = filters.indexOf(filter);
        if (chosen < 0 || chosen >= initialNames.size())
            return;
        const QString current = QFileInfo(dialog.selectedFiles().value(0)).completeBaseName();
        const bool proposed = current.isEmpty()
            || std::any_of(initialNames.begin(), initialNames.end(), [&](const QString &name) {
                                  return QFileInfo(name).completeBaseName() == current;
                              });
        if (proposed)
            dialog.selectFile(initialNames.at(chosen));
    });
    fitFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().constFirst(),
            std::max(0, int(filters.indexOf(dialog.selectedNameFilter())))};
}
