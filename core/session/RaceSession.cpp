#include "core/session/RaceSession.h"

#include "core/backup/BackupCopy.h"
#include "core/barrier/BarrierControl.h"
#include "core/barrier/BarrierLink.h"
#include "core/barrier/SerialDevices.h"
#include "core/journal/HandMarks.h"
#include "core/journal/JournalRecorder.h"
#include "core/live/LiveFeed.h"
#include "core/live/LiveServer.h"
#include "core/marks/MarksKeeper.h"
#include "core/marshal/MarshalDesk.h"
#include "core/protocol/ResultsProtocol.h"
#include "core/settings/RaceRulesSettings.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/system/DataFolder.h"
#include "core/system/DiskQueue.h"
#include "core/timing/RunControl.h"
#include "core/undo/UndoHistory.h"

#include <QCoreApplication>

// The order of building is the order of hearing. Qt calls the receivers of one signal in the
// order they were connected, and each service connects to the store as it is built, so a change
// of the store reaches, in this order:
//   1. the journal recorder: the row is committed before anything shows the change;
//   2. the hand marks, which follow each run's time to know whether a hand time still stands;
//   3. undo and redo;
//   4. the marks, which reload with a class;
//   5. the protocol, which rescores the row;
//   6. the live feed, which gathers its snapshot once the burst of changes is over;
//   7. the backup, which copies once the event in hand has been handled;
//   8. the marshal posts, which hand the phones the runs they may mark.
// Run control's starts and stops reach the journal before the live feed for the same reason.
// The light barrier comes last: it follows no store, it drives run control; what became of each
// of its pulses is in the journal before the main window's line shows it.
// The rows and the class files' saves are written on the disk queue's thread in that order too,
// so a key handler never waits on a disk or a lock.
RaceSession::RaceSession(const QString &journalFolder, QObject *parent)
    : QObject(parent)
    , m_disk(std::make_unique<DiskQueue>())
    , m_store(std::make_unique<ClassStore>())
    , m_rules(readRaceRules(m_settings).value_or(RaceRules {}))
    , m_runs(new RunControl(this))
{
    m_runs->setObjectName(QStringLiteral("RunControl"));
    m_store->setDiskQueue(m_disk.get());
    m_recorder = new JournalRecorder(*m_store, *m_runs, journalFolder.isEmpty() ? dataFolder() : journalFolder,
                                     m_disk.get(), this);
    m_handMarks = new HandMarks(*m_store, m_recorder->journal(), this);
    m_history = new UndoHistory(*m_store, this);
    m_marks = new MarksKeeper(*m_store, this);
    m_protocol = std::make_unique<ResultsProtocol>(*m_store);
    m_runs->setProtocol(m_protocol.get());
    ProtocolModel &model = m_protocol->model();
    model.setRules(m_rules);
    m_store->model().setInfoTitles(m_rules.infoTitles);
    model.setMarks(m_marks);
    connect(m_marks, &MarksKeeper::marksChanged, &model, &ProtocolModel::rescore);
    connect(m_marks, &MarksKeeper::markSet, m_recorder,
            [this](int entry, int run, const MarkedRun &before, const MarkedRun &after) {
                m_recorder->recordMark(entry, run, runMarkText(before.mark), runMarkText(after.mark), after.reason);
            });
    m_liveFeed = new LiveFeed(*m_store, *m_runs, *m_marks, m_handMarks, this);
    m_liveFeed->setRules(m_rules);
    m_liveHost = new LiveHost(this);
    connect(m_liveFeed, &LiveFeed::published, m_liveHost, &LiveHost::publish);
    m_backup = new BackupCopier(this);
    m_marshals = new MarshalDesk(*m_store, *m_runs, *m_recorder, this);
    m_marshals->setSettings(MarshalSettings::load(m_settings).value_or(MarshalSettings {}));
    m_liveHost->setMarshalGate(m_marshals->gate());
    connect(m_liveHost, &LiveHost::marshalPressed, m_marshals, [this](quint64 ticket, const MarshalPress &press) {
        // Ticket 0 is a login: heard from, nothing to answer.
        if (ticket == 0)
            m_marshals->noteHeard(press.post);
        else
            m_liveHost->answerMarshalPress(ticket, m_marshals->apply(press));
    });

    m_barrierLink = new BarrierLink(barrierPorts(), this);
    m_barrier = new BarrierControl(*m_runs, this);
    if (const Result<BarrierTiming> timing = BarrierTiming::read(m_settings))
        m_barrier->setTiming(timing.value());
    else
        m_barrierTimingProblem = timing.error().message();
    connect(m_barrierLink, &BarrierLink::pulse, m_barrier, &BarrierControl::pulse);
    connect(m_barrier, &BarrierControl::pulseHandled, m_recorder, [this](BarrierControl::Outcome outcome, double ms) {
        const bool taken = outcome == BarrierControl::Outcome::Started || outcome == BarrierControl::Outcome::Stopped;
        m_recorder->recordPulse(taken, BarrierControl::outcomeText(outcome, ms), ms);
    });
}

RaceSession::~RaceSession()
{
    // In the reverse order of building, while the store they follow still exists: the backup's
    // last copy and the journal's last row go before the store does.
    delete m_barrier;
    delete m_barrierLink;
    delete m_marshals;
    delete m_backup;
    delete m_liveHost;
    delete m_liveFeed;
    m_runs->setProtocol(nullptr);
    m_protocol.reset();
    delete m_marks;
    delete m_history;
    delete m_handMarks;
    delete m_recorder;
    delete m_runs;
}

void RaceSession::waitForWrites()
{
    DiskQueue::drain(m_disk.get());
    QCoreApplication::sendPostedEvents(m_store.get(), QEvent::MetaCall);
    QCoreApplication::sendPostedEvents(m_recorder, QEvent::MetaCall);
}

void RaceSession::reloadRules()
{
    setRules(refreshedRules(m_settings, m_rules));
}

void RaceSession::setRules(const RaceRules &rules)
{
    if (rules == m_rules)
        return;
    m_rules = rules;
    m_protocol->model().setRules(m_rules);
    m_liveFeed->setRules(m_rules);
    m_store->model().setInfoTitles(m_rules.infoTitles);
    emit rulesChanged(m_rules);
}

FileResult RaceSession::setPenaltySeconds(double fpSeconds, double fsSeconds)
{
    const RaceRules before = m_rules;
    RaceRules rules = m_rules;
    rules.fpSeconds = RaceRules::wholeSeconds(fpSeconds);
    rules.fsSeconds = RaceRules::wholeSeconds(fsSeconds);
    setRules(rules);
    if (rules.fpSeconds != before.fpSeconds)
        m_recorder->recordPenaltySeconds(QStringLiteral("FPSeconds"), double(before.fpSeconds), fpSeconds);
    if (rules.fsSeconds != before.fsSeconds)
        m_recorder->recordPenaltySeconds(QStringLiteral("FSSeconds"), double(before.fsSeconds), fsSeconds);
    FileResult saved = m_settings.write(Setting::FPSeconds, fpSeconds);
    if (saved)
        saved = m_settings.write(Setting::FSSeconds, fsSeconds);
    return saved;
}
