#include "common/prompts.h"

#include "common/busypointer.h"
#include "common/helpers.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QWidget *dialogParent()
{
    return QApplication::activeWindow();
}

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
}

// On this platform "*.*" would hide every file without a dot in its name.
QString platformFilter(QString filter)
{
    return filter.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
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
    // The details' field and the line above it come without names; screen readers want one.
    for (QFrame *part : box.findChildren<QFrame *>()) {
        if (part->accessibleName().isEmpty() && !qobject_cast<QLabel *>(part))
            part->setAccessibleName(QStringLiteral("Details"));
    }
    box.setStandardButtons(QMessageBox::Ok);
    // Enter closes the box, as without details; "Show Details..." is a button of its own.
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

bool QtPrompts::askYesNo(const QString &text, const QString &title)
{
    const ArrowPointer arrow;
    QMessageBox box(dialogParent());
    preparePlainBox(box, text, title);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
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

QStringList QtPrompts::chooseFilesToOpen(const QString &title, const QString &filter)
{
    const ArrowPointer arrow;
    return QFileDialog::getOpenFileNames(dialogParent(), title, QString(), platformFilter(filter));
}

QString QtPrompts::chooseFileToSave(const QString &title, const QString &filter, const QString &initialName)
{
    const ArrowPointer arrow;
    return QFileDialog::getSaveFileName(dialogParent(),
                                        title,
                                        initialName,
                                        platformFilter(filter),
                                        nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

Prompts::SaveTarget
QtPrompts::chooseFileToSaveAs(const QString &title, const QStringList &filters, const QString &initialName)
{
    const ArrowPointer arrow;
    QString chosen = filters.value(0);
    const QString path = QFileDialog::getSaveFileName(
        dialogParent(), title, initialName, filters.join(QStringLiteral(";;")), &chosen);
    return {path, std::max(0, int(filters.indexOf(chosen)))};
}
