#include "testsetup/form2.h"

#include "common/errortrap.h"
#include "common/failure.h"
#include "common/helpers.h"
#include "common/prompts.h"
#include "common/randomsource.h"
#include "common/settings.h"
#include "deffiles/defmanager.h"
#include "termlist/mistakeentries.h"
#include "testrun/sounddevice.h"
#include "testsetup/questionorder.h"
#include "ui/announcer.h"
#include "ui/busypointer.h"
#include "ui/look.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QtConcurrent>

#include <optional>

namespace {
// The file name is user data: the label spans the frame so that a long name is not cut short.
constexpr int detailLabelWidth = 7440 - 240 - 120;
// From this many entries the question order takes long enough to be drawn while the options are
// read; a smaller list's order is drawn at "Continue >" as it always was.
constexpr int orderAheadFrom = 50000;
// Once the options are shown and the program waits for the user.
constexpr int orderAheadAfterMs = 300;
} // namespace

namespace {
QString id(const QString &procedure)
{
    return procedureId(QStringLiteral("Form2"), procedure);
}

// Tab enters an exclusive pair at its selected option, as Qt arranges once an option had the focus;
// with neither selected, both stay Tab stops.
void tabStopAtSelected(QRadioButton *first, QRadioButton *second)
{
    for (auto [option, other] : {std::pair{first, second}, std::pair{second, first}})
        option->setFocusPolicy(option->isChecked() || !other->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}
} // namespace

Form2::Form2(const Services &services,
             const DefManager &defs,
             SoundDevice &sound,
             const MistakeEntries &mistakes,
             OptionsLinks &links,
             ProgramLifetime &lifetime)
    : DesignedWindow("Form2", 7680, 4485, lifetime)
    , m_services(services)
    , m_defs(defs)
    , m_sound(sound)
    , m_mistakes(mistakes)
    , m_links(links)
{
    buildControls();
    m_orderAheadTimer.setSingleShot(true);
    m_orderAheadTimer.setInterval(orderAheadAfterMs);
    connect(&m_orderAheadTimer, &QTimer::timeout, this, [this] {
        describeSound();
        drawOrderAhead();
    });
}

void Form2::buildControls()
{
    PushButton1 =
        makeButton(this, "PushButton1", QStringLiteral("< Go Back"), twipsRect(120, 120, 7455, 405));
    Frame1 = makeFrame(this, "Frame1", QStringLiteral("Test Details"), twipsRect(120, 555, 7440, 1050));
    Label4 =
        makeLabel(Frame1, "Label4", QStringLiteral("File Name:"), twipsRect(240, 300, detailLabelWidth, 225));
    Label5 = makeLabel(Frame1,
                       "Label5",
                       QStringLiteral("Total Number of Entries:"),
                       twipsRect(240, 650, detailLabelWidth, 225));
    Frame2 = makeFrame(this, "Frame2", QStringLiteral("Test Options"), twipsRect(120, 1650, 7440, 1035));
    Option1 = makeOption(Frame2,
                         "Option1",
                         QStringLiteral("Term Is Given, Select The Correct Definition"),
                         twipsRect(240, 300, 5055, 240));
    Option2 = makeOption(Frame2,
                         "Option2",
                         QStringLiteral("Definition Is Given, Select The Correct Term"),
                         twipsRect(240, 650, 4935, 240));
    Frame3 = makeFrame(
        this, "Frame3", QStringLiteral("Correct / Incorrect Audio Option"), twipsRect(120, 2760, 7440, 1065));
    Option3 = makeOption(Frame3, "Option3", QStringLiteral("Play sounds"), twipsRect(240, 300, 4545, 255));
    Option4 =
        makeOption(Frame3, "Option4", QStringLiteral("Do not play sounds"), twipsRect(240, 650, 5175, 255));
    PushButton2 =
        makeButton(this, "PushButton2", QStringLiteral("Continue >"), twipsRect(120, 3960, 7440, 405));
    Option1->setChecked(true);
    Option3->setChecked(true);

    setTabOrder(PushButton1, PushButton2);
    setTabOrder(PushButton2, Option1);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Option4);
    setTabOrder(Option4, Option3);

    PushButton1->setAccessibleDescription(QStringLiteral("Back to the term list."));
    PushButton2->setAccessibleDescription(QStringLiteral("Starts the test with the options chosen."));
    setAccessibleDescription(QStringLiteral("Test options: the direction of the questions and the sounds."));

    m_announcer = new Announcer(this);
    // A key of the window, no control of its own: the designed window stays as it is.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this),
            &QShortcut::activated,
            this,
            &Form2::practiseMistakes);

    connect(PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    const auto direction = [this] {
        tabStopAtSelected(Option1, Option2);
        writeOptionPair(Option1, Option2);
    };
    const auto sound = [this] {
        tabStopAtSelected(Option3, Option4);
        writeOptionPair(Option3, Option4);
    };
    tabStopAtSelected(Option1, Option2);
    tabStopAtSelected(Option3, Option4);
    connect(Option1, &QRadioButton::toggled, this, direction);
    connect(Option2, &QRadioButton::toggled, this, direction);
    connect(Option3, &QRadioButton::toggled, this, sound);
    connect(Option4, &QRadioButton::toggled, this, sound);
}

void Form2::Form_Load()
{
    m_loading = true;
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("Form_Load")));
    openStyled(trap, m_services.programFolder);
    readOptionPair(110, Option1, Option2, true);
    readOptionPair(114, Option3, Option4, false);
    m_loading = false;
    centreOnScreen(this);
}

void Form2::readOptionPair(int line, QRadioButton *first, QRadioButton *second, bool keepOneSelected)
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("Form_Load")));
    const auto keyOf = [](const QRadioButton *option) {
        return option->objectName();
    };
    // Each option is set or cleared in turn, as a pair of exclusive buttons behaves; a text that is
    // no boolean leaves its button as designed.
    first->setAutoExclusive(false);
    second->setAutoExclusive(false);
    trap.step(line, [&] {
        first->setChecked(settingToBool(m_services.settings.ReadSetting(keyOf(first), QStringLiteral("1"))));
        if (first->isChecked())
            second->setChecked(false);
    });
    trap.step(line + 2, [&] {
        second->setChecked(
            settingToBool(m_services.settings.ReadSetting(keyOf(second), QStringLiteral("0"))));
        if (second->isChecked())
            first->setChecked(false);
    });
    // Without a direction no test could start: the designed one stands. Neither sound option
    // selected simply means silence.
    if (keepOneSelected && !first->isChecked() && !second->isChecked())
        first->setChecked(true);
    first->setAutoExclusive(true);
    second->setAutoExclusive(true);
}

void Form2::writeOptionPair(QRadioButton *first, QRadioButton *second)
{
    if (m_loading)
        return;
    // The keys are the options' names.
    m_services.settings.WriteSetting(first->objectName(), boolSettingText(first->isChecked()));
    m_services.settings.WriteSetting(second->objectName(), boolSettingText(second->isChecked()));
}

void Form2::setFileNameCaption(const QString &caption)
{
    Label4->setText(caption);
    Label4->setToolTip(Qt::convertFromPlainText(caption));
}

void Form2::setEntryCountCaption(const QString &caption)
{
    Label5->setText(caption);
}

void Form2::setTestEntries(std::optional<std::vector<int>> entries)
{
    m_testEntries = std::move(entries);
    if (m_testEntries)
        m_announcer->announce(QStringLiteral("Practice of the last test's mistakes: ") + Label5->text());
    if (isVisible())
        restartOrderAhead();
}

void Form2::practiseMistakes()
{
    if (m_mistakes.count() == 0)
        return;
    setEntryCountCaption(QStringLiteral("Total Number of Entries: ") + QString::number(m_mistakes.count()));
    setTestEntries(m_mistakes.entries());
}

void Form2::showOptions()
{
    show();
    activateWindow();
    restartOrderAhead();
}

void Form2::restartOrderAhead()
{
    // An order drawn for an earlier showing may be for another list or other entries.
    if (m_orderAhead)
        m_orderAhead->waitForFinished();
    m_orderAhead.reset();
    m_orderAheadTimer.start();
}

Form2::~Form2()
{
    if (m_orderAhead)
        m_orderAhead->waitForFinished();
}

// Asked once the window is up and waits for the user: the audio system takes a moment to answer,
// the first time.
void Form2::describeSound()
{
    if (!isVisible())
        return;
    Option3->setAccessibleDescription(
        m_sound.canPlay() ? QString()
                          : QStringLiteral("No sound can be played: this computer has no audio output."));
}

void Form2::drawOrderAhead()
{
    const int count = m_defs.GetEntryCount();
    if (!isVisible() || m_orderAhead || (m_testEntries ? int(m_testEntries->size()) : count) < orderAheadFrom)
        return;
    // The list cannot change while the options are shown; the thread reads a snapshot of it and draws
    // from a source of its own.
    const std::shared_ptr<RandomSource> source = m_services.random.forAnotherThread();
    m_orderAhead = QtConcurrent::run([store = m_defs.list().store().snapshot(),
                                      entries = m_testEntries,
                                      source]() -> std::optional<std::vector<int>> {
        // Memory running out there leaves the order to "Continue >", which reports it as usual.
        try {
            return buildQuestionOrder(entries ? *entries : store.askableEntries(), *source);
        } catch (const std::bad_alloc &) {
            return std::nullopt;
        }
    });
    m_orderAheadCount = count;
}

std::vector<int> Form2::takeOrder()
{
    if (m_orderAhead) {
        std::optional<std::vector<int>> ahead = m_orderAhead->takeResult();
        m_orderAhead.reset();
        if (ahead && m_orderAheadCount == m_defs.GetEntryCount())
            return std::move(*ahead);
    }
    if (m_testEntries)
        return buildQuestionOrder(*m_testEntries, m_services.random);
    // An entry with an empty term or definition is not asked.
    return buildQuestionOrder(m_defs.list().store().askableEntries(), m_services.random);
}

void Form2::PushButton1_Click()
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("PushButton1_Click")));
    trap.step(100, [&] { hide(); });
    trap.step(102, [&] { m_links.showMainWindow(); });
}

void Form2::PushButton2_Click()
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("PushButton2_Click")));
    std::optional<bool> definitionGiven;
    int base = 100;
    trap.step(100, [&] {
        if (Option1->isChecked())
            definitionGiven = false;
    });
    if (!definitionGiven) {
        base = 130;
        trap.step(130, [&] {
            if (Option2->isChecked())
                definitionGiven = true;
        });
    }
    if (!definitionGiven)
        return;
    bool empty = true;
    trap.step(base + 2, [&] { empty = m_defs.GetEntryCount() <= 0; });
    if (empty) {
        trap.step(base + 28, [&] {
            m_services.prompts.message(QStringLiteral("There are no terms/definitions currently entered"));
        });
        return;
    }
    // Ordering and presenting a big list's test takes a moment.
    std::optional<BusyPointer> busy(std::in_place);
    std::vector<int> order;
    const bool drawn = trap.step(base + 8, [&] { order = takeOrder(); });
    if (drawn && order.empty()) {
        busy.reset();
        trap.step(base + 10, [&] {
            m_services.prompts.message(
                QStringLiteral("None of the entries can be asked: each has an empty term or definition."));
        });
        return;
    }
    const TestOptions options{*definitionGiven, Option3->isChecked()};
    // The new order, the score back to 0, the direction, and the first question presented.
    trap.step(base + 22, [&] { m_links.startTest(std::move(order), options); });
    busy.reset();
    trap.step(base + 24, [&] { hide(); });
    trap.step(base + 26, [&] { m_links.showTest(); });
}

void Form2::closeEvent(QCloseEvent *event)
{
    ErrorTrap trap(m_services.prompts, id(QStringLiteral("Form_QueryUnload")));
    bool mayClose = true;
    trap.step(100, [&] { mayClose = m_lifetime.mayEnd(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    event->accept();
    trap.step(102, [&] { m_lifetime.endProgram(); });
}
