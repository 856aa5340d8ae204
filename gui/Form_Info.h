#pragma once

#include <QDialog>

// The small information dialog: program title and version.
class TfrmInfo final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmInfo)

public:
    explicit TfrmInfo(QWidget *parent = nullptr);
};
