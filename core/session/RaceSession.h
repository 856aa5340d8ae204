#pragma once

#include "core/protocol/RaceRules.h"
#include "core/settings/SettingsStore.h"
#include "core/system/FileResult.h"

#include <QObject>

#include <memory>

class BackupCopier;
class BarrierControl;
class BarrierLink;
class ClassStore;
class DiskQueue;
class HandMarks;
class JournalRecorder;
class LiveFeed;
class LiveHost;
class MarksKeeper;
class MarshalDesk;
class ResultsProtocol;
class RunControl;
class UndoHistory;

// The race day as one object: the class store and everything that follows it. It is built before
// any window; windows are handed the session and create no service of their own, so the order in
// which things learn of a change is the one written down in the constructor, not the order in
// which windows happened to be built.
class RaceSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RaceSession)

public:
    // The journal lives in folder; an empty one means the data folder.
    explicit RaceSession(const QString &journalFolder = QString(), QObject *parent = nullptr);
    ~RaceSession() override;

    ClassStore &store() { return *m_store; }
    const ClassStore &store() const { return *m_store; }
    ResultsProtocol &protocol() { return *m_protocol; }
    RunControl &runs() { return *m_runs; }
    MarksKeeper &marks() { return *m_marks; }
    JournalRecorder &recorder() { return *m_recorder; }
    UndoHistory &history() { return *m_history; }
    HandMarks &handMarks() { return *m_handMarks; }
    LiveFeed &liveFeed() { return *m_liveFeed; }
    LiveHost &liveHost() { return *m_liveHost; }
    BackupCopier &backup() { return *m_backup; }
    MarshalDesk &marshals() { return *m_marshals; }
    // The port of the light barrier; the configuration dialog's choice is applied by the window.
    BarrierLink &barrierLink() { return *m_barrierLink; }
    // The barrier's pulses as starts and stops, with the lockout and minimum run of the settings.
    BarrierControl &barrier() { return *m_barrier; }
    // Why the barrier's timing could not be read from the settings (the defaults are in force
    // then); empty when it could.
    const QString &barrierTimingProblem() const { return m_barrierTimingProblem; }
    // The settings file as every window and service of this session reads and writes it.
    SettingsStore &settings() { return m_settings; }
    // Where the class files and the journal's rows are written, off this thread.
    DiskQueue &disk() { return *m_disk; }
    // Returns once the saves and rows given so far are written and their outcomes have reached
    // the store and the journal recorder on this thread.
    void waitForWrites();

    // The event's rules in force. Scoring and every output take them from here.
    const RaceRules &rules() const { return m_rules; }
    // Reads the rules from the settings again, after the event dialog or the class editor stored
    // new ones. The penalty seconds stay those in force.
    void reloadRules();
    void setRules(const RaceRules &rules);
    // New penalty seconds: in force at once, kept in the journal, and written to the settings;
    // the write's outcome is returned (the seconds stay in force when it fails).
    FileResult setPenaltySeconds(double fpSeconds, double fsSeconds);

signals:
    void rulesChanged(const RaceRules &rules);

private:
    SettingsStore m_settings;
    // Before the store: it outlives the store, which waits for its saves when it goes.
    std::unique_ptr<DiskQueue> m_disk;
    std::unique_ptr<ClassStore> m_store;
    RaceRules m_rules;
    JournalRecorder *m_recorder;
    HandMarks *m_handMarks;
    UndoHistory *m_history;
    MarksKeeper *m_marks;
    std::unique_ptr<ResultsProtocol> m_protocol;
    RunControl *m_runs;
    LiveFeed *m_liveFeed;
    LiveHost *m_liveHost;
    BackupCopier *m_backup;
    MarshalDesk *m_marshals;
    BarrierLink *m_barrierLink;
    BarrierControl *m_barrier;
    QString m_barrierTimingProblem;
};
