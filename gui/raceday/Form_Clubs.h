#pragma once

#include "core/protocol/ClassResults.h"

#include <QDialog>

class QLabel;
class QTableWidget;

// The club ranking of one class: each club by the sum of its best drivers.
class TfrmClubs final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmClubs)

public:
    explicit TfrmClubs(QWidget *parent = nullptr);
    ~TfrmClubs() override;

    void showResults(const ClassResults &results);

private:
    QLabel *lblTitle;
    QTableWidget *tblClubs;
};
