#pragma once

#include "app/ProtocolModel.h"
#include "app/RunControl.h"

#include <QString>

class StartListAccess;

// The results protocol of the current class, tied to its start list: built from it, and every
// write-back of a time or a penalty count goes straight to the class file.
class ResultsProtocol final : public RunProtocol
{
public:
    ResultsProtocol();

    void SetStartList(StartListAccess *list);
    ProtocolModel &Model() { return m_model; }
    const ProtocolModel &Model() const { return m_model; }

    // Makes the class current in the start list and rebuilds every row; false when out of range.
    bool LoadClass(int classIndex);

    int RowCount() const override;
    std::int32_t RunTime(int row, int run) const override;
    QString ParticipantName(int row) const override;
    void StoreRunTime(int row, int run, std::int32_t time) override;
    void RecalculateRow(int row) override;
    void WriteBackRow(int row) override;
    void Repaint() override;

    // A penalty count typed into a count cell; returns the message when the text is no number.
    QString CommitCountText(int row, int column, const QString &text);
    // Clears the time and both counts of the run whose time column is given.
    void ResetRun(int row, int timeColumn);

private:
    void GridAfterEdit(int row);

    ProtocolModel m_model;
    StartListAccess *m_list = nullptr;
};
