#pragma once

#include "core/journal/Journal.h"
#include "core/system/FileResult.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

// The journal's words in the operator's: the field, the source and a value as the protocol
// shows it (times as mm:ss.hh).
QString historyFieldText(const JournalEvent &event);
QString historySourceText(const QString &source);
QString historyValueText(const QString &field, const QString &value);

// The journal rows of one class, newest first, for the whole class or one participant.
class HistoryModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryModel)

public:
    enum Column { Id, When, Participant, What, Change, Source, Note, ColumnCount };

    // Whose rows: the entry and the name it has now. Rows of the names it had before a rename
    // count too; a participant without a name is known by the entry alone.
    struct Person
    {
        int entry = -1;
        QString name;
    };

    explicit HistoryModel(Journal &journal, QObject *parent = nullptr);

    // Reads the class's rows afresh, of the person when given. A journal that cannot be read
    // leaves the list empty.
    FileResult load(int classIndex, const std::optional<Person> &person);
    // Adds the rows written since the last load or follow.
    FileResult follow();
    void showPerson(const std::optional<Person> &person);
    const std::optional<Person> &person() const { return m_person; }
    int classIndex() const { return m_class; }

    // The row shown at row, or nullptr.
    const JournalEvent *eventAt(int row) const;
    // The model row that shows the journal row id, or -1.
    int rowOfId(std::int64_t id) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void filter();
    // Whether a row newer than all shown is the person's; a rename adds the new name.
    bool followsPerson(const JournalEvent &event);

    Journal &m_journal;
    int m_class = 0;
    QList<JournalEvent> m_events; // oldest first, as read
    std::vector<int> m_shown; // indices into m_events, newest first
    std::optional<Person> m_person;
    QSet<QString> m_names; // the person's names, the one now and those before renames
};
