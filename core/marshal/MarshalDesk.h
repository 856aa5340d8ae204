#pragma once

#include "core/marshal/MarshalGate.h"

#include <QDateTime>
#include <QHash>
#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

class ClassStore;
class JournalRecorder;
class RunControl;
struct StoreChange;

// A press as the desk shows it.
struct MarshalPressNote
{
    int post = 0;
    QString postName;
    QString driver;
    int run = 1;
    bool fs = false;
    int delta = 1;
    QDateTime pressedAt; // local time
};
Q_DECLARE_METATYPE(MarshalPressNote)

// The marshals' presses at the desk, on the interface thread. It knows who is on course and who
// finished last, hands the phones those runs through the gate, and writes each press into the class
// store (source Marshal, the post named in the journal's note) so it is saved, journaled and undone
// like any typed count. A press adds to or takes from the count stored, whatever wrote it.
class MarshalDesk final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarshalDesk)

public:
    // Finishers of a class whose runs the phones may still mark, beside the one on course.
    static constexpr int RecentFinishers = 3;
    // Presses remembered per post by the phone's id, so one sent again is not counted twice.
    static constexpr int RememberedIds = 200;

    MarshalDesk(ClassStore &store, RunControl &runs, JournalRecorder &recorder, QObject *parent = nullptr);
    ~MarshalDesk() override;

    std::shared_ptr<MarshalGate> gate() const { return m_gate; }
    const MarshalSettings &settings() const { return m_settings; }
    // In force at once: tokens of posts whose PIN changed end. Nothing is written to the file.
    void setSettings(const MarshalSettings &settings);

    // The time in ms since 1970; the program's clock unless a test gives another.
    void setClock(std::function<std::int64_t()> clock) { m_now = std::move(clock); }
    std::int64_t now() const { return m_now(); }

    // Writes a press the gate let through. 409 when the run is neither on course nor among the
    // class's last finishers at the moment it was pressed; 422 when the count would go below 0.
    MarshalAnswer apply(const MarshalPress &press);

    // When a post was last heard from (a login or a press), ms since 1970; 0 for never.
    std::int64_t lastHeard(int post) const { return m_lastHeard.value(post, 0); }
    void noteHeard(int post);
    // When a run last started or stopped, ms since 1970; 0 for never.
    std::int64_t lastRunActivity() const { return m_lastRunActivity; }

signals:
    void pressApplied(const MarshalPressNote &note);
    void heard(int post);

private:
    struct Finish
    {
        int classIndex = 0;
        int row = -1;
        int run = 1;
        std::int64_t startMs = 0;
        std::int64_t stopMs = 0;
    };
    void runStarted(int row, int run);
    void runStopped(int row, int run);
    void storeChanged(const StoreChange &change);
    bool mayMark(const MarshalPress &press, std::int64_t at) const;
    void publishRuns();
    QByteArray countsJson(int row, int run) const;

    ClassStore &m_store;
    RunControl &m_runs;
    JournalRecorder &m_recorder;
    std::shared_ptr<MarshalGate> m_gate;
    MarshalSettings m_settings;
    std::function<std::int64_t()> m_now;
    std::optional<Finish> m_onCourse; // stopMs unused
    std::deque<Finish> m_finishes; // oldest first
    QHash<int, std::int64_t> m_lastHeard;
    std::int64_t m_lastRunActivity = 0;
    QHash<int, std::deque<std::pair<QString, MarshalAnswer>>> m_answered; // by post
};
