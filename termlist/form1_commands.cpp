// The main window's commands on the term list.
#include "common/contact.h"
#include "common/errortrap.h"
#include "common/helpers.h"
#include "common/prompts.h"
#include "deffiles/definitiontext.h"
#include "deffiles/defmanager.h"
#include "termlist/form1.h"
#include "termlist/mistakeentries.h"
#include "termlist/termlistview.h"
#include "termlist/testoptionsgate.h"
#include "ui/announcer.h"
#include "ui/busypointer.h"

#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>

#include <algorithm>
#include <array>

namespace {
// A pick of the separator question, and what is said when a file read with it gives nothing.
struct ImportChoice
{
    ImportFormat format;
    Prompts::Preset preset;
    // %1 is the file's name.
    QString nothingFound;
};

// The picks of the separator question. Their values cannot be typed (they start with a NUL), so a
// typed "," is still cut literally while the picked comma reads quoted fields.
const std::array<ImportChoice, 5> &importChoiceTable()
{
    static const auto value = [](const char *name) {
        return QString(QChar(0)) + QLatin1String(name);
    };
    static const std::array<ImportChoice, 5> table{
        {{ImportFormat::Tab,
          {QStringLiteral("⇥ Tab character"), value("tab")},
          QStringLiteral("No line of “%1” holds a Tab, so nothing was added from it.")},
         {ImportFormat::Comma,
          {QStringLiteral(", (comma)"), value("comma")},
          QStringLiteral("No line of “%1” holds a comma, so nothing was added from it.")},
         {ImportFormat::Semicolon,
          {QStringLiteral("; (semicolon)"), value("semicolon")},
          QStringLiteral("No line of “%1” holds a semicolon, so nothing was added from it.")},
         {ImportFormat::Kvtml,
          {QStringLiteral("KWordQuiz / Parley vocabulary (.kvtml)"), value("kvtml")},
          QStringLiteral("No KVTML entry was found in “%1”, so nothing was added from it.")},
         {ImportFormat::Anki,
          {QStringLiteral("Anki notes export (.txt)"), value("anki")},
          QStringLiteral("No Anki note was found in “%1”, so nothing was added from it.")}}};
    return table;
}

QList<Prompts::Preset> importChoices()
{
    QList<Prompts::Preset> presets;
    for (const ImportChoice &choice : importChoiceTable())
        presets.append(choice.preset);
    return presets;
}

QString importChoiceValue(ImportFormat format)
{
    for (const ImportChoice &choice : importChoiceTable()) {
        if (choice.format == format)
            return choice.preset.value;
    }
    return {};
}

ImportFormat importFormatOf(const QString &answer)
{
    for (const ImportChoice &choice : importChoiceTable()) {
        if (choice.preset.value == answer)
            return choice.format;
    }
    return ImportFormat::Literal;
}

// Says what was looked for in words: a pick's value is no text to show.
QString nothingFoundIn(const QString &fileName, const QString &answer)
{
    for (const ImportChoice &choice : importChoiceTable()) {
        if (choice.preset.value == answer)
            return choice.nothingFound.arg(fileName);
    }
    const QString shownSeparator =
        answer == u"\t" ? QStringLiteral("Tab") : QStringLiteral("“%1”").arg(answer);
    return QStringLiteral("No line of “%1” holds the separator %2, so nothing was added from it.")
        .arg(fileName, shownSeparator);
}
} // namespace

void Form1::PushButton4_Click()
{
    ErrorTrap trap(m_services.prompts, id("PushButton4_Click"));
    QString term;
    QString definition;
    bool incomplete = true;
    trap.step(104, [&] {
        term = oneLineText(Text1->text());
        definition = oneLineText(Text2->text());
        incomplete = term.isEmpty() || definition.isEmpty();
    });
    if (incomplete)
        return;
    trap.step(106, [&] {
        m_history.add({term, definition});
        // The entry goes to the end of the list: shown there, and the current one.
        const QModelIndex added = ListView1->model()->index(ListView1->model()->rowCount() - 1, 0);
        ListView1->selectionModel()->setCurrentIndex(
            added, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        ListView1->scrollTo(added);
    });
    trap.step(110, [&] { Text1->clear(); });
    trap.step(112, [&] { Text2->clear(); });
    trap.step(114, [&] { Text1->setFocus(); });
}

void Form1::PushButton7_Click()
{
    ErrorTrap trap(m_services.prompts, id("PushButton7_Click"));
    bool empty = true;
    trap.step(100, [&] { empty = m_defs.GetEntryCount() == 0; });
    if (empty)
        return;
    bool confirmed = false;
    trap.step(102, [&] {
        confirmed =
            m_services.prompts.askYesNo(QStringLiteral("Are you sure you wish to delete the selected term?"),
                                        QStringLiteral("Confirm Delete"));
    });
    if (!confirmed)
        return;
    trap.step(104, [&] {
        const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
        if (selected.isEmpty()) {
            m_services.prompts.message(
                QStringLiteral("No term is selected. Click a term in the list, then remove it."));
            return;
        }
        m_history.remove(selected.first().row());
    });
}

void Form1::PushButton6_Click()
{
    ErrorTrap trap(m_services.prompts, id("PushButton6_Click"));
    bool empty = true;
    trap.step(100, [&] { empty = m_defs.GetEntryCount() == 0; });
    if (empty)
        return;
    bool confirmed = false;
    trap.step(102, [&] {
        confirmed = m_services.prompts.askYesNo(QStringLiteral("Are you sure you wish to delete all terms?"));
    });
    if (!confirmed)
        return;
    trap.step(104, [&] { m_history.clear(); });
}

void Form1::PushButton2_Click()
{
    // Only here: the other saves go on to another window or end the program.
    if (saveList())
        m_announcer->announce(
            QStringLiteral("Saved %1; %2").arg(m_defs.GetFileName(), entryCountText(m_defs.GetEntryCount())));
}

bool Form1::saveList()
{
    // A definition file cannot hold its own separator inside a text; saving would split it elsewhere.
    if (!maySaveSeparatorTexts())
        return false;
    ErrorTrap trap(m_services.prompts, id("PushButton2_Click"));
    QString path;
    trap.step(108, [&] {
        path = m_services.prompts.chooseFileToSave(QStringLiteral("Saving Definition File"),
                                                   QStringLiteral("Text Files (*.txt)"),
                                                   m_defs.GetFileName(),
                                                   m_fileFolder);
    });
    if (path.isEmpty() || !mayReplaceOtherKind(path))
        return false;
    bool saved = false;
    trap.step(118, [&] {
        const BusyPointer busy;
        saved = m_defs.saveDefinitionFile(path, QStringLiteral("::"));
    });
    if (saved)
        m_fileFolder = QFileInfo(path).absolutePath();
    return saved;
}

bool Form1::maySaveSeparatorTexts()
{
    const int holding = entriesHoldingSeparator(m_defs.list().store(), u"::");
    if (holding == 0)
        return true;
    const QString text = holding == 1
        ? QStringLiteral("1 entry contains “::”, which a definition file uses to divide a term from "
                         "its definition, so it would not read back the same. Save anyway?")
        : QStringLiteral("%1 entries contain “::”, which a definition file uses to divide a term "
                         "from its definition, so they would not read back the same. Save anyway?")
              .arg(holding);
    return m_services.prompts.askYesNo(text, {}, Prompts::Default::No);
}

bool Form1::mayExportToKvtml()
{
    const int holding = textsKvtmlCannotHold(m_defs.list().store());
    if (holding == 0)
        return true;
    const QString text = holding == 1
        ? QStringLiteral("1 text holds characters that a KVTML file cannot hold; they would be written as "
                         "spaces, so it would not read back the same. Export anyway?")
        : QStringLiteral("%1 texts hold characters that a KVTML file cannot hold; they would be written as "
                         "spaces, so they would not read back the same. Export anyway?")
              .arg(holding);
    return m_services.prompts.askYesNo(text, {}, Prompts::Default::No);
}

bool Form1::mayReplaceOtherKind(const QString &path)
{
    if (!holdsAnotherKindOfFile(path))
        return true;
    return m_services.prompts.askYesNo(
        QStringLiteral("“%1” is not a definition file. Replace it with the term list?")
            .arg(QFileInfo(path).fileName()),
        {},
        Prompts::Default::No);
}

bool Form1::mayReplaceList()
{
    if (m_defs.IsFileUpToDate())
        return true;
    // Enter keeps the work.
    return m_services.prompts.askYesNo(
        QStringLiteral("The term list has changes that have not been saved. Replace them anyway?"),
        QStringLiteral("Unsaved Changes"),
        Prompts::Default::No);
}

void Form1::PushButton3_Click()
{
    // Unsaved typing is never replaced without a question.
    if (!mayReplaceList())
        return;
    loadSample();
}

void Form1::loadSample()
{
    ErrorTrap trap(m_services.prompts, id("PushButton3_Click"));
    QString path;
    trap.step(100, [&] { path = m_services.programFile(QStringLiteral("/Sample/sample_glossbox.txt")); });
    const BusyPointer busy;
    std::optional<TermStore> entries;
    trap.step(106, [&] { entries = m_defs.readDefinitionFile(path, QStringLiteral("::")); });
    if (entries)
        trap.step(106, [&] { m_history.replace(std::move(*entries), path, false); });
}

void Form1::PushButton1_Click()
{
    openTestOptions(id("PushButton1_Click"), std::nullopt);
}

void Form1::practiseMistakes()
{
    // Without mistakes to practise the command is greyed out, and its key does nothing.
    if (m_mistakes.count() == 0)
        return;
    openTestOptions(id("PractiseMistakes"), m_mistakes.entries());
}

void Form1::openTestOptions(const QString &procedure, std::optional<std::vector<int>> entries)
{
    ErrorTrap trap(m_services.prompts, procedure);
    bool upToDate = true;
    trap.step(100, [&] { upToDate = m_defs.IsFileUpToDate(); });
    if (!upToDate) {
        bool save = false;
        trap.step(102, [&] {
            save = m_services.prompts.askYesNo(
                QStringLiteral("The current definition file is not up to date, would "
                               "you like to save it before doing a test?"),
                QStringLiteral("Save File?"));
        });
        if (save)
            trap.step(104, [&] { saveList(); });
    }
    bool empty = true;
    trap.step(106, [&] { empty = m_defs.GetEntryCount() == 0; });
    if (empty) {
        trap.step(108, [&] {
            m_services.prompts.message(QStringLiteral("There are no definition entries found."));
        });
        return;
    }
    trap.step(110, [&] { hide(); });
    trap.step(112,
              [&] { m_options.setFileNameCaption(QStringLiteral("Filename: ") + m_defs.GetFileName()); });
    trap.step(114, [&] {
        const int count = entries ? int(entries->size()) : m_defs.GetEntryCount();
        m_options.setEntryCountCaption(QStringLiteral("Total Number of Entries: ") + QString::number(count));
        m_options.setTestEntries(std::move(entries));
    });
    trap.step(116, [&] { m_options.showOptions(); });
}

void Form1::PushButton5_Click()
{
    ErrorTrap trap(m_services.prompts, id("PushButton5_Click"));
    QStringList paths;
    trap.step(112, [&] {
        paths = m_services.prompts.chooseFilesToOpen(
            QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"),
            QStringLiteral("All Files (*.*)"),
            m_importFolder);
    });
    importFiles(paths);
}

void Form1::importFiles(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    m_importFolder = QFileInfo(paths.constFirst()).absolutePath();
    // Unsaved typing is never replaced without a question.
    if (!mayReplaceList())
        return;
    ErrorTrap trap(m_services.prompts, id("PushButton5_Click"));
    const bool several = paths.size() > 1;
    const QList<Prompts::Preset> presets = importChoices();
    // Every file that is read adds its entries after those of the files before it.
    TermStore gathered;
    QString lastRead;
    int filesRead = 0;
    for (const QString &path : paths) {
        // A file that shows what it is offers the choice that reads it, so Enter reads it right.
        const ImportFormat recognised = recogniseImportFile(path);
        const QString proposed =
            recognised == ImportFormat::Literal ? QStringLiteral("::") : importChoiceValue(recognised);
        QString separator;
        trap.step(several ? 138 : 120, [&] {
            separator = m_services.prompts.askText(
                QStringLiteral("Enter separating character that divides the find what and the replace with:"),
                proposed,
                presets);
        });
        if (separator.isEmpty())
            continue;
        const BusyPointer busy;
        std::optional<TermStore> entries = m_defs.readImportFile(path, importFormatOf(separator), separator);
        if (!entries)
            continue;
        if (entries->isEmpty()) {
            m_services.prompts.message(nothingFoundIn(QFileInfo(path).fileName(), separator));
            continue;
        }
        gathered.appendAll(std::move(*entries));
        lastRead = path;
        ++filesRead;
    }
    if (filesRead == 0)
        return;
    trap.step(several ? 142 : 124, [&] {
        const BusyPointer busy;
        m_history.replace(std::move(gathered), lastRead, filesRead > 1);
    });
    m_fileFolder = QFileInfo(lastRead).absolutePath();
}

namespace {
// One name per export type, none of them the list's own file: one Yes in the replace question
// would otherwise turn a definition file into an export.
QStringList exportNames(const QString &listFile)
{
    const QFileInfo list(listFile);
    const QString base = list.completeBaseName().isEmpty() ? QStringLiteral("list") : list.completeBaseName();
    QStringList names;
    for (const char *ending : {".csv", ".tsv", "-anki.txt", ".kvtml"}) {
        QString name = base + QLatin1String(ending);
        if (name.compare(list.fileName(), Qt::CaseInsensitive) == 0)
            name = base + QStringLiteral("-export") + QLatin1String(ending);
        names.append(name);
    }
    return names;
}
} // namespace

void Form1::exportList()
{
    ErrorTrap trap(m_services.prompts, id("exportList"));

    struct Kind
    {
        ExportFormat format;
        const char *suffix;
        // The type as the dialog offers it, for a screen reader to confirm what was written.
        const char *spoken;
    };

    static const std::array<Kind, 4> kinds{{{ExportFormat::Csv, "csv", "CSV"},
                                            {ExportFormat::Tsv, "tsv", "Tab-separated"},
                                            {ExportFormat::Anki, "txt", "Anki import file"},
                                            {ExportFormat::Kvtml, "kvtml", "KWordQuiz / Parley vocabulary"}}};
    Prompts::SaveTarget target;
    trap.step(100, [&] {
        target =
            m_services.prompts.chooseFileToSaveAs(QStringLiteral("Export List As"),
                                                  {QStringLiteral("CSV (*.csv)"),
                                                   QStringLiteral("Tab-separated (*.tsv *.txt)"),
                                                   QStringLiteral("Anki import file (*.txt)"),
                                                   QStringLiteral("KWordQuiz / Parley vocabulary (*.kvtml)")},
                                                  exportNames(m_defs.GetFileName()),
                                                  m_fileFolder);
    });
    if (target.path.isEmpty())
        return;
    const auto &[format, suffix, spoken] = kinds[size_t(std::clamp(target.filter, 0, int(kinds.size()) - 1))];
    // A name typed without an extension gets the chosen type's.
    if (QFileInfo(target.path).suffix().isEmpty())
        target.path += QLatin1Char('.') + QLatin1String(suffix);
    if (format == ExportFormat::Kvtml && !mayExportToKvtml())
        return;
    bool exported = false;
    trap.step(102, [&] {
        const BusyPointer busy;
        exported = m_defs.exportFile(target.path, format);
    });
    if (exported)
        m_announcer->announce(QStringLiteral("Exported %1 as %2; %3")
                                  .arg(QFileInfo(target.path).fileName(),
                                       QLatin1String(spoken),
                                       entryCountText(m_defs.GetEntryCount())));
}

void Form1::restoreList(TermStore entries, const QString &fileName)
{
    m_history.restore(std::move(entries), fileName);
}

void Form1::restoreTypedTexts(const QString &term, const QString &definition)
{
    // The box that gets text goes first: were both empty for a moment, with the list up to date, the
    // copy that is being taken over would be removed.
    if (term.isEmpty()) {
        Text2->setText(definition);
        Text1->setText(term);
    } else {
        Text1->setText(term);
        Text2->setText(definition);
    }
}

QString Form1::typedTerm() const
{
    return Text1->text();
}

QString Form1::typedDefinition() const
{
    return Text2->text();
}

void Form1::PushButton8_Click()
{
    ErrorTrap trap(m_services.prompts, id("PushButton8_Click"));
    trap.step(100, [&] {
        m_services.prompts.message(QStringLiteral("Questions? Please contact Team Tamberlux at ")
                                   + Contact::contactPage());
    });
}
