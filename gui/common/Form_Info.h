#pragma once

#include <QDialog>

class QLabel;

// The small information dialog: program title, version, and where the class files are kept.
class TfrmInfo final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmInfo)

public:
    explicit TfrmInfo(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showDataFolder();

    QLabel *m_dataFolder = nullptr;
};
