#include "core/protocol/ResultsProtocol.h"

#include "core/settings/ClassNames.h"
#include "core/startlist/ClassStore.h"

ResultsProtocol::ResultsProtocol(ClassStore &store)
    : m_store(store)
    , m_model(store)
{
}

FileResult ResultsProtocol::LoadClass(int classIndex)
{
    if (classIndex < FirstClass || classIndex > LastClass)
        return {};
    return m_store.SelectClass(classIndex);
}

int ResultsProtocol::rowCount() const
{
    return m_store.entryCount();
}

std::int32_t ResultsProtocol::runTime(int row, int run) const
{
    return m_store.readNumberField(row, runTimeField(run));
}

QString ResultsProtocol::participantName(int row) const
{
    return m_store.readTextField(row, ListField::Name);
}

void ResultsProtocol::recordRunTime(int row, int run, std::int32_t time, ChangeSource source)
{
    // A failed save is reported by the store; the time stays in memory and the next save retries.
    [[maybe_unused]] const FileResult saved = m_store.writeResult(row, {{runTimeField(run), time}}, source);
}

void ResultsProtocol::showLiveTime(std::int32_t time)
{
    m_model.showLiveTime(time);
}

void ResultsProtocol::showRunState(const RunState &state)
{
    m_model.setRunState(state);
}

void ResultsProtocol::resetRun(int row, int timeColumn)
{
    if (timeColumn != ProtocolModel::Time1 && timeColumn != ProtocolModel::Time2)
        return;
    // A run's time is followed by its FP and FS counts, in the protocol as in the field list.
    const auto field = [timeColumn](int offset) { return ProtocolModel::fieldOf(timeColumn + offset); };
    [[maybe_unused]] const FileResult saved
        = m_store.writeResult(row, {{field(0), 0}, {field(1), 0}, {field(2), 0}}, ChangeSource::Reset);
}
