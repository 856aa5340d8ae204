#pragma once

#include "core/journal/Journal.h"
#include "core/system/FileResult.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

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

    // Reads the newest rows of the class afresh, of the person when given; older ones follow as
    // the view scrolls to them. A journal that cannot be read leaves the list empty.
    FileResult load(int classIndex, const std::optional<Person> &person);
    // Adds the rows written since on top.
    FileResult follow();
    FileResult showPerson(const std::optional<Person> &person) { return load(m_class, person); }
    // Reads the older rows too, all of them (for the printout).
    FileResult fetchAll();
    const std::optional<Person> &person() const { return m_person; }
    int classIndex() const { return m_class; }

    // The row shown at row, or nullptr.
    const JournalEvent *eventAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    // Rows read at a time: a screenful many times over, and quick even among 100,000.
    static constexpr int PageSize = 1000;

    Result<QList<JournalEvent>> olderPage();
    // Whether a row newer than all shown is the person's; a rename adds the new name.
    bool followsPerson(const JournalEvent &event);

    Journal &m_journal;
    int m_class = 0;
    QList<JournalEvent> m_events; // the rows shown, newest first
    std::int64_t m_newestId = 0; // the class's newest row when last read, shown or not
    std::int64_t m_oldestRead = 0; // the oldest row read so far, shown or not
    bool m_more = false;
    std::optional<Person> m_person;
    QSet<QString> m_names; // the person's names, the one now and those before renames
};
