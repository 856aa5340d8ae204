#pragma once

#include "core/startlist/StartList.h"
#include "core/system/FileResult.h"

#include <QDialog>

#include <functional>

class ClassStore;
class QAction;
class QLabel;
class QStatusBar;
class QTabBar;
class RaceSession;
class StartListModel;
class ListGridView;

// The start list editor: a view of the class store's current list, with the menus that change it.
class TfrmStartList final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmStartList)

public:
    explicit TfrmStartList(RaceSession &session, QWidget *parent = nullptr);
    ~TfrmStartList() override;

    // The store's class operations; a failure is shown in a message box of this window.
    void SelectClass(int classIndex);
    int CurrentClass() const;
    bool SaveCurrentClass();
    void LoadCurrentClass();
    void RefreshClassCaptions();

    // Shows the class editor modally; set by whoever owns it.
    void setClassEditorOpener(std::function<void()> opener) { m_openClassEditor = std::move(opener); }
    // Takes back (true) or makes again (false) the last change of the class; returns why not, or
    // an empty text. Set by whoever keeps the history.
    void setUndoHandler(std::function<QString(bool backwards)> handler) { m_undo = std::move(handler); }

    void done(int result) override;

    static QString helpText();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildMenus();
    void ListTabChanged(int index);
    void stepClass(int step);
    void GridHeaderClick(int column);
    void mnuOpenClick();
    void mnuMergeClick();
    void mnuSaveAsClick();
    void mnuImportClick();
    void mnuPrintClick();
    void mnuUndoClick();
    void mnuRedoClick();
    void mnuClearClick();
    void mnuAddRowClick();
    void mnuDeleteRowsClick();
    void mnuClassEditorClick();
    void mnuHelpClick();
    void readFile(bool merge, const QString &title);
    void endEditing();
    void updateStatus();
    void showEnteredText(const QString &typed, const QString &taken);
    void showClass(int classIndex);
    bool showFailure(const FileResult &result);

    RaceSession &m_session;
    ClassStore &m_store;
    StartListModel *m_model;
    QLabel *TopPanel = nullptr;
    QTabBar *ListTab = nullptr;
    ListGridView *Grid = nullptr;
    QStatusBar *m_statusBar = nullptr;
    std::function<void()> m_openClassEditor;
    std::function<QString(bool)> m_undo;
    // Each file dialog offers the file chosen last.
    QString m_lastOpenFile;
    QString m_lastSaveFile;
    QString m_lastImportFile;
};
