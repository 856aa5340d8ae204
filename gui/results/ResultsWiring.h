#pragma once

#include "core/protocol/ClassResults.h"

#include <QObject>
#include <QString>

class ClassStore;
class ProtocolModel;
class RaceSession;
class QAbstractItemView;
class QAction;
class QLabel;
class QMenu;
class QPrintPreviewDialog;
class QTimer;
class QWidget;

// The results for the notice board, as the main window offers them: the workbook (cmdExcel), the
// web page (cmdHTML) and the print preview (Ctrl+P and the protocol grid's context menu), for the
// current class or for all ten classes. A saved file is confirmed, with its folder, over the main
// window's warning line for a while (never in a box that would take the keys).
class ResultsWiring final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultsWiring)

public:
    ResultsWiring(QWidget *window, RaceSession &session, QAbstractItemView *grid);

    void exportWorkbook();
    void exportPage();
    void showPrintPreview();
    // Off while a run is timed, like the window's other controls.
    void setEnabled(bool on);

    // The name the save dialog proposes: what is exported and the date, "Class 02 2026-12-07.xlsx".
    static QString proposedFileName(const QString &what, const QDate &date, const QString &suffix);

private:
    ClassResults currentClassResults(const RaceRules &rules) const;
    ResultsDocument currentClassDocument() const;
    // Classes with participants; the other classes come from their class files.
    Result<ResultsDocument> allClassesDocument() const;
    // Asks for the file; false when the operator cancelled or a class file could not be read.
    bool chooseTarget(const QString &caption, const QString &filterFormat, const QString &suffix, QString &path,
                      ResultsDocument &document);
    void savePdf(QPrintPreviewDialog *dialog, const ResultsDocument &document);
    // Shows where the file went; a failed save of a class file takes the line back at once.
    void confirmSaved(const QString &path);
    void showGridMenu(const QPoint &position);

    QWidget *m_window;
    RaceSession &m_session;
    ClassStore &m_store;
    QAbstractItemView *m_grid;
    QAction *m_print;
    QMenu *m_gridMenu;
    QLabel *m_notice;
    QTimer *m_noticeTime;
    QString m_folder;
};
