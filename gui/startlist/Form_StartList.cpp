#include "gui/startlist/Form_StartList.h"

#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/CodePage1252.h"
#include "core/startlist/ListFile.h"
#include "core/startlist/StartListModel.h"
#include "gui/common/OperatorDialogs.h"
#include "gui/common/TranslateWindow.h"
#include "gui/common/WindowLook.h"
#include "gui/raceday/Form_Import.h"
#include "gui/startlist/StartListPrintout.h"
#include "gui/widgets/ListGrid.h"

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

#include <limits>

namespace {
constexpr int VisibleWidths[] = {30, 150, 50, 80, 120, 120, 120};

QString fileFilter()
{
    return QCoreApplication::translate("TfrmStartList", "Zorvexa (*.zvx)");
}
} // namespace

TfrmStartList::TfrmStartList(RaceSession &session, QWidget *parent)
    : QDialog(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                  | Qt::WindowCloseButtonHint)
    , m_session(session)
    , m_store(session.store())
    , m_model(&m_store.model())
{
    const WindowCreation creation(this);
    setObjectName(QStringLiteral("frmStartList"));
    setWindowTitle(tr("Zorvexa Starlist Editor"));
    setFont(arialBold(13));
    resize(686, 414);
    centreOnScreen(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    TopPanel = new QLabel(this);
    TopPanel->setObjectName(QStringLiteral("TopPanel"));
    TopPanel->setFixedHeight(41);
    TopPanel->setAlignment(Qt::AlignCenter);
    TopPanel->setFont(arialBold(32));
    layout->addWidget(TopPanel);

    ListTab = new QTabBar(this);
    ListTab->setObjectName(QStringLiteral("ListTab"));
    ListTab->setExpanding(false);
    // All ten classes show at the window's size: a smaller face than the window's, and a name too
    // long for its share is elided rather than scrolled out of sight.
    QFont tabFont = arialBold(11);
    tabFont.setBold(false);
    ListTab->setFont(tabFont);
    ListTab->setUsesScrollButtons(false);
    // Names alike at the start ("Klasse/n 01", "Klasse/n 02") differ at the end: keep both ends.
    ListTab->setElideMode(Qt::ElideMiddle);
    ListTab->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 3px 4px; border: 1px solid #a0a0a0; border-bottom: none;"
        " border-top-left-radius: 3px; border-top-right-radius: 3px; background: #dcdcdc; margin-top: 2px; }"
        "QTabBar::tab:selected { background: #ffffff; margin-top: 0px; border-color: #808080; }"
        "QTabBar::tab:!selected:hover { background: #ececec; }"));
    for (int c = FirstClass; c <= LastClass; ++c)
        ListTab->addTab(QString::number(c));
    layout->addWidget(ListTab);

    Grid = new ListGridView(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    // The entry shows at once what the file will hold, not only after the next class switch.
    Grid->setEnteredTextFilter(&asSavedInWindows1252);
    connect(Grid, &ListGridView::textEntered, this, &TfrmStartList::showEnteredText);
    Grid->setModel(m_model);
    QHeaderView *header = Grid->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    for (int column = 0; column < int(std::size(VisibleWidths)); ++column)
        Grid->setColumnWidth(column, VisibleWidths[column]);
    for (int column = int(ListField::Time1); column < ListFieldCount; ++column)
        Grid->setColumnHidden(column, true);
    layout->addWidget(Grid, 1);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar"));
    m_statusBar->setSizeGripEnabled(true);
    layout->addWidget(m_statusBar);

    buildMenus();
    layout->setMenuBar(findChild<QMenuBar *>());

    connect(ListTab, &QTabBar::currentChanged, this, &TfrmStartList::ListTabChanged);
    connect(header, &QHeaderView::sectionClicked, this, &TfrmStartList::GridHeaderClick);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TfrmStartList::updateStatus);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TfrmStartList::updateStatus);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &TfrmStartList::updateStatus);
    connect(&m_store, &ClassStore::classLoaded, this, &TfrmStartList::showClass);
    // A class renamed in the class editor or by an import shows at once.
    connect(&m_session, &RaceSession::rulesChanged, this, &TfrmStartList::RefreshClassCaptions);

    LoadCurrentClass();
}

TfrmStartList::~TfrmStartList() = default;

void TfrmStartList::buildMenus()
{
    auto *bar = new QMenuBar(this);
    const auto item = [this](QMenu *menu, const QString &name, const QString &text, const QKeySequence &keys,
                             void (TfrmStartList::*handler)()) {
        QAction *action = menu->addAction(text);
        action->setObjectName(name);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
        return action;
    };

    QMenu *file = bar->addMenu(tr("File"));
    file->setObjectName(QStringLiteral("File1"));
    item(file, QStringLiteral("mnuOpen"), tr("&Open list"), QKeySequence(Qt::CTRL | Qt::Key_O),
         &TfrmStartList::mnuOpenClick);
    item(file, QStringLiteral("mnuMerge"), tr("Merge list"), QKeySequence(Qt::CTRL | Qt::Key_M),
         &TfrmStartList::mnuMergeClick);
    item(file, QStringLiteral("mnuSaveAs"), tr("&Save list as..."), QKeySequence(Qt::CTRL | Qt::Key_S),
         &TfrmStartList::mnuSaveAsClick);
    file->addSeparator();
    item(file, QStringLiteral("mnuImport"), tr("&Import start list..."), QKeySequence(Qt::CTRL | Qt::Key_I),
         &TfrmStartList::mnuImportClick);
    item(file, QStringLiteral("mnuPrintStartList"), tr("&Print start lists..."), QKeySequence(Qt::CTRL | Qt::Key_P),
         &TfrmStartList::mnuPrintClick);
    file->addSeparator();
    QAction *close = file->addAction(tr("Cl&ose"));
    close->setObjectName(QStringLiteral("mnuClose"));
    connect(close, &QAction::triggered, this, &QDialog::close);

    QMenu *edit = bar->addMenu(tr("Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    item(edit, QStringLiteral("mnuUndo"), tr("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
         &TfrmStartList::mnuUndoClick);
    item(edit, QStringLiteral("mnuRedo"), tr("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y),
         &TfrmStartList::mnuRedoClick);
    edit->addSeparator();
    item(edit, QStringLiteral("mnuClear"), tr("&Clear list..."), QKeySequence(), &TfrmStartList::mnuClearClick);
    edit->addSeparator();
    item(edit, QStringLiteral("mnuAddRow"), tr("&Add row"), QKeySequence(Qt::Key_Insert),
         &TfrmStartList::mnuAddRowClick);
    item(edit, QStringLiteral("mnuDeleteRows"), tr("&Delete row(s)"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
         &TfrmStartList::mnuDeleteRowsClick);
    edit->addSeparator();
    item(edit, QStringLiteral("mnuClassEditor"), tr("Class Editor"), QKeySequence(Qt::CTRL | Qt::Key_T),
         &TfrmStartList::mnuClassEditorClick);

    // Class switching from anywhere in the window, the grid and its editor included.
    const auto classStep = [this](const char *name, QList<QKeySequence> keys, int step) {
        auto *action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, step] { stepClass(step); });
        addAction(action);
    };
    classStep("actNextClass", {QKeySequence(Qt::CTRL | Qt::Key_PageDown), QKeySequence(Qt::CTRL | Qt::Key_Tab)}, 1);
    classStep("actPreviousClass",
              {QKeySequence(Qt::CTRL | Qt::Key_PageUp), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)},
              -1);

    QMenu *help = bar->addMenu(tr("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    item(help, QStringLiteral("mnuHelp"), tr("&Help"), QKeySequence(Qt::Key_F1), &TfrmStartList::mnuHelpClick);
}

bool TfrmStartList::showFailure(const FileResult &result)
{
    if (!result)
        OperatorDialogs::showError(this, result.error().message());
    return result.ok();
}

void TfrmStartList::SelectClass(int classIndex)
{
    endEditing();
    showFailure(m_store.SelectClass(classIndex));
}

int TfrmStartList::CurrentClass() const
{
    return m_store.CurrentClass();
}

bool TfrmStartList::SaveCurrentClass()
{
    return showFailure(m_store.SaveCurrentClass());
}

void TfrmStartList::LoadCurrentClass()
{
    showFailure(m_store.LoadCurrentClass());
}

void TfrmStartList::showClass(int classIndex)
{
    {
        const QSignalBlocker blocker(ListTab);
        ListTab->setCurrentIndex(classIndex - 1);
    }
    const QString name = m_session.rules().className(classIndex);
    if (!name.isNull())
        TopPanel->setText(name);
}

void TfrmStartList::RefreshClassCaptions()
{
    // A renamed current class shows its new name at once, not only at the next class switch.
    if (const QString current = m_session.rules().className(CurrentClass()); !current.isNull())
        TopPanel->setText(current);
    for (int i = 0; i < LastClass; ++i) {
        const QString name = m_session.rules().className(i + 1);
        if (name.isNull())
            return;
        ListTab->setTabText(i, name);
    }
}

void TfrmStartList::done(int result)
{
    endEditing();
    SaveCurrentClass();
    QDialog::done(result);
}

void TfrmStartList::showEvent(QShowEvent *event)
{
    RefreshClassCaptions();
    // The count shown while the editor was built is in its designed language.
    updateStatus();
    QDialog::showEvent(event);
}

void TfrmStartList::endEditing()
{
    ListTab->setFocus();
    Grid->finishEditing();
}

void TfrmStartList::ListTabChanged(int index)
{
    // The tab strip reports after the change; the store still holds the class being left. When
    // that class cannot be saved, it stays current and its tab is selected again.
    SelectClass(index + 1);
    if (m_store.CurrentClass() != index + 1) {
        const QSignalBlocker blocker(ListTab);
        ListTab->setCurrentIndex(m_store.CurrentClass() - 1);
    }
}

void TfrmStartList::stepClass(int step)
{
    const int count = ListTab->count();
    // Past the last class comes the first again, as in a tab strip.
    ListTab->setCurrentIndex((ListTab->currentIndex() + step + count) % count);
}

void TfrmStartList::GridHeaderClick(int column)
{
    const auto field = ListField(column);
    if (!isTextField(field))
        return;
    endEditing();
    const QString error = m_store.sortBy(field, ChangeSource::Editor);
    if (!error.isEmpty())
        OperatorDialogs::showError(this, error);
    // The header moved its arrow on the click already; it goes back to where the order is.
    const std::optional<ListField> sorted = m_model->list().sortColumn();
    QHeaderView *header = Grid->horizontalHeader();
    header->setSortIndicatorShown(sorted.has_value());
    if (sorted)
        header->setSortIndicator(int(*sorted),
                                 m_model->list().isDescending(*sorted) ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TfrmStartList::readFile(bool merge, const QString &title)
{
    const QString file
        = OperatorDialogs::getOpenFileName(this, title, fileFilter(), QStringLiteral("zvx"), m_lastOpenFile);
    if (file.isEmpty())
        return;
    m_lastOpenFile = file;
    endEditing();
    // After a failure the entries read before it stay, as they would in the list itself.
    StartList list = m_store.list();
    const Result<bool> read = ReadListFile(list, file, merge);
    if (list.entries() != m_store.list().entries())
        m_store.replaceList(std::move(list), ChangeSource::Editor);
    if (!read)
        OperatorDialogs::showError(this, read.error().message());
}

void TfrmStartList::mnuOpenClick()
{
    readFile(false, tr("Open list..."));
}

void TfrmStartList::mnuMergeClick()
{
    readFile(true, tr("Merge list..."));
}

void TfrmStartList::mnuSaveAsClick()
{
    const QString file = OperatorDialogs::getSaveFileName(this, tr("Save list as..."), fileFilter(),
                                                          QStringLiteral("zvx"), m_lastSaveFile);
    if (file.isEmpty())
        return;
    m_lastSaveFile = file;
    endEditing();
    showFailure(WriteListFile(m_model->list(), file));
}

void TfrmStartList::mnuImportClick()
{
    endEditing();
    importStartList(this, m_session, m_lastImportFile);
}

void TfrmStartList::mnuPrintClick()
{
    endEditing();
    printStartLists(this, m_store, m_session.rules());
}

void TfrmStartList::mnuClearClick()
{
    if (!OperatorDialogs::askYesNo(this, tr("Clear list?"), QMessageBox::No))
        return;
    endEditing();
    if (m_store.entryCount() == 0)
        return;
    StartList list = m_store.list();
    list.clear();
    m_store.replaceList(std::move(list), ChangeSource::Editor);
}

void TfrmStartList::mnuAddRowClick()
{
    endEditing();
    m_store.addEntry(ChangeSource::Editor);
    // What is typed next is the new participant's name, never a change to the row left behind.
    const QModelIndex name = m_model->index(m_model->rowCount() - 1, int(ListField::Name));
    Grid->setFocus();
    Grid->setCurrentIndex(name);
    Grid->scrollTo(name);
    Grid->edit(name);
}

void TfrmStartList::mnuDeleteRowsClick()
{
    if (!OperatorDialogs::askYesNo(this, tr("Delete selected row(s)?"), QMessageBox::No))
        return;
    endEditing();
    std::vector<int> rows;
    for (const QModelIndex &index : Grid->selectionModel()->selectedRows())
        rows.push_back(index.row());
    m_store.removeEntries(rows, ChangeSource::Editor);
}

void TfrmStartList::mnuClassEditorClick()
{
    endEditing();
    if (m_openClassEditor)
        m_openClassEditor();
    RefreshClassCaptions();
}

void TfrmStartList::mnuHelpClick()
{
    OperatorDialogs::showInformation(this, helpText());
}

QString TfrmStartList::helpText()
{
    return tr("Keys\n"
              "Ins  adds a row at the end, ready for the name\n"
              "Ctrl+Del  deletes the selected rows, after a question\n"
              "Enter or a click  edits the cell; Enter again takes the text\n"
              "Ctrl+PgDown or Ctrl+Tab  next class\n"
              "Ctrl+PgUp or Ctrl+Shift+Tab  previous class\n"
              "Ctrl+O  opens a list, Ctrl+M  merges a list into this one\n"
              "Ctrl+S  saves the list as a file elsewhere\n"
              "Ctrl+I  imports a start list from a CSV or Excel file\n"
              "Ctrl+P  prints the start lists, with boxes for hand timing\n"
              "Ctrl+T  class editor, for the names of the classes\n"
              "Ctrl+Z  undo, Ctrl+Y  redo the last change of the class\n"
              "A click on a column heading sorts by it; a second click reverses the order.\n"
              "Esc  closes the editor, F1  this help\n\n"
              "Classes and files\n"
              "Each of the ten classes has its tab and its own list file (List01.dat to\n"
              "List10.dat) in the data folder. The class editor renames only the tabs;\n"
              "the files keep their numbers.\n\n"
              "Saving\n"
              "Every change is saved by itself: when another class is chosen, when the\n"
              "editor closes and when the program ends. \"Save list as\" only makes a copy,\n"
              "for example for another computer.");
}

void TfrmStartList::showEnteredText(const QString &typed, const QString &taken)
{
    // The note stays until the next edit, so the operator can check the name against the entry form.
    if (typed == taken)
        updateStatus();
    else
        m_statusBar->showMessage(
            tr("\"%1\" is saved as \"%2\": a list file has no other letters for it.").arg(typed, taken));
}

void TfrmStartList::mnuUndoClick()
{
    if (!m_undo)
        return;
    endEditing();
    const QString refused = m_undo(true);
    updateStatus();
    if (!refused.isEmpty())
        m_statusBar->showMessage(refused);
}

void TfrmStartList::mnuRedoClick()
{
    if (!m_undo)
        return;
    endEditing();
    const QString refused = m_undo(false);
    updateStatus();
    if (!refused.isEmpty())
        m_statusBar->showMessage(refused);
}

void TfrmStartList::updateStatus()
{
    const int count = m_model->list().count();
    m_statusBar->showMessage(count == 1 ? tr("1 entry") : tr("%1 entries").arg(count));
}
