#pragma once

#include "core/marshal/MarshalDesk.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QTimer;
class RunControl;

// The presses from the course as they arrive, newest on top, each row lit for a moment; above them
// the posts, grey when one has not been heard from for two minutes while runs go on. It takes no
// focus and no key, so the run buttons keep theirs.
class MarshalPressView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarshalPressView)

public:
    static constexpr int MaxRows = 50;
    static constexpr int FlashMs = 1500;
    static constexpr std::int64_t SilentMs = 120000;

    MarshalPressView(MarshalDesk &desk, RunControl &runs, QWidget *parent = nullptr);

    // The row's words: "Posten 3: Lea Nußbaum, Lauf 1, +1 FP, 14:02:11".
    static QString rowText(const MarshalPressNote &note);

    void showPosts();

private:
    void add(const MarshalPressNote &note);

    MarshalDesk &m_desk;
    RunControl &m_runs;
    QLabel *lblMarshalPosts;
    QListWidget *lstMarshalPresses;
    QTimer *m_refresh;
    quint64 m_lastRow = 0;
};
