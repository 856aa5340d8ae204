#include "core/protocol/ResultsProtocol.h"

#include "core/settings/ClassNames.h"
#include "core/startlist/ClassStore.h"

namespace {
ListField timeField(int run)
{
    return run == 1 ? ListField::Time1 : ListField::Time2;
}
} // namespace

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
    return m_store.readNumberField(row, timeField(run));
}

QString ResultsProtocol::participantName(int row) const
{
    return m_store.readTextField(row, ListField::Name);
}

void ResultsProtocol::recordRunTime(int row, int run, std::int32_t time, ChangeSource source)
{
    // A failed save is reported by the store; the time stays in memory and the next save retries.
    [[maybe_unused]] const FileResult saved = m_store.writeResult(row, {{timeField(run), time}}, source);
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
    const bool first = timeColumn == ProtocolModel::Time1;
    [[maybe_unused]] const FileResult saved = m_store.writeResult(
        row,
        {{first ? ListField::Time1 : ListField::Time2, 0}, {first ? ListField::FP1 : ListField::FP2, 0},
         {first ? ListField::FS1 : ListField::FS2, 0}},
        ChangeSource::Reset);
}
