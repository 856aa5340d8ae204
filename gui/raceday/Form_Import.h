#pragma once

#include "core/import/ImportWriter.h"
#include "core/import/StartListImport.h"

#include <QDialog>

#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QGroupBox;
class QLabel;
class QListWidget;
class QTableWidget;
class RaceSession;

// The preview of an import: what each column of the file goes into (the operator may change it),
// the entries each row becomes and every row that cannot be read, with its reason. Nothing is
// written until the operator confirms.
class TfrmImport final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmImport)

public:
    // dateSet: the event's date was set; otherwise the preview asks for it.
    TfrmImport(const QString &fileName, ImportTable table, const ImportContext &context, bool dateSet,
               QWidget *parent = nullptr);
    ~TfrmImport() override;

    const ImportPreview &preview() const { return m_preview; }
    ImportMode mode() const;
    // The new names of classes the operator renamed to a class name of the file; empty for the others.
    const std::array<QString, 10> &renames() const { return m_renames; }
    // The event's date the operator gave here; null when it was set before.
    QDate eventDate() const;

private:
    void showPreview();
    void mappingChanged(int column, int index);
    void showFileClasses();
    void showFileClassChoices();
    void fileClassChosen(const QString &name, int choice);
    QString shownClassName(int classIndex) const;

    ImportTable m_table;
    ImportContext m_context;
    ImportMapping m_mapping;
    ImportPreview m_preview;
    std::array<QString, 10> m_renames;
    QStringList m_fileClasses;
    QComboBox *cmbDefaultClass;
    QDateEdit *edtEventDate = nullptr;
    QLabel *lblAgeDate;
    QGroupBox *grpClasses;
    QGridLayout *classGrid;
    QCheckBox *chkReplace;
    QTableWidget *tblPreview;
    QListWidget *lstProblems;
    QLabel *lblSummary;
    QPushButton *cmdImport;
};

// Asks for the file, reads it and shows the preview window-modal over parent; on confirmation
// writes the entries to their classes and puts a date or class names it gave in force in the
// session's rules. Failures are shown by parent. lastFile is offered next time.
void importStartList(QWidget *parent, RaceSession &session, QString &lastFile);
