#pragma once

#include "startlist/ClassFiles.h"
#include "startlist/StartList.h"
#include "startlist/StartListAccess.h"

#include <QDialog>

#include <functional>

class QAction;
class QLabel;
class QStatusBar;
class QTabBar;
class StartListModel;
class StartListView;

// The start list editor. It owns the one list in memory, that of the current class.
class TfrmStartList final : public QDialog, public StartListAccess
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmStartList)

public:
    explicit TfrmStartList(QWidget *parent = nullptr);
    ~TfrmStartList() override;

    // Saves the current class, switches to classIndex and loads it; out of range does nothing.
    void SelectClass(int classIndex) override;
    int CurrentClass() const override { return m_currentClass; }
    // Writes the list to the current class's file; shows the reason and returns false on failure.
    bool SaveCurrentClass() override;
    void LoadCurrentClass();
    void RefreshClassCaptions();

    int EntryCount() const override;
    // "#" gives the position counted from 1.
    QString ReadTextField(int index, ListField field) const override;
    std::int32_t ReadNumberField(int index, ListField field) const override;
    void WriteNumberField(int index, ListField field, std::int32_t value) override;

    // Shows the class editor modally; set by whoever owns it.
    void setClassEditorOpener(std::function<void()> opener) { m_openClassEditor = std::move(opener); }

    const StartListModel *model() const { return m_model; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildMenus();
    void ListTabChanged(int index);
    void GridHeaderClick(int column);
    void mnuOpenClick();
    void mnuMergeClick();
    void mnuSaveAsClick();
    void mnuClearClick();
    void mnuAddRowClick();
    void mnuDeleteRowsClick();
    void mnuClassEditorClick();
    void mnuHelpClick();
    void readFile(bool merge, const QString &title);
    void endEditing();
    void updateStatus();

    StartListModel *m_model = nullptr;
    ClassFiles m_files;
    int m_currentClass = 1;
    QLabel *TopPanel = nullptr;
    QTabBar *ListTab = nullptr;
    StartListView *Grid = nullptr;
    QStatusBar *m_statusBar = nullptr;
    std::function<void()> m_openClassEditor;
    // Each file dialog offers the file chosen last.
    QString m_lastOpenFile;
    QString m_lastSaveFile;
};
