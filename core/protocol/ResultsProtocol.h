#pragma once

#include "core/protocol/ProtocolModel.h"
#include "core/system/FileResult.h"
#include "core/timing/RunControl.h"

#include <QString>

class ClassStore;

// The results protocol of the current class as run control sees it: times are read from and
// recorded into the class store, the running clock goes to the protocol's view only.
class ResultsProtocol final : public RunProtocol
{
public:
    explicit ResultsProtocol(ClassStore &store);

    ProtocolModel &model() { return m_model; }
    const ProtocolModel &model() const { return m_model; }

    // Makes the class current in the store; the rows follow the store. A failed save of the class
    // being left keeps it current. Returns what the store reported; out of range does nothing.
    FileResult LoadClass(int classIndex);

    int rowCount() const override;
    std::int32_t runTime(int row, int run) const override;
    QString participantName(int row) const override;
    void recordRunTime(int row, int run, std::int32_t time, ChangeSource source) override;
    void showLiveTime(std::int32_t time) override;
    void showRunState(const RunState &state) override;

    // Clears the time and both counts of the run whose time column is given.
    void resetRun(int row, int timeColumn);

private:
    ClassStore &m_store;
    ProtocolModel m_model;
};
