#pragma once

#include "core/import/ImportWriter.h"
#include "core/import/StartListImport.h"

#include <QDialog>

#include <vector>

class ClassStore;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QTableWidget;

// The preview of an import: what each column of the file goes into (the operator may change it),
// the entries each row becomes and every row that cannot be read, with its reason. Nothing is
// written until the operator confirms.
class TfrmImport final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmImport)

public:
    TfrmImport(const QString &fileName, ImportTable table, const ImportContext &context, QWidget *parent = nullptr);
    ~TfrmImport() override;

    const ImportPreview &preview() const { return m_preview; }
    ImportMode mode() const;

private:
    void showPreview();
    void mappingChanged(int column, int index);

    ImportTable m_table;
    ImportContext m_context;
    ImportMapping m_mapping;
    ImportPreview m_preview;
    QComboBox *cmbDefaultClass;
    QCheckBox *chkReplace;
    QTableWidget *tblPreview;
    QListWidget *lstProblems;
    QLabel *lblSummary;
    QPushButton *cmdImport;
};

// Asks for the file, reads it and shows the preview window-modal over parent; on confirmation
// writes the entries to their classes. Failures are shown by parent. lastFile is offered next time.
void importStartList(QWidget *parent, ClassStore &store, QString &lastFile);
