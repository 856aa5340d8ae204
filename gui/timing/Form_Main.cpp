#include "gui/timing/Form_Main.h"

#include "core/journal/HandMarks.h"
#include "core/journal/JournalRecorder.h"
#include "core/marks/MarksKeeper.h"
#include "core/session/RaceSession.h"
#include "core/settings/ClassNames.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/system/DataFolder.h"
#include "core/text/Numbers.h"
#include "gui/backup/BackupWiring.h"
#include "gui/common/Colors.h"
#include "gui/common/Form_Info.h"
#include "gui/common/JustOne.h"
#include "gui/common/OperatorDialogs.h"
#include "gui/common/TranslateWindow.h"
#include "gui/common/WindowLook.h"
#include "gui/journal/HistoryWiring.h"
#include "gui/journal/JournalWiring.h"
#include "gui/live/LiveWiring.h"
#include "gui/raceday/RaceDayWiring.h"
#include "gui/results/ResultsWiring.h"
#include "gui/settings/Form_Config.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/WarningLine.h"
#include "gui/widgets/DrawnText.h"
#include "gui/widgets/PlainGroupFrame.h"
#include "gui/widgets/ProtocolDelegate.h"
#include "ui_Form_Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {
// A folder the operator could make the data folder instead of file's: the user's own data folder
// (made when needed), else one in the home folder.
QString writableFolderInstead(const QString &file)
{
    const QString current = QFileInfo(file).absolutePath();
    for (const QString &candidate : {QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                                     QDir::homePath() + QStringLiteral("/Zorvexa")}) {
        if (!candidate.isEmpty() && QDir::cleanPath(candidate) != QDir::cleanPath(current)
            && (!QFileInfo::exists(candidate) || isWritableFolder(candidate)))
            return QDir::cleanPath(candidate);
    }
    return QDir::homePath();
}

QString runButtonStyle(const char *color)
{
    return QStringLiteral("QPushButton { color: %1; font-weight: bold; }"
                          "QPushButton:disabled { color: #a0a0a0; }")
        .arg(QLatin1String(color));
}
} // namespace

TfrmMain::TfrmMain(RaceSession &session, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_ui(std::make_unique<Ui::TfrmMain>())
    , m_session(session)
    , m_store(session.store())
    , m_runs(&session.runs())
    , m_protocol(session.protocol())
{
    const WindowCreation creation(this);
    m_ui->setupUi(this);
    m_justOne = new TXJustOne(this);
    m_justOne->setObjectName(QStringLiteral("XJustOne1"));
    m_firstCopy = m_justOne->Loaded();
    FormCreate();
}

TfrmMain::~TfrmMain() = default;

bool TfrmMain::isFirstCopy() const
{
    return m_firstCopy;
}

void TfrmMain::FormCreate()
{
    m_runs->resetForShow();
    setWindowTitle(QStringLiteral("Brasquell / Software / Zorvexa"));
    setUpLook();
    setUpGrid();
    m_results = new ResultsWiring(this, m_session, m_ui->Grid);
    m_raceDay = new RaceDayWiring(this, m_ui->GroupBox1, m_session, [this] { return runEditorValue() == 1 ? 1 : 2; });
    m_warnings = std::make_unique<WarningLine>(m_ui->lblSaveWarning);
    // Over the protocol's top rows, at most half its height.
    const QRect grid = m_ui->Grid->geometry();
    m_warnings->setPanel(this, QRect(grid.x(), grid.y(), grid.width(), grid.height() / 2));
    new LiveWiring(this, m_session, m_ui->cmdLive,
                   [this](const QString &warning) { m_warnings->show(WarningLine::Note, warning); });
    m_journal = new JournalWiring(this, m_session, *m_warnings, m_ui->Grid);
    new HistoryWiring(this, m_session, m_ui->Grid, [this](const QKeyEvent &event) { return FormKeyDown(event); });
    // The selector names the classes as the rules in force do.
    connect(&m_session, &RaceSession::rulesChanged, this, &TfrmMain::FillClassNames);
    connect(&m_session.marks(), &MarksKeeper::foreignEditKept, this,
            [this](const QString &text) { m_warnings->show(WarningLine::Note, text); });
    // A second copy writes nothing.
    if (m_firstCopy)
        m_journal->restoreAfterCrash();
    connectRunControl();
    setUpTimers();
    // Keys reach the window's platform window once, before the focused control. Every input
    // event of the program keeps the event clock's offset fresh.
    createWinId();
    m_eventClock.setMonotonicTimestamps(QGuiApplication::platformName() == QLatin1String("xcb"));
    qApp->installEventFilter(this);

    connect(m_ui->cmdStart, &PressButton::mouseDown, this, [this](Qt::MouseButton, quint64 timestamp) {
        m_runs->startRunAt(pressCount(timestamp), ChangeSource::Button);
    });
    connect(m_ui->cmdStop, &PressButton::mouseDown, this, [this](Qt::MouseButton, quint64 timestamp) {
        m_runs->stopRunAt(pressCount(timestamp), ChangeSource::Button);
    });
    connect(m_ui->cmdReset, &PressButton::mouseDown, this, [this](Qt::MouseButton, quint64 timestamp) {
        m_runs->resetClockAt(pressCount(timestamp), ChangeSource::Button);
    });
    connect(m_ui->cmdLock, &PressButton::mouseDown, this, &TfrmMain::LockStation);
    connect(m_ui->cmdUnlock, &PressButton::mouseDown, this, &TfrmMain::UnlockStation);
    connect(m_ui->cmdInfo, &QToolButton::clicked, this, &TfrmMain::cmdInfoClick);
    connect(m_ui->cmdConfig, &QToolButton::clicked, this, &TfrmMain::cmdConfigClick);
    connect(m_ui->cmdHelp, &QToolButton::clicked, this, &TfrmMain::cmdHelpClick);
    connect(m_ui->cmdExcel, &QToolButton::clicked, this, &TfrmMain::cmdExcelClick);
    connect(m_ui->cmdHTML, &QToolButton::clicked, this, &TfrmMain::cmdHTMLClick);
    connect(m_ui->cmdStartlist, &QToolButton::clicked, this, &TfrmMain::cmdStartListClick);
    connect(m_ui->cmbClass, &QComboBox::activated, this, &TfrmMain::cmbClassChange);
    // The editor's own text too: an emptied run editor reads as 0 but changes no value.
    connect(m_ui->edtLauf, &QSpinBox::valueChanged, this, &TfrmMain::edtLaufChange);
    connect(m_ui->edtLauf->findChild<QLineEdit *>(), &QLineEdit::textChanged, this, &TfrmMain::edtLaufChange);
    // Left empty, the editor puts back its last number without a signal; that run is active again.
    connect(m_ui->edtLauf, &QSpinBox::editingFinished, this, &TfrmMain::edtLaufChange);
    connect(m_ui->edtFP, &QDoubleSpinBox::textChanged, this, &TfrmMain::edtPenaltySecondsChange);
    connect(m_ui->edtFS, &QDoubleSpinBox::textChanged, this, &TfrmMain::edtPenaltySecondsChange);
    connect(&m_store, &ClassStore::saveFinished, this, &TfrmMain::showSaveResult);
    connect(m_raceDay, &RaceDayWiring::saveFinished, this, &TfrmMain::showSaveResult);
}

void TfrmMain::setUpLook()
{
    setFixedSize(760, 507);
    setFont(arialBold(13));
    centreOnScreen(this);

    const struct
    {
        QToolButton *button;
        const char *icon;
    } toolbar[] = {
        {m_ui->cmdStartlist, ":/icons/startlist.svg"}, {m_ui->cmdConfig, ":/icons/config.svg"},
        {m_ui->cmdInfo, ":/icons/info.svg"},           {m_ui->cmdHelp, ":/icons/help.svg"},
        {m_ui->cmdExcel, ":/icons/spreadsheet.svg"},   {m_ui->cmdHTML, ":/icons/webpage.svg"},
    };
    for (const auto &entry : toolbar) {
        entry.button->setIcon(QIcon(QString::fromLatin1(entry.icon)));
        entry.button->setIconSize(QSize(32, 32));
        entry.button->setAutoRaise(true);
    }
    // The buttons show only a picture; the name and the tooltip say what each one does.
    const struct
    {
        QToolButton *button;
        const char *name;
        const char *tip;
    } described[] = {
        {m_ui->cmdStartlist, QT_TR_NOOP("Start list"), QT_TR_NOOP("Edit the start list")},
        {m_ui->cmdConfig, QT_TR_NOOP("Configuration"), QT_TR_NOOP("Configuration")},
        {m_ui->cmdInfo, QT_TR_NOOP("Information"), QT_TR_NOOP("Program Information")},
        {m_ui->cmdHelp, QT_TR_NOOP("Help"), QT_TR_NOOP("Help: keys and how to time a run")},
        {m_ui->cmdExcel, QT_TR_NOOP("Spreadsheet"), QT_TR_NOOP("Save the protocol as a spreadsheet")},
        {m_ui->cmdHTML, QT_TR_NOOP("Web page"), QT_TR_NOOP("Save the protocol as a web page")},
    };
    for (const auto &entry : described) {
        entry.button->setAccessibleName(tr(entry.name));
        entry.button->setToolTip(tr(entry.tip));
    }
    m_ui->edtFP->setToolTip(tr("Seconds per pylon fault (FP)"));
    m_ui->edtFS->setToolTip(tr("Seconds per task fault (FS)"));
    m_ui->Image321->setPixmap(QIcon(QStringLiteral(":/icons/banner.svg")).pixmap(QSize(191, 42)));

    m_ui->cmdStart->setStyleSheet(runButtonStyle("#008000"));
    m_ui->cmdStop->setStyleSheet(runButtonStyle("#800000"));
    m_ui->cmdReset->setStyleSheet(runButtonStyle("#808000"));
    m_ui->cmdLock->setStyleSheet(runButtonStyle("#800000"));
    m_ui->cmdUnlock->setStyleSheet(runButtonStyle("#008000"));
    for (PressButton *button : {m_ui->cmdStart, m_ui->cmdStop, m_ui->cmdReset, m_ui->cmdLock, m_ui->cmdUnlock})
        button->setFocusPolicy(Qt::NoFocus);

    TOvrenLiquidIndicator::configureAsTablo(*m_ui->Tablo);

    m_ui->lblPartic->setFont(arialBold(24));
    m_ui->lblPartic->setTextColor(QColor(0, 255, 0));
    m_ui->lblPartic->setShadowColor(QColor(0, 128, 0));
    m_ui->lblPartic->setBackgroundColor(QColor(0, 0, 128));
    // The label's top row lies under the display's bottom row. Under it, the display's hundred
    // repaints a second leave the label alone; over it, each one painted the label as well.
    m_ui->lblPartic->stackUnder(m_ui->Tablo);

    m_ui->Shape2->setBrushColor(Qt::black);
    m_ui->Shape3->setBrushColor(Qt::black);
    m_ui->LazerShape->setBrushColor(colorFromBgr(RunControl::BeamUnlockedColor));
    m_ui->imgLock->setPixmap(QIcon(QStringLiteral(":/icons/padlock.svg")).pixmap(QSize(32, 32)));
    m_ui->imgLock->setAttribute(Qt::WA_TranslucentBackground);
    m_ui->imgLock->hide();
    m_ui->imgLock->raise();

    // Stays until a later save of the class succeeds; it never takes the keys from the run buttons.
    m_ui->lblSaveWarning->setStyleSheet(
        QStringLiteral("QLabel { color: white; background: #b00000; border-radius: 3px; padding: 1px 4px; }"));
    m_ui->lblSaveWarning->setFont(arialBold(12));
    m_ui->lblSaveWarning->setCursor(Qt::PointingHandCursor);
    m_ui->lblSaveWarning->hide();

    m_ui->Bevel1->setFrameShape(QFrame::NoFrame);
    m_ui->Bevel1->setStyleSheet(QStringLiteral("#Bevel1 { border: none; border-bottom: 1px solid #a0a0a0; }"));
    PlainGroupFrame::apply(m_ui->GroupBox1);

    // The seconds of the last session: changing them at a start would rescore every class.
    const SettingsStore settings;
    m_ui->edtFP->setValue(settings.read(Setting::FPSeconds).value_or(Setting::FPSeconds.fallback));
    m_ui->edtFS->setValue(settings.read(Setting::FSSeconds).value_or(Setting::FSSeconds.fallback));
    for (int i = 1; i <= 10; ++i)
        m_ui->cmbClass->addItem(QString::number(i));
}

void TfrmMain::setUpGrid()
{
    ProtocolGrid *grid = m_ui->Grid;
    ProtocolModel &model = m_protocol.model();
    grid->setModel(&model);
    auto *delegate = new ProtocolDelegate(grid);
    grid->setItemDelegate(delegate);
    connect(delegate, &ProtocolDelegate::textRefused, this,
            [this](const QString &text) { OperatorDialogs::showError(this, notAFloatMessage(text)); });

    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->verticalHeader()->setMinimumSectionSize(22);
    QHeaderView *header = grid->horizontalHeader();
    header->setFixedHeight(18);
    header->setSectionsMovable(false);
    header->setSectionsClickable(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(10);
    showScoringColumns(m_session.rules());
    connect(&m_session, &RaceSession::rulesChanged, this, &TfrmMain::showScoringColumns);
    grid->setSortingEnabled(false);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                          | QAbstractItemView::AnyKeyPressed);
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideRight);
    // Below the last row the grid shows the button face.
    grid->setStyleSheet(QStringLiteral("QTableView { gridline-color: palette(button); background: palette(button); }"));
    grid->setFont(font());

    connect(grid, &ProtocolGrid::cellSelected, this, &TfrmMain::GridSelectCell);
    connect(grid, &ProtocolGrid::cellClicked, this, &TfrmMain::GridCellClick);
    connect(grid, &ProtocolGrid::keyHandled, this, &TfrmMain::GridKeyDown);
}

void TfrmMain::showScoringColumns(const RaceRules &rules)
{
    // "Bester Lauf" shows the value that ranks in a column of its own; the name and the counts
    // give it their room, so the protocol keeps its width and every time stays readable.
    const bool best = rules.scoring == ScoringMode::BestRun;
    const int count = best ? 30 : 38;
    const int widths[ProtocolModel::ColumnCount]
        = {best ? 25 : 29, best ? 78 : 102, 60, count, count, 60, 60, 60, count, count, 60, 60, 60, 44, best ? 60 : 0};
    ProtocolGrid *grid = m_ui->Grid;
    for (int c = 0; c < ProtocolModel::ColumnCount; ++c)
        grid->setColumnWidth(c, widths[c]);
    grid->setColumnHidden(ProtocolModel::RankValue, !best);
}

void TfrmMain::setUpTimers()
{
    // They run from here to the end of the program; each handler checks whether it has work.
    const auto startTimer = [this](const char *name, int interval, void (TfrmMain::*handler)()) {
        auto *timer = new QTimer(this);
        timer->setObjectName(QLatin1String(name));
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(interval);
        connect(timer, &QTimer::timeout, this, handler);
        timer->start();
    };
    startTimer("LazerBlink", 50, &TfrmMain::LazerBlinkTimer);
    startTimer("TabloUpdate", 10, &TfrmMain::TabloUpdateTimer);
    startTimer("GridUpdates", 100, &TfrmMain::GridUpdatesTimer);
}

void TfrmMain::connectRunControl()
{
    connect(m_runs, &RunControl::timeShown, this, [this](TimeMs t) { m_ui->Tablo->setText(FormatTime(t)); });
    connect(m_runs, &RunControl::participantCaptionChanged, this, &TfrmMain::showParticipantCaption);
    connect(m_runs, &RunControl::runButtonsChanged, this, [this](bool startEnabled, bool stopEnabled) {
        m_ui->cmdStart->setEnabled(startEnabled);
        m_ui->cmdStop->setEnabled(stopEnabled);
    });
    connect(m_runs, &RunControl::controlsEnabledChanged, this, &TfrmMain::SetControlsEnabled);
    connect(m_runs, &RunControl::controlsEnabledChanged, m_results, &ResultsWiring::setEnabled);
    connect(m_runs, &RunControl::controlsEnabledChanged, m_raceDay, &RaceDayWiring::setEnabled);
    connect(m_runs, &RunControl::lockChanged, this, [this](bool locked) {
        m_ui->imgLock->setVisible(locked);
        m_ui->cmdLock->setEnabled(!locked);
        m_ui->cmdUnlock->setEnabled(locked);
    });
    connect(m_runs, &RunControl::beamChanged, this, [this](bool visible, std::uint32_t color) {
        m_ui->LazerShape->setBrushColor(colorFromBgr(color));
        m_ui->LazerShape->setVisible(visible);
    });
}

void TfrmMain::showParticipantCaption(const QString &caption)
{
    m_ui->lblPartic->setText(caption);
}

void TfrmMain::SetControlsEnabled(bool on)
{
    for (QWidget *control : std::initializer_list<QWidget *> {m_ui->cmdStartlist, m_ui->cmdConfig, m_ui->cmdInfo,
                                                              m_ui->cmdHelp, m_ui->cmdExcel, m_ui->cmdHTML,
                                                              m_ui->cmbClass, m_ui->edtLauf, m_ui->edtFP, m_ui->edtFS})
        control->setEnabled(on);
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Restoring from the task bar also shows the window; only a real showing resets it.
    if (event->spontaneous())
        return;
    FormShow();
}

void TfrmMain::FormShow()
{
    m_runs->resetForShow();
    m_runs->setRunNumber(runEditorValue());
    FillClassNames();
    showCurrentClass();
    SelectParticipant(-1);
    LockStation();
    // A settings file that is no file was left alone: the program runs on its defaults.
    if (const FileResult usable = SettingsStore::checkFile(); !usable)
        showSettingsResult(usable, tr("NOT READ: %1\n%2"));
}

void TfrmMain::FillClassNames()
{
    for (int i = 0; i < 10; ++i)
        m_ui->cmbClass->setItemText(i, m_session.rules().className(i + 1));
}

void TfrmMain::showCurrentClass()
{
    // Showing the window only reads: the class is loaded once, by whoever comes first, and
    // nothing is saved (a save here would rewrite the file the program just started with).
    if (!m_store.isCurrentClassLoaded()) {
        [[maybe_unused]] const FileResult loaded = m_store.LoadCurrentClass();
    }
    const QSignalBlocker blocker(m_ui->cmbClass);
    m_ui->cmbClass->setCurrentIndex(m_store.CurrentClass() - 1);
}

void TfrmMain::LoadClass(int classIndex)
{
    const FileResult loaded = m_protocol.LoadClass(classIndex);
    {
        // A class whose save failed stays current, so the selector shows the store's class.
        const QSignalBlocker blocker(m_ui->cmbClass);
        m_ui->cmbClass->setCurrentIndex(m_store.CurrentClass() - 1);
    }
    // A failed save of the class being left is in the warning line already.
    if (!loaded && m_store.CurrentClass() == classIndex)
        showLoadFailure(loaded.error());
}

void TfrmMain::showLoadFailure(const FileError &error)
{
    const QString name = QFileInfo(error.path).fileName();
    m_warnings->show(
        WarningLine::Save,
        tr("NOT LOADED: %1\n%2")
            .arg(name,
                 error.reason.section(QLatin1Char('\n'), 0, 0).replace(QDir::toNativeSeparators(error.path), name)),
        error.message());
    OperatorDialogs::showError(this, error.message());
}

void TfrmMain::cmbClassChange(int index)
{
    LoadClass(index + 1);
    SelectParticipant(-1);
}

void TfrmMain::cmdStartListClick()
{
    if (!m_startList)
        return;
    m_startList->exec();
    LoadClass(m_store.CurrentClass());
    SelectParticipant(-1);
}

int TfrmMain::runEditorValue() const
{
    return m_ui->edtLauf->cleanText().isEmpty() ? 0 : m_ui->edtLauf->value();
}

void TfrmMain::edtLaufChange()
{
    const int run = runEditorValue();
    if (run == m_runs->runNumber())
        return;
    m_runs->setRunNumber(run);
    SelectParticipant(m_runs->CurrentRow());
    m_raceDay->showRemaining();
}

void TfrmMain::edtPenaltySecondsChange()
{
    // The seconds stay in force when the file cannot be written; only the next start would not
    // know them, so the warning line says so.
    showSettingsResult(m_session.setPenaltySeconds(m_ui->edtFP->seconds(), m_ui->edtFS->seconds()),
                       tr("NOT SAVED: %1\n%2"));
}

void TfrmMain::GridSelectCell(int column, int row)
{
    if (m_runs->Running())
        return;
    int run = 0;
    if (column == ProtocolModel::Time1 || column == ProtocolModel::Penalty1 || column == ProtocolModel::Total1)
        run = 1;
    else if (column == ProtocolModel::Time2 || column == ProtocolModel::Penalty2 || column == ProtocolModel::Total2)
        run = 2;
    if (run != 0) {
        // The same number puts back an emptied text but raises no change, so the run is set here.
        m_ui->edtLauf->setValue(run);
        edtLaufChange();
    }
    if (!ProtocolModel::isCountColumn(column) && row >= 0 && row < m_protocol.rowCount())
        SelectParticipant(row);
}

void TfrmMain::GridCellClick(int column, int row, Qt::KeyboardModifiers modifiers)
{
    if (m_runs->Running() || !(modifiers & Qt::ControlModifier)
        || (column != ProtocolModel::Time1 && column != ProtocolModel::Time2))
        return;
    const QString question = tr("You are sure to reset results for") + QLatin1Char(' ')
        + drawnText(m_ui->lblPartic->text()) + QStringLiteral(" ?");
    if (!OperatorDialogs::askYesNo(this, question))
        return;
    m_protocol.resetRun(row, column);
    SelectParticipant(row);
}

void TfrmMain::GridKeyDown(int key)
{
    if (m_runs->Running())
        return;
    if (key == Qt::Key_Left)
        m_ui->Grid->selectColumnOfCurrentRow(ProtocolModel::Time1);
    else if (key == Qt::Key_Right)
        m_ui->Grid->selectColumnOfCurrentRow(ProtocolModel::Time2);
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (!FormClose()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool TfrmMain::FormClose()
{
    // Ending now would lose the run on course; Enter keeps the program and the clock going. An
    // ending signal that comes while the question is open ends the program all the same.
    if (m_askOnClose && m_runs->Running()
        && !OperatorDialogs::askYesNo(this, tr("The clock is running.\n\nEnd the program anyway?"), QMessageBox::No)
        && m_askOnClose)
        return false;
    // A count still being typed is taken, as leaving the cell would take it.
    m_ui->Grid->setFocus();
    const FileResult saved = m_store.SaveCurrentClass();
    if (saved.ok())
        return true;
    if (!m_askOnClose) {
        std::fprintf(stderr, "zorvexa: %s\n", qPrintable(saved.error().message()));
        return true;
    }
    return OperatorDialogs::askYesNo(this,
                                     tr("The results of this class could not be saved:\n%1\n\nEnd the program anyway?")
                                         .arg(saved.error().message()))
        || !m_askOnClose;
}

void TfrmMain::closeWithoutQuestions()
{
    // From here on a failure goes to standard error: a session that is ending waits for nobody.
    OperatorDialogs::setEnding(true);
    m_askOnClose = false;
    // Open dialogs end the way their close box would end them (the editor saves its class).
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (modal == this || !modal->close())
            break;
    }
    close();
}

void TfrmMain::showSaveResult(const FileResult &result)
{
    m_classNotSaved = !result.ok();
    if (result.ok() && result.notice()) {
        // Written in place: the operator decides whether to go on so or to move the files.
        const FileError &notice = *result.notice();
        const QString folder = writableFolderInstead(notice.path);
        QString shown = QDir::toNativeSeparators(folder);
        if (folder.startsWith(QDir::homePath() + QLatin1Char('/')))
            shown = QStringLiteral("~") + shown.mid(QDir::toNativeSeparators(QDir::homePath()).size());
        m_warnings->show(
            WarningLine::Save,
            tr("NOT CRASH-SAFE: %1\nChoose a data folder: %2").arg(QFileInfo(notice.path).fileName(), shown),
            notice.message() + QStringLiteral("\n\n")
                + tr("Choose a data folder you can write, such as %1: set DataFolder in the [Configuration] "
                     "section of %2, then start the program again.")
                      .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(SettingsStore::filePath())));
        return;
    }
    if (result.ok()) {
        m_warnings->clear(WarningLine::Save);
        showSettingsWarning();
        return;
    }
    const FileError &error = result.error();
    // The line has room for the file's name only; the tooltip keeps the whole path.
    const QString name = QFileInfo(error.path).fileName();
    const QString reason
        = error.reason.section(QLatin1Char('\n'), 0, 0).replace(QDir::toNativeSeparators(error.path), name);
    m_warnings->show(WarningLine::Save, tr("NOT SAVED: %1\n%2").arg(name, reason), error.message());
}

QString TfrmMain::undoStep(bool backwards)
{
    return m_journal->step(backwards);
}

void TfrmMain::showSettingsResult(const FileResult &result, const QString &headline)
{
    // A good result leaves the line alone unless it was the settings' warning it showed.
    if (result.ok() && m_settingsWarning.isEmpty())
        return;
    m_settingsWarning.clear();
    if (!result.ok()) {
        const FileError &error = result.error();
        const QString name = QFileInfo(error.path).fileName();
        const QString reason
            = error.reason.section(QLatin1Char('\n'), 0, 0).replace(QDir::toNativeSeparators(error.path), name);
        m_settingsWarning = {headline.arg(name, reason), error.message()};
    }
    // An unsaved class matters more; the settings' warning shows once the class is saved.
    if (!m_classNotSaved)
        showSettingsWarning();
}

void TfrmMain::showSettingsWarning()
{
    if (m_settingsWarning.isEmpty())
        m_warnings->clear(WarningLine::Settings);
    else
        m_warnings->show(WarningLine::Settings, m_settingsWarning.first(), m_settingsWarning.last());
}

std::int64_t TfrmMain::pressCount(quint64 timestamp)
{
    if (const std::optional<std::int64_t> count = m_eventClock.countAt(timestamp))
        return *count;
    if (!m_eventTimeMissing) {
        m_eventTimeMissing = true;
        m_warnings->show(WarningLine::PressTime,
                         tr("The system gives key presses no usable time: runs are timed from when the program "
                            "handles the key."));
    }
    return readPerfCounter();
}

bool TfrmMain::FormKeyDown(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_F5:
    case Qt::Key_F8:
    case Qt::Key_F9:
        return timingKey(event.key(), pressCount(event.timestamp()));
    default:
        return timingKey(event.key(), readPerfCounter());
    }
}

bool TfrmMain::timingKey(int key, std::int64_t count)
{
    switch (key) {
    case Qt::Key_F5:
        m_runs->startRunAt(count, ChangeSource::Key);
        return true;
    case Qt::Key_F6:
        LockStation();
        return true;
    case Qt::Key_F7:
        UnlockStation();
        return true;
    case Qt::Key_F8:
        m_runs->stopRunAt(count, ChangeSource::Key);
        return true;
    case Qt::Key_F9:
        m_runs->resetClockAt(count, ChangeSource::Key);
        return true;
    default:
        return false;
    }
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched == windowHandle())
        FormKeyDown(*static_cast<QKeyEvent *>(event));
    else if (event->isInputEvent())
        m_eventClock.observe(static_cast<QInputEvent *>(event)->timestamp());
    // The key goes on to the focused control.
    return QWidget::eventFilter(watched, event);
}

void TfrmMain::TabloUpdateTimer()
{
    m_runs->refreshDisplay();
}

void TfrmMain::GridUpdatesTimer()
{
    m_runs->refreshProtocol(isActiveWindow());
}

void TfrmMain::LazerBlinkTimer()
{
    m_runs->blinkBeam(isActiveWindow());
}

void TfrmMain::setConfigDialog(TfrmConfig *config)
{
    m_config = config;
    m_runs->setAutoLock(config->autoLock());
    m_protocol.model().setColors(config->protocolColors());
    connect(config, &TfrmConfig::autoLockChanged, m_runs, &RunControl::setAutoLock);
    // A second copy writes nothing, not even to the stick.
    if (m_firstCopy && !m_backup) {
        m_backup = new BackupWiring(m_session, *config, *m_warnings, this);
        connect(m_raceDay, &RaceDayWiring::saveFinished, m_backup, &BackupWiring::copyCurrentClass);
    }
    connect(config, &TfrmConfig::colorsChanged, this,
            [this](const ProtocolColors &colors) { m_protocol.model().setColors(colors); });
}

void TfrmMain::cmdConfigClick()
{
    if (m_config)
        m_config->exec();
}

void TfrmMain::cmdInfoClick()
{
    if (m_info)
        m_info->exec();
}

QString TfrmMain::helpText()
{
    return tr("Keys\n"
              "F5  START: starts the clock for the selected run\n"
              "F8  STOPP: stops the clock and records the time\n"
              "F9  RESET: stops a running clock (the time is kept) and shows zero\n"
              "F6  LOCK and F7 UNLOCK: lock state of the light barrier\n\n"
              "Timing a run\n"
              "1. Pick the class in \"Class:\".\n"
              "2. Click the participant's \"Lauf 1\" or \"Lauf 2\" cell.\n"
              "3. START (F5) when the kart starts, STOPP (F8) when it finishes.\n"
              "4. Type the FP and FS penalty counts into the run's cells.\n\n"
              "Ctrl+left click on a \"Lauf\" cell clears that run after a question.\n\n"
              "Results\n"
              "The spreadsheet and web page buttons save the results of this class or of all\n"
              "classes; Ctrl+P (or a right-click on the protocol) shows the print preview,\n"
              "from which the list is printed or saved as PDF.");
}

void TfrmMain::cmdExcelClick()
{
    m_results->exportWorkbook();
}

void TfrmMain::cmdHTMLClick()
{
    m_results->exportPage();
}

void TfrmMain::cmdHelpClick()
{
    OperatorDialogs::showInformation(this, helpText());
}
