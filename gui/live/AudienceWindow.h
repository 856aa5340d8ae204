#pragma once

#include "core/live/LiveSnapshot.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QTableWidget;
class TOvrenLiquidIndicator;

// For a second monitor: the running time in the segment display at large size, who is on course,
// the last finisher with place and the top ten of the class. Resizable; F11 switches full screen.
// It shows the snapshots the live pages show, and counts the running time from the start moment.
class AudienceWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AudienceWindow)

public:
    explicit AudienceWindow(QWidget *parent = nullptr);

    void showSnapshot(const LiveSnapshotPtr &snapshot);

signals:
    void shownChanged(bool shown);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tick();
    void fitRows();

    LiveSnapshotPtr m_snapshot;
    QTimer m_clock;
    QLabel *m_class;
    TOvrenLiquidIndicator *m_display;
    QLabel *m_onCourse;
    QLabel *m_last;
    QTableWidget *m_top;
};
