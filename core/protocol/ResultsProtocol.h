#pragma once

#include "core/protocol/ProtocolModel.h"
#include "core/timing/RunControl.h"

#include <QString>

class ClassStore;

// The results protocol of the current class, tied to the class store: built from its list, and
// every write-back of a time or a penalty count goes straight to the class file.
class ResultsProtocol final : public RunProtocol
{
public:
    explicit ResultsProtocol(ClassStore &store);

    ProtocolModel &model() { return m_model; }
    const ProtocolModel &model() const { return m_model; }

    // Makes the class current in the store and rebuilds every row. A failed save of the class
    // being left keeps it current; the failure is returned. False when out of range.
    bool LoadClass(int classIndex);
    // Rebuilds every row from the store's current list.
    void rebuild();

    int rowCount() const override;
    std::int32_t runTime(int row, int run) const override;
    QString participantName(int row) const override;
    void storeRunTime(int row, int run, std::int32_t time) override;
    void recalculateRow(int row) override;
    void writeBackRow(int row) override;
    void showRunState(const RunState &state) override;

    // A penalty count typed into a count cell; false when the text is no number (nothing changes).
    bool commitCountText(int row, int column, const QString &text);
    // Clears the time and both counts of the run whose time column is given.
    void resetRun(int row, int timeColumn);

private:
    void GridAfterEdit(int row);

    ClassStore &m_store;
    ProtocolModel m_model;
};
